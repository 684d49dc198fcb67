#include "platform/datetime.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace kivo {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 0001-01-01 (day 1) to 1899-12-30.
constexpr std::int64_t kDateDelta = 693594;

const char* const kShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
const char* const kShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

// Whole days since 1899-12-30 and the time of day in milliseconds; a time that rounds up
// to midnight carries into the next day.
void Split(TDateTime v, std::int64_t& days, std::int64_t& ms) {
    days = static_cast<std::int64_t>(std::trunc(v));
    ms = std::llround(std::fabs(v - std::trunc(v)) * static_cast<double>(kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        days += (v < 0) ? -1 : 1;
    }
}

// Proleptic Gregorian day number (0001-01-01 = 1) to civil date.
void CivilFromDayNumber(std::int64_t n, int& y, int& m, int& d) {
    // Shift to days since 1970-01-01 and use the era-based algorithm.
    std::int64_t z = n - 719163 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

std::string Two(int v) {
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

std::string Zero(int v, std::size_t width) {
    std::string s = std::to_string(v);
    while (s.size() < width)
        s.insert(s.begin(), '0');
    return s;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view what) {
    if (s.size() - at < what.size())
        return false;
    for (std::size_t i = 0; i < what.size(); ++i)
        if (Lower(s[at + i]) != Lower(what[i]))
            return false;
    return true;
}

void AppendFormatted(std::string& out, std::string_view pattern, TDateTime v,
                     const FormatSettings& fs, int depth);

} // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return (month == 2 && IsLeapYear(year)) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return false;
    std::int64_t n = day;
    for (int m = 1; m < month; ++m)
        n += DaysInMonth(year, m);
    const std::int64_t y = year - 1;
    n += y * 365 + y / 4 - y / 100 + y / 400;
    out = static_cast<double>(n - kDateDelta);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        msec < 0 || msec > 999)
        return false;
    out = static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + msec) /
          static_cast<double>(kMsPerDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime v = 0;
    if (!TryEncodeDate(year, month, day, v))
        throw std::invalid_argument("Invalid argument to date encode");
    return v;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime v = 0;
    if (!TryEncodeTime(hour, minute, second, msec, v))
        throw std::invalid_argument("Invalid argument to time encode");
    return v;
}

void DecodeDate(TDateTime v, int& year, int& month, int& day) {
    std::int64_t days = 0, ms = 0;
    Split(v, days, ms);
    CivilFromDayNumber(days + kDateDelta, year, month, day);
}

void DecodeTime(TDateTime v, int& hour, int& minute, int& second, int& msec) {
    std::int64_t days = 0, ms = 0;
    Split(v, days, ms);
    msec = static_cast<int>(ms % 1000);
    ms /= 1000;
    second = static_cast<int>(ms % 60);
    ms /= 60;
    minute = static_cast<int>(ms % 60);
    hour = static_cast<int>(ms / 60);
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
    // Before 1899-12-30 the day count is negative and the time of day counts away from zero.
    return date >= 0 ? date + time : date - time;
}

int DayOfWeek(TDateTime v) {
    std::int64_t days = 0, ms = 0;
    Split(v, days, ms);
    // 1899-12-30 was a Saturday (7).
    std::int64_t r = (days + 6) % 7;
    if (r < 0)
        r += 7;
    return static_cast<int>(r) + 1;
}

FormatSettings& ProcessFormatSettings() {
    static FormatSettings settings;
    return settings;
}

void SetFixedDateTimeFormats() {
    FormatSettings& fs = ProcessFormatSettings();
    fs.ShortDateFormat = "yyyy.MM.DD";
    fs.LongTimeFormat = "hh:nn:ss";
    fs.TimeSeparator = ':';
}

namespace {

void AppendFormatted(std::string& out, std::string_view p, TDateTime v, const FormatSettings& fs,
                     int depth) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(v, year, month, day);
    DecodeTime(v, hour, minute, second, msec);

    // A 12-hour clock is used when the pattern holds an AM/PM marker anywhere.
    bool twelve = false;
    for (std::size_t i = 0; i < p.size(); ++i)
        if (StartsWithNoCase(p, i, "am/pm") || StartsWithNoCase(p, i, "a/p") ||
            StartsWithNoCase(p, i, "ampm"))
            twelve = true;

