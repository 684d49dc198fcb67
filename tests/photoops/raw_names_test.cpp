// Names that are not UTF-8 through the jobs themselves: rename, file times from EXIF and
// gathering take, keep and report the exact bytes.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "photoops/exif_date_fill.h"
#include "photoops/gather.h"
#include "photoops/naming.h"
#include "photoops/rename_table.h"
#include "platform/file_system.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using test::ReadWholeFile;
using test::TempDir;

const std::string kCamera = "\xFF\xFE.jpg"; // Latin-1 bytes of an old card
const std::string kCzech = "l\xE9to.JPG";   // CP1250 "léto"
const std::string kFolder = "DCIM\xA0"
                            "100"; // a folder of the same kind

TEST(RawNames, RenameTakesAndRenamesThem) {
    TempDir dir;
    const std::string folder = dir.mkdir(kFolder) + "/";
    for (const auto& name : {kCamera, kCzech})
        ASSERT_EQ(SetFileModified(dir.write(kFolder + "/" + name, name),
                                  EncodeDate(2005, 8, 27) + EncodeTime(10, name == kCzech, 0)),
                  SetTimeResult::Ok);
    RenameTable table(folder);
    table.Fill({kCamera, kCzech});
    ASSERT_EQ(table.rows().size(), 2u);
    table.SeradDleDC();
    table.NastavNazev(kFormatDayCounter2);
    EXPECT_EQ(table.rows()[0].currentName, kCamera);
    EXPECT_EQ(table.Proved(), 0);
    EXPECT_EQ(ReadWholeFile(folder + "2005_08_27_01.jpg"), kCamera);
    EXPECT_EQ(ReadWholeFile(folder + "2005_08_27_02.JPG"), kCzech);
    EXPECT_FALSE(PathExists(folder + kCamera));
}

TEST(RawNames, FileTimesComeFromTheirExif) {
    TempDir dir;
    const std::string folder = dir.mkdir(kFolder) + "/";
    const std::string path =
        dir.write(kFolder + "/" + kCamera, test::JpegWithExif(test::CameraTiff(true)));
    ExifDateTable table = FillExifDateTable(folder, {kCamera});
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.PathOf(table.row(0)), path);
    table.SelectAll();
    table.Earliest();
    EXPECT_EQ(table.Write(false).written, 1);
    EXPECT_EQ(FileAge(path), ParseDateTimeText("2004.07.15 13:45:10"));
}

TEST(RawNames, GatheringMovesThemAndReportsTheirBytes) {
    TempDir dir;
    const std::string source = dir.mkdir("karta");
    dir.write("karta/" + kFolder + "/" + kCamera, "a");
    dir.write("karta/" + kCzech, "b");
    const std::string dest = dir.mkdir("fotky");
    ImageGatherer gatherer(dir.mkdir("reports"));
    const GatherResult r = gatherer.GatherImages(source, true, dest);
    EXPECT_EQ(r.movedCount, 2u);
    EXPECT_EQ(ReadWholeFile(dest + "/" + kCamera), "a");
    EXPECT_EQ(ReadWholeFile(dest + "/" + kCzech), "b");
    const std::string report = ReadWholeFile(gatherer.filesReportPath());
    EXPECT_NE(report.find(source + "/" + kFolder + "/" + kCamera + "\r\n"), std::string::npos)
        << report;
    EXPECT_FALSE(PathExists(source + "/" + kFolder)); // emptied, so removed
}

} // namespace
} // namespace kivo
