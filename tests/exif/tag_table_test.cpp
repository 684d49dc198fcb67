// The main and GPS tag tables, captions and look-ups.

#include <gtest/gtest.h>

#include <set>

#include "exif/exif_info.h"
#include "exif/tag_table.h"

namespace kivo {
namespace {

class TagTables : public ::testing::Test {
protected:
    void SetUp() override { CompleteTagCaptions(); }
};

TEST_F(TagTables, SizesAndOrder) {
    const auto& main = MainTagTable();
    ASSERT_EQ(main.size(), 251u);
    EXPECT_EQ(main.back().Number, 0);
    EXPECT_EQ(main.back().Key, "Unknown");
    EXPECT_EQ(main.back().Caption, "Unknown");
    std::set<int> numbers;
    for (int i = 0; i < kMainTagRows; ++i) {
        if (i > 0) {
            EXPECT_LT(main[i - 1].Number, main[i].Number) << main[i].Key;
        }
        numbers.insert(main[i].Number);
        EXPECT_EQ(main[i].Kind, 0);
        EXPECT_EQ(main[i].Aux, 0);
    }
    EXPECT_EQ(numbers.size(), 250u);
    EXPECT_EQ(main.front().Key, "InteroperabilityIndex");
    EXPECT_EQ(main[kMainTagRows - 1].Key, "ImageUniqueID");
    EXPECT_EQ(main[kMainTagRows - 1].Number, 0xA420);
    ASSERT_EQ(GpsTagTable().size(), 31u);
    EXPECT_EQ(GpsTagTable()[0].Key, "GPSVersionID");
    EXPECT_EQ(GpsTagTable()[23].Key, "GPSDestBearingkRef");
    EXPECT_EQ(GpsTagTable()[30].Number, 0x1E);
}

struct CaptionCase {
    const char* key;
    const char* caption;
};
class CaptionTest : public ::testing::TestWithParam<CaptionCase> {};
TEST_P(CaptionTest, FromName) { EXPECT_EQ(CaptionFromName(GetParam().key), GetParam().caption); }
INSTANTIATE_TEST_SUITE_P(Names, CaptionTest,
                         ::testing::Values(CaptionCase{"ImageWidth", "Image Width"},
                                           CaptionCase{"DateTimeOriginal", "Date Time Original"},
                                           CaptionCase{"ISOSpeedRatings", "ISOSpeed Ratings"},
                                           CaptionCase{"GPSLatitude", "GPSLatitude"},
                                           CaptionCase{"FNumber", "FNumber"},
                                           CaptionCase{"T4Options", "T4 Options"},
                                           CaptionCase{"ExifOffset", "Exif Offset"},
                                           CaptionCase{"", ""}));

TEST_F(TagTables, CaptionsCompletedExceptGivenOnes) {
    EXPECT_EQ(RowFor(0x0100, kDirMain).Caption, "Image Width");
    EXPECT_EQ(RowFor(0xA405, kDirMain).Caption, "Focal Length in 35mm Film");
    EXPECT_EQ(RowFor(0x83BB, kDirMain).Caption, "IPTC/NAA");
    EXPECT_EQ(RowFor(0xA216, kDirMain).Caption, "TIFF/EPStandardID");
    EXPECT_EQ(RowFor(0x9216, kDirMain).Caption, "TIFF/ EPStandard ID");
    EXPECT_EQ(RowFor(0x0002, kDirGps).Caption, "GPSLatitude");
    EXPECT_EQ(RowFor(0x0017, kDirGps).Caption, "GPSDest Bearingk Ref");
}

TEST_F(TagTables, RowForByKind) {
    EXPECT_EQ(RowFor(0x0112, kDirMain).Key, "Orientation");
    EXPECT_EQ(RowFor(0x0112, kDirThumbnail).Key, "Orientation");
    EXPECT_EQ(RowFor(0x0112, kDirGps).Key, "Unknown");
    EXPECT_EQ(RowFor(0x0002, kDirGps).Key, "GPSLatitude");
    EXPECT_EQ(RowFor(0x0002, kDirMain).Key, "InteroperabilityVersion");
    EXPECT_EQ(RowFor(0x0112, 3).Key, "Unknown");
    EXPECT_EQ(RowFor(0x0000, kDirMain).Key, "Unknown");
    EXPECT_EQ(RowFor(0x0000, kDirGps).Key, "GPSVersionID");
    EXPECT_EQ(RowFor(0xFFFF, kDirMain).Key, "Unknown");
    EXPECT_EQ(RowFor(0x9209, kDirMain).Render != nullptr, true);
}

TEST_F(TagTables, TableIndexByNameTakesFirstOfDuplicates) {
    const int i = TableIndexByName("focalplanexresolution");
    ASSERT_GE(i, 0);
    EXPECT_EQ(MainTagTable()[i].Number, 0x920E);
    EXPECT_EQ(MainTagTable()[TableIndexByName("CFAPattern")].Number, 0x828E);
    EXPECT_EQ(MainTagTable()[TableIndexByName("FocalLengthIn35mmFilm")].Number, 0xA405);
    EXPECT_EQ(TableIndexByName("Unknown"), -1);
    EXPECT_EQ(TableIndexByName("NoSuchTag"), -1);
}

TEST_F(TagTables, RowsWithChoicesPatternsAndRenderers) {
    EXPECT_EQ(RowFor(0x0103, kDirMain).Choices, "6:Jpeg,3:Uncompressed,1:TIFF");
    EXPECT_EQ(RowFor(0xA210, kDirMain).Choices, "1:None Specified,2:Inch,3:Centimeter");
    EXPECT_EQ(RowFor(0x829A, kDirMain).Pattern, "%s sec");
    EXPECT_EQ(RowFor(0x9205, kDirMain).Pattern, "F%0.1f");
    EXPECT_EQ(RowFor(0xA405, kDirMain).Pattern, "%5.2f mm");
    EXPECT_EQ(RowFor(0x0005, kDirGps).Choices, "0:Sealevel");
    for (int tag = 0x9C9B; tag <= 0x9C9F; ++tag)
        EXPECT_NE(RowFor(tag, kDirMain).Render, nullptr);
    int withRender = 0;
    for (const auto& row : MainTagTable())
        withRender += row.Render != nullptr;
    EXPECT_EQ(withRender, 9);
}

TEST(TagList, AppendTagSkipsUnknownAndGrowsBy25) {
    TExifInfo exif(nullptr, 255);
    tTagRow unknown = UnknownTagRow();
    EXPECT_EQ(exif.AppendTag(unknown), -1);
    EXPECT_EQ(exif.TagCapacity(), 0);
    tTagRow row = RowFor(0x0112, kDirMain);
    EXPECT_EQ(exif.AppendTag(row), 0);
    EXPECT_EQ(exif.TagCapacity(), 25);
    for (int i = 1; i < 24; ++i)
        exif.AppendTag(row);
    EXPECT_EQ(exif.TagCount(), 24);
    EXPECT_EQ(exif.TagCapacity(), 25);
    EXPECT_EQ(exif.AppendTag(row), 24);
    EXPECT_EQ(exif.TagCapacity(), 50);
    EXPECT_EQ(exif.AppendTag(unknown), 24);
}

TEST(TagList, LookUpsByName) {
    TExifInfo exif(nullptr, 255);
    tTagRow row = RowFor(0x920A, kDirMain);
    row.Shown = " 6.30 mm";
    row.RawBytes = {63, 0, 0, 0, 10, 0, 0, 0};
    row.Format = 5;
    exif.AppendTag(row);
    EXPECT_EQ(exif.TagIndexByName("FOCALLENGTH"), 0);
    EXPECT_EQ(exif.TagTextByName("focallength"), " 6.30 mm");
    EXPECT_DOUBLE_EQ(exif.NumberByName("FocalLength"), 6.3);
    EXPECT_EQ(exif.TagIndexByName("Make"), -1);
    EXPECT_EQ(exif.TagTextByName("Make"), "");
    EXPECT_DOUBLE_EQ(exif.NumberByName("Make"), 0);
}

} // namespace
} // namespace kivo