    bool lastWasHour = false;
    std::size_t i = 0;
    while (i < p.size()) {
        const char c = p[i];
        const char lc = Lower(c);
        auto run = [&](char letter) {
            std::size_t n = 0;
            while (i + n < p.size() && Lower(p[i + n]) == letter)
                ++n;
            return n;
        };
        if (c == '"' || c == '\'') {
            const std::size_t end = p.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? p.size() : end;
            out.append(p.substr(i + 1, stop - i - 1));
            i = stop == p.size() ? stop : stop + 1;
            continue;
        }
        if (StartsWithNoCase(p, i, "am/pm")) {
            const bool pm = hour >= 12;
            const bool upper = p[i] == 'A';
            out += pm ? (upper ? "PM" : "pm") : (upper ? "AM" : "am");
            i += 5;
            continue;
        }
        if (StartsWithNoCase(p, i, "a/p")) {
            out += hour >= 12 ? (p[i] == 'A' ? "P" : "p") : (p[i] == 'A' ? "A" : "a");
            i += 3;
            continue;
        }
        switch (lc) {
        case 'y': {
            lastWasHour = false;
            const std::size_t n = run('y');
            out += n <= 2 ? Zero(year % 100, 2) : Zero(year, 4);
            i += n;
            break;
        }
        case 'm': {
            const std::size_t n = run('m');
            if (lastWasHour && n <= 2)
                out += n == 1 ? std::to_string(minute) : Two(minute);
            else if (n == 1)
                out += std::to_string(month);
            else if (n == 2)
                out += Two(month);
            else if (n == 3)
                out += kShortMonthNames[month - 1];
            else
                out += kLongMonthNames[month - 1];
            i += n;
            lastWasHour = false;
            continue;
        }
        case 'd': {
            lastWasHour = false;
            const std::size_t n = run('d');
            if (n == 1)
                out += std::to_string(day);
            else if (n == 2)
                out += Two(day);
            else if (n == 3)
                out += kShortDayNames[DayOfWeek(v) - 1];
            else if (n == 4)
                out += kLongDayNames[DayOfWeek(v) - 1];
            else if (depth < 2)
                AppendFormatted(out, fs.ShortDateFormat, v, fs, depth + 1);
            i += n;
            break;
        }
        case 'h': {
            const std::size_t n = run('h');
            int h = hour;
            if (twelve) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            out += n == 1 ? std::to_string(h) : Two(h);
            i += n;
            lastWasHour = true;
            continue;
        }
        case 'n': {
            lastWasHour = false;
            const std::size_t n = run('n');
            out += n == 1 ? std::to_string(minute) : Two(minute);
            i += n;
            break;
        }
        case 's': {
            lastWasHour = false;
            const std::size_t n = run('s');
            out += n == 1 ? std::to_string(second) : Two(second);
            i += n;
            break;
        }
        case 'z': {
            lastWasHour = false;
            const std::size_t n = run('z');
            out += n == 1 ? std::to_string(msec) : Zero(msec, 3);
            i += n;
            break;
        }
        case 't': {
            lastWasHour = false;
            const std::size_t n = run('t');
            if (depth < 2)
                AppendFormatted(out, n == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, v, fs,
                                depth + 1);
            i += n;
            break;
        }
        case 'c':
            lastWasHour = false;
            if (depth < 2) {
                AppendFormatted(out, fs.ShortDateFormat, v, fs, depth + 1);
                out += ' ';
                AppendFormatted(out, fs.LongTimeFormat, v, fs, depth + 1);
            }
            ++i;
            break;
        case '/':
            out += fs.DateSeparator;
            ++i;
            break;
        case ':':
            out += fs.TimeSeparator;
            ++i;
            break;
        default:
            out += c;
            ++i;
            break;
        }
    }
}

// Reads 1..maxDigits digits at `pos`.
bool ReadNumber(std::string_view s, std::size_t& pos, std::size_t maxDigits, int& value) {
    std::size_t n = 0;
    value = 0;
    while (pos < s.size() && n < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
        value = value * 10 + (s[pos] - '0');
        ++pos;
        ++n;
    }
    return n > 0;
}

} // namespace

