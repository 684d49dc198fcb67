#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/journal.h"
#include "core/settings.h"
#include "photoops/gather.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace kivo {
namespace {

using test::ReadWholeFile;
using test::TempDir;

bool exists(const std::string& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// Lines joined the way the reports hold them.
std::string crlf(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines)
        s += l + "\r\n";
    return s;
}

// Names of a folder's subfolders in the order the file system lists them.
std::vector<std::string> subfolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_directory() && !e.is_symlink())
            names.push_back(e.path().filename().string());
    return names;
}

// ---- text-file routines ----

struct LineCase {
    const char* contents;
    int count;
    std::vector<std::string> lines; // line 1, 2, ... as ReadLineN returns them
};

class CountLinesTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CountLinesTest, CountsAndReadsLines) {
    TempDir tmp;
    const std::string p = tmp.write("f.txt", GetParam().contents);
    EXPECT_EQ(CountLines(p), GetParam().count);
    const auto& lines = GetParam().lines;
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(ReadLineN(static_cast<int>(i + 1), p), lines[i]) << "line " << i + 1;
    EXPECT_EQ(ReadLineN(static_cast<int>(lines.size() + 1), p), "");
    EXPECT_EQ(ReadLineN(0, p), "");
}

INSTANTIATE_TEST_SUITE_P(Files, CountLinesTest,
                         ::testing::Values(LineCase{"", 0, {}}, LineCase{"\r\n", 0, {""}},
                                           LineCase{"a\r\n", 1, {"a"}}, LineCase{"a", 1, {"a"}},
                                           LineCase{"a\r\nb", 2, {"a", "b"}},
                                           LineCase{"\r\n\r\n", 2, {"", ""}},
                                           LineCase{"a\nb\rc\r\n", 3, {"a", "b", "c"}},
                                           LineCase{"\r\nx\r\n", 2, {"", "x"}}));

TEST(TextFileRoutines, AppendLineCreatesAndAppendsWithCrLf) {
    TempDir tmp;
    const std::string p = tmp.file("r.txt");
    AppendLine("první", p);
    AppendLine("", p);
    AppendLine("/a//b", p);
    EXPECT_EQ(ReadWholeFile(p), "první\r\n\r\n/a//b\r\n");
    EXPECT_EQ(CountLines(p), 3);
    EXPECT_EQ(ReadLineN(3, p), "/a//b");
}

TEST(TextFileRoutines, CreateEmptyFileTruncates) {
    TempDir tmp;
    const std::string p = tmp.write("r.txt", "old\r\nlines\r\n");
    CreateEmptyFile(p);
    EXPECT_TRUE(exists(p));
    EXPECT_EQ(ReadWholeFile(p), "");
}

TEST(TextFileRoutines, LongLinesCrossTheReadBuffer) {
    TempDir tmp;
    const std::string p = tmp.file("r.txt");
    const std::string longLine(100000, 'x');
    AppendLine(longLine, p);
    AppendLine("end", p);
    EXPECT_EQ(CountLines(p), 2);
    EXPECT_EQ(ReadLineN(1, p), longLine);
    EXPECT_EQ(ReadLineN(2, p), "end");
}

TEST(TextFileRoutines, MissingOrUnwritableFileRaisesTheSystemError) {
    TempDir tmp;
    tmp.write("plain", "x");
    EXPECT_THROW(CountLines(tmp.file("none.txt")), GatherIoError);
    EXPECT_THROW(ReadLineN(1, tmp.file("none.txt")), GatherIoError);
    try {
        AppendLine("x", tmp.file("plain/r.txt")); // a file where a folder should be
        FAIL() << "no error";
    } catch (const GatherIoError& e) {
        EXPECT_EQ(e.error(), ENOTDIR);
        EXPECT_NE(std::string(e.what()).find(tmp.file("plain/r.txt")), std::string::npos);
    }
    EXPECT_THROW(CreateEmptyFile(tmp.file("plain/r.txt")), GatherIoError);
}

// ---- folder walk ----

