#include "platform/regular_file.h"

#include <cstring>

#include <sys/stat.h>

namespace kivo {

RegularFile OpenRegularFileAt(int dirFd, const std::string& name, int flags) {
    RegularFile result;
    UniqueFd fd(::openat(dirFd, name.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) {
        result.error = errno;
        return result;
    }
    struct stat& st = result.info;
    if (::fstat(fd.get(), &st) != 0) {
        result.error = errno;
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.error = kNotRegularFile;
        return result;
    }
    // Regular files never block on open or read; later reads expect the usual semantics.
    // The status flags are the ones opened with (open cannot set O_ASYNC): no F_GETFL.
    if (::fcntl(fd.get(), F_SETFL, flags & (O_APPEND | O_DIRECT | O_NOATIME)) != 0) {
        result.error = errno;
        return result;
    }
    result.fd = std::move(fd);
    return result;
}

RegularFile OpenRegularFile(const std::string& path, int flags) {
    return OpenRegularFileAt(AT_FDCWD, path, flags);
}

std::string OpenErrorText(int error) {
    if (error == kNotRegularFile)
        return "not a regular file";
    return std::strerror(error);
}

} // namespace kivo
