#pragma once
// The POSIX steps shared by the two halves of FileOperationJob: its steps
// (file_operation.cpp) and its copying (file_copy.cpp).

#include <cstring>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

namespace kivo::fileop {

// None when lstat fails; errno then says why.
inline std::optional<struct stat> Lstat(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return st;
}

inline std::string Reason(int err) {
    return std::strerror(err);
}

inline void CopyModeAndTimes(const std::string& path, const struct stat& from) {
    // Best effort: a file system without permissions (vfat) still gets the contents.
    ::chmod(path.c_str(), from.st_mode & 07777);
    const timespec times[2] = {from.st_atim, from.st_mtim};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

} // namespace kivo::fileop
