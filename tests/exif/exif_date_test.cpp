// Converting EXIF date stamps.

#include <gtest/gtest.h>

#include "exif/exif_info.h"
#include "exif/photo_data.h"
#include "support/exif_fixtures.h"

namespace kivo {
namespace {

struct DateCase {
    const char* text;
    int y, mo, d, h, mi, s; // y == 0: expect 0
};

class ParseExifDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(ParseExifDateTest, Converts) {
    const auto& c = GetParam();
    const TDateTime expected =
        c.y == 0 ? 0 : ComposeDateTime(EncodeDate(c.y, c.mo, c.d), EncodeTime(c.h, c.mi, c.s));
    EXPECT_DOUBLE_EQ(TExifInfo::ParseExifDate(c.text), expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Stamps, ParseExifDateTest,
    ::testing::Values(DateCase{"2004:07:15 13:45:10", 2004, 7, 15, 13, 45, 10},
                      DateCase{"2004-07-15 13:45:10", 2004, 7, 15, 13, 45, 10},
                      DateCase{"2004.07.15T13.45.10", 2004, 7, 15, 13, 45, 10},
                      DateCase{"0000:00:00 00:00:00", 0, 0, 0, 0, 0, 0},
                      DateCase{"    :  :     :  :  ", 0, 0, 0, 0, 0, 0},
                      DateCase{"2004:02:30 10:00:00", 0, 0, 0, 0, 0, 0},
                      DateCase{"2004:02:29 10:00:00", 2004, 2, 29, 10, 0, 0},
                      DateCase{"2100:02:29 10:00:00", 0, 0, 0, 0, 0, 0},
                      DateCase{"2004:07:15 24:00:00", 0, 0, 0, 0, 0, 0},
                      DateCase{"2004:07:15 23:60:00", 0, 0, 0, 0, 0, 0},
                      DateCase{"2004:07:15 23:59:60", 0, 0, 0, 0, 0, 0},
                      DateCase{" 999:07:15 00:00:00", 999, 7, 15, 0, 0, 0},
                      DateCase{" 999:07:15 18:30:00", 999, 7, 15, 18, 30, 0},
                      DateCase{"1899:12:29 06:00:00", 1899, 12, 29, 6, 0, 0},
                      DateCase{"2004:07: 5 13:45:10", 2004, 7, 5, 13, 45, 10},
                      DateCase{"2004:07:1x 13:45:10", 0, 0, 0, 0, 0, 0},
                      DateCase{"2004:07:15 13:45", 0, 0, 0, 0, 0, 0},
                      DateCase{"", 0, 0, 0, 0, 0, 0},
                      DateCase{"2004:07:15 00:00:00", 2004, 7, 15, 0, 0, 0}));

TEST(DateAt, StampRunningPastTheEndIsZero) {
    using namespace kivo::test;
    TExifInfo exif(nullptr, kBuildAll);
    const std::string stamp = "2004:07:15 13:45:10";
    Bytes bytes(stamp.begin(), stamp.end());
    exif.SetBuffer(bytes);
    EXPECT_DOUBLE_EQ(exif.DateAt(1), EncodeDate(2004, 7, 15) + EncodeTime(13, 45, 10));
    EXPECT_DOUBLE_EQ(exif.DateAt(2), 0);
    EXPECT_DOUBLE_EQ(exif.DateAt(20), 0);
    EXPECT_DOUBLE_EQ(exif.DateAt(1000000), 0);
}

TEST(ParseExifDate, YearsBefore1900ReadBackAsWritten) {
    // Before 30 December 1899 the day count is negative and the time counts away from zero:
    // the common composition, so that the date-time text shows the stamp as written.
    const TDateTime v = TExifInfo::ParseExifDate("1899:12:29 06:00:00");
    EXPECT_DOUBLE_EQ(v, -1.25);
    EXPECT_EQ(DateTimeText(v), "1899.12.29 06:00:00");
    EXPECT_EQ(DateTimeText(TExifInfo::ParseExifDate("1850:03:04 23:59:58")),
              "1850.03.04 23:59:58");
}

TEST(DateAt, OnlyDateTimeOriginal) {
    using namespace kivo::test;
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    t.Link(ifd0, 0x8769, exif);
    t.Ascii(exif, 0x9003, "2010:12:31 23:59:59");
    TPhotoData pd(kBuildAll);
    ASSERT_TRUE(pd.ReadImageBytes("a.jpg", JpegWithExif(t.Build())));
    EXPECT_EQ(pd.Exif->ModifyDatePos, 0);
    EXPECT_EQ(pd.Exif->DigitizedDatePos, 0);
    ASSERT_GT(pd.Exif->TakenDatePos, 0);
    EXPECT_EQ(DateTimeText(pd.Exif->DateAt(pd.Exif->TakenDatePos)), "2010.12.31 23:59:59");
}

} // namespace
} // namespace kivo
