#pragma once
// Opening a file that must be a regular file. A FIFO, socket or device named like a photo
// would block a plain open() or read() forever, so the file is opened without blocking,
// checked with fstat on the descriptor (no race with a rename), and only then made
// blocking again.

#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo {

// Owns one file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

// Error code of a path that exists but is not a regular file (never an errno value).
inline constexpr int kNotRegularFile = -1;

struct RegularFile {
    UniqueFd fd;
    int error = 0;       // errno of the failed open or fstat, or kNotRegularFile
    struct stat info {}; // what fstat said of the open file: no second look-up needed
    explicit operator bool() const { return fd.valid(); }
};

// Opens path with `flags` (O_RDONLY, O_RDWR, … plus O_NOFOLLOW where a link must not be
// followed); O_NONBLOCK and O_CLOEXEC are added. Fails with kNotRegularFile for anything
// that is not a regular file.
RegularFile OpenRegularFile(const std::string& path, int flags = O_RDONLY);
// The same, relative to a folder descriptor.
RegularFile OpenRegularFileAt(int dirFd, const std::string& name, int flags = O_RDONLY);

// "not a regular file" for kNotRegularFile, else the system's text for the errno value.
std::string OpenErrorText(int error);

} // namespace kivo
