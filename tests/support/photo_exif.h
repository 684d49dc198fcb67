#pragma once
// EXIF for picture tests: an APP1 segment with an orientation and an embedded thumbnail,
// spliced into JPEG bytes made by any encoder.

#include <cstdint>
#include <vector>

namespace kivo::test {

// Little-endian TIFF: IFD0 with Orientation (0 = no such tag), linked to IFD1 that points
// at `thumbnail` (no IFD1 when it is empty).
std::vector<std::uint8_t> OrientationTiff(int orientation,
                                          const std::vector<std::uint8_t>& thumbnail = {});
// The JPEG with an EXIF APP1 of `tiff` right after its start marker.
std::vector<std::uint8_t> WithExif(const std::vector<std::uint8_t>& jpeg,
                                   const std::vector<std::uint8_t>& tiff);

} // namespace kivo::test