TEST(WalkFolderTree, BreadthFirstInListingOrder) {
    TempDir tmp;
    for (const char* d : {"S/k", "S/b/x/deep", "S/m/y", "S/b/z", "S/.hidden/h", "S/m/w"})
        tmp.mkdir(d);
    tmp.write("S/file.jpg", "j");
    tmp.write("S/b/file", "f");
    const std::string s = tmp.file("S");

    // Expected: an independent breadth-first model over the same listings.
    std::vector<std::string> expected{s};
    for (std::size_t i = 0; i < expected.size(); ++i)
        for (const std::string& n : subfolderNames(expected[i]))
            expected.push_back(expected[i] + "/" + n);
    ASSERT_EQ(expected.size(), 11u);

    EXPECT_EQ(ListFolderTree(s), expected);
    const std::string list = tmp.file("struktur.txt");
    WalkFolderTree(s, list);
    EXPECT_EQ(ReadWholeFile(list), crlf(expected));
}

TEST(WalkFolderTree, AppendsAfterExistingLines) {
    TempDir tmp;
    tmp.mkdir("S/a");
    const std::string list = tmp.write("list.txt", "before\r\n");
    WalkFolderTree(tmp.file("S"), list);
    EXPECT_EQ(ReadWholeFile(list), crlf({"before", tmp.file("S"), tmp.file("S/a")}));
}

TEST(WalkFolderTree, TrailingSlashDoublesTheSeparator) {
    TempDir tmp;
    tmp.mkdir("A/B/C");
    const std::string s = tmp.file("A") + "/";
    EXPECT_EQ(ListFolderTree(s), (std::vector<std::string>{s, s + "/B", s + "/B/C"}));
}

TEST(WalkFolderTree, MissingStartWritesNothing) {
    TempDir tmp;
    const std::string list = tmp.file("list.txt");
    WalkFolderTree(tmp.file("none"), list);
    EXPECT_FALSE(exists(list));
    WalkFolderTree("", list);
    EXPECT_FALSE(exists(list));
    tmp.write("file.jpg", "j");
    WalkFolderTree(tmp.file("file.jpg"), list);
    EXPECT_FALSE(exists(list));
}

TEST(WalkFolderTree, LinkedFoldersAreNotFollowed) {
    TempDir tmp;
    tmp.mkdir("S/a");
    tmp.mkdir("elsewhere/e");
    fs::create_directory_symlink(tmp.file("S"), tmp.file("S/a/loop"));
    fs::create_directory_symlink(tmp.file("elsewhere"), tmp.file("S/out"));
    EXPECT_EQ(ListFolderTree(tmp.file("S")),
              (std::vector<std::string>{tmp.file("S"), tmp.file("S/a")}));
}

// ---- gauge ----

struct GaugeCase {
    std::size_t q, m;
    int percent;
};
class GaugePercentTest : public ::testing::TestWithParam<GaugeCase> {};
TEST_P(GaugePercentTest, RoundsHalfToEven) {
    EXPECT_EQ(GaugePercent(GetParam().q, GetParam().m), GetParam().percent);
}
INSTANTIATE_TEST_SUITE_P(Ties, GaugePercentTest,
                         ::testing::Values(GaugeCase{1, 8, 12}, GaugeCase{3, 8, 38},
                                           GaugeCase{5, 8, 62}, GaugeCase{7, 8, 88},
                                           GaugeCase{1, 40, 2}, GaugeCase{3, 40, 8},
                                           GaugeCase{1, 200, 0}, GaugeCase{3, 200, 2},
                                           GaugeCase{1, 3, 33}, GaugeCase{2, 3, 67},
                                           GaugeCase{3, 3, 100}, GaugeCase{1, 1, 100},
                                           GaugeCase{9999, 10000, 100}, GaugeCase{9949, 10000, 99},
                                           GaugeCase{9950, 10000, 100}));

// ---- gathering ----

class GatherTest : public ::testing::Test {
protected:
    void SetUp() override {
        data = tmp.mkdir("data");
        dest = tmp.mkdir("D");
        ini = tmp.file("data/kivo.ini");
        gatherer.setSettingsPath(ini);
        gatherer.setGauge([this](int p) { gauge.push_back(p); });
    }
    // The photos of `folder`, in the order its listing gives them (the order of the run).
    static std::vector<std::string> listedPhotos(const std::string& folder) {
        std::vector<std::string> order;
        for (const DirEntry& e : EnumerateFolder(folder, "*.jpg"))
            order.push_back(folder + "/" + e.name);
        return order;
    }
    // A with a.jpg and b.JPEG, and A/B with c.jpg.
    void makeTree() {
        tmp.write("A/a.jpg", "a");
        tmp.write("A/b.JPEG", "b");
        tmp.write("A/B/c.jpg", "c");
        src = tmp.file("A");
    }
    std::string structure() const { return ReadWholeFile(data + "/struktur.txt"); }
    std::string files() const { return ReadWholeFile(data + "/soubory.txt"); }

