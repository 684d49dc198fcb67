#include <sys/stat.h>

#include <fcntl.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "photoops/naming.h"
#include "photoops/photo_group.h"
#include "photoops/rename_table.h"
#include "platform/datetime.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

// Writes `name` (contents = its own name, to tell files apart later) with the given
// local modification time, exact to the second.
std::string MakeFile(const test::TempDir& dir, const std::string& name, int y, int mo, int d,
                     int h = 12, int mi = 0, int s = 0) {
    const std::string path = dir.write(name, name);
    const std::time_t t = LocalDateTimeToUnix(EncodeDate(y, mo, d) + EncodeTime(h, mi, s));
    const timespec times[2] = {{t, 0}, {t, 0}};
    EXPECT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    return path;
}

std::vector<std::string> Column(const RenameTable& table, std::string RenameRow::*field) {
    std::vector<std::string> out;
    for (const RenameRow& row : table.rows())
        out.push_back(row.*field);
    return out;
}

using Names = std::vector<std::string>;

// The three files of the worked example, in main-list order.
class WorkedExample : public ::testing::TestWithParam<std::pair<int, Names>> {
protected:
    void SetUp() override {
        MakeFile(dir, "IMG_0001.JPG", 2005, 8, 27, 10, 15, 32);
        MakeFile(dir, "IMG_0002.JPG", 2005, 8, 27, 9, 3, 10);
        MakeFile(dir, "img_0003.jpeg", 2005, 8, 28, 0, 0, 0);
    }
    test::TempDir dir;
};

