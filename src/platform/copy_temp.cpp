// Temporary files of copies: ".NAME.kivo-XXXXXX" beside the target, locked while
// written, so that a later run can tell a leftover of a killed run from a copy that
// still goes on, and remove it.

#include "platform/copy_temp.h"

#include <cerrno>
#include <climits>
#include <mutex>
#include <random>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/path_at.h"

namespace kivo {

namespace {

constexpr std::string_view kTempMark = ".kivo-";
constexpr std::size_t kTempRandom = 6;

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string RandomLetters() {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[kTempRandom];
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        std::random_device rd;
        for (auto& b : bytes)
            b = static_cast<unsigned char>(rd());
    }
    std::string s;
    for (unsigned char b : bytes)
        s += kLetters[b % (sizeof kLetters - 1)];
    return s;
}

// ".NAME.kivo-XXXXXX", NAME cut (never inside a UTF-8 sequence) so that it fits NAME_MAX.
std::string TempNameFor(std::string_view name) {
    const std::size_t room = NAME_MAX - 1 - kTempMark.size() - kTempRandom;
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name = name.substr(0, cut);
    }
    return "." + std::string(name) + std::string(kTempMark) + RandomLetters();
}

} // namespace

FsResult CreateTemp(int dir, const std::string& finalName, TempFile& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TempNameFor(finalName);
        UniqueFd fd(::openat(dir, name.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY,
                             0600));
        if (!fd) {
            if (errno == EEXIST)
                continue;
            return FsResult{false, errno, true};
        }
        // Another run cleaning the folder may have taken the new file for a leftover.
        struct stat st {};
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || ::fstat(fd.get(), &st) != 0 ||
            st.st_nlink == 0)
            continue;
        temp.fd = std::move(fd);
        temp.name = std::move(name);
        return FsResult{true, 0};
    }
    return FsResult{false, EEXIST, true};
}

void RemoveLeftoversOnce(int dir) {
    static std::mutex mutex;
    static std::set<std::pair<dev_t, ino_t>> cleaned;
    struct stat st {};
    if (::fstat(dir, &st) != 0)
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!cleaned.insert({st.st_dev, st.st_ino}).second)
            return;
    }
    RemoveLeftoversAt(dir, nullptr);
}

void RemoveLeftoversAt(int dir, std::size_t* removed) {
    // A fresh open: the folder descriptor of the caller keeps its own position.
    const int own = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return;
    DIR* d = ::fdopendir(own);
    if (!d) {
        ::close(own);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d))
        if (IsCopyTempName(e->d_name))
            names.emplace_back(e->d_name);
    ::closedir(d);
    for (const std::string& name : names) {
        RegularFile f = OpenRegularFileAt(dir, name, O_RDONLY | O_NOFOLLOW);
        if (!f || ::flock(f.fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue; // gone, not a file, or a copy that still runs
        struct stat held {
        }, now{};
        if (::fstat(f.fd.get(), &held) != 0 ||
            ::fstatat(dir, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(held, now))
            continue;
        if (::unlinkat(dir, name.c_str(), 0) == 0 && removed)
            ++*removed;
    }
}

bool IsCopyTempName(std::string_view name) {
    const std::size_t tail = kTempMark.size() + kTempRandom;
    if (name.size() < 2 + tail || name.front() != '.')
        return false;
    const std::string_view end = name.substr(name.size() - tail);
    if (end.substr(0, kTempMark.size()) != kTempMark)
        return false;
    for (char c : end.substr(kTempMark.size()))
        if (!IsAlnum(c))
            return false;
    return true;
}

std::size_t RemoveLeftoverCopies(const std::string& folder) {
    std::size_t removed = 0;
    const UniqueFd dir = OpenFolder(folder.empty() ? std::string(".") : folder);
    if (dir)
        RemoveLeftoversAt(dir.get(), &removed);
    return removed;
}

} // namespace kivo
