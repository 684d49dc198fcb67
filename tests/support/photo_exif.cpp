#include "support/photo_exif.h"

namespace kivo::test {
namespace {

void U16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void U32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    U16(out, v & 0xFFFF);
    U16(out, v >> 16);
}
void Entry(std::vector<std::uint8_t>& out, unsigned tag, unsigned type, std::uint32_t value) {
    U16(out, tag);
    U16(out, type);
    U32(out, 1);
    if (type == 3) {
        U16(out, value);
        U16(out, 0);
    } else {
        U32(out, value);
    }
}

} // namespace

std::vector<std::uint8_t> OrientationTiff(int orientation,
                                          const std::vector<std::uint8_t>& thumbnail) {
    std::vector<std::uint8_t> t = {'I', 'I', 42, 0, 8, 0, 0, 0};
    const unsigned n0 = orientation != 0 ? 1 : 0;
    U16(t, n0);
    if (n0)
        Entry(t, 0x0112, 3, static_cast<std::uint32_t>(orientation));
    const auto ifd1 = static_cast<std::uint32_t>(t.size() + 4);
    U32(t, thumbnail.empty() ? 0 : ifd1);
    if (!thumbnail.empty()) {
        const auto data = static_cast<std::uint32_t>(ifd1 + 2 + 2 * 12 + 4);
        U16(t, 2);
        Entry(t, 0x0201, 4, data);
        Entry(t, 0x0202, 4, static_cast<std::uint32_t>(thumbnail.size()));
        U32(t, 0);
        t.insert(t.end(), thumbnail.begin(), thumbnail.end());
    }
    return t;
}

std::vector<std::uint8_t> WithExif(const std::vector<std::uint8_t>& jpeg,
                                   const std::vector<std::uint8_t>& tiff) {
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    const std::size_t length = tiff.size() + 8;
    out.insert(out.end(), {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length & 0xFF), 'E', 'x', 'i', 'f', 0, 0});
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

} // namespace kivo::test
