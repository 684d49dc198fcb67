#include "platform/file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace kivo {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

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

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
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

bool StatFollow(const std::string& path, struct stat& st) {
    if (::stat(path.c_str(), &st) == 0)
        return true;
    // A dangling symbolic link is still an entry of its folder.
    return ::lstat(path.c_str(), &st) == 0;
}

FsResult Ok() { return FsResult{true, 0}; }
FsResult Fail(int err) { return FsResult{false, err}; }

// Copies a regular file to a new name that must not exist yet, keeping contents, times and
// permissions, and syncs it. On failure the partial copy is removed.
FsResult CopyFileNew(const std::string& from, const std::string& to) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return Fail(errno);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0)
        return Fail(errno);
    if (!S_ISREG(st.st_mode))
        return Fail(EXDEV);
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777));
    if (out.get() < 0)
        return Fail(errno);
    auto abandon = [&](int err) {
        ::close(out.release());
        ::unlink(to.c_str());
        return Fail(err);
    };
    std::unique_ptr<char[]> buf(new char[1 << 17]);
    for (;;) {
        const ssize_t got = ::read(in.get(), buf.get(), 1 << 17);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return abandon(errno);
        }
        if (got == 0)
            break;
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = ::write(out.get(), buf.get() + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return abandon(errno);
            }
            done += put;
        }
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::fchmod(out.get(), st.st_mode & 07777);
    if (::futimens(out.get(), times) != 0 || ::fsync(out.get()) != 0)
        return abandon(errno);
    if (::close(out.release()) != 0) {
        const int err = errno;
        ::unlink(to.c_str());
        return Fail(err);
    }
    return Ok();
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
    std::unique_ptr<DIR, DirCloser> d(::opendir(dir.c_str()));
    if (!d)
        return result;
    const std::string prefix = IncludeTrailingSlash(dir);
    const bool isRoot = ExcludeTrailingSlash(dir) == "/";
    while (const dirent* e = ::readdir(d.get())) {
        const std::string name = e->d_name;
        if (name == ".." && isRoot)
            continue;
        if (!WildcardMatch(pattern, name))
            continue;
        struct stat st {};
        if (!StatFollow(prefix + name, st))
            continue;
        DirEntry entry;
        entry.name = name;
        entry.attr = AttributesOf(name, st);
        entry.size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
        entry.mtime = st.st_mtim.tv_sec;
        result.push_back(std::move(entry));
    }
    return result;
}

std::optional<DirEntry> StatEntry(const std::string& path) {
    struct stat st {};
    if (path.empty() || !StatFollow(path, st))
        return std::nullopt;
    DirEntry entry;
    entry.name = ExtractFileName(ExcludeTrailingSlash(path));
    entry.attr = AttributesOf(entry.name, st);
    entry.size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    entry.mtime = st.st_mtim.tv_sec;
    return entry;
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
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool CreateDir(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }
bool RemoveDir(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

std::string FsResult::message() const { return ok ? std::string() : std::strerror(error); }

FsResult RenameNoReplace(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty())
        return Fail(ENOENT);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return Ok();
    const int err = errno;
    if (err != EINVAL && err != ENOSYS && err != ENOTSUP)
        return Fail(err);
    // The file system refuses the flag: a hard link cannot replace anything either.
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        return Fail(errno);
    if (!S_ISDIR(st.st_mode)) {
        if (::link(from.c_str(), to.c_str()) != 0)
            return Fail(errno);
        if (::unlink(from.c_str()) != 0) {
            const int e = errno;
            ::unlink(to.c_str());
            return Fail(e);
        }
        return Ok();
    }
    if (PathExists(to))
        return Fail(EEXIST);
    if (::rename(from.c_str(), to.c_str()) != 0)
        return Fail(errno);
    return Ok();
}

FsResult MoveNoReplace(const std::string& from, const std::string& to) {
    FsResult r = RenameNoReplace(from, to);
    if (r.ok || r.error != EXDEV)
        return r;
    if (DirectoryExists(from))
        return Fail(EXDEV);
    r = CopyFileNew(from, to);
    if (!r.ok)
        return r;
    if (::unlink(from.c_str()) != 0) {
        // Keep exactly one copy: the source could not go, so the new one goes.
        const int err = errno;
        ::unlink(to.c_str());
        return Fail(err);
    }
    return Ok();
}

bool SetCurrentDir(const std::string& path) { return !path.empty() && ::chdir(path.c_str()) == 0; }

std::string GetCurrentDir() {
    std::unique_ptr<char, decltype(&std::free)> p(::getcwd(nullptr, 0), &std::free);
    return p ? std::string(p.get()) : std::string();
}

std::optional<TDateTime> FileModifiedExact(const std::string& path) {
    struct stat st {};
    if (!FileExists(path) || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return UnixToLocalDateTime(st.st_mtim.tv_sec);
}

std::optional<TDateTime> FileAge(const std::string& path) {
    struct stat st {};
    if (!FileExists(path) || ::stat(path.c_str(), &st) != 0)
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

    if (DirectoryExists(path))
        return SetTimeResult::OpenFailed;
    Fd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return SetTimeResult::OpenFailed;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return SetTimeResult::Locked;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = t;
    times[1].tv_nsec = 0;
    if (::futimens(fd.get(), times) != 0)
        return SetTimeResult::Failed;
    return SetTimeResult::Ok;
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path,
                                                       std::uint64_t maxBytes) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode))
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    const std::uint64_t want = std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), maxBytes);
    bytes.reserve(static_cast<std::size_t>(want));
    std::uint8_t buf[1 << 16];
    while (bytes.size() < maxBytes) {
        const std::uint64_t room = maxBytes - bytes.size();
        const ssize_t got = ::read(fd.get(), buf, static_cast<size_t>(std::min<std::uint64_t>(sizeof buf, room)));
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
