#pragma once
// Calendar-aware shifting of date-time values and the check of an "hh:nn" time text.
// Plain C++: the batch commands use these as well as the dialogs.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/datetime.h"

namespace kivo {

// Shifts `value` by whole units, in this order: seconds, minutes, hours, days (exact
// durations that cross midnight, month and year ends by themselves), then years, then
// months (calendar steps that keep the time of day). A day that does not exist in the
// target month becomes the 1st of the month after it (29 February + 1 year = 1 March).
// Amounts may be negative and are not bounded; a result outside the years 1..9999 is
// nullopt. Values before 1899-12-30 are shifted on a linear time scale as well.
std::optional<TDateTime> ShiftDateTime(std::int64_t years, std::int64_t months, std::int64_t days,
                                       TDateTime value, std::int64_t hours, std::int64_t minutes,
                                       std::int64_t seconds);

struct HourMinute {
    int hour = 0;
    int minute = 0;
};

// A time text as the "hh:nn" field holds it: at least 5 characters, characters 1-2 the
// hours (0-23) and 4-5 the minutes (0-59), each a decimal integer (leading blanks and a
// sign allowed). Character 3 is not examined. nullopt when the text is refused.
std::optional<HourMinute> CheckTimeText(std::string_view text);

// The date part of `dateSource` with the time of day of `timeSource`.
TDateTime ReplaceDate(TDateTime timeSource, TDateTime dateSource);
// The date of `value` with the time of day h:m:00.000.
TDateTime ReplaceTime(TDateTime value, int hour, int minute);

} // namespace kivo
