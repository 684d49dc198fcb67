#include "photoops/date_shift.h"

#include <cmath>

namespace kivo {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// The day count keeps the time of day as a positive fraction also before 1899-12-30
// (-1.25 is 29 December 1899, 06:00). Arithmetic runs on whole milliseconds of a linear
// scale instead, so durations are exact and never run backwards there.
std::int64_t ToLinearMs(TDateTime v) {
    const double day = std::trunc(v);
    const std::int64_t timeMs = std::llround(std::fabs(v - day) * static_cast<double>(kMsPerDay));
    return static_cast<std::int64_t>(day) * kMsPerDay + timeMs;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

TDateTime FromLinearMs(std::int64_t ms) {
    const std::int64_t day = FloorDiv(ms, kMsPerDay);
    const double time = static_cast<double>(ms - day * kMsPerDay) / static_cast<double>(kMsPerDay);
    const double d = static_cast<double>(day);
    return day >= 0 ? d + time : d - time;
}

std::int64_t DayOf(std::int64_t linearMs) {
    return FloorDiv(linearMs, kMsPerDay);
}
std::int64_t TimeOf(std::int64_t linearMs) {
    return linearMs - DayOf(linearMs) * kMsPerDay;
}

std::int64_t FirstDay() {
    return static_cast<std::int64_t>(EncodeDate(1, 1, 1));
}
std::int64_t LastDay() {
    return static_cast<std::int64_t>(EncodeDate(9999, 12, 31));
}

bool InRange(std::int64_t linearMs) {
    const std::int64_t day = DayOf(linearMs);
    return day >= FirstDay() && day <= LastDay();
}

// Adds amount * unitMs; false when the sum does not fit.
bool AddUnits(std::int64_t& linearMs, std::int64_t amount, std::int64_t unitMs) {
    std::int64_t delta = 0;
    if (__builtin_mul_overflow(amount, unitMs, &delta))
        return false;
    return !__builtin_add_overflow(linearMs, delta, &linearMs);
}

// The date y-m-d with the time of day kept; a day beyond the month's end becomes the 1st of
// the month after it.
std::optional<std::int64_t> CalendarDate(std::int64_t y, int m, int d, std::int64_t timeMs) {
    if (y < 1 || y > 9999)
        return std::nullopt;
    if (d > DaysInMonth(static_cast<int>(y), m)) {
        d = 1;
        if (++m > 12) {
            m = 1;
            if (++y > 9999)
                return std::nullopt;
        }
    }
    const auto day = static_cast<std::int64_t>(EncodeDate(static_cast<int>(y), m, d));
    return day * kMsPerDay + timeMs;
}

// Delphi-like StrToInt of a short field: leading blanks, an optional sign, digits only.
std::optional<int> FieldToInt(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i == s.size())
        return std::nullopt;
    int value = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return std::nullopt;
        value = value * 10 + (s[i] - '0');
    }
    return negative ? -value : value;
}

} // namespace

std::optional<TDateTime> ShiftDateTime(std::int64_t years, std::int64_t months, std::int64_t days,
                                       TDateTime value, std::int64_t hours, std::int64_t minutes,
                                       std::int64_t seconds) {
    if (!std::isfinite(value))
        return std::nullopt;
    std::int64_t ms = ToLinearMs(value);
    if (!InRange(ms))
        return std::nullopt;

    if (!AddUnits(ms, seconds, 1000) || !AddUnits(ms, minutes, 60'000) ||
        !AddUnits(ms, hours, 3'600'000) || !AddUnits(ms, days, kMsPerDay) || !InRange(ms))
        return std::nullopt;

    if (years != 0) {
        if (years > 10000 || years < -10000)
            return std::nullopt;
        int y = 0, m = 0, d = 0;
        DecodeDate(static_cast<double>(DayOf(ms)), y, m, d);
        const auto shifted = CalendarDate(y + years, m, d, TimeOf(ms));
        if (!shifted)
            return std::nullopt;
        ms = *shifted;
    }

    if (months != 0) {
        int y = 0, m = 0, d = 0;
        DecodeDate(static_cast<double>(DayOf(ms)), y, m, d);
        std::int64_t total = 0;
        if (__builtin_add_overflow(static_cast<std::int64_t>(m - 1), months, &total))
            return std::nullopt;
        const std::int64_t carry = FloorDiv(total, 12);
        const int targetMonth = static_cast<int>(total - carry * 12) + 1;
        if (carry > 10000 || carry < -10000)
            return std::nullopt;
        const auto shifted = CalendarDate(y + carry, targetMonth, d, TimeOf(ms));
        if (!shifted)
            return std::nullopt;
        ms = *shifted;
    }

    return FromLinearMs(ms);
}

std::optional<HourMinute> CheckTimeText(std::string_view text) {
    if (text.size() < 5)
        return std::nullopt;
    const auto hour = FieldToInt(text.substr(0, 2));
    const auto minute = FieldToInt(text.substr(3, 2));
    if (!hour || !minute)
        return std::nullopt;
    if (*hour < 0 || *hour > 23 || *minute < 0 || *minute > 59)
        return std::nullopt;
    return HourMinute{*hour, *minute};
}

TDateTime ReplaceDate(TDateTime timeSource, TDateTime dateSource) {
    const std::int64_t day = DayOf(ToLinearMs(dateSource));
    return FromLinearMs(day * kMsPerDay + TimeOf(ToLinearMs(timeSource)));
}

TDateTime ReplaceTime(TDateTime value, int hour, int minute) {
    const std::int64_t day = DayOf(ToLinearMs(value));
    return FromLinearMs(day * kMsPerDay + (hour * 60LL + minute) * 60'000);
}

} // namespace kivo
