#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "platform/path_at.h"
#include "platform/regular_file.h"

namespace kivo {
namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool GlobMatch(std::string_view p, std::string_view n) {
    // Iterative matcher with single-star backtracking: linear in practice, no recursion.
    std::size_t pi = 0, ni = 0, starP = std::string_view::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || LowerAscii(p[pi]) == LowerAscii(n[ni]))) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
        } else if (starP != std::string_view::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

unsigned AttributesOf(const std::string& name, const struct stat& st) {
    unsigned attr = 0;
    if (S_ISDIR(st.st_mode))
        attr |= faDirectory;
    if ((st.st_mode & S_IWUSR) == 0)
        attr |= faReadOnly;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        attr |= faHidden;
    return attr;
}

EntryKind KindOf(mode_t mode) {
    if (S_ISREG(mode))
        return EntryKind::Regular;
    if (S_ISDIR(mode))
        return EntryKind::Directory;
    if (S_ISLNK(mode))
        return EntryKind::Symlink;
    return EntryKind::Other;
}

// The entry's own kind, and the attributes of what it stands for: a link's target, or
// the link itself when it dangles (it is still an entry of its folder).
bool StatEntryAt(int dir, const char* name, struct stat& st, EntryKind& kind) {
    if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    kind = KindOf(st.st_mode);
    if (kind == EntryKind::Symlink) {
        struct stat target {};
        if (::fstatat(dir, name, &target, 0) == 0)
            st = target;
    }
    return true;
}

DirEntry MakeEntry(std::string name, const struct stat& st, EntryKind kind) {
    DirEntry entry;
    entry.attr = AttributesOf(name, st);
    entry.size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    entry.mtime = st.st_mtim.tv_sec;
    entry.kind = kind;
    entry.name = std::move(name);
    return entry;
}

// stat() of a path of any length, links followed.
bool StatPath(const std::string& path, struct stat& st) {
    if (path.empty())
        return false;
    const PathAt at(path);
    return ::fstatat(at.dir(), at.name(), &st, 0) == 0;
}

} // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    if (GlobMatch(pattern, name))
        return true;
    // As on the original platform, "x.*" also matches a name without any dot.
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos)
        return GlobMatch(pattern.substr(0, pattern.size() - 2), name);
    return false;
}

std::vector<DirEntry> EnumerateFolder(const std::string& folder, std::string_view pattern) {
    std::vector<DirEntry> result;
    const std::string dir = folder.empty() ? std::string(".") : folder;
    UniqueFd fd = OpenFolder(dir);
    if (!fd)
        return result;
    std::unique_ptr<DIR, DirCloser> d(::fdopendir(fd.get()));
    if (!d)
        return result;
    fd.release(); // the stream owns it now
    const int dirFd = ::dirfd(d.get());
    const bool isRoot = ExcludeTrailingSlash(dir) == "/";
    while (const dirent* e = ::readdir(d.get())) {
        std::string name = e->d_name;
        if (name == ".." && isRoot)
            continue;
        if (!WildcardMatch(pattern, name) || IsCopyTempName(name))
            continue;
        // Relative to the folder: the entry's full path may be longer than PATH_MAX.
        struct stat st {};
        EntryKind kind = EntryKind::Regular;
        if (!StatEntryAt(dirFd, name.c_str(), st, kind))
            continue;
        result.push_back(MakeEntry(std::move(name), st, kind));
    }
    return result;
}

std::optional<DirEntry> StatEntry(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    const PathAt at(path);
    struct stat st {};
    EntryKind kind = EntryKind::Regular;
    if (!StatEntryAt(at.dir(), at.name(), st, kind))
        return std::nullopt;
    return MakeEntry(ExtractFileName(ExcludeTrailingSlash(path)), st, kind);
}

