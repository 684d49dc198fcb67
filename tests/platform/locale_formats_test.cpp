// Translation of the locale's strftime formats into the date-time pattern language.

#include <gtest/gtest.h>

#include "platform/datetime.h"
#include "platform/gui/locale_formats.h"

namespace kivo {
namespace {

struct TranslateCase {
    const char* strftime;
    char dateSeparator;
    const char* pattern;
};

class TranslateTest : public ::testing::TestWithParam<TranslateCase> {};

TEST_P(TranslateTest, Pattern) {
    const TranslateCase& c = GetParam();
    EXPECT_EQ(TranslateStrftimeFormat(c.strftime, c.dateSeparator), c.pattern);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TranslateTest,
    ::testing::Values(TranslateCase{"%m/%d/%y", '/', "MM/dd/yy"},   // C, en_US
                      TranslateCase{"%d.%m.%Y", '.', "dd/MM/yyyy"}, // de_DE
                      TranslateCase{"%-d.%-m.%Y", '.', "d/M/yyyy"}, // cs_CZ
                      TranslateCase{"%Y-%m-%d", '-', "yyyy/MM/dd"}, // sv_SE
                      TranslateCase{"%d/%m/%Y", '/', "dd/MM/yyyy"}, // en_GB
                      TranslateCase{"%e. %B %Y", '.', "d/ MM yyyy"},
                      TranslateCase{"%H:%M:%S", '/', "hh:nn:ss"},
                      TranslateCase{"%I:%M:%S %p", '/', "hh:nn:ss AM/PM"},
                      TranslateCase{"%l:%M %P", '/', "h:nn am/pm"},
                      TranslateCase{"%T", '/', "hh:nn:ss"},
                      TranslateCase{"%r", '/', "hh:nn:ss AM/PM"},
                      TranslateCase{"%D", '/', "MM/dd/yy"}, TranslateCase{"%F", '-', "yyyy-MM-dd"},
                      TranslateCase{"%Hh%M", '/', "hh\"h\"nn"}, // literal letters quoted
                      TranslateCase{"%a %d", '/', " dd"},       // weekday names dropped
                      TranslateCase{"100%%", '/', "100%"}, TranslateCase{"%", '/', ""}));

TEST(LocaleFormats, DateSeparatorOfAFormat) {
    EXPECT_EQ(DateSeparatorOf("%m/%d/%y"), '/');
    EXPECT_EQ(DateSeparatorOf("%-d.%-m.%Y"), '.');
    EXPECT_EQ(DateSeparatorOf("%Y-%m-%d"), '-');
    EXPECT_EQ(DateSeparatorOf("%d %m %Y"), '/'); // none: the default
    EXPECT_EQ(DateSeparatorOf(""), '/');
}

TEST(LocaleFormats, TranslatedPatternsFormatLikeTheLocale) {
    // cs_CZ writes 8.12.2026; the translated pattern with '.' as the separator does too.
    FormatSettings fs;
    fs.DateSeparator = '.';
    const std::string pattern = TranslateStrftimeFormat("%-d.%-m.%Y", '.');
    EXPECT_EQ(FormatDateTime(pattern, EncodeDate(2026, 12, 8), fs), "8.12.2026");
    EXPECT_EQ(FormatDateTime(TranslateStrftimeFormat("%Hh%M"), EncodeTime(9, 5, 0), fs), "09h05");
}

TEST(LocaleFormats, TheTestLocale) {
    // The tests run with LC_ALL=C.UTF-8.
    EXPECT_EQ(LocaleShortDateFormat(), "MM/dd/yy");
    EXPECT_EQ(LocaleLongTimeFormat(), "hh:nn:ss");
    EXPECT_EQ(LocaleDateSeparator(), '/');
}

} // namespace
} // namespace kivo
