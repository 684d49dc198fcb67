#pragma once
// The settings of one date/time correction and how they change a value. The adjustment
// dialog only collects them; the EXIF date table applies them row by row.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/datetime.h"

namespace kivo {

// Unit index: the 1-based position of the unit in the unit list.
inline constexpr int kUnitYear = 1;
inline constexpr int kUnitMonth = 2;
inline constexpr int kUnitDay = 3;
inline constexpr int kUnitHour = 4;
inline constexpr int kUnitMinute = 5;
inline constexpr int kUnitSecond = 6;

// The unit list in its order: "rok", "měsíc", "den", "hodina", "minuta", "sekunda".
const std::array<std::string_view, 6>& UnitNames();

// 1-based position of the last non-empty unit name equal to `text` (ASCII letters A-Z
// without regard to case, every other byte exactly), nullopt when none is.
std::optional<int> UnitIndexOfText(std::string_view text);

// The amount as the spin edit holds it: a whole number (blanks around it and a sign
// allowed); anything else, or a number too large for 64 bits, counts as 0.
std::int64_t AmountFromText(std::string_view text);

inline constexpr int kPageRelative = 0;
inline constexpr int kPageAbsolute = 1;

// What a correction is applied to: the files' modification times, or the EXIF stamps
// stored in the photos (all three, or the one chosen in the EXIF date dialog).
enum class AdjustTarget { FileTimes, ExifAll, ExifChosen };

struct AdjustSettings {
    int page = kPageRelative;
    std::int64_t amount = 1;
    int unitIndex = kUnitDay;
    bool changeDate = false;
    TDateTime date = 38591.0; // 27 August 2005
    bool changeTime = false;
    std::string timeText = "00:00";
};

// The corrected value of `x`. Relative: a shift by `amount` units (an unknown unit index
// leaves x as it is). Absolute: the date and/or the time of day replaced. nullopt when the
// result would leave the years 1..9999 or the ticked time text is refused; the caller then
// leaves its value alone.
std::optional<TDateTime> ApplyAdjustment(const AdjustSettings& settings, TDateTime x);

} // namespace kivo
