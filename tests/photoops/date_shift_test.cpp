#include "photoops/date_shift.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "photoops/adjust_settings.h"
#include "platform/datetime.h"

namespace kivo {
namespace {

TDateTime T(const std::string& text) {
    const auto v = ParseDateTimeText(text);
    EXPECT_TRUE(v.has_value()) << text;
    return v.value_or(0);
}

std::string ShiftText(const std::string& start, int unit, std::int64_t n) {
    AdjustSettings s;
    s.page = kPageRelative;
    s.unitIndex = unit;
    s.amount = n;
    const auto v = ApplyAdjustment(s, T(start));
    return v ? DateTimeText(*v) : std::string("(none)");
}

struct ShiftCase {
    const char* start;
    int unit;
    std::int64_t amount;
    const char* expected;
};

void PrintTo(const ShiftCase& c, std::ostream* os) {
    *os << c.start << " unit " << c.unit << " by " << c.amount;
}

class RelativeShift : public ::testing::TestWithParam<ShiftCase> {};

TEST_P(RelativeShift, GivesCalendarCorrectResult) {
    const auto& c = GetParam();
    EXPECT_EQ(ShiftText(c.start, c.unit, c.amount), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, RelativeShift,
    ::testing::Values(ShiftCase{"2005.01.31 10:00:00", kUnitMonth, 1, "2005.03.01 10:00:00"},
                      ShiftCase{"2005.03.31 10:00:00", kUnitMonth, 1, "2005.05.01 10:00:00"},
                      ShiftCase{"2005.02.15 08:30:00", kUnitMonth, -3, "2004.11.15 08:30:00"},
                      ShiftCase{"2005.02.15 08:30:00", kUnitMonth, -14, "2003.12.15 08:30:00"},
                      ShiftCase{"2005.05.10 12:00:00", kUnitMonth, 14, "2006.07.10 12:00:00"},
                      ShiftCase{"2004.02.29 12:00:00", kUnitYear, 1, "2005.03.01 12:00:00"},
                      ShiftCase{"2005.12.31 23:30:00", kUnitHour, 1, "2006.01.01 00:30:00"},
                      ShiftCase{"2005.03.01 00:10:00", kUnitMinute, -20, "2005.02.28 23:50:00"},
                      ShiftCase{"2005.08.27 10:00:00", kUnitDay, -30, "2005.07.28 10:00:00"}));

INSTANTIATE_TEST_SUITE_P(
    ZeroAmount, RelativeShift,
    ::testing::Values(ShiftCase{"2005.08.27 10:15:33", kUnitYear, 0, "2005.08.27 10:15:33"},
                      ShiftCase{"2005.08.27 10:15:33", kUnitMonth, 0, "2005.08.27 10:15:33"},
                      ShiftCase{"2005.08.27 10:15:33", kUnitDay, 0, "2005.08.27 10:15:33"},
                      ShiftCase{"2005.08.27 10:15:33", kUnitHour, 0, "2005.08.27 10:15:33"},
                      ShiftCase{"2005.08.27 10:15:33", kUnitMinute, 0, "2005.08.27 10:15:33"},
                      ShiftCase{"2005.08.27 10:15:33", kUnitSecond, 0, "2005.08.27 10:15:33"},
                      ShiftCase{"2004.02.29", kUnitMonth, 0, "2004.02.29"}));

INSTANTIATE_TEST_SUITE_P(
    BackwardsAcrossYears, RelativeShift,
    ::testing::Values(ShiftCase{"2005.01.01 00:00:00", kUnitSecond, -1, "2004.12.31 23:59:59"},
                      ShiftCase{"2005.01.01 00:30:00", kUnitMinute, -31, "2004.12.31 23:59:00"},
                      ShiftCase{"2005.01.01 05:00:00", kUnitHour, -6, "2004.12.31 23:00:00"},
                      ShiftCase{"2005.01.10 07:00:00", kUnitDay, -10, "2004.12.31 07:00:00"},
                      ShiftCase{"2005.01.31 07:00:00", kUnitMonth, -1, "2004.12.31 07:00:00"},
                      ShiftCase{"2005.03.31 07:00:00", kUnitMonth, -13, "2004.03.01 07:00:00"},
                      ShiftCase{"2005.01.15 07:00:00", kUnitMonth, -12, "2004.01.15 07:00:00"},
                      ShiftCase{"2005.01.15 07:00:00", kUnitMonth, -25, "2002.12.15 07:00:00"},
                      ShiftCase{"2005.06.15", kUnitYear, -5, "2000.06.15"}));

INSTANTIATE_TEST_SUITE_P(
    MonthEndsAndLeapDays, RelativeShift,
    ::testing::Values(ShiftCase{"2004.02.29 12:00:00", kUnitYear, 4, "2008.02.29 12:00:00"},
                      ShiftCase{"2004.02.29 12:00:00", kUnitYear, -4, "2000.02.29 12:00:00"},
                      ShiftCase{"2004.02.29 12:00:00", kUnitYear, 96, "2100.03.01 12:00:00"},
                      ShiftCase{"2004.02.29 12:00:00", kUnitYear, -104, "1900.03.01 12:00:00"},
                      ShiftCase{"2004.01.30", kUnitMonth, 1, "2004.03.01"},
                      ShiftCase{"2004.01.29", kUnitMonth, 1, "2004.02.29"},
                      ShiftCase{"2005.01.29", kUnitMonth, 1, "2005.03.01"},
                      ShiftCase{"2005.12.31", kUnitMonth, 1, "2006.01.31"},
                      ShiftCase{"2005.10.31", kUnitMonth, -1, "2005.10.01"},
                      ShiftCase{"2005.02.28 23:59:59", kUnitSecond, 1, "2005.03.01"},
                      ShiftCase{"2004.02.28 23:59:59", kUnitSecond, 1, "2004.02.29"},
                      ShiftCase{"2005.08.27 10:00:00", kUnitSecond, 86400 * 365,
                                "2006.08.27 10:00:00"}));

INSTANTIATE_TEST_SUITE_P(
    OutsideTheCalendar, RelativeShift,
    ::testing::Values(
        ShiftCase{"9999.12.31 23:59:59", kUnitSecond, 1, "(none)"},
        ShiftCase{"9999.12.15", kUnitMonth, 1, "(none)"},
        ShiftCase{"0001.01.01", kUnitDay, -1, "(none)"},
        ShiftCase{"2005.08.27", kUnitYear, 8000, "(none)"},
        ShiftCase{"2005.08.27", kUnitYear, -2005, "(none)"},
        ShiftCase{"2005.08.27", kUnitYear, 7994, "9999.08.27"},
        ShiftCase{"2005.08.27", kUnitMonth, std::numeric_limits<std::int64_t>::max(), "(none)"},
        ShiftCase{"2005.08.27", kUnitSecond, std::numeric_limits<std::int64_t>::min(), "(none)"},
        ShiftCase{"2005.08.27", kUnitDay, std::numeric_limits<std::int64_t>::max(), "(none)"}));

INSTANTIATE_TEST_SUITE_P(
    UnknownUnitKeepsValue, RelativeShift,
    ::testing::Values(ShiftCase{"2005.08.27 10:15:33", 0, 5, "2005.08.27 10:15:33"},
                      ShiftCase{"2005.08.27 10:15:33", 7, 5, "2005.08.27 10:15:33"},
                      ShiftCase{"2005.08.27 10:15:33", -1, 5, "2005.08.27 10:15:33"}));

TEST(ShiftDateTime, AppliesUnitsInOrderSecondsFirstMonthsLast) {
    // 2005.01.31 23:59:59 + 1 s = 2005.02.01 00:00:00, then + 1 month = 2005.03.01.
    const auto v = ShiftDateTime(0, 1, 0, T("2005.01.31 23:59:59"), 0, 0, 1);
    ASSERT_TRUE(v);
    EXPECT_EQ(DateTimeText(*v), "2005.03.01");
    // Years before months: 2004.02.29 + 1 year = 2005.03.01, + 1 month = 2005.04.01.
    const auto w = ShiftDateTime(1, 1, 0, T("2004.02.29"), 0, 0, 0);
    ASSERT_TRUE(w);
    EXPECT_EQ(DateTimeText(*w), "2005.04.01");
}

TEST(ShiftDateTime, KeepsMillisecondsExactOverLongSecondShifts) {
    TDateTime v = T("2005.08.27 10:00:00");
    for (int i = 0; i < 10000; ++i)
        v = ShiftDateTime(0, 0, 0, v, 0, 0, 7).value();
    EXPECT_EQ(DateTimeText(v), "2005.08.28 05:26:40");
}

// Before 1899-12-30 the day count stores the time of day as a positive fraction of a
// negative day: 1899.12.29 23:00 is -1 - 23/24.
TDateTime BeforeDayZero(int daysBack, int hour) {
    return -static_cast<double>(daysBack) - EncodeTime(hour, 0, 0);
}

TEST(ShiftDateTime, MovesForwardBeforeDayZeroToo) {
    const auto v = ShiftDateTime(0, 0, 0, BeforeDayZero(1, 23), 1, 0, 0);
    ASSERT_TRUE(v);
    EXPECT_EQ(DateTimeText(*v), "1899.12.30");
    const auto w = ShiftDateTime(0, 0, 0, BeforeDayZero(1, 6), 1, 0, 0);
    ASSERT_TRUE(w);
    EXPECT_EQ(DateTimeText(*w), "1899.12.29 07:00:00");
    const auto x = ShiftDateTime(0, 0, 0, T("1899.12.30 01:00:00"), -2, 0, 0);
    ASSERT_TRUE(x);
    EXPECT_EQ(DateTimeText(*x), "1899.12.29 23:00:00");
    EXPECT_DOUBLE_EQ(*x, BeforeDayZero(1, 23));
}

struct TimeTextCase {
    const char* text;
    bool accepted;
    int hour;
    int minute;
};

void PrintTo(const TimeTextCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class TimeText : public ::testing::TestWithParam<TimeTextCase> {};

TEST_P(TimeText, IsCheckedByHoursAndMinutes) {
    const auto& c = GetParam();
    const auto hm = CheckTimeText(c.text);
    ASSERT_EQ(hm.has_value(), c.accepted);
    if (hm) {
        EXPECT_EQ(hm->hour, c.hour);
        EXPECT_EQ(hm->minute, c.minute);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TimeText,
    ::testing::Values(TimeTextCase{"23:59", true, 23, 59}, TimeTextCase{"00:00", true, 0, 0},
                      TimeTextCase{"07:05", true, 7, 5}, TimeTextCase{"24:00", false, 0, 0},
                      TimeTextCase{"12:60", false, 0, 0}, TimeTextCase{"12:3", false, 0, 0},
                      TimeTextCase{"", false, 0, 0}, TimeTextCase{"1 :30", false, 0, 0},
                      TimeTextCase{" 1:30", true, 1, 30}, TimeTextCase{"ab:cd", false, 0, 0},
                      TimeTextCase{"-1:30", false, 0, 0}, TimeTextCase{"12.30", true, 12, 30},
                      TimeTextCase{"  :  ", false, 0, 0}, TimeTextCase{"__:__", false, 0, 0}));

} // namespace
} // namespace kivo