std::string AttributeLetters(unsigned attr) {
    std::string s;
    if (attr & faArchive)
        s += 'A';
    if (attr & faReadOnly)
        s += 'R';
    if (attr & faHidden)
        s += 'H';
    if (attr & faSysFile)
        s += 'S';
    return s;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return StatPath(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
    if (path.empty())
        return false;
    const PathAt at(path);
    struct stat st {};
    return ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    struct stat st {};
    if (!StatPath(path, st) || S_ISDIR(st.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool CreateDir(const std::string& path) {
    if (path.empty())
        return false;
    const PathAt at(path);
    return ::mkdirat(at.dir(), at.name(), 0777) == 0;
}

bool RemoveDir(const std::string& path) {
    if (path.empty())
        return false;
    const PathAt at(path);
    return ::unlinkat(at.dir(), at.name(), AT_REMOVEDIR) == 0;
}

bool SetCurrentDir(const std::string& path) {
    return !path.empty() && ::chdir(path.c_str()) == 0;
}

std::string GetCurrentDir() {
    std::unique_ptr<char, decltype(&std::free)> p(::getcwd(nullptr, 0), &std::free);
    return p ? std::string(p.get()) : std::string();
}

std::optional<TDateTime> FileModifiedExact(const std::string& path) {
    struct stat st {};
    if (!StatPath(path, st) || S_ISDIR(st.st_mode))
        return std::nullopt;
    return UnixToLocalDateTime(st.st_mtim.tv_sec);
}

std::optional<TDateTime> FileAge(const std::string& path) {
    struct stat st {};
    if (!StatPath(path, st))
        return std::nullopt;
    return FileAgeOf(st);
}

std::optional<TDateTime> FileAgeOf(const struct stat& st) {
    if (S_ISDIR(st.st_mode))
        return std::nullopt;
    const std::time_t t = st.st_mtim.tv_sec;
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return std::nullopt;
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, date))
        return std::nullopt;
    // Two-second resolution, as the times are stored by the original file systems.
    const int sec = (tm.tm_sec > 59 ? 59 : tm.tm_sec) & ~1;
    TryEncodeTime(tm.tm_hour, tm.tm_min, sec, 0, time);
    return ComposeDateTime(date, time);
}

SetTimeResult SetFileModified(const std::string& path, TDateTime localTime) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(localTime, y, mo, d);
    DecodeTime(localTime, h, mi, s, ms);
    if (y < 1980 || y > 2099)
        return SetTimeResult::YearOutOfRange;
    TDateTime date = 0, time = 0;
    TryEncodeDate(y, mo, d, date);
    TryEncodeTime(h, mi, s & ~1, 0, time);
    const std::time_t t = LocalDateTimeToUnix(ComposeDateTime(date, time));
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = t;
    times[1].tv_nsec = 0;

    if (path.empty())
        return SetTimeResult::OpenFailed;
    const PathAt at(path);
    // O_NOFOLLOW: a name that is (or was swapped for) a link never passes the time on to
    // whatever the link points at.
    RegularFile file = OpenRegularFileAt(at.dir(), at.name(), O_RDWR | O_NOFOLLOW);
    if (!file) {
        struct stat st {};
        if (file.error == ELOOP && ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode))
            return ::utimensat(at.dir(), at.name(), times, AT_SYMLINK_NOFOLLOW) == 0
                       ? SetTimeResult::Ok
                       : SetTimeResult::Failed;
        return SetTimeResult::OpenFailed;
    }
    if (::flock(file.fd.get(), LOCK_EX | LOCK_NB) != 0)
        return SetTimeResult::Locked;
    if (::futimens(file.fd.get(), times) != 0)
        return SetTimeResult::Failed;
    return SetTimeResult::Ok;
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path,
                                                       std::uint64_t maxBytes) {
    if (path.empty())
        return std::nullopt;
    // Only a regular file: a FIFO named like a photo would block the read forever.
    const PathAt at(path);
    const RegularFile file = OpenRegularFileAt(at.dir(), at.name(), O_RDONLY);
    if (!file)
        return std::nullopt;
    const int fd = file.fd.get();
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    const std::uint64_t want =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), maxBytes);
    bytes.reserve(static_cast<std::size_t>(want));
    std::uint8_t buf[1 << 16];
    while (bytes.size() < maxBytes) {
        const std::uint64_t room = maxBytes - bytes.size();
        const ssize_t got =
            ::read(fd, buf, static_cast<size_t>(std::min<std::uint64_t>(sizeof buf, room)));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        bytes.insert(bytes.end(), buf, buf + got);
    }
    return bytes;
}

std::string ExtractFileDir(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return std::string();
    if (slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

std::string ExtractFileName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFileExt(std::string_view path) {
    const std::string name = ExtractFileName(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string IncludeTrailingSlash(std::string_view path) {
    std::string s(path);
    if (s.empty() || s.back() != '/')
        s += '/';
    return s;
}

std::string ExcludeTrailingSlash(std::string_view path) {
    std::string s(path);
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

} // namespace kivo
