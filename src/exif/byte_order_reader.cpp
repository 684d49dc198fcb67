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

namespace {

// True when the n bytes from pos (1-based) lie inside size bytes; nothing can wrap.
bool inside(std::int64_t pos, std::int64_t n, std::int64_t size) {
    return pos >= 1 && n >= 0 && n <= size && pos - 1 <= size - n;
}

} // namespace

const ByteExtent* ByteCursor::extentFor(std::int64_t pos, std::int64_t n) const {
    if (!extents_)
        return nullptr;
    const ByteExtent* holding = nullptr;
    for (const ByteExtent& e : *extents_) {
        const auto size = static_cast<std::int64_t>(e.bytes.size());
        if (pos < e.pos || pos - e.pos >= size)
            continue;
        if (inside(pos - e.pos + 1, n, size))
            return &e;
        if (!holding)
            holding = &e;
    }
    return holding;
}

bool ByteCursor::hasElsewhere(std::int64_t pos, std::int64_t n) const {
    const ByteExtent* e = extentFor(pos, n);
    return e && inside(pos - e->pos + 1, n, static_cast<std::int64_t>(e->bytes.size()));
}

std::optional<std::uint16_t> ByteCursor::u16Elsewhere(std::int64_t pos) const {
    const auto b = takeElsewhere(pos, 2);
    if (b.size() != 2)
        return std::nullopt;
    return static_cast<std::uint16_t>(bigEndian_ ? (b[0] << 8) | b[1] : (b[1] << 8) | b[0]);
}

std::optional<std::uint32_t> ByteCursor::u32Elsewhere(std::int64_t pos) const {
    const auto b = takeElsewhere(pos, 4);
    if (b.size() != 4)
        return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | b[static_cast<std::size_t>(bigEndian_ ? i : 3 - i)];
    return v;
}

std::span<const std::uint8_t> ByteCursor::takeElsewhere(std::int64_t pos, std::int64_t n) const {
    if (n <= 0 || pos < 1)
        return {};
    const auto size = static_cast<std::int64_t>(bytes_.size());
    const bool inMain = pos <= size;
    // The main bytes serve a range they hold whole; an extent serves one they cut short.
    if (!inMain || !inside(pos, n, size)) {
        if (const ByteExtent* e = extentFor(pos, n)) {
            const auto esize = static_cast<std::int64_t>(e->bytes.size());
            const std::int64_t at = pos - e->pos;
            if (!inMain || inside(at + 1, n, esize)) {
                const std::int64_t available = esize - at;
                return std::span<const std::uint8_t>(e->bytes)
                    .subspan(static_cast<std::size_t>(at),
                             static_cast<std::size_t>(n < available ? n : available));
            }
        }
        if (!inMain)
            return {};
    }
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
