#pragma once
// What a picture browser needs from the start of a JPEG file, read without the full
// metadata reader: the EXIF orientation and where the embedded thumbnail (IFD1) lies.

#include <cstddef>
#include <cstdint>
#include <span>

namespace kivo {

// Orientation values of tag 0x0112: how the stored rows and columns are to be shown.
inline constexpr int kOrientationNormal = 1;

// Bytes of a file's start read for ReadJpegExifHead: the EXIF segment is at most 64 KiB
// and comes before the image data, after at most a few other APPn segments.
inline constexpr std::size_t kExifHeadBytes = 256 * 1024;

struct JpegExifHead {
    int orientation = kOrientationNormal; // 1-8; missing or out of range = 1
    // The embedded JPEG thumbnail as an offset into the bytes given; length 0 = none.
    std::size_t thumbnailOffset = 0;
    std::size_t thumbnailLength = 0;
    // The stored image size from the frame header when it lies in the bytes given, else 0.
    int width = 0;
    int height = 0;
};

// Reads the first EXIF APP1 segment and the frame header among the segments before the
// scan. Any malformed
// structure ends the read with what was found so far; nothing is read outside `head`.
JpegExifHead ReadJpegExifHead(std::span<const std::uint8_t> head);

// Orientations 5-8 swap width and height.
inline bool OrientationSwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

} // namespace kivo
