#pragma once
// The date-time value shared by every part of the program: days since
// 1899-12-30 with the time of day as the fraction, plus its fixed text form.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace kivo {

using TDateTime = double;

constexpr double kSecondsPerDay = 86400.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Gregorian calendar, years 1..9999. The Try forms report invalid parts instead of throwing.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out);
TDateTime EncodeDate(int year, int month, int day); // throws std::invalid_argument
TDateTime EncodeTime(int hour, int minute, int second, int msec = 0);
void DecodeDate(TDateTime v, int& year, int& month, int& day);
// Time of day, rounded to the nearest millisecond.
void DecodeTime(TDateTime v, int& hour, int& minute, int& second, int& msec);
int DayOfWeek(TDateTime v);
// A date plus a time of day, also for dates before 1899-12-30.
TDateTime ComposeDateTime(TDateTime date, TDateTime time); // 1 = Sunday .. 7 = Saturday

// The process-wide date/time formats. The fixed date-time text never depends on them.
struct FormatSettings {
    std::string ShortDateFormat = "yyyy.MM.DD";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string ShortTimeFormat = "hh:nn";
    char DateSeparator = '.';
    char TimeSeparator = ':';
    char ThousandSeparator = ' ';
};
FormatSettings& ProcessFormatSettings();
// Short date "yyyy.MM.DD", long time "hh:nn:ss", time separator ":".
void SetFixedDateTimeFormats();

// Delphi-style patterns: yyyy yy m mm M MM d dd D DD h hh n nn s ss, "/" and ":" are the
// settings' separators, "AM/PM" or "am/pm" switch to a 12-hour clock, text in '' or "" is
// literal, anything else is copied.
std::string FormatDateTime(std::string_view pattern, TDateTime v,
                           const FormatSettings& fs = ProcessFormatSettings());
// The same, appended to `out` (a caller formatting many values keeps one buffer).
void AppendFormatDateTime(std::string& out, std::string_view pattern, TDateTime v,
                          const FormatSettings& fs);

// "yyyy.MM.DD hh:nn:ss", or the date alone when the time of day is exactly 00:00:00.
std::string DateTimeText(TDateTime v);
// The inverse: "yyyy.MM.DD" or "yyyy.MM.DD hh:nn:ss" (seconds may be omitted: "hh:nn").
std::optional<TDateTime> ParseDateTimeText(std::string_view text);

// Local time of the process's time zone. A time that does not exist (spring-forward gap)
// moves forward; an ambiguous one takes the first occurrence.
TDateTime UnixToLocalDateTime(std::time_t t);
std::time_t LocalDateTimeToUnix(TDateTime v);
TDateTime Now();

} // namespace kivo
