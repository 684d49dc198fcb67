#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "photoops/naming.h"
#include "platform/datetime.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

struct TextCase {
    const char* text;
    int index;
};

class FormatIndexOfTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(FormatIndexOfTextTest, MapsTextToIndex) {
    EXPECT_EQ(FormatIndexOfText(GetParam().text), GetParam().index) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FormatIndexOfTextTest,
    ::testing::Values(TextCase{"YYYY_MM_DD_hh_mm_ss", 0}, TextCase{"yyyy_mm_dd_hh_mm_ss", 0},
                      TextCase{"YYYY_MM_DD_##", 1}, TextCase{"yyyy_mm_dd_##", 1},
                      TextCase{"YYYY_MM_DD_###", 2}, TextCase{"yyyy_MM_dd_####", 3},
                      TextCase{"##", 4}, TextCase{"###", 5}, TextCase{"####", 6},
                      TextCase{"#####", -1}, TextCase{"", -1}, TextCase{"YYYY_MM_DD_## ", -1},
                      TextCase{"nějaký text", -1}));

struct ExtCase {
    const char* name;
    const char* ext;
};

class NameExtensionTest : public ::testing::TestWithParam<ExtCase> {};

TEST_P(NameExtensionTest, FromLastDotCaseKept) {
    EXPECT_EQ(NameExtension(GetParam().name), GetParam().ext) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, NameExtensionTest,
                         ::testing::Values(ExtCase{"IMG_0001.JPG", ".JPG"},
                                           ExtCase{"img_0003.jpeg", ".jpeg"},
                                           ExtCase{"a.b.jpg", ".jpg"}, ExtCase{"README", ""},
                                           ExtCase{"name.", "."}, ExtCase{".profile", ".profile"},
                                           ExtCase{"Fotka.JpG", ".JpG"}));

TEST(ZeroFilled, OnlyAddsLeadingZeros) {
    EXPECT_EQ(ZeroFilled(7, 2), "07");
    EXPECT_EQ(ZeroFilled(7, 4), "0007");
    EXPECT_EQ(ZeroFilled(100, 2), "100");
    EXPECT_EQ(ZeroFilled(1000, 3), "1000");
    EXPECT_EQ(ZeroFilled(12, 0), "12");
}

TEST(DayCounterName, YearMonthDayCounterExtension) {
    EXPECT_EQ(DayCounterName(2005, 8, 27, 1, 2, ".JPG"), "2005_08_27_01.JPG");
    EXPECT_EQ(DayCounterName(2005, 8, 28, 1, 4, ".jpeg"), "2005_08_28_0001.jpeg");
    EXPECT_EQ(DayCounterName(2005, 12, 3, 100, 2, ".jpg"), "2005_12_03_100.jpg");
    EXPECT_EQ(DayCounterName(2005, 1, 1, 5, 3, ""), "2005_01_01_005");
}

TEST(RunningNumberName, NumberThenExtension) {
    EXPECT_EQ(RunningNumberName(3, 2, ".jpeg"), "03.jpeg");
    EXPECT_EQ(RunningNumberName(1000, 3, ".JPG"), "1000.JPG");
    EXPECT_EQ(RunningNumberName(1, 4, ""), "0001");
}

TEST(DateTimeName, AllFieldsZeroFilled) {
    const TDateTime v = EncodeDate(2005, 8, 27) + EncodeTime(10, 15, 32);
    EXPECT_EQ(DateTimeName(v, ".JPG"), "2005_08_27_10_15_32.JPG");
    EXPECT_EQ(DateTimeName(EncodeDate(2005, 8, 28), ".jpeg"), "2005_08_28_00_00_00.jpeg");
    EXPECT_EQ(DateTimeName(EncodeDate(987, 1, 2) + EncodeTime(3, 4, 6), ""), "0987_01_02_03_04_06");
}

TEST(DateTimeName, JustBelowMidnightRoundsIntoTheNextDay) {
    // 23:59:59.9996 is nearer to midnight than to 23:59:59.
    const TDateTime v = EncodeDate(2005, 12, 31) + (kSecondsPerDay - 0.0004) / kSecondsPerDay;
    EXPECT_EQ(DateTimeName(v, ".jpg"), "2006_01_01_00_00_00.jpg");
}

TEST(StoredFormatIndex, WrittenAsTypReadAsTyp) {
    test::TempDir dir;
    const std::string ini = dir.file("kivo.ini");
    EXPECT_EQ(ReadStoredFormatIndex(ini), 0); // no file yet
    StoreFormatIndex(ini, 3);
    EXPECT_NE(test::ReadWholeFile(ini).find("typ=3"), std::string::npos);
    EXPECT_EQ(ReadStoredFormatIndex(ini), 3);
}

} // namespace
} // namespace kivo
