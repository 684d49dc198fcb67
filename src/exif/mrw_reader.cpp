// Minolta MRW files.

#include <cstdint>

#include "exif/container_readers.h"
#include "exif/read_limits.h"
#include "exif/window_source.h"

namespace kivo {

bool ReadMrwStream(TPhotoData& photo, ByteSource& in) {
    // 0 "\0MRM" (4)  4 length of the blocks that follow (4, big-endian); the image data
    // starts after them. Each block: name (4, "\0PRD", "\0TTW", "\0WBG", "\0RIF", "\0PAD"),
    // length of its data (4, big-endian), data. The TTW block is a TIFF structure.
    std::uint8_t head[8];
    if (in.readAt(0, head, 8) != 8 || head[0] != 0 || head[1] != 'M' || head[2] != 'R' ||
        head[3] != 'M')
        return false;
    auto be32 = [](const std::uint8_t* p) {
        return (std::int64_t{p[0]} << 24) | (std::int64_t{p[1]} << 16) | (std::int64_t{p[2]} << 8) |
               std::int64_t{p[3]};
    };
    const std::int64_t end = 8 + be32(head + 4);
    std::int64_t pos = 8;
    for (int blocks = 0; blocks < kMaxContainerBoxes && pos <= end - 8; ++blocks) {
        std::uint8_t block[8];
        if (in.readAt(pos, block, 8) != 8)
            return false;
        const std::int64_t length = be32(block + 4);
        if (length > end - pos - 8)
            return false; // a block that runs past the header
        if (block[0] == 0 && block[1] == 'T' && block[2] == 'T' && block[3] == 'W') {
            WindowSource tiff(in, pos + 8, length);
            return photo.ReadTiffStream(tiff);
        }
        pos += 8 + length;
    }
    return false;
}

} // namespace kivo