    TempDir tmp;
    std::string data, dest, ini, src;
    ImageGatherer gatherer{tmp.file("data")};
    std::vector<int> gauge;
};

TEST_F(GatherTest, TreeWithSubfolders) {
    makeTree();
    const GatherResult r = gatherer.GatherImages(src, true, dest);
    EXPECT_EQ(structure(), crlf({src, src + "/B"}));
    EXPECT_EQ(files(), crlf({src + "/a.jpg", src + "/b.JPEG", src + "/B/c.jpg"}));
    EXPECT_EQ(ReadWholeFile(dest + "/a.jpg"), "a");
    EXPECT_EQ(ReadWholeFile(dest + "/b.JPEG"), "b");
    EXPECT_EQ(ReadWholeFile(dest + "/c.jpg"), "c");
    // A still held B when its own files left; B went with its last file.
    EXPECT_TRUE(fs::is_directory(src));
    EXPECT_FALSE(exists(src + "/B"));
    EXPECT_TRUE(fs::is_empty(src));
    EXPECT_EQ(r.folderCount, 2u);
    EXPECT_EQ(r.movedCount, 3u);
    EXPECT_EQ(r.removedFolderCount, 1u);
    EXPECT_TRUE(r.anyFound());
    EXPECT_EQ(gauge, (std::vector<int>{33, 67, 100, 0}));
    EXPECT_EQ(ReadIniString(ini, "Presun", "adresar", "?"), src);
    EXPECT_TRUE(ReadIniBool(ini, "Presun", "podadr", false));
}

TEST_F(GatherTest, TreeWithoutSubfolders) {
    makeTree();
    const GatherResult r = gatherer.GatherImages(src, false, dest);
    EXPECT_EQ(structure(), crlf({src}));
    EXPECT_EQ(files(), crlf({src + "/a.jpg", src + "/b.JPEG"}));
    EXPECT_TRUE(exists(dest + "/a.jpg"));
    EXPECT_TRUE(exists(dest + "/b.JPEG"));
    EXPECT_FALSE(exists(dest + "/c.jpg"));
    EXPECT_TRUE(exists(src + "/B/c.jpg"));
    EXPECT_EQ(r.movedCount, 2u);
    EXPECT_EQ(r.removedFolderCount, 0u);
    EXPECT_EQ(gauge, (std::vector<int>{50, 100, 0}));
    EXPECT_EQ(ReadIniString(ini, "Presun", "adresar", "?"), src);
    EXPECT_FALSE(ReadIniBool(ini, "Presun", "podadr", true));
}

TEST_F(GatherTest, LastFileLeavingRemovesTheSourceFolder) {
    tmp.write("S/x.jpg", "x");
    const GatherResult r = gatherer.GatherImages(tmp.file("S"), false, dest);
    EXPECT_EQ(r.movedCount, 1u);
    EXPECT_FALSE(exists(tmp.file("S")));
}

TEST_F(GatherTest, NameTakenInTheDestinationStays) {
    makeTree();
    tmp.write("D/c.jpg", "already here");
    const GatherResult r = gatherer.GatherImages(src, true, dest);
    EXPECT_EQ(ReadWholeFile(dest + "/c.jpg"), "already here");
    EXPECT_EQ(ReadWholeFile(src + "/B/c.jpg"), "c");
    EXPECT_TRUE(fs::is_directory(src + "/B"));
    EXPECT_EQ(files(), crlf({src + "/a.jpg", src + "/b.JPEG", src + "/B/c.jpg"}));
    ASSERT_EQ(r.files.size(), 3u);
    EXPECT_EQ(r.files[2].outcome, GatherOutcome::Failed);
    EXPECT_EQ(r.files[2].error, EEXIST);
    EXPECT_EQ(r.files[2].target, dest + "/c.jpg");
    EXPECT_EQ(r.movedCount, 2u);
}

