#pragma once
// The two byte sources of the container: a file read through a reused buffer, and bytes in
// memory.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "exif/photo_data.h"
#include "exif/read_limits.h"
#include "platform/regular_file.h"
#include "platform/regular_file_nonblocking.h"

namespace kivo {

// Reads a file through a buffer its caller keeps from file to file: the head of a photo,
// where its metadata lies, comes in with one pread, and later pieces the same way.
class FileSource : public ByteSource {
public:
    static constexpr std::size_t kHeadBytes = 64 * 1024;

    // size: the file's size from its fstat, -1 when unknown. The buffer is grown to
    // kHeadBytes once and reused.
    FileSource(UniqueFd fd, std::int64_t size, std::vector<std::uint8_t>& buffer)
        : own_(std::move(fd)), fd_(own_.get()), size_(size), buf_(buffer) {
        if (buf_.size() < kHeadBytes)
            buf_.resize(kHeadBytes);
    }
    // The same for a descriptor its caller keeps (pread leaves its offset alone).
    FileSource(int borrowedFd, std::int64_t size, std::vector<std::uint8_t>& buffer)
        : fd_(borrowedFd), size_(size), buf_(buffer) {
        if (buf_.size() < kHeadBytes)
            buf_.resize(kHeadBytes);
    }
    // The same, with the buffer already holding the file's first `primed` bytes, as
    // FillHead left them.
    FileSource(int borrowedFd, std::int64_t size, std::vector<std::uint8_t>& buffer,
               std::size_t primed)
        : FileSource(borrowedFd, size, buffer) {
        const std::size_t asked =
            size_ >= 0 ? std::min<std::int64_t>(static_cast<std::int64_t>(buf_.size()), size_)
                       : buf_.size();
        end_ = std::min(primed, buf_.size());
        offset_ = static_cast<std::int64_t>(end_);
        eof_ = end_ < asked || (size_ >= 0 && offset_ >= size_);
    }

    // Reads the head into the buffer without handing anything on; how many bytes it holds.
    std::size_t FillHead() {
        if (pos_ == 0 && end_ == 0 && !eof_)
            refill();
        return end_;
    }

    std::size_t read(std::uint8_t* out, std::size_t n) override {
        std::size_t done = 0;
        while (done < n) {
            if (pos_ < end_) {
                const std::size_t k = std::min(n - done, end_ - pos_);
                std::memcpy(out + done, buf_.data() + pos_, k);
                pos_ += k;
                done += k;
                continue;
            }
            if (eof_)
                break;
            if (n - done >= buf_.size()) {
                // Large payloads go straight to the caller.
                const ssize_t got = readSome(out + done, n - done);
                if (got <= 0)
                    break;
                done += static_cast<std::size_t>(got);
                continue;
            }
            if (!refill())
                break;
        }
        consumed_ += static_cast<std::int64_t>(done);
        return done;
    }

    std::size_t skipFill(std::size_t limit) override {
        std::size_t done = 0;
        while (done < limit) {
            if (pos_ >= end_ && (eof_ || !refill()))
                break;
            const std::size_t k = std::min(limit - done, end_ - pos_);
            const std::uint8_t* from = buf_.data() + pos_;
            const std::uint8_t* stop =
                std::find_if(from, from + k, [](std::uint8_t b) { return b != 0xFF; });
            const auto skipped = static_cast<std::size_t>(stop - from);
            pos_ += skipped;
            done += skipped;
            if (skipped < k)
                break; // the next byte is not fill
        }
        consumed_ += static_cast<std::int64_t>(done);
        return done;
    }

    std::size_t readAt(std::int64_t offset, std::uint8_t* out, std::size_t n) override {
        const std::size_t done = preadFull(offset, out, n);
        consumed_ += static_cast<std::int64_t>(done);
        return done;
    }

