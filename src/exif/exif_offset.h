#pragma once
// The time-zone offset of an EXIF 2.31 stamp (OffsetTime, OffsetTimeOriginal,
// OffsetTimeDigitized): "+HH:MM" or "-HH:MM" from UTC.

#include <optional>
#include <string_view>

namespace kivo {

// Minutes east of UTC; none for blanks (unknown), another layout or more than 14 hours.
std::optional<int> ParseExifOffsetMinutes(std::string_view text);

// The name of the offset tag that belongs to a stamp tag (0x0132, 0x9003, 0x9004); "" for
// any other tag.
std::string_view OffsetTagNameFor(int stampTag);

} // namespace kivo
