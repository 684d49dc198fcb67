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
    const int fl = ::fcntl(fd.get(), F_GETFL);
    if (fl < 0 || ::fcntl(fd.get(), F_SETFL, fl & ~O_NONBLOCK) != 0) {
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
