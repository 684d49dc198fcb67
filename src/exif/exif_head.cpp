#include "exif/exif_head.h"

#include <algorithm>
#include <optional>

namespace kivo {
namespace {

constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTagThumbnailOffset = 0x0201; // JPEGInterchangeFormat
constexpr std::uint16_t kTagThumbnailLength = 0x0202; // JPEGInterchangeFormatLength
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
// More entries than this in one directory is no real file.
constexpr std::uint16_t kMaxEntries = 1000;

// Reads over the TIFF structure inside the EXIF segment; offsets are TIFF offsets.
class TiffView {
public:
    TiffView(std::span<const std::uint8_t> bytes, bool bigEndian)
        : bytes_(bytes), bigEndian_(bigEndian) {}

    bool has(std::size_t off, std::size_t n) const {
        return n <= bytes_.size() && off <= bytes_.size() - n;
    }
    std::optional<std::uint16_t> u16(std::size_t off) const {
        if (!has(off, 2))
            return std::nullopt;
        const unsigned a = bytes_[off], b = bytes_[off + 1];
        return static_cast<std::uint16_t>(bigEndian_ ? (a << 8) | b : (b << 8) | a);
    }
    std::optional<std::uint32_t> u32(std::size_t off) const {
        if (!has(off, 4))
            return std::nullopt;
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint32_t byte =
                bytes_[off + static_cast<std::size_t>(bigEndian_ ? i : 3 - i)];
            v = (v << 8) | byte;
        }
        return v;
    }
    // A SHORT or LONG entry's first value, held in the entry's value field.
    std::optional<std::uint32_t> integer(std::size_t entry) const {
        const auto type = u16(entry + 2);
        if (type == kTypeShort)
            return u16(entry + 8);
        if (type == kTypeLong)
            return u32(entry + 8);
        return std::nullopt;
    }

private:
    std::span<const std::uint8_t> bytes_;
    bool bigEndian_;
};

// One directory:
//   +0  count N (2 bytes)
//   +2  N entries of 12 bytes: tag (2), type (2), count (4), value or offset (4)
//   +2+12N  offset of the next directory (4), 0 = none
// Calls onEntry(tag, entryOffset) for each entry; returns the next directory's offset.
template <typename F>
std::optional<std::uint32_t> WalkIfd(const TiffView& t, std::size_t off, F&& onEntry) {
    const auto count = t.u16(off);
    if (!count || *count > kMaxEntries || !t.has(off + 2, std::size_t{12} * *count + 4))
        return std::nullopt;
    for (std::size_t i = 0; i < *count; ++i) {
        const std::size_t entry = off + 2 + 12 * i;
        if (const auto tag = t.u16(entry))
            onEntry(*tag, entry);
    }
    return t.u32(off + 2 + std::size_t{12} * *count);
}

// The TIFF structure of an EXIF segment at `tiffStart` of the head.
//   +0 "II" or "MM", +2 42, +4 offset of IFD0
void ReadTiff(std::span<const std::uint8_t> head, std::size_t tiffStart, JpegExifHead& out) {
    const auto tiff = head.subspan(tiffStart);
    if (tiff.size() < 8)
        return;
    bool bigEndian = false;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else if (!(tiff[0] == 'I' && tiff[1] == 'I'))
        return;
    const TiffView t(tiff, bigEndian);
    if (t.u16(2) != 42)
        return;
    const auto ifd0 = t.u32(4);
    if (!ifd0)
        return;
    const auto ifd1 = WalkIfd(t, *ifd0, [&](std::uint16_t tag, std::size_t entry) {
        if (tag != kTagOrientation)
            return;
        const auto v = t.integer(entry);
        if (v && *v >= 1 && *v <= 8)
            out.orientation = static_cast<int>(*v);
    });
    // IFD1 may not point back at IFD0: a loop ends here.
    if (!ifd1 || *ifd1 == 0 || *ifd1 == *ifd0)
        return;
    std::optional<std::uint32_t> offset, length;
    WalkIfd(t, *ifd1, [&](std::uint16_t tag, std::size_t entry) {
        if (tag == kTagThumbnailOffset)
            offset = t.integer(entry);
        else if (tag == kTagThumbnailLength)
            length = t.integer(entry);
    });
    if (offset && length && *length > 0 && t.has(*offset, *length)) {
        out.thumbnailOffset = tiffStart + *offset;
        out.thumbnailLength = *length;
    }
}

} // namespace

JpegExifHead ReadJpegExifHead(std::span<const std::uint8_t> head) {
    JpegExifHead out;
    if (head.size() < 4 || head[0] != 0xFF || head[1] != 0xD8)
        return out;
    // Segments: FF, marker, 2-byte big-endian length counting itself, payload.
    std::size_t pos = 2;
    bool exifSeen = false;
    while (pos + 4 <= head.size()) {
        if (head[pos] != 0xFF)
            return out;
        const std::uint8_t marker = head[pos + 1];
        if (marker == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // scan or end: no EXIF before the image
            return out;
        const std::size_t length = (std::size_t{head[pos + 2]} << 8) | head[pos + 3];
        if (length < 2)
            return out;
        const std::size_t payload = pos + 4;
        const std::size_t payloadSize = length - 2;
        // "Exif" 00 00 opens the EXIF segment; an XMP APP1 does not.
        static constexpr std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
        if (marker == 0xE1 && !exifSeen && payloadSize >= 6 && payload + 6 <= head.size() &&
            std::equal(kExif, kExif + 6, head.begin() + static_cast<std::ptrdiff_t>(payload))) {
            exifSeen = true;
            const std::size_t end = std::min(head.size(), payload + payloadSize);
            ReadTiff(head.first(end), payload + 6, out);
        }
        // Frame header (SOF0-SOF15 but DHT C4, JPG C8, DAC CC):
        //   +0 precision (1), +1 height (2), +3 width (2)
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && payloadSize >= 5 && payload + 5 <= head.size()) {
            out.height = (head[payload + 1] << 8) | head[payload + 2];
            out.width = (head[payload + 3] << 8) | head[payload + 4];
            return out;
        }
        pos = payload + payloadSize;
    }
    return out;
}

} // namespace kivo