TEST_F(GatherTest, NameTakenInALargeDestinationIsSeenToo) {
    // More entries than the plan reads of a destination at once: names are asked one by one.
    for (int i = 0; i < 1100; ++i)
        tmp.write("D/other" + std::to_string(i), "");
    tmp.write("D/c.jpg", "same");
    tmp.write("S/c.jpg", "same");
    tmp.write("S/d.jpg", "d");
    const GatherResult r = gatherer.GatherImages(tmp.file("S"), false, dest);
    ASSERT_EQ(r.files.size(), 2u);
    const GatheredFile& c = r.files[r.files[0].path.ends_with("/c.jpg") ? 0 : 1];
    EXPECT_EQ(c.outcome, GatherOutcome::Duplicate);
    EXPECT_EQ(r.duplicateCount, 1u);
    EXPECT_TRUE(exists(tmp.file("S/c.jpg")));
    EXPECT_EQ(ReadWholeFile(dest + "/d.jpg"), "d");
}

TEST_F(GatherTest, TwoRunsInARow) {
    makeTree();
    gatherer.GatherImages(src, true, dest);
    gauge.clear();
    const GatherResult r = gatherer.GatherImages(src, true, dest);
    // The second run starts from empty reports and finds only A.
    EXPECT_EQ(structure(), crlf({src}));
    EXPECT_EQ(files(), "");
    EXPECT_FALSE(r.anyFound());
    EXPECT_TRUE(gauge.empty());
}

TEST_F(GatherTest, SourceTypedWithTrailingSlash) {
    makeTree();
    const std::string typed = src + "/";
    gatherer.GatherImages(typed, true, dest);
    EXPECT_EQ(structure(), crlf({typed, typed + "/B"}));
    EXPECT_EQ(files(), crlf({typed + "/a.jpg", typed + "/b.JPEG", typed + "/B/c.jpg"}));
    EXPECT_TRUE(exists(dest + "/c.jpg"));
    EXPECT_FALSE(exists(src + "/B"));
    EXPECT_EQ(ReadIniString(ini, "Presun", "adresar", "?"), typed);
}

TEST_F(GatherTest, NoJpegFilesWritesNoSettings) {
    tmp.write("S/notes.txt", "n");
    tmp.write("S/photo.png", "p");
    tmp.write("S/x.jpgx", "x");
    tmp.mkdir("S/folder.jpg");
    const GatherResult r = gatherer.GatherImages(tmp.file("S"), true, dest);
    EXPECT_EQ(structure(), crlf({tmp.file("S"), tmp.file("S/folder.jpg")}));
    EXPECT_EQ(files(), "");
    EXPECT_FALSE(r.anyFound());
    EXPECT_TRUE(gauge.empty());
    EXPECT_FALSE(exists(ini));
    EXPECT_TRUE(exists(tmp.file("S/notes.txt")));
}

TEST_F(GatherTest, EmptyOrMissingSourceEndsQuietly) {
    GatherResult r = gatherer.GatherImages("", false, dest);
    EXPECT_EQ(structure(), "\r\n"); // the empty text was appended, and counts 0
    EXPECT_EQ(files(), "");
    EXPECT_EQ(r.folderCount, 0u);
    r = gatherer.GatherImages("", true, dest);
    EXPECT_EQ(structure(), "");
    r = gatherer.GatherImages(tmp.file("none"), true, dest);
    EXPECT_EQ(structure(), "");
    r = gatherer.GatherImages(tmp.file("none"), false, dest);
    EXPECT_EQ(structure(), crlf({tmp.file("none")}));
    EXPECT_EQ(r.folderCount, 1u);
    EXPECT_FALSE(r.anyFound());
    EXPECT_FALSE(exists(ini));
    EXPECT_TRUE(gauge.empty());
}

TEST_F(GatherTest, JpgBeforeJpegAndCaseAndHiddenFiles) {
    tmp.write("S/1.jpeg", "1");
    tmp.write("S/2.Jpg", "2");
    tmp.write("S/.hidden.jpg", "h");
    tmp.write("S/3.JPEG", "3");
    const std::string s = tmp.file("S");
    gatherer.GatherImages(s, false, dest);
    const std::string report = files();
    EXPECT_LT(report.find(s + "/2.Jpg"), report.find(s + "/1.jpeg"));
    EXPECT_LT(report.find(s + "/.hidden.jpg"), report.find(s + "/3.JPEG"));
    EXPECT_EQ(CountLines(data + "/soubory.txt"), 4);
    EXPECT_FALSE(exists(s));
}