    std::int64_t size() const override { return size_; }
    std::int64_t tell() const override { return offset_ - static_cast<std::int64_t>(end_ - pos_); }

private:
    bool refill() {
        const ssize_t got = readSome(buf_.data(), buf_.size());
        if (got <= 0)
            return false;
        pos_ = 0;
        end_ = static_cast<std::size_t>(got);
        return true;
    }

    // Reads at the stream's offset; a read that reaches the size fstat gave ends the
    // stream without asking the file once more.
    ssize_t readSome(std::uint8_t* out, std::size_t n) {
        if (size_ >= 0 && offset_ >= size_) {
            eof_ = true;
            return 0;
        }
        const std::size_t want =
            size_ >= 0 ? std::min<std::int64_t>(static_cast<std::int64_t>(n), size_ - offset_) : n;
        const std::size_t got = preadFull(offset_, out, want);
        offset_ += static_cast<std::int64_t>(got);
        if (got < want || (size_ >= 0 && offset_ >= size_))
            eof_ = true;
        return static_cast<ssize_t>(got);
    }

    std::size_t preadFull(std::int64_t offset, std::uint8_t* out, std::size_t n) {
        std::size_t done = 0;
        while (done < n) {
            const ssize_t got = ::pread(fd_, out + done, n - done,
                                        static_cast<off_t>(offset) + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR)
                continue;
            // Opened without blocking: a file system that honours that for a regular file
            // gets the usual semantics once it says so.
            if (got < 0 && errno == EAGAIN && !madeBlocking_) {
                madeBlocking_ = true;
                if (ClearNonBlocking(fd_))
                    continue;
            }
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

    UniqueFd own_; // empty for a borrowed descriptor
    int fd_ = -1;
    bool madeBlocking_ = false;
    std::int64_t size_ = -1;
    std::vector<std::uint8_t>& buf_;
    std::int64_t offset_ = 0; // file offset of the next read
    bool eof_ = false;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

class MemorySource : public ByteSource {
public:
    // fileOffset: where the bytes lie in the file they were read from, when they lie there
    // as they are; -1 when they do not (bytes gathered, or not from a file).
    explicit MemorySource(std::span<const std::uint8_t> bytes, std::int64_t fileOffset = -1)
        : bytes_(bytes), fileOffset_(fileOffset) {}
    std::size_t read(std::uint8_t* out, std::size_t n) override {
        const std::size_t k = std::min(n, bytes_.size() - pos_);
        if (k > 0)
            std::memcpy(out, bytes_.data() + pos_, k);
        pos_ += k;
        consumed_ += static_cast<std::int64_t>(k);
        return k;
    }
    std::size_t skipFill(std::size_t limit) override {
        const std::size_t k = std::min(limit, bytes_.size() - pos_);
        const auto from = bytes_.begin() + static_cast<std::ptrdiff_t>(pos_);
        const auto stop = std::find_if(from, from + static_cast<std::ptrdiff_t>(k),
                                       [](std::uint8_t b) { return b != 0xFF; });
        const auto skipped = static_cast<std::size_t>(stop - from);
        pos_ += skipped;
        consumed_ += static_cast<std::int64_t>(skipped);
        return skipped;
    }
    std::size_t readAt(std::int64_t offset, std::uint8_t* out, std::size_t n) override {
        // A read of nothing may come with no buffer at all.
        if (n == 0 || offset < 0 || static_cast<std::uint64_t>(offset) >= bytes_.size())
            return 0;
        const std::size_t k = std::min(n, bytes_.size() - static_cast<std::size_t>(offset));
        std::memcpy(out, bytes_.data() + offset, k);
        consumed_ += static_cast<std::int64_t>(k);
        return k;
    }
    std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    std::int64_t tell() const override {
        return fileOffset_ < 0 ? -1 : fileOffset_ + static_cast<std::int64_t>(pos_);
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::int64_t fileOffset_ = -1;
    std::size_t pos_ = 0;
};

} // namespace kivo