std::string FormatDateTime(std::string_view pattern, TDateTime v, const FormatSettings& fs) {
    std::string out;
    AppendFormatted(out, pattern, v, fs, 0);
    return out;
}

void AppendFormatDateTime(std::string& out, std::string_view pattern, TDateTime v,
                          const FormatSettings& fs) {
    AppendFormatted(out, pattern, v, fs, 0);
}

std::string DateTimeText(TDateTime v) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(v, y, mo, d);
    DecodeTime(v, h, mi, s, ms);
    const bool withTime = h != 0 || mi != 0 || s != 0 || ms != 0;
    if (y < 0 || y > 9999) {
        std::string out = Zero(y, 4) + "." + Two(mo) + "." + Two(d);
        if (withTime)
            out += " " + Two(h) + ":" + Two(mi) + ":" + Two(s);
        return out;
    }
    // The common case in one buffer: every list row and report line has one or three.
    char buf[19];
    auto put2 = [&buf](std::size_t at, int value) {
        buf[at] = static_cast<char>('0' + value / 10 % 10);
        buf[at + 1] = static_cast<char>('0' + value % 10);
    };
    put2(0, y / 100);
    put2(2, y % 100);
    buf[4] = '.';
    put2(5, mo);
    buf[7] = '.';
    put2(8, d);
    if (!withTime)
        return std::string(buf, 10);
    buf[10] = ' ';
    put2(11, h);
    buf[13] = ':';
    put2(14, mi);
    buf[16] = ':';
    put2(17, s);
    return std::string(buf, 19);
}

std::optional<TDateTime> ParseDateTimeText(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    std::size_t pos = 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!ReadNumber(text, pos, 4, y) || pos >= text.size() || text[pos++] != '.' ||
        !ReadNumber(text, pos, 2, mo) || pos >= text.size() || text[pos++] != '.' ||
        !ReadNumber(text, pos, 2, d))
        return std::nullopt;
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(y, mo, d, date))
        return std::nullopt;
    if (pos == text.size())
        return date;
    if (text[pos++] != ' ')
        return std::nullopt;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    if (!ReadNumber(text, pos, 2, h) || pos >= text.size() || text[pos++] != ':' ||
        !ReadNumber(text, pos, 2, mi))
        return std::nullopt;
    if (pos < text.size()) {
        if (text[pos++] != ':' || !ReadNumber(text, pos, 2, s) || pos != text.size())
            return std::nullopt;
    }
    if (!TryEncodeTime(h, mi, s, 0, time))
        return std::nullopt;
    return ComposeDateTime(date, time);
}

TDateTime UnixToLocalDateTime(std::time_t t) {
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return 0;
    TDateTime date = 0, time = 0;
    TryEncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, date);
    TryEncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, 0, time);
    return ComposeDateTime(date, time);
}

std::time_t LocalDateTimeToUnix(TDateTime v) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(v, y, mo, d);
    DecodeTime(v, h, mi, s, ms);
    auto attempt = [&](int isdst, bool& exact) {
        std::tm tm{};
        tm.tm_year = y - 1900;
        tm.tm_mon = mo - 1;
        tm.tm_mday = d;
        tm.tm_hour = h;
        tm.tm_min = mi;
        tm.tm_sec = s;
        tm.tm_isdst = isdst;
        const std::time_t t = std::mktime(&tm);
        std::tm back{};
        exact = t != static_cast<std::time_t>(-1) && localtime_r(&t, &back) &&
                back.tm_year == y - 1900 && back.tm_mon == mo - 1 && back.tm_mday == d &&
                back.tm_hour == h && back.tm_min == mi && back.tm_sec == s;
        return t;
    };
    bool exactStd = false, exactDst = false;
    const std::time_t tStd = attempt(0, exactStd);
    const std::time_t tDst = attempt(1, exactDst);
    if (exactStd && exactDst)
        return std::min(tStd, tDst); // ambiguous: the first occurrence
    if (exactStd)
        return tStd;
    if (exactDst)
        return tDst;
    // In a spring-forward gap: move forward by the size of the gap.
    return std::max(tStd, tDst);
}

TDateTime Now() {
    return UnixToLocalDateTime(std::time(nullptr));
}

} // namespace kivo
