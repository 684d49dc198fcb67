// Gathering into date folders, and what happens when a photo's name is taken in the
// destination: duplicates, clashes, numbered names, and undo of it all.
//
// GIO reads HOME and XDG_DATA_HOME once per process, so the program shares one temporary
// home (and Trash), set before the first test.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "core/journal.h"
#include "core/journal_undo.h"
#include "photoops/gather.h"
#include "platform/datetime.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"

namespace fs = std::filesystem;

namespace kivo {
namespace {

using test::ReadWholeFile;
using test::TempDir;

class TrashHome : public ::testing::Environment {
public:
    void SetUp() override {
        home_ = std::make_unique<TempDir>();
        ::setenv("HOME", home_->mkdir("home").c_str(), 1);
        ::setenv("XDG_DATA_HOME", home_->mkdir("home/data").c_str(), 1);
    }
    void TearDown() override { home_.reset(); }

private:
    std::unique_ptr<TempDir> home_;
};
const auto* const kTrashHome = ::testing::AddGlobalTestEnvironment(new TrashHome);

// A JPEG whose EXIF says it was taken at `taken` ("YYYY:MM:DD hh:mm:ss"; "" for a stamp
// that does not convert), modified at `modified`.
std::vector<std::uint8_t> Photo(const std::string& taken,
                                const std::string& modified = "2030:01:01 00:00:00",
                                const std::string& digitized = "") {
    test::CameraStamps stamps;
    stamps.taken = taken;
    stamps.modified = modified;
    stamps.digitized = digitized.empty() ? taken : digitized;
    return test::JpegWithExif(test::CameraTiff(false, stamps));
}

void SetMtime(const std::string& path, int y, int mo, int d, int h) {
    const std::time_t t = LocalDateTimeToUnix(EncodeDate(y, mo, d) + EncodeTime(h, 0, 0));
    const struct timespec times[2] = {{0, UTIME_OMIT}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::vector<std::string> FilesBelow(const std::string& root) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (!e.is_directory())
            out.push_back(fs::relative(e.path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
}

class GatherDatesTest : public ::testing::Test {
protected:
    TempDir tmp;
    std::string src = tmp.file("S");
    std::string dest = tmp.mkdir("D");
    ImageGatherer gatherer{tmp.file("data")};
};

struct PatternCase {
    const char* pattern;
    std::vector<std::string> files; // below the destination, sorted
};

class ByPattern : public GatherDatesTest, public ::testing::WithParamInterface<PatternCase> {};

TEST_P(ByPattern, PhotosOfThreeDaysLandInTheirDayFolders) {
    tmp.write("S/a.jpg", Photo("2023:12:31 23:59:58"));
    tmp.write("S/b.jpg", Photo("2024:01:01 00:00:01"));
    tmp.write("S/sub/c.jpg", Photo("2024:05:17 12:00:00"));
    gatherer.setDateFolders(ParseDateFolderPattern(GetParam().pattern));
    const GatherResult r = gatherer.GatherImages(src, true, dest);
    EXPECT_EQ(r.movedCount, 3u);
    EXPECT_EQ(FilesBelow(dest), GetParam().files);
    EXPECT_FALSE(fs::exists(src + "/sub"));
    // The reports of the plain gathering, as they were: the sources.
    const std::string files = ReadWholeFile(gatherer.filesReportPath());
    EXPECT_EQ(CountLines(gatherer.filesReportPath()), 3);
    EXPECT_NE(files.find(src + "/sub/c.jpg\r\n"), std::string::npos) << files;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, ByPattern,
    ::testing::Values(
        PatternCase{"YYYY", {"2023/a.jpg", "2024/b.jpg", "2024/c.jpg"}},
        PatternCase{"YYYY/MM", {"2023/12/a.jpg", "2024/01/b.jpg", "2024/05/c.jpg"}},
        PatternCase{"YYYY/MM/DD", {"2023/12/31/a.jpg", "2024/01/01/b.jpg", "2024/05/17/c.jpg"}},
        PatternCase{"YYYY-MM-DD", {"2023-12-31/a.jpg", "2024-01-01/b.jpg", "2024-05-17/c.jpg"}},
        PatternCase{"yyyy_mm_dd", {"2023_12_31/a.jpg", "2024_01_01/b.jpg", "2024_05_17/c.jpg"}},
        PatternCase{"YYYY.MM.DD", {"2023.12.31/a.jpg", "2024.01.01/b.jpg", "2024.05.17/c.jpg"}}));

TEST(DateFolderPatternTest, OnlyTheLayoutsOfYearMonthDay) {
    for (const char* bad : {"", "YYY", "MM/DD", "YYYY/DD", "YYYY//MM", "YYYY/MM/DD/", "YYYY MM",
                            "YYYY/MM/DD/hh", "YYYY-MM-DD-DD"})
        EXPECT_FALSE(ParseDateFolderPattern(bad)) << bad;
    EXPECT_EQ(DateFolderOf(*ParseDateFolderPattern("YYYY/MM-DD"), 987, 3, 4), "0987/03-04");
    EXPECT_EQ(ClashName("IMG.jpg", 2), "IMG_2.jpg");
    EXPECT_EQ(ClashName("a.b.jpeg", 1), "a.b_1.jpeg");
    EXPECT_EQ(ClashName(".jpg", 1), ".jpg_1");
    EXPECT_EQ(ClashName("noext", 3), "noext_3");
}

TEST_F(GatherDatesTest, WithoutTheTakenStampTheEarliestThenTheFileTime) {
    SetMtime(tmp.write("S/plain.jpg", "no EXIF at all"), 2021, 3, 4, 12);
    tmp.write("S/earliest.jpg", Photo("", "2022:02:02 10:00:00", "2022:01:09 10:00:00"));
    SetMtime(tmp.write("S/later.jpg", Photo("2020:06:30 08:00:00")), 2029, 1, 1, 12);
    gatherer.setDateFolders(ParseDateFolderPattern("YYYY-MM-DD"));
    gatherer.GatherImages(src, false, dest);
    EXPECT_EQ(FilesBelow(dest),
              (std::vector<std::string>{"2020-06-30/later.jpg", "2021-03-04/plain.jpg",
                                        "2022-01-09/earliest.jpg"}));
}

TEST_F(GatherDatesTest, ADateFolderThatIsALinkIsNeverEntered) {
    const std::string elsewhere = tmp.mkdir("elsewhere");
    fs::create_directory_symlink(elsewhere, dest + "/2024");
    tmp.write("S/a.jpg", Photo("2024:05:17 12:00:00"));
    gatherer.setDateFolders(ParseDateFolderPattern("YYYY/MM"));
    const GatherResult r = gatherer.GatherImages(src, false, dest);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(r.files[0].outcome, GatherOutcome::Failed);
    EXPECT_NE(r.files[0].reason.find("not a folder"), std::string::npos) << r.files[0].reason;
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_TRUE(fs::exists(src + "/a.jpg"));
}

TEST_F(GatherDatesTest, TakenNamesAreComparedAndNeverReplaced) {
    const std::vector<std::uint8_t> photo = Photo("2024:05:17 12:00:00");
    tmp.write("S/same.jpg", photo);
    tmp.write("D/same.jpg", photo);
    tmp.write("S/other.jpg", "AAAA-mine");
    tmp.write("D/other.jpg", "AAAA-here"); // same size, different bytes
    tmp.write("S/moves.jpg", "m");
    const GatherResult r = gatherer.GatherImages(src, false, dest);
    ASSERT_EQ(r.files.size(), 3u);
    auto row = [&](const std::string& name) {
        for (const GatheredFile& f : r.files)
            if (f.path == src + "/" + name)
                return f;
        ADD_FAILURE() << name;
        return GatheredFile{};
    };
    EXPECT_EQ(row("same.jpg").outcome, GatherOutcome::Duplicate);
    EXPECT_EQ(row("other.jpg").outcome, GatherOutcome::Failed);
    EXPECT_EQ(row("other.jpg").reason, "name taken");
    EXPECT_EQ(row("moves.jpg").outcome, GatherOutcome::Moved);
    EXPECT_TRUE(fs::exists(src + "/same.jpg"));
    EXPECT_EQ(ReadWholeFile(src + "/other.jpg"), "AAAA-mine");
    EXPECT_EQ(ReadWholeFile(dest + "/other.jpg"), "AAAA-here");
    EXPECT_EQ(r.duplicateCount, 1u);
    EXPECT_EQ(r.clashCount, 1u);
    EXPECT_EQ(ReadWholeFile(gatherer.duplicatesReportPath()), src + "/same.jpg\r\n");
    EXPECT_EQ(ReadWholeFile(gatherer.clashesReportPath()), src + "/other.jpg\r\n");
}

TEST_F(GatherDatesTest, RenamedClashesTakeTheFirstFreeNumberWithTheirSidecar) {
    tmp.write("S/IMG.jpg", "mine");
    tmp.write("S/IMG.xmp", "sidecar");
    tmp.write("D/IMG.jpg", "theirs");
    tmp.write("D/IMG.xmp", "their sidecar");
    tmp.write("D/IMG_1.jpg", "taken too");
    gatherer.setRenameClashes(true);
    const GatherResult r = gatherer.GatherImages(src, false, dest);
    EXPECT_EQ(r.movedCount, 2u);
    EXPECT_EQ(ReadWholeFile(dest + "/IMG_2.jpg"), "mine");
    EXPECT_EQ(ReadWholeFile(dest + "/IMG_2.xmp"), "sidecar");
    EXPECT_EQ(ReadWholeFile(dest + "/IMG.jpg"), "theirs");
    EXPECT_EQ(ReadWholeFile(dest + "/IMG_1.jpg"), "taken too");
    EXPECT_TRUE(r.files[0].renamed);
}

TEST_F(GatherDatesTest, UndoPutsEveryPhotoBackAndRemovesTheDateFolders) {
    const std::vector<std::uint8_t> dup = Photo("2024:05:17 12:00:00");
    tmp.write("S/a.jpg", Photo("2024:06:01 09:00:00")); // into new folders
    tmp.write("S/sub/dup.jpg", dup);
    tmp.write("S/sub/clash.jpg", Photo("2023:01:02 10:00:00"));
    tmp.write("D/2024/05/17/dup.jpg", dup);
    tmp.write("D/2023/01/02/clash.jpg", "different");
    tmp.write("D/2024/05/17/kept.txt", "not ours");
    const test::TreeSnapshot before = test::SnapshotTree(tmp.path());
    Journal journal(tmp.file("journal"));
    gatherer.setJournal(&journal);
    gatherer.setDateFolders(ParseDateFolderPattern("YYYY/MM/DD"));
    gatherer.setDuplicates(DuplicateAction::Trash);
    gatherer.setRenameClashes(true);
    const GatherResult r = gatherer.GatherImages(src, true, dest);
    EXPECT_TRUE(r.journalError.empty()) << r.journalError;
    EXPECT_EQ(r.duplicateCount, 1u);
    EXPECT_TRUE(fs::exists(dest + "/2023/01/02/clash_1.jpg"));
    EXPECT_TRUE(fs::exists(dest + "/2024/06/01/a.jpg"));
    EXPECT_FALSE(fs::exists(src + "/sub"));
    const auto last = journal.LastUndoable();
    ASSERT_TRUE(last);
    const UndoReport undo = UndoBatch(journal, last->id);
    EXPECT_TRUE(undo.ok()) << undo.error;
    EXPECT_EQ(undo.skipped, 0u);
    test::TreeSnapshot after = test::SnapshotTree(tmp.path());
    // The journal and the reports are no part of the tree that was gathered.
    std::erase_if(after, [](const auto& e) {
        return e.first.starts_with("/journal") || e.first.starts_with("/data");
    });
    EXPECT_EQ(after, before);
}

} // namespace
} // namespace kivo
