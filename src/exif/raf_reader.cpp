// Fujifilm RAF files.

#include <cstdint>

#include "exif/container_readers.h"
#include "exif/window_source.h"

namespace kivo {

namespace {

std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

} // namespace

bool ReadRafStream(TPhotoData& photo, ByteSource& in) {
    // Header, numbers big-endian:
    //   0 "FUJIFILMCCD-RAW " (16)  16 format version (4)  20 camera id (8)
    //   28 camera name (32)  60 directory version (4)  64 reserved (20)
    //   84 JPEG offset (4)  88 JPEG length (4)  92 CFA header offset (4)
    //   96 CFA header length (4)  100 CFA offset (4)  104 CFA length (4)
    std::uint8_t header[108];
    if (in.readAt(0, header, sizeof header) != sizeof header)
        return false;
    static constexpr char kMagic[] = "FUJIFILMCCD-RAW";
    for (int i = 0; i < 15; ++i)
        if (header[i] != static_cast<std::uint8_t>(kMagic[i]))
            return false;
    // The embedded JPEG carries the camera's EXIF block.
    bool found = false;
    if (const std::uint32_t length = be32(header + 88); length > 0) {
        WindowSource jpeg(in, be32(header + 84), length);
        found = photo.ScanJpegStream(jpeg);
    }
    if (photo.ExifPresent())
        return found;
    // Newer cameras keep a TIFF directory at the start of the raw part; older ones only
    // their own raw header there, which the TIFF read refuses.
    for (const int at : {100, 92}) {
        const std::uint32_t length = be32(header + at + 4);
        if (length < 8)
            continue;
        WindowSource raw(in, be32(header + at), length);
        std::uint8_t magic[2];
        if (raw.readAt(0, magic, 2) == 2 &&
            ((magic[0] == 'I' && magic[1] == 'I') || (magic[0] == 'M' && magic[1] == 'M')))
            return photo.ReadTiffStream(raw) || found;
    }
    return found;
}

} // namespace kivo