TEST_F(GatherTest, DestinationInsideTheSource) {
    tmp.write("S/a.jpg", "a");
    tmp.write("S/D/own.jpg", "own");
    tmp.write("S/D/sub/b.jpg", "b");
    const std::string s = tmp.file("S");
    const std::string d = s + "/D";
    const GatherResult r = gatherer.GatherImages(s, true, d);
    EXPECT_EQ(structure(), crlf({s, s + "/D", s + "/D/sub"}));
    EXPECT_EQ(files(), crlf({s + "/a.jpg", s + "/D/own.jpg", s + "/D/sub/b.jpg"}));
    ASSERT_EQ(r.files.size(), 3u);
    EXPECT_EQ(r.files[1].outcome, GatherOutcome::InDestination);
    EXPECT_EQ(ReadWholeFile(d + "/own.jpg"), "own");
    EXPECT_EQ(ReadWholeFile(d + "/a.jpg"), "a");
    EXPECT_EQ(ReadWholeFile(d + "/b.jpg"), "b");
    EXPECT_FALSE(exists(d + "/sub"));
    EXPECT_EQ(r.movedCount, 2u);
}

TEST_F(GatherTest, DestinationEqualToTheSourceMovesNothing) {
    tmp.write("S/a.jpg", "a");
    const std::string s = tmp.file("S");
    const GatherResult r = gatherer.GatherImages(s + "/", false, s);
    EXPECT_EQ(r.movedCount, 0u);
    EXPECT_TRUE(exists(s + "/a.jpg"));
    EXPECT_TRUE(r.anyFound());
}

TEST_F(GatherTest, FileVanishingDuringTheRunKeepsItsLine) {
    tmp.write("S/a.jpg", "a");
    tmp.write("S/b.jpg", "b");
    tmp.write("S/c.jpg", "c");
    const std::string s = tmp.file("S");
    const std::vector<std::string> order = listedPhotos(s);
    ASSERT_EQ(order.size(), 3u);
    // The second listed file disappears while the first one is being counted.
    gatherer.setGauge([&](int p) {
        gauge.push_back(p);
        if (gauge.size() == 1)
            fs::remove(order[1]);
    });
    const GatherResult r = gatherer.GatherImages(s, false, dest);
    EXPECT_EQ(files(), crlf(order));
    ASSERT_EQ(r.files.size(), 3u);
    EXPECT_EQ(r.files[1].outcome, GatherOutcome::Missing);
    EXPECT_EQ(r.movedCount, 2u);
    EXPECT_EQ(gauge, (std::vector<int>{33, 67, 100, 0}));
    EXPECT_FALSE(exists(s));
}

// With a journal the listing's look is the only one before the rename: a file gone since
// is still missing, and its row is no move.
TEST_F(GatherTest, FileVanishingDuringAJournaledRunIsMissingAndNotDone) {
    tmp.write("S/a.jpg", "a");
    tmp.write("S/b.jpg", "b");
    const std::string s = tmp.file("S");
    const std::vector<std::string> order = listedPhotos(s);
    ASSERT_EQ(order.size(), 2u);
    Journal journal(tmp.file("state"));
    gatherer.setJournal(&journal);
    gatherer.setGauge([&](int p) {
        if (p == 50)
            fs::remove(order[1]);
    });
    const GatherResult r = gatherer.GatherImages(s, false, dest);
    ASSERT_EQ(r.files.size(), 2u);
    EXPECT_EQ(r.files[0].outcome, GatherOutcome::Moved);
    EXPECT_EQ(r.files[1].outcome, GatherOutcome::Missing);
    const std::vector<JournalRow> rows = journal.Rows(journal.History(1).at(0).id);
    ASSERT_EQ(rows.size(), 3u); // two moves and the folder's removal
    EXPECT_EQ(rows[0].state, RowState::Done);
    EXPECT_EQ(rows[1].state, RowState::NotDone);
    EXPECT_EQ(rows[2].state, RowState::Done);
}

