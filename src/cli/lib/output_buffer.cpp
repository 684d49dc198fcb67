#include "cli/lib/output_buffer.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <ostream>

namespace kivo {

OutputBuffer::OutputBuffer(int fd) : fd_(fd) {
    buf_.reserve(2 * kPieceBytes);
}

OutputBuffer::OutputBuffer(std::ostream& out) : out_(&out) {
    buf_.reserve(2 * kPieceBytes);
}

OutputBuffer::~OutputBuffer() {
    Flush();
}

bool OutputBuffer::Flush() {
    if (error_ != 0) {
        buf_.clear();
        return false;
    }
    if (out_) {
        out_->write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
        if (!*out_)
            error_ = EIO;
        buf_.clear();
        return error_ == 0;
    }
    std::size_t done = 0;
    while (done < buf_.size()) {
        const ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A non-blocking descriptor (a pipe shared with another program): wait for room.
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, -1) >= 0 || errno == EINTR)
                continue;
        }
        error_ = n < 0 ? errno : EIO;
        break;
    }
    buf_.clear();
    return error_ == 0;
}

} // namespace kivo
