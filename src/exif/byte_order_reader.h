#pragma once
// Byte-order aware reads over an owned byte buffer. Positions are 1-based (position 1 is
// the first byte); every read is checked against the buffer with arithmetic that cannot wrap.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kivo {

// Bytes of a TIFF-structured file that lie beyond its first read, read where they lie:
// `bytes` hold positions pos .. pos + size - 1 of the same numbering as the first read.
struct ByteExtent {
    std::int64_t pos = 1;
    std::vector<std::uint8_t> bytes;
};
using ByteExtents = std::vector<ByteExtent>;

// A read-only view with a byte order. Positions are 1-based, as everywhere in the reader.
// Besides its main bytes it may see extents read elsewhere in the same file; a range is
// served by the main bytes or by one extent.
class ByteCursor {
public:
    ByteCursor() = default;
    ByteCursor(std::span<const std::uint8_t> bytes, bool bigEndian,
               const ByteExtents* extents = nullptr)
        : bytes_(bytes), bigEndian_(bigEndian), extents_(extents) {}

    std::span<const std::uint8_t> bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }
    bool bigEndian() const { return bigEndian_; }

    // True when the n bytes from pos lie inside the buffer.
    bool has(std::int64_t pos, std::int64_t n) const {
        return inMain(pos, n) || hasElsewhere(pos, n);
    }
    std::optional<std::uint16_t> u16(std::int64_t pos) const {
        // The main bytes serve nearly every read: no span is built for them.
        if (inMain(pos, 2)) {
            const std::uint8_t* b = bytes_.data() + (pos - 1);
            return static_cast<std::uint16_t>(bigEndian_ ? (b[0] << 8) | b[1] : (b[1] << 8) | b[0]);
        }
        return u16Elsewhere(pos);
    }
    std::optional<std::uint32_t> u32(std::int64_t pos) const {
        if (inMain(pos, 4)) {
            const std::uint8_t* b = bytes_.data() + (pos - 1);
            return bigEndian_ ? (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                                    (std::uint32_t{b[2]} << 8) | b[3]
                              : (std::uint32_t{b[3]} << 24) | (std::uint32_t{b[2]} << 16) |
                                    (std::uint32_t{b[1]} << 8) | b[0];
        }
        return u32Elsewhere(pos);
    }
    // Up to n bytes from pos; fewer when the buffer ends earlier, none when pos is outside.
    std::span<const std::uint8_t> take(std::int64_t pos, std::int64_t n) const {
        if (n > 0 && inMain(pos, n))
            return bytes_.subspan(static_cast<std::size_t>(pos - 1), static_cast<std::size_t>(n));
        return takeElsewhere(pos, n);
    }

private:
    // True when the n bytes from pos (1-based) lie inside the main bytes; nothing can wrap.
    bool inMain(std::int64_t pos, std::int64_t n) const {
        const auto size = static_cast<std::int64_t>(bytes_.size());
        return pos >= 1 && n >= 0 && n <= size && pos - 1 <= size - n;
    }
    bool hasElsewhere(std::int64_t pos, std::int64_t n) const;
    std::optional<std::uint16_t> u16Elsewhere(std::int64_t pos) const;
    std::optional<std::uint32_t> u32Elsewhere(std::int64_t pos) const;
    std::span<const std::uint8_t> takeElsewhere(std::int64_t pos, std::int64_t n) const;
    // The extent holding all n bytes from pos, else the one holding pos; null for none.
    const ByteExtent* extentFor(std::int64_t pos, std::int64_t n) const;

    std::span<const std::uint8_t> bytes_;
    bool bigEndian_ = false;
    const ByteExtents* extents_ = nullptr;
};

class TByteOrderReader {
public:
    TByteOrderReader() = default;
    virtual ~TByteOrderReader() = default;
    // A copy would view the other's bytes.
    TByteOrderReader(const TByteOrderReader&) = delete;
    TByteOrderReader& operator=(const TByteOrderReader&) = delete;

    bool BigEndian = false; // "MM" when true, "II" when false

    // A copy into the buffer this object already has: no allocation once it is large enough.
    void SetBuffer(std::span<const std::uint8_t> bytes) {
        if (bytes.data() != own_.data())
            own_.assign(bytes.begin(), bytes.end());
        else
            own_.resize(bytes.size());
        Buffer = own_;
    }
    void SetBuffer(std::vector<std::uint8_t>&& bytes) {
        own_ = std::move(bytes);
        Buffer = own_;
    }
    // Reads bytes its caller keeps, unchanged, for as long as this reads them: no copy.
    void ViewBuffer(std::span<const std::uint8_t> bytes) { Buffer = bytes; }
    // No bytes; storage of more than a mebibyte is given back.
    void ClearBuffer() {
        Buffer = {};
        if (own_.capacity() > std::size_t{1} << 20)
            std::vector<std::uint8_t>().swap(own_);
        else
            own_.clear();
    }
    std::span<const std::uint8_t> GetBuffer() const { return Buffer; }
    ByteCursor Cursor() const { return ByteCursor(Buffer, BigEndian); }

    // 16 and 32 bits at a 1-based position; ExifFailure when they lie outside the buffer.
    std::uint16_t Read16(std::int64_t pos) const;
    std::uint32_t Read32(std::int64_t pos) const;

protected:
    std::span<const std::uint8_t> Buffer; // own_, or bytes the caller keeps

private:
    std::vector<std::uint8_t> own_;
};

} // namespace kivo