TEST_P(WorkedExample, SortedAndNamed) {
    RenameTable table(dir.path());
    table.Fill({"IMG_0001.JPG", "IMG_0002.JPG", "img_0003.jpeg"});
    EXPECT_EQ(Column(table, &RenameRow::dateTimeText),
              (Names{"2005.08.27 10:15:32", "2005.08.27 09:03:10", "2005.08.28"}));
    EXPECT_EQ(Column(table, &RenameRow::newName), (Names{"", "", ""}));

    table.SeradDleDC();
    EXPECT_EQ(Column(table, &RenameRow::currentName),
              (Names{"IMG_0002.JPG", "IMG_0001.JPG", "img_0003.jpeg"}));
    table.NastavNazev(GetParam().first);
    EXPECT_EQ(Column(table, &RenameRow::newName), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WorkedExample,
    ::testing::Values(
        std::pair{0, Names{"2005_08_27_09_03_10.JPG", "2005_08_27_10_15_32.JPG",
                           "2005_08_28_00_00_00.jpeg"}},
        std::pair{1, Names{"2005_08_27_01.JPG", "2005_08_27_02.JPG", "2005_08_28_01.jpeg"}},
        std::pair{2, Names{"2005_08_27_001.JPG", "2005_08_27_002.JPG", "2005_08_28_001.jpeg"}},
        std::pair{3, Names{"2005_08_27_0001.JPG", "2005_08_27_0002.JPG", "2005_08_28_0001.jpeg"}},
        std::pair{4, Names{"01.JPG", "02.JPG", "03.jpeg"}},
        std::pair{5, Names{"001.JPG", "002.JPG", "003.jpeg"}},
        std::pair{6, Names{"0001.JPG", "0002.JPG", "0003.jpeg"}},
        std::pair{-1, Names{"", "", ""}}));

TEST(RenameTable, InterleavedDaysAreGroupedAndCountersRestart) {
    test::TempDir dir;
    MakeFile(dir, "a.jpg", 2010, 5, 2, 8);
    MakeFile(dir, "b.jpg", 2010, 5, 1, 9);
    MakeFile(dir, "c.jpg", 2010, 5, 2, 7);
    MakeFile(dir, "d.jpg", 2010, 5, 1, 10);
    MakeFile(dir, "e.jpg", 2010, 5, 3, 1);
    RenameTable table(dir.path());
    table.Fill({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"});
    table.SeradDleDC();
    table.NastavNazev(kFormatDayCounter2);
    EXPECT_EQ(Column(table, &RenameRow::currentName),
              (Names{"b.jpg", "d.jpg", "c.jpg", "a.jpg", "e.jpg"}));
    EXPECT_EQ(Column(table, &RenameRow::newName),
              (Names{"2010_05_01_01.jpg", "2010_05_01_02.jpg", "2010_05_02_01.jpg",
                     "2010_05_02_02.jpg", "2010_05_03_01.jpg"}));
}

TEST(RenameTable, MidnightComesFirstInItsDay) {
    test::TempDir dir;
    MakeFile(dir, "later.jpg", 2011, 3, 4, 0, 0, 2);
    MakeFile(dir, "night.jpg", 2011, 3, 4, 0, 0, 0);
    MakeFile(dir, "before.jpg", 2011, 3, 3, 23, 59, 58);
    RenameTable table(dir.path());
    table.Fill({"later.jpg", "night.jpg", "before.jpg"});
    table.SeradDleDC();
    table.NastavNazev(kFormatDayCounter2);
    EXPECT_EQ(Column(table, &RenameRow::dateTimeText),
              (Names{"2011.03.03 23:59:58", "2011.03.04", "2011.03.04 00:00:02"}));
    EXPECT_EQ(Column(table, &RenameRow::newName),
              (Names{"2011_03_03_01.jpg", "2011_03_04_01.jpg", "2011_03_04_02.jpg"}));
}

TEST(RenameTable, EqualTimesKeepListOrderAndGetConsecutiveCounters) {
    test::TempDir dir;
    MakeFile(dir, "z.jpg", 2012, 1, 1, 10, 0, 0);
    MakeFile(dir, "y.jpg", 2012, 1, 1, 10, 0, 1); // same text at two-second resolution
    MakeFile(dir, "x.jpg", 2012, 1, 1, 10, 0, 0);
    RenameTable table(dir.path());
    table.Fill({"z.jpg", "y.jpg", "x.jpg"});
    table.SeradDleDC();
    table.NastavNazev(kFormatDayCounter2);
    EXPECT_EQ(Column(table, &RenameRow::currentName), (Names{"z.jpg", "y.jpg", "x.jpg"}));
    EXPECT_EQ(Column(table, &RenameRow::newName),
              (Names{"2012_01_01_01.jpg", "2012_01_01_02.jpg", "2012_01_01_03.jpg"}));
}

TEST(RenameTable, OddSecondsGoDownToTheEvenSecond) {
    test::TempDir dir;
    MakeFile(dir, "odd.JPG", 2005, 8, 27, 10, 15, 33);
    RenameTable table(dir.path());
    table.Fill({"odd.JPG"});
    table.NastavNazev(kFormatDateTime);
    EXPECT_EQ(table.rows()[0].dateTimeText, "2005.08.27 10:15:32");
    EXPECT_EQ(table.rows()[0].newName, "2005_08_27_10_15_32.JPG");
}

TEST(RenameTable, ExtensionsKeepCaseAndDotlessNamesGetNone) {
    test::TempDir dir;
    MakeFile(dir, "a.b.jpg", 2013, 6, 1, 1);
    MakeFile(dir, "Photo.JpEg", 2013, 6, 1, 2);
    MakeFile(dir, "noext", 2013, 6, 1, 3);
    RenameTable table(dir.path());
    table.Fill({"a.b.jpg", "Photo.JpEg", "noext"});
    table.SeradDleDC();
    table.NastavNazev(kFormatDayCounter2);
    EXPECT_EQ(Column(table, &RenameRow::newName),
              (Names{"2013_06_01_01.jpg", "2013_06_01_02.JpEg", "2013_06_01_03"}));
}

TEST(RenameTable, HundredthFileOfADayGets100) {
    test::TempDir dir;
    std::vector<std::string> names;
    for (int i = 0; i < 100; ++i) {
        names.push_back("p" + std::to_string(i) + ".jpg");
        MakeFile(dir, names.back(), 2014, 7, 7, i / 30, (i * 2) % 60, 0);
    }
    RenameTable table(dir.path());
    table.Fill(names);
    table.SeradDleDC();
    table.NastavNazev(kFormatDayCounter2);
    ASSERT_EQ(table.rows().size(), 100u);
    EXPECT_EQ(table.rows()[8].newName, "2014_07_07_09.jpg");
    EXPECT_EQ(table.rows()[98].newName, "2014_07_07_99.jpg");
    EXPECT_EQ(table.rows()[99].newName, "2014_07_07_100.jpg");
}

TEST(RenameTable, RunningNumbersGoAcrossDays) {
    test::TempDir dir;
    MakeFile(dir, "a.jpg", 2015, 1, 2);
    MakeFile(dir, "b.jpg", 2015, 1, 1);
    MakeFile(dir, "c.jpg", 2016, 3, 3);
    for (auto [format, expected] :
         {std::pair{kFormatRunning2, Names{"01.jpg", "02.jpg", "03.jpg"}},
          std::pair{kFormatRunning3, Names{"001.jpg", "002.jpg", "003.jpg"}},
          std::pair{kFormatRunning4, Names{"0001.jpg", "0002.jpg", "0003.jpg"}}}) {
        RenameTable table(dir.path());
        table.Fill({"a.jpg", "b.jpg", "c.jpg"});
        table.SeradDleDC();
        table.NastavNazev(format);
        EXPECT_EQ(Column(table, &RenameRow::currentName), (Names{"b.jpg", "a.jpg", "c.jpg"}));
        EXPECT_EQ(Column(table, &RenameRow::newName), expected) << format;
    }
}

TEST(RenameTable, OnlyExistingFilesAreListed) {
    test::TempDir dir;
    MakeFile(dir, "a.jpg", 2015, 1, 2);
    dir.mkdir("folder.jpg");
    MakeFile(dir, "sub/inner.jpg", 2015, 1, 2);
    RenameTable table(dir.path() + "/");
    table.Fill({"folder.jpg", "gone.jpg", "a.jpg", "..", ".", " ^ Parent", "sub/inner.jpg", ""});
    EXPECT_EQ(Column(table, &RenameRow::currentName), (Names{"a.jpg"}));
    EXPECT_EQ(table.rows()[0].status, "");
}

TEST(RenameTable, PseudoFolderListsNothing) {
    RenameTable table("Drives");
    table.Fill({"x"});
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.Proved(), 0);
    EXPECT_FALSE(table.changed());
}

TEST(RenameTable, FileGoneBeforeNamingKeepsEmptyNameAndFails) {
    test::TempDir dir;
    MakeFile(dir, "a.jpg", 2017, 2, 2, 8);
    const std::string gone = MakeFile(dir, "b.jpg", 2017, 2, 2, 9);
    MakeFile(dir, "c.jpg", 2017, 2, 2, 10);
    RenameTable table(dir.path());
    table.Fill({"a.jpg", "b.jpg", "c.jpg"});
    table.SeradDleDC();
    ASSERT_EQ(::unlink(gone.c_str()), 0);
    table.NastavNazev(kFormatDayCounter2);
    // The vanished row takes no number: the next file of the day gets 02.
    EXPECT_EQ(Column(table, &RenameRow::newName),
              (Names{"2017_02_02_01.jpg", "", "2017_02_02_02.jpg"}));
    EXPECT_EQ(table.Proved(), 1);
    EXPECT_EQ(Column(table, &RenameRow::status), (Names{"OK", "chyba", "OK"}));
    EXPECT_TRUE(FileExists(dir.file("2017_02_02_02.jpg")));
}

TEST(RenameTable, ProvedRenamesEveryRowAndKeepsContents) {
    test::TempDir dir;
    MakeFile(dir, "IMG_0001.JPG", 2005, 8, 27, 10, 15, 32);
    MakeFile(dir, "IMG_0002.JPG", 2005, 8, 27, 9, 3, 10);
    RenameTable table(dir.path());
    table.Fill({"IMG_0001.JPG", "IMG_0002.JPG"});
    table.SeradDleDC();
    table.NastavNazev(kFormatDayCounter2);
    EXPECT_FALSE(table.changed());
    EXPECT_EQ(table.Proved(), 0);
    EXPECT_TRUE(table.changed());
    EXPECT_EQ(Column(table, &RenameRow::status), (Names{"OK", "OK"}));
    EXPECT_FALSE(FileExists(dir.file("IMG_0001.JPG")));
    EXPECT_EQ(test::ReadWholeFile(dir.file("2005_08_27_01.JPG")), "IMG_0002.JPG");
    EXPECT_EQ(test::ReadWholeFile(dir.file("2005_08_27_02.JPG")), "IMG_0001.JPG");
}

TEST(RenameTable, ClashWithAFileOutsideTheListFailsAndOthersCarryOn) {
    test::TempDir dir;
    MakeFile(dir, "a.jpg", 2018, 4, 1, 8);
    MakeFile(dir, "b.jpg", 2018, 4, 1, 9);
    MakeFile(dir, "c.jpg", 2018, 4, 1, 10);
    dir.write("02.jpg", "outsider");
    RenameTable table(dir.path());
    table.Fill({"a.jpg", "b.jpg", "c.jpg"});
    table.SeradDleDC();
    table.NastavNazev(kFormatRunning2);
    EXPECT_EQ(table.Proved(), 1);
    EXPECT_TRUE(table.changed());
    EXPECT_EQ(Column(table, &RenameRow::status), (Names{"OK", "chyba", "OK"}));
    EXPECT_EQ(test::ReadWholeFile(dir.file("02.jpg")), "outsider");
    EXPECT_EQ(test::ReadWholeFile(dir.file("b.jpg")), "b.jpg");
    EXPECT_EQ(test::ReadWholeFile(dir.file("01.jpg")), "a.jpg");
    EXPECT_EQ(test::ReadWholeFile(dir.file("03.jpg")), "c.jpg");
}

TEST(RenameTable, NameOfALaterRowIsFreedByTheBatch) {
    // Row 1 wants "01.jpg", still row 2's current name: the batch frees it first.
    test::TempDir dir;
    MakeFile(dir, "x.jpg", 2019, 1, 1, 8);
    MakeFile(dir, "01.jpg", 2019, 1, 1, 9);
    RenameTable table(dir.path());
    table.Fill({"01.jpg", "x.jpg"});
    table.SeradDleDC();
    table.NastavNazev(kFormatRunning2);
    EXPECT_EQ(Column(table, &RenameRow::newName), (Names{"01.jpg", "02.jpg"}));
    EXPECT_EQ(table.Proved(), 0);
    EXPECT_EQ(Column(table, &RenameRow::status), (Names{"OK", "OK"}));
    EXPECT_EQ(test::ReadWholeFile(dir.file("01.jpg")), "x.jpg");
    EXPECT_EQ(test::ReadWholeFile(dir.file("02.jpg")), "01.jpg");
    EXPECT_FALSE(FileExists(dir.file("x.jpg")));
}

TEST(RenameTable, SwappedNamesAreSwapped) {
    // Each file's new name is the other's current name.
    test::TempDir dir;
    MakeFile(dir, "02.jpg", 2019, 1, 1, 8);
    MakeFile(dir, "01.jpg", 2019, 1, 1, 9);
    RenameTable table(dir.path());
    table.Fill({"01.jpg", "02.jpg"});
    table.SeradDleDC();
    table.NastavNazev(kFormatRunning2);
    EXPECT_EQ(Column(table, &RenameRow::newName), (Names{"01.jpg", "02.jpg"}));
    EXPECT_EQ(table.Proved(), 0);
    EXPECT_TRUE(table.changed());
    EXPECT_EQ(Column(table, &RenameRow::status), (Names{"OK", "OK"}));
    EXPECT_EQ(test::ReadWholeFile(dir.file("01.jpg")), "02.jpg");
    EXPECT_EQ(test::ReadWholeFile(dir.file("02.jpg")), "01.jpg");
}

TEST(RenameTable, NewNameEqualToCurrentNameIsUnchanged) {
    test::TempDir dir;
    MakeFile(dir, "01.jpg", 2019, 1, 1, 8);
    RenameTable table(dir.path());
    table.Fill({"01.jpg"});
    table.NastavNazev(kFormatRunning2);
    EXPECT_EQ(table.Proved(), 0);
    EXPECT_EQ(table.rows()[0].status, "beze změny");
    EXPECT_EQ(table.rows()[0].state, RenameState::Unchanged);
    EXPECT_FALSE(table.changed());
    EXPECT_EQ(test::ReadWholeFile(dir.file("01.jpg")), "01.jpg");
}

TEST(RenameTable, ASecondRunOverTheSameFilesChangesNothing) {
    test::TempDir dir;
    MakeFile(dir, "b.jpg", 2019, 1, 1, 8);
    MakeFile(dir, "a.jpg", 2019, 1, 1, 9);
    for (int run = 0; run < 2; ++run) {
        RenameTable table(dir.path());
        table.Fill(run == 0 ? Names{"a.jpg", "b.jpg"} : Names{"01.jpg", "02.jpg"});
        table.SeradDleDC();
        table.NastavNazev(kFormatRunning2);
        EXPECT_EQ(table.Check(), 0);
        EXPECT_EQ(table.Proved(), 0);
        const std::string expected = run == 0 ? "OK" : "beze změny";
        EXPECT_EQ(Column(table, &RenameRow::status), (Names{expected, expected})) << run;
    }
    EXPECT_EQ(test::ReadWholeFile(dir.file("01.jpg")), "b.jpg");
}

TEST(RenameTable, FailedRowsKeepTheirReasonAndCheckNamesTheSameRows) {
    test::TempDir dir;
    MakeFile(dir, "a.jpg", 2018, 4, 1, 8);
    MakeFile(dir, "b.jpg", 2018, 4, 1, 9);
    dir.write("02.jpg", "outsider");
    RenameTable table(dir.path());
    table.Fill({"a.jpg", "b.jpg"});
    table.SeradDleDC();
    table.NastavNazev(kFormatRunning2);
    EXPECT_EQ(table.Check(), 1);
    EXPECT_EQ(Column(table, &RenameRow::reason), (Names{"", "target exists"}));
    EXPECT_EQ(Column(table, &RenameRow::status), (Names{"", ""})) << "a check shows no status";
    EXPECT_TRUE(FileExists(dir.file("a.jpg")));
    EXPECT_EQ(table.Proved(), 1);
    EXPECT_EQ(Column(table, &RenameRow::reason), (Names{"", "target exists"}));
    EXPECT_EQ(Column(table, &RenameRow::status), (Names{"OK", "chyba"}));
}

TEST(RenameTable, ThePhasesAreStepsOfTheirOwn) {
    test::TempDir dir;
    MakeFile(dir, "a.jpg", 2019, 1, 1, 8);
    RenameTable table(dir.path());
    table.Fill({"a.jpg"});
    table.NastavNazev(kFormatRunning2);
    ASSERT_TRUE(table.BeginRenames());
    const std::string temp = table.rows()[0].tempName;
    EXPECT_EQ(temp.rfind(".kivo~", 0), 0u) << temp;
    EXPECT_TRUE(FileExists(dir.file(temp)));
    EXPECT_FALSE(FileExists(dir.file("a.jpg")));
    EXPECT_EQ(table.FinishRenames(), 0);
    EXPECT_TRUE(FileExists(dir.file("01.jpg")));
    EXPECT_FALSE(table.BeginRenames()) << "once per table";
}

TEST(RenameTable, UnknownFormatLeavesNamesEmptyAndEveryRowFails) {
    test::TempDir dir;
    MakeFile(dir, "a.jpg", 2019, 1, 1, 8);
    MakeFile(dir, "b.jpg", 2019, 1, 1, 9);
    RenameTable table(dir.path());
    table.Fill({"a.jpg", "b.jpg"});
    table.SeradDleDC();
    table.NastavNazev(kFormatNone);
    EXPECT_EQ(table.Proved(), 2);
    EXPECT_FALSE(table.changed());
    EXPECT_EQ(Column(table, &RenameRow::status), (Names{"chyba", "chyba"}));
    EXPECT_TRUE(FileExists(dir.file("a.jpg")));
    EXPECT_TRUE(FileExists(dir.file("b.jpg")));
}

TEST(RenameTable, PerformsOnlyOnce) {
    test::TempDir dir;
    MakeFile(dir, "a.jpg", 2019, 1, 1, 8);
    RenameTable table(dir.path());
    table.Fill({"a.jpg"});
    table.NastavNazev(kFormatRunning2);
    EXPECT_EQ(table.Proved(), 0);
    EXPECT_TRUE(table.performed());
    // A second run would try the same rows again; it does nothing.
    MakeFile(dir, "a.jpg", 2019, 1, 1, 8);
    EXPECT_EQ(table.Proved(), std::nullopt);
    EXPECT_TRUE(FileExists(dir.file("a.jpg")));
    EXPECT_EQ(table.rows()[0].status, "OK");
}

TEST(RenameTable, EmptyTablePerformsWithoutChange) {
    test::TempDir dir;
    RenameTable table(dir.path());
    table.Fill({});
    EXPECT_EQ(table.Proved(), 0);
    EXPECT_FALSE(table.changed());
}

// A photo with its RAW twin and sidecars renames as one group; a clash of any member
// fails the whole group, and the other rows go on.
TEST(RenameGroups, RawJpegAndXmpRenameAsOne) {
    test::TempDir dir;
    for (const char* name : {"a.jpg", "a.CR2", "a.xmp", "a.CR2.xmp", "b.jpg", "b.XMP", "c.jpg",
                             "c.nef", "03.nef", "note.txt"})
        MakeFile(dir, name, 2020, 1, 1);
    RenameTable table(dir.path());
    // The listed RAW twin leaves the rows and follows its JPEG.
    table.Fill({"a.CR2", "a.jpg", "b.jpg", "c.jpg"});
    EXPECT_EQ(Column(table, &RenameRow::currentName), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(table.rows()[0].companions, (Names{"a.CR2", "a.CR2.xmp", "a.xmp"}));
    table.NastavNazev(kFormatRunning2);
    EXPECT_EQ(table.Proved(), 1);
    EXPECT_EQ(Column(table, &RenameRow::status), (Names{"OK", "OK", "chyba"}));
    Names left;
    for (const auto& e : EnumerateFolder(dir.path(), "*"))
        if (!e.isDir() && e.name[0] != '.')
            left.push_back(e.name);
    std::sort(left.begin(), left.end());
    // c.jpg -> 03.jpg alone would work, but its twin's new name 03.nef is taken.
    EXPECT_EQ(left, (Names{"01.CR2", "01.CR2.xmp", "01.jpg", "01.xmp", "02.XMP", "02.jpg", "03.nef",
                           "c.jpg", "c.nef", "note.txt"}));
}

// Sidecars by each of their spellings, a twin's only with the twin, no twin of the same kind.
TEST(RenameGroups, CompanionsOfEachPhotoByTheRules) {
    const Names names = {"a.CR2", "a.CR2.xmp", "a.jpg", "a.jpg.xmp", "a.xmp", "b.jpg",  "b.nef.xmp",
                         "c.NEF", "c.NEF.xmp", "c.XMP", "d",         "d.xmp", "e.jpeg", "e.jpg"};
    const std::pair<std::string, Names> cases[] = {
        {"a.jpg", {"a.CR2", "a.CR2.xmp", "a.jpg.xmp", "a.xmp"}},
        {"a.CR2", {"a.CR2.xmp", "a.jpg", "a.jpg.xmp", "a.xmp"}},
        {"b.jpg", {}},
        {"c.NEF", {"c.NEF.xmp", "c.XMP"}},
        {"d", {}},
        {"e.jpg", {}},
    };
    const CompanionIndex index(names);
    for (const auto& [photo, expected] : cases) {
        EXPECT_EQ(index.of(photo), expected) << photo;
        EXPECT_EQ(CompanionsOf(photo, names), expected) << photo;
    }
}

} // namespace
} // namespace kivo
