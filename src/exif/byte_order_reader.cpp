#include "exif/byte_order_reader.h"

#include "exif/exif_types.h"

namespace kivo {

int TraceDepth = 0;

int FormatSize(int format) {
    // Index = format code: -, BYTE, ASCII, SHORT, LONG, RATIONAL, SBYTE, UNDEFINED, SSHORT,
    // SLONG, SRATIONAL, FLOAT, DOUBLE.
    static constexpr int kSizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return format >= 0 && format <= 12 ? kSizes[format] : 0;
}

bool BuildRenders(int buildMode) { return buildMode == kBuildRender || buildMode == kBuildAll; }
bool BuildLists(int buildMode) { return buildMode == kBuildList || buildMode == kBuildAll; }

bool ByteCursor::has(std::int64_t pos, std::int64_t n) const {
    // pos is 1-based; written so that nothing can wrap.
    const auto size = static_cast<std::int64_t>(bytes_.size());
    return pos >= 1 && n >= 0 && n <= size && pos - 1 <= size - n;
}

std::optional<std::uint16_t> ByteCursor::u16(std::int64_t pos) const {
    if (!has(pos, 2))
        return std::nullopt;
    const std::uint8_t a = bytes_[static_cast<std::size_t>(pos - 1)];
    const std::uint8_t b = bytes_[static_cast<std::size_t>(pos)];
    return static_cast<std::uint16_t>(bigEndian_ ? (a << 8) | b : (b << 8) | a);
}

std::optional<std::uint32_t> ByteCursor::u32(std::int64_t pos) const {
    if (!has(pos, 4))
        return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        const int index = bigEndian_ ? i : 3 - i;
        v = (v << 8) | bytes_[static_cast<std::size_t>(pos - 1 + index)];
    }
    return v;
}

std::span<const std::uint8_t> ByteCursor::take(std::int64_t pos, std::int64_t n) const {
    const auto size = static_cast<std::int64_t>(bytes_.size());
    if (pos < 1 || pos > size || n <= 0)
        return {};
    const std::int64_t available = size - (pos - 1);
    return bytes_.subspan(static_cast<std::size_t>(pos - 1),
                          static_cast<std::size_t>(n < available ? n : available));
}

std::uint16_t TByteOrderReader::Read16(std::int64_t pos) const {
    if (auto v = Cursor().u16(pos))
        return *v;
    throw ExifFailure("Read outside the buffer");
}

std::uint32_t TByteOrderReader::Read32(std::int64_t pos) const {
    if (auto v = Cursor().u32(pos))
        return *v;
    throw ExifFailure("Read outside the buffer");
}

} // namespace kivo
