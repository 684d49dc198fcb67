#include "photoops/exif_date_fill.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/datetime.h"
#include "platform/file_system.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using test::Bytes;
using test::TempDir;

// IFD0 with DateTime when given, an EXIF directory with the other two when given.
Bytes StampsTiff(const std::string& modified, const std::string& taken,
                 const std::string& digitized, bool bigEndian = false) {
    test::TiffBuilder t(bigEndian);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "Canon");
    if (!modified.empty())
        t.Ascii(ifd0, 0x0132, modified);
    t.Link(ifd0, 0x8769, exif);
    if (!taken.empty())
        t.Ascii(exif, 0x9003, taken);
    if (!digitized.empty())
        t.Ascii(exif, 0x9004, digitized);
    return t.Build();
}

std::string FileTimeText(const std::string& path) {
    return DateTimeText(FileAge(path).value());
}

TEST(FillExifDateTable, OneRowPerExistingFileInTheGivenOrder) {
    TempDir dir;
    const auto camera = dir.write("camera.jpg", test::JpegWithExif(test::CameraTiff(false)));
    const auto motorola = dir.write("b_motorola.JPG", test::JpegWithExif(test::CameraTiff(true)));
    const auto text = dir.write("notes.txt", "no pictures here");
    dir.mkdir("folder.jpg");

    const auto table = FillExifDateTable(
        dir.path(), {"notes.txt", "camera.jpg", "folder.jpg", "gone.jpg", "b_motorola.JPG"});

    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table.row(0).name, "notes.txt");
    EXPECT_EQ(table.row(1).name, "camera.jpg");
    EXPECT_EQ(table.row(2).name, "b_motorola.JPG");
    for (const auto& r : table.rows()) {
        EXPECT_FALSE(r.selected);
        EXPECT_EQ(r.newValue, "");
        EXPECT_EQ(r.current, FileTimeText(table.PathOf(r))) << r.name;
    }
    const std::array<std::string, 3> none{};
    EXPECT_EQ(table.row(0).exif, none);
    const std::array<std::string, 3> stamps{"2004.07.16 08:00:00", "2004.07.15 13:45:10",
                                            "2004.07.15 13:45:11"};
    EXPECT_EQ(table.row(1).exif, stamps);
    EXPECT_EQ(table.row(2).exif, stamps) << "big-endian file";
}

TEST(FillExifDateTable, MissingStampsLeaveEmptyColumnsEvenAfterAFullFile) {
    TempDir dir;
    dir.write("a.jpg", test::JpegWithExif(test::CameraTiff(false)));
    dir.write("b.jpg", test::JpegWithExif(StampsTiff("", "2005:08:27 10:15:32", "")));
    dir.write("c.jpg", test::JpegFile({test::App0Jfif()}));
    const auto table = FillExifDateTable(dir.path() + "/", {"a.jpg", "b.jpg", "c.jpg"});
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table.row(1).exif[0], "");
    EXPECT_EQ(table.row(1).exif[1], "2005.08.27 10:15:32");
    EXPECT_EQ(table.row(1).exif[2], "");
    EXPECT_EQ(table.row(2).exif, (std::array<std::string, 3>{}));
}

TEST(FillExifDateTable, StampsThatDoNotConvertShowAsDayZero) {
    TempDir dir;
    dir.write("a.jpg", test::JpegWithExif(StampsTiff("0000:00:00 00:00:00", "2004:02:30 10:00:00",
                                                     "2004:07:15 24:00:00")));
    const auto table = FillExifDateTable(dir.path(), {"a.jpg"});
    ASSERT_EQ(table.size(), 1u);
    for (const auto& text : table.row(0).exif)
        EXPECT_EQ(text, "1899.12.30");
}

TEST(FillExifDateTable, MidnightStampShowsTheDateAlone) {
    TempDir dir;
    dir.write("a.jpg", test::JpegWithExif(StampsTiff("", "2005:08:27 00:00:00", "")));
    const auto table = FillExifDateTable(dir.path(), {"a.jpg"});
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.row(0).exif[1], "2005.08.27");
}

TEST(FillExifDateTable, ReadsTiffStructuredFiles) {
    TempDir dir;
    dir.write("raw.nef", test::CameraTiff(true));
    dir.write("scan.tif", StampsTiff("2001:01:02 03:04:05", "", ""));
    const auto table = FillExifDateTable(dir.path(), {"raw.nef", "scan.tif"});
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.row(0).exif[1], "2004.07.15 13:45:10");
    EXPECT_EQ(table.row(1).exif[0], "2001.01.02 03:04:05");
}

TEST(FillExifDateTable, TruncatedFileGivesARowWithoutCrashing) {
    TempDir dir;
    const Bytes full = test::JpegWithExif(test::CameraTiff(false));
    dir.write("cut.jpg", test::Truncated(full, full.size() / 2));
    dir.write("tiny.jpg", test::Truncated(full, 3));
    const auto table = FillExifDateTable(dir.path(), {"cut.jpg", "tiny.jpg"});
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.row(1).exif, (std::array<std::string, 3>{}));
}

} // namespace
} // namespace kivo
