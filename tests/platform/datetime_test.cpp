#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/datetime.h"

using namespace kivo;

TEST(DateTime, EncodeMatchesKnownDayNumbers) {
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_DOUBLE_EQ(EncodeDate(2024, 2, 29), 45351.0);
    EXPECT_DOUBLE_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_THROW(EncodeDate(2023, 2, 29), std::invalid_argument);
    TDateTime v = 0;
    EXPECT_FALSE(TryEncodeDate(2100, 2, 29, v));
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, v));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, v));
}

TEST(DateTime, DecodeRoundTripsEveryDayOfFourCenturies) {
    TDateTime start = EncodeDate(1800, 1, 1);
    int y = 0, m = 0, d = 0;
    int ey = 1800, em = 1, ed = 1;
    for (int i = 0; i < 146097; ++i) {
        DecodeDate(start + i, y, m, d);
        ASSERT_EQ(std::tie(y, m, d), std::tie(ey, em, ed)) << "day " << i;
        if (++ed > DaysInMonth(ey, em)) {
            ed = 1;
            if (++em > 12) {
                em = 1;
                ++ey;
            }
        }
    }
}

TEST(DateTime, TimeOfDayRoundsToMillisecondsAndCarries) {
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(EncodeTime(10, 0, 5), h, n, s, ms);
    EXPECT_EQ(std::tie(h, n, s, ms), std::make_tuple(10, 0, 5, 0));
    // Just below midnight rounds to the next day's 00:00:00.
    const TDateTime nearly = EncodeDate(2005, 8, 27) + 0.99999999999;
    EXPECT_EQ(DateTimeText(nearly), "2005.08.28");
}

struct TextCase {
    const char* text;
    int y, mo, d, h, mi, s;
};

class DateTimeTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(DateTimeTextTest, FormatsAndParsesBack) {
    const TextCase& c = GetParam();
    const TDateTime v = ComposeDateTime(EncodeDate(c.y, c.mo, c.d), EncodeTime(c.h, c.mi, c.s));
    EXPECT_EQ(DateTimeText(v), c.text);
    const auto back = ParseDateTimeText(c.text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(DateTimeText(*back), c.text);
}

INSTANTIATE_TEST_SUITE_P(Texts, DateTimeTextTest,
                         ::testing::Values(TextCase{"2005.08.27 10:15:32", 2005, 8, 27, 10, 15, 32},
                                           TextCase{"2005.08.27", 2005, 8, 27, 0, 0, 0},
                                           TextCase{"2005.08.27 00:00:01", 2005, 8, 27, 0, 0, 1},
                                           TextCase{"1899.12.30 23:59:59", 1899, 12, 30, 23, 59, 59},
                                           TextCase{"1899.12.29 23:00:00", 1899, 12, 29, 23, 0, 0},
                                           TextCase{"0001.01.01 23:59:59", 1, 1, 1, 23, 59, 59},
                                           TextCase{"2024.02.29 12:00:00", 2024, 2, 29, 12, 0, 0}));

TEST(DateTimeText, RejectsMalformedTexts) {
    for (const char* bad : {"", "2005", "2005.13.01", "2005.02.30", "2005.08.27 25:00:00",
                            "2005.08.27 10:61", "2005-08-27", "2005.08.27 10:00:00x", "x2005.08.27"})
        EXPECT_FALSE(ParseDateTimeText(bad).has_value()) << bad;
    EXPECT_TRUE(ParseDateTimeText("2005.08.27 10:15").has_value());
}

struct PatternCase {
    const char* pattern;
    const char* expected;
};

class FormatPatternTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(FormatPatternTest, Formats) {
    FormatSettings fs;
    fs.DateSeparator = '/';
    fs.TimeSeparator = ':';
    const TDateTime v = EncodeDate(2005, 8, 7) + EncodeTime(15, 4, 9);
    EXPECT_EQ(FormatDateTime(GetParam().pattern, v, fs), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatPatternTest,
    ::testing::Values(PatternCase{"yyyy.MM.DD", "2005.08.07"}, PatternCase{"yy.MM.dd", "05.08.07"},
                      PatternCase{"MM/dd/yyyy", "08/07/2005"}, PatternCase{"dd-MM-yy", "07-08-05"},
                      PatternCase{"hh:nn:ss", "15:04:09"}, PatternCase{"hh:mm", "15:04"},
                      PatternCase{"h:mm AM/PM", "3:04 PM"}, PatternCase{"hh:nn am/pm", "03:04 pm"},
                      PatternCase{"d.m.yyyy", "7.8.2005"}, PatternCase{"'at' hh", "at 15"}));

TEST(DateTime, FixedFormatsAreSetOnRequest) {
    FormatSettings& fs = ProcessFormatSettings();
    fs.ShortDateFormat = "d/m/y";
    fs.LongTimeFormat = "h:mm AM/PM";
    fs.TimeSeparator = '.';
    SetFixedDateTimeFormats();
    EXPECT_EQ(fs.ShortDateFormat, "yyyy.MM.DD");
    EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(fs.TimeSeparator, ':');
}

class LocalTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "Europe/Prague", 1);
        ::tzset();
    }
};

TEST_F(LocalTimeTest, RoundTripsOrdinaryTimes) {
    const TDateTime v = EncodeDate(2005, 8, 27) + EncodeTime(10, 15, 32);
    EXPECT_EQ(DateTimeText(UnixToLocalDateTime(LocalDateTimeToUnix(v))), "2005.08.27 10:15:32");
}

TEST_F(LocalTimeTest, SpringForwardGapMovesForward) {
    // 2021-03-28 02:30 does not exist in Prague; it becomes 03:30 CEST.
    const TDateTime v = EncodeDate(2021, 3, 28) + EncodeTime(2, 30, 0);
    EXPECT_EQ(DateTimeText(UnixToLocalDateTime(LocalDateTimeToUnix(v))), "2021.03.28 03:30:00");
}

TEST_F(LocalTimeTest, AmbiguousTimeTakesTheFirstOccurrence) {
    // 2021-10-31 02:30 happens twice; the first one is still summer time (UTC+2).
    const TDateTime v = EncodeDate(2021, 10, 31) + EncodeTime(2, 30, 0);
    EXPECT_EQ(LocalDateTimeToUnix(v), 1635640200);
}