TEST_F(GatherTest, FolderWhoseLastListedFileVanishedIsStillRemoved) {
    tmp.write("S/a.jpg", "a");
    tmp.write("S/b.jpg", "b");
    const std::string s = tmp.file("S");
    const std::vector<std::string> order = listedPhotos(s);
    ASSERT_EQ(order.size(), 2u);
    // The second file disappears right after the first one has moved.
    gatherer.setGauge([&](int p) {
        if (p == 50)
            fs::remove(order[1]);
    });
    const GatherResult r = gatherer.GatherImages(s, false, dest);
    ASSERT_EQ(r.files.size(), 2u);
    EXPECT_EQ(r.files[0].outcome, GatherOutcome::Moved);
    EXPECT_EQ(r.files[1].outcome, GatherOutcome::Missing);
    EXPECT_FALSE(exists(s));
    EXPECT_EQ(r.removedFolderCount, 1u);
}

TEST_F(GatherTest, FolderWhoseFilesAllVanishedIsLeftAlone) {
    tmp.write("S/y.jpg", "y");
    tmp.write("S/x/x.jpg", "x");
    const std::string s = tmp.file("S");
    // S's own file comes first; the subfolder's only file goes before its turn.
    gatherer.setGauge([&](int p) {
        if (p == 50)
            fs::remove(s + "/x/x.jpg");
    });
    const GatherResult r = gatherer.GatherImages(s, true, dest);
    ASSERT_EQ(r.files.size(), 2u);
    EXPECT_EQ(r.files[1].outcome, GatherOutcome::Missing);
    EXPECT_TRUE(fs::is_directory(s + "/x")); // nothing of it moved, so no removal is tried
    EXPECT_EQ(r.removedFolderCount, 0u);
}

TEST_F(GatherTest, UnwritableDataFolderMovesNothing) {
    makeTree();
    tmp.write("blocker", "a file where the data folder should be");
    ImageGatherer blocked(tmp.file("blocker/data"));
    blocked.setSettingsPath(ini);
    EXPECT_THROW(blocked.GatherImages(src, true, dest), GatherIoError);
    EXPECT_TRUE(exists(src + "/a.jpg"));
    EXPECT_TRUE(exists(src + "/B/c.jpg"));
    EXPECT_FALSE(exists(ini));
}

TEST_F(GatherTest, MissingDataFolderIsCreated) {
    makeTree();
    ImageGatherer fresh(tmp.file("new/config/kivomat"));
    const GatherResult r = fresh.GatherImages(src, true, dest);
    EXPECT_EQ(r.movedCount, 3u);
    EXPECT_EQ(ReadWholeFile(tmp.file("new/config/kivomat/struktur.txt")), crlf({src, src + "/B"}));
}

TEST_F(GatherTest, RefusedSettingsWriteStillReportsTheFiles) {
    makeTree();
    tmp.write("blocker", "x");
    gatherer.setSettingsPath(tmp.file("blocker/kivo.ini"));
    const GatherResult r = gatherer.GatherImages(src, false, dest);
    EXPECT_EQ(r.movedCount, 2u);
    EXPECT_TRUE(r.anyFound());
    EXPECT_NE(r.settingsError.find("Unable to write to"), std::string::npos);
}

TEST_F(GatherTest, MissingOrRelativeDestinationMovesNothing) {
    makeTree();
    GatherResult r = gatherer.GatherImages(src, true, tmp.file("nowhere"));
    EXPECT_EQ(r.movedCount, 0u);
    ASSERT_EQ(r.files.size(), 3u);
    EXPECT_EQ(r.files[0].outcome, GatherOutcome::Failed);
    EXPECT_TRUE(exists(src + "/B/c.jpg"));
    r = gatherer.GatherImages(src, true, "Drives");
    EXPECT_EQ(r.movedCount, 0u);
    EXPECT_TRUE(exists(src + "/a.jpg"));
}

TEST_F(GatherTest, NamesWithLineBreaksMoveWhole) {
    tmp.write("S/line\nbreak/x.jpg", "x");
    tmp.write("S/y\r.jpg", "y");
    const std::string s = tmp.file("S");
    const GatherResult r = gatherer.GatherImages(s, true, dest);
    EXPECT_EQ(r.movedCount, 2u);
    EXPECT_EQ(ReadWholeFile(dest + "/x.jpg"), "x");
    EXPECT_EQ(ReadWholeFile(dest + "/y\r.jpg"), "y");
}

} // namespace
} // namespace kivo
