#include "platform/regular_file.h"

#include <cstring>

#include "platform/regular_file_nonblocking.h"

#include <sys/stat.h>

namespace kivo {

namespace {

RegularFile openRegular(int dirFd, const std::string& name, int flags, bool blocking) {
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
    if (!blocking) {
        result.fd = std::move(fd);
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

} // namespace

RegularFile OpenRegularFileAt(int dirFd, const std::string& name, int flags) {
    return openRegular(dirFd, name, flags, true);
}

RegularFile OpenRegularFile(const std::string& path, int flags) {
    return OpenRegularFileAt(AT_FDCWD, path, flags);
}

RegularFile OpenRegularFileNonBlocking(const std::string& path) {
    return openRegular(AT_FDCWD, path, O_RDONLY, false);
}

bool ClearNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

std::string OpenErrorText(int error) {
    if (error == kNotRegularFile)
        return "not a regular file";
    return std::strerror(error);
}

} // namespace kivo
