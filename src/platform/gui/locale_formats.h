#pragma once
// The user's own date and time formats (LC_TIME), in the date-time pattern language of
// FormatDateTime ("yyyy", "MM", "dd", "hh", "nn", "ss", "AM/PM", "/" and ":").

#include <string>
#include <string_view>

namespace kivo {

// Translates a strftime format as nl_langinfo gives it. The locale's date separator
// becomes "/" and the time separator ":", so that FormatDateTime puts the separators of
// its settings there; other literal text is quoted.
std::string TranslateStrftimeFormat(std::string_view format, char dateSeparator = '/',
                                    char timeSeparator = ':');

// The separator between the date parts of a strftime date format ('/' when none).
char DateSeparatorOf(std::string_view strftimeDateFormat);

// Formats of the locale named by the environment (LC_ALL, LC_TIME, LANG).
std::string LocaleShortDateFormat(); // D_FMT
std::string LocaleLongTimeFormat();  // T_FMT
char LocaleDateSeparator();

} // namespace kivo
