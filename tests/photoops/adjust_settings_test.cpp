#include "photoops/adjust_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/datetime.h"

namespace kivo {
namespace {

TEST(UnitIndexOfText, FindsUnitsWithoutRegardToAsciiCase) {
    EXPECT_EQ(UnitIndexOfText("DEN"), kUnitDay);
    EXPECT_EQ(UnitIndexOfText("den"), kUnitDay);
    EXPECT_EQ(UnitIndexOfText("Rok"), kUnitYear);
    EXPECT_EQ(UnitIndexOfText("měsíc"), kUnitMonth);
    EXPECT_EQ(UnitIndexOfText("MĚsÍC"), std::nullopt) << "only A-Z fold";
    EXPECT_EQ(UnitIndexOfText("mĚsíc"), std::nullopt);
    EXPECT_EQ(UnitIndexOfText("SEKUNDA"), kUnitSecond);
    EXPECT_EQ(UnitIndexOfText("týden"), std::nullopt);
    EXPECT_EQ(UnitIndexOfText(""), std::nullopt);
    EXPECT_EQ(UnitIndexOfText("den "), std::nullopt);
}

TEST(AmountFromText, ReadsWholeNumbersAndZeroOtherwise) {
    EXPECT_EQ(AmountFromText("1"), 1);
    EXPECT_EQ(AmountFromText("-14"), -14);
    EXPECT_EQ(AmountFromText("+3"), 3);
    EXPECT_EQ(AmountFromText(" 12 "), 12);
    EXPECT_EQ(AmountFromText("9000000000"), 9'000'000'000LL);
    EXPECT_EQ(AmountFromText(""), 0);
    EXPECT_EQ(AmountFromText("-"), 0);
    EXPECT_EQ(AmountFromText("1.5"), 0);
    EXPECT_EQ(AmountFromText("abc"), 0);
    EXPECT_EQ(AmountFromText("12a"), 0);
    EXPECT_EQ(AmountFromText("99999999999999999999"), 0);
}

TEST(AdjustSettings, StartFromTheDialogsInitialState) {
    const AdjustSettings s;
    EXPECT_EQ(s.page, kPageRelative);
    EXPECT_EQ(s.amount, 1);
    EXPECT_EQ(s.unitIndex, kUnitDay);
    EXPECT_FALSE(s.changeDate);
    EXPECT_FALSE(s.changeTime);
    EXPECT_EQ(s.date, EncodeDate(2005, 8, 27));
    EXPECT_EQ(s.timeText, "00:00");
}

struct AbsoluteCase {
    bool changeDate;
    bool changeTime;
    const char* timeText;
    const char* expected;
};

void PrintTo(const AbsoluteCase& c, std::ostream* os) {
    *os << "date " << c.changeDate << " time " << c.changeTime << " '" << c.timeText << "'";
}

class Absolute : public ::testing::TestWithParam<AbsoluteCase> {};

TEST_P(Absolute, ReplacesDateAndTimeOfDay) {
    const auto& c = GetParam();
    AdjustSettings s;
    s.page = kPageAbsolute;
    s.changeDate = c.changeDate;
    s.date = EncodeDate(2006, 1, 1);
    s.changeTime = c.changeTime;
    s.timeText = c.timeText;
    // The relative settings must not matter on the absolute page.
    s.amount = 5;
    s.unitIndex = kUnitYear;
    const auto v = ApplyAdjustment(s, ParseDateTimeText("2005.08.27 10:15:32").value());
    EXPECT_EQ(v ? DateTimeText(*v) : std::string("(none)"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, Absolute,
    ::testing::Values(AbsoluteCase{true, false, "00:00", "2006.01.01 10:15:32"},
                      AbsoluteCase{false, true, "07:05", "2005.08.27 07:05:00"},
                      AbsoluteCase{true, true, "07:05", "2006.01.01 07:05:00"},
                      AbsoluteCase{false, false, "07:05", "2005.08.27 10:15:32"},
                      AbsoluteCase{false, false, "99:99", "2005.08.27 10:15:32"},
                      AbsoluteCase{true, true, "00:00", "2006.01.01"},
                      AbsoluteCase{false, true, "24:00", "(none)"}));

TEST(AdjustSettings, RelativePageIgnoresAbsoluteSettings) {
    AdjustSettings s;
    s.page = kPageRelative;
    s.amount = 2;
    s.unitIndex = kUnitHour;
    s.changeDate = true;
    s.changeTime = true;
    s.timeText = "07:05";
    const auto v = ApplyAdjustment(s, ParseDateTimeText("2005.08.27 10:15:32").value());
    ASSERT_TRUE(v);
    EXPECT_EQ(DateTimeText(*v), "2005.08.27 12:15:32");
}

TEST(AdjustSettings, ReplacingTheDateKeepsMillisecondsOfTheTime) {
    AdjustSettings s;
    s.page = kPageAbsolute;
    s.changeDate = true;
    s.date = EncodeDate(2006, 1, 1);
    const TDateTime x = EncodeDate(2005, 8, 27) + EncodeTime(10, 15, 32, 250);
    const auto v = ApplyAdjustment(s, x);
    ASSERT_TRUE(v);
    int h = 0, m = 0, sec = 0, ms = 0;
    DecodeTime(*v, h, m, sec, ms);
    EXPECT_EQ(ms, 250);
    EXPECT_EQ(sec, 32);
}

} // namespace
} // namespace kivo
