#include "core/journal_files.h"

#include <cerrno>
#include <climits>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/regular_file.h"

namespace kivo::journal_detail {

bool SameIdentity(const FileStamp& now, const FileStamp& recorded) {
    return recorded.exists && now.dev == recorded.dev && now.ino == recorded.ino;
}

bool IsMovedFile(const FileStamp& now, const JournalRow& row) {
    if (!now.exists || now.isDir != row.before.isDir)
        return false;
    if (!SameIdentity(now, row.before) && !SameIdentity(now, row.after))
        return false;
    return now.isDir || (now.size == row.before.size && now.mtimeNs == row.before.mtimeNs);
}

bool IsCopyOf(const FileStamp& now, const JournalRow& row) {
    // The journal keeps the kind with the source's stamp only: a copy is of the same kind.
    const FileStamp& made = row.after.exists ? row.after : row.before;
    if (!now.exists || !row.before.exists || now.isDir != row.before.isDir)
        return false;
    if (row.after.exists && !SameIdentity(now, row.after))
        return false;
    return now.isDir || (now.size == made.size && now.mtimeNs == made.mtimeNs);
}

bool IsEmptyDir(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    bool empty = true;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name != "." && name != "..") {
            empty = false;
            break;
        }
    }
    ::closedir(dir);
    return empty;
}

std::string CopyAgain(const JournalRow& row) {
    if (row.before.isDir)
        return ::mkdir(row.newPath.c_str(), 0777) == 0 ? std::string() : ErrorText(errno);
    const FsResult r = CopyFileSafely(row.oldPath, row.newPath, CopyPublish::NoReplace);
    return r ? std::string() : ErrorText(r.error);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TempBeside(const std::string& path) {
    const std::string name = ".kivo~" + std::to_string(::getpid()) + "~" + NameOf(path);
    if (name.size() > NAME_MAX)
        return {};
    return path.substr(0, path.size() - NameOf(path).size()) + name;
}

std::string GoneOrChanged(const FileStamp& now) {
    return now.exists ? "changed since" : "no longer there";
}

std::string ErrorText(int error) {
    return error == EEXIST ? "name taken" : FsResult{false, error}.message();
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd)
        return false;
    std::size_t off = 0;
    while (off < data.size()) {
        const ssize_t put = ::write(fd.get(), data.data() + off, data.size() - off);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        off += static_cast<std::size_t>(put);
    }
    return ::fsync(fd.get()) == 0;
}

std::string SetExactMtime(const std::string& path, const FileStamp& expected, std::int64_t ns) {
    const RegularFile file = OpenRegularFile(path, O_RDONLY | O_NOFOLLOW);
    if (!file)
        return OpenErrorText(file.error);
    struct stat st {};
    if (::fstat(file.fd.get(), &st) != 0)
        return OpenErrorText(errno);
    if (st.st_dev != expected.dev || st.st_ino != expected.ino)
        return "changed since";
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(ns / 1000000000);
    times[1].tv_nsec = static_cast<long>(ns % 1000000000);
    if (times[1].tv_nsec < 0) {
        times[1].tv_nsec += 1000000000;
        times[1].tv_sec -= 1;
    }
    if (::futimens(file.fd.get(), times) != 0)
        return OpenErrorText(errno);
    return {};
}

} // namespace kivo::journal_detail
