#pragma once
// A part of another byte source seen as a source of its own: a container's embedded JPEG
// or TIFF structure is read by the JPEG scan or the TIFF read as if it were a file.

#include <algorithm>
#include <cstdint>

#include "exif/photo_data.h"

namespace kivo {

class WindowSource : public ByteSource {
public:
    // Bytes start .. start + length - 1 of parent (fewer when the parent ends earlier).
    WindowSource(ByteSource& parent, std::int64_t start, std::int64_t length)
        : parent_(parent), start_(std::max<std::int64_t>(start, 0)),
          length_(std::max<std::int64_t>(length, 0)) {
        const std::int64_t whole = parent.size();
        if (whole >= 0)
            length_ = std::clamp<std::int64_t>(whole - start_, 0, length_);
    }

    std::size_t read(std::uint8_t* out, std::size_t n) override {
        const std::size_t got = readAt(pos_, out, n);
        pos_ += static_cast<std::int64_t>(got);
        return got;
    }

    std::size_t skipFill(std::size_t limit) override {
        std::size_t done = 0;
        std::uint8_t buf[512];
        while (done < limit) {
            const std::size_t want = std::min(limit - done, sizeof buf);
            const std::size_t got = readAt(pos_, buf, want);
            const auto fill = static_cast<std::size_t>(
                std::find_if(buf, buf + got, [](std::uint8_t b) { return b != 0xFF; }) - buf);
            pos_ += static_cast<std::int64_t>(fill);
            done += fill;
            if (fill < want)
                break; // another byte, or the end
        }
        return done;
    }

    std::size_t readAt(std::int64_t offset, std::uint8_t* out, std::size_t n) override {
        if (n == 0 || offset < 0 || offset >= length_)
            return 0;
        const auto k = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(n), length_ - offset));
        const std::size_t got = parent_.readAt(start_ + offset, out, k);
        consumed_ += static_cast<std::int64_t>(got);
        return got;
    }

    std::int64_t size() const override { return length_; }

private:
    ByteSource& parent_;
    std::int64_t start_;
    std::int64_t length_;
    std::int64_t pos_ = 0;
};

} // namespace kivo
