#include "exif/exif_offset.h"

namespace kivo {

std::optional<int> ParseExifOffsetMinutes(std::string_view text) {
    // The value is 7 ASCII bytes with the terminating zero; trailing blanks are tolerated.
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':')
        return std::nullopt;
    auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    if (!digit(1) || !digit(2) || !digit(4) || !digit(5))
        return std::nullopt;
    const int hours = (text[1] - '0') * 10 + (text[2] - '0');
    const int minutes = (text[4] - '0') * 10 + (text[5] - '0');
    if (hours > 14 || minutes > 59 || (hours == 14 && minutes > 0))
        return std::nullopt;
    const int total = hours * 60 + minutes;
    return text[0] == '-' ? -total : total;
}

std::string_view OffsetTagNameFor(int stampTag) {
    switch (stampTag) {
    case 0x0132:
        return "OffsetTime";
    case 0x9003:
        return "OffsetTimeOriginal";
    case 0x9004:
        return "OffsetTimeDigitized";
    default:
        return {};
    }
}

} // namespace kivo
