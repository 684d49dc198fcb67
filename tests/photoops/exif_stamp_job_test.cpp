// The EXIF stamp correction as a journaled job: new stamps by shift, value or file time;
// undone byte for byte; a killed run completed or rolled back, never a mixed photo.

#include <chrono>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/journal.h"
#include "core/journal_undo.h"
#include "exif/photo_data.h"
#include "photoops/exif_stamp_job.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using test::TempDir;

constexpr std::int64_t kMtime = 1300000000; // 2011-03-13 08:06:40 in Prague

std::vector<std::string> Photos(const TempDir& dir, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        const std::string path = dir.write(name, test::JpegWithExif(test::CameraTiff(i % 2 == 1)));
        const struct timespec t[2] = {{kMtime, 0}, {kMtime, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), t, 0);
        names.push_back(name);
    }
    return names;
}

std::vector<std::string> Contents(const TempDir& dir, const std::vector<std::string>& names) {
    std::vector<std::string> all;
    for (const std::string& n : names)
        all.push_back(test::ReadWholeFile(dir.file(n)));
    return all;
}

StampCorrection Shift(std::int64_t hours, StampChoice stamps = StampChoice::All) {
    StampCorrection c;
    c.stamps = stamps;
    c.adjust.page = kPageRelative;
    c.adjust.amount = hours;
    c.adjust.unitIndex = kUnitHour;
    return c;
}

std::int64_t MtimeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim.tv_sec;
}

struct CorrectionCase {
    const char* what;
    StampCorrection correction;
    std::array<const char*, 3> expected; // new DateTime, DateTimeOriginal, DateTimeDigitized
};

StampCorrection Set(const char* value, StampChoice stamps) {
    StampCorrection c;
    c.source = StampSource::Set;
    c.value = value;
    c.stamps = stamps;
    return c;
}

StampCorrection FromMtime() {
    StampCorrection c;
    c.source = StampSource::FromMtime;
    c.times = PatchTimes::Touch;
    return c;
}

class StampCorrectionTest : public ::testing::TestWithParam<CorrectionCase> {};

TEST_P(StampCorrectionTest, WritesTheNewStampsAndUndoGivesTheBytesBack) {
    const CorrectionCase& c = GetParam();
    TempDir dir;
    TempDir state;
    const std::vector<std::string> names = Photos(dir, 2);
    const std::vector<std::string> before = Contents(dir, names);
    Journal journal(state.path());
    ExifStampJob job(dir.path(), names, c.correction);
    EXPECT_EQ(job.Write(&journal), names.size()) << c.what;
    EXPECT_EQ(job.journalError(), "");
    for (const StampJobRow& row : job.rows()) {
        EXPECT_EQ(row.state, StampRowState::Written) << c.what << ": " << row.reason;
        EXPECT_EQ(row.oldStamps[1], "2004:07:15 13:45:10");
        TPhotoData photo(kBuildAll);
        photo.ReadImageFile(job.PathOf(row));
        const TExifInfo& e = *photo.Exif;
        const std::int32_t positions[] = {e.ModifyDatePos, e.TakenDatePos, e.DigitizedDatePos};
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(row.newStamps[k], c.expected[k]) << c.what << " " << k;
            const std::string stored = StampText(e.DateAt(positions[k]));
            EXPECT_EQ(stored, *c.expected[k] ? c.expected[k] : row.oldStamps[k]) << c.what;
        }
        EXPECT_EQ(MtimeOf(job.PathOf(row)) == kMtime, c.correction.times == PatchTimes::Keep);
    }
    const std::vector<std::string> after = Contents(dir, names);

    const std::optional<BatchInfo> last = journal.LastUndoable();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->kind, BatchKind::ExifDate);
    const UndoReport undo = UndoBatch(journal, last->id);
    ASSERT_TRUE(undo.ok()) << undo.error;
    EXPECT_EQ(undo.undone, names.size());
    EXPECT_EQ(Contents(dir, names), before) << c.what;
    EXPECT_EQ(MtimeOf(dir.file(names[0])), kMtime);
    ASSERT_TRUE(UndoBatch(journal, undo.undoBatch).ok()); // redo
    EXPECT_EQ(Contents(dir, names), after) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Corrections, StampCorrectionTest,
    ::testing::Values(
        CorrectionCase{"shift +1 h",
                       Shift(1),
                       {"2004:07:16 09:00:00", "2004:07:15 14:45:10", "2004:07:15 14:45:11"}},
        CorrectionCase{"shift -1 h taken only",
                       Shift(-1, StampChoice::Taken),
                       {"", "2004:07:15 12:45:10", ""}},
        CorrectionCase{"set digitized",
                       Set("2010:01:02 03:04:05", StampChoice::Digitized),
                       {"", "", "2010:01:02 03:04:05"}},
        CorrectionCase{"from the file time",
                       FromMtime(),
                       {"2011:03:13 08:06:40", "2011:03:13 08:06:40", "2011:03:13 08:06:40"}}));

TEST(StampJob, ShiftAndBackGivesTheOriginalBytes) {
    TempDir dir;
    const std::vector<std::string> names = Photos(dir, 3);
    const std::vector<std::string> before = Contents(dir, names);
    ExifStampJob(dir.path(), names, Shift(1)).Write(nullptr);
    ASSERT_NE(Contents(dir, names), before);
    ExifStampJob(dir.path(), names, Shift(-1)).Write(nullptr);
    EXPECT_EQ(Contents(dir, names), before);
}

TEST(StampJob, SecondsSetAnewSetTheFractionAShiftKeepsIt) {
    const std::pair<StampCorrection, const char*> cases[] = {
        {Shift(1, StampChoice::Taken), "37"},
        {Set("2010:01:02 03:04:05", StampChoice::Taken), "00"},
        {FromMtime(), "25"}};
    for (const auto& [correction, fraction] : cases) {
        TempDir dir;
        test::TiffBuilder t(false);
        const int ifd0 = t.AddIfd(), exif = t.AddIfd();
        t.Link(ifd0, 0x8769, exif);
        t.Ascii(exif, 0x9003, "2004:07:15 13:45:10");
        t.Ascii(exif, 0x9291, "37");
        const std::string path = dir.write("a.jpg", test::JpegWithExif(t.Build()));
        const struct timespec times[2] = {{kMtime, 250000000}, {kMtime, 250000000}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        ExifStampJob job(dir.path(), {"a.jpg"}, correction);
        ASSERT_EQ(job.Write(nullptr), 1u) << fraction << ": " << job.rows()[0].reason;
        TPhotoData photo(kBuildAll);
        photo.ReadImageFile(path);
        EXPECT_EQ(photo.Exif->TagTextByName("SubSecTimeOriginal"), fraction);
    }
}

TEST(StampJob, RowsThatCannotBeWrittenSayWhy) {
    TempDir dir;
    test::TiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    t.Ascii(ifd0, 0x0132, "2004:07:16 08:00:00"); // no EXIF directory at all
    dir.write("modify-only.jpg", test::JpegWithExif(t.Build()));
    dir.write("plain.jpg", "not a photo");
    const std::vector<std::string> names = Photos(dir, 1);
    // "All" corrects the stamps a photo has; one asked for by name must be there.
    ExifStampJob all(dir.path(), {"modify-only.jpg"}, Shift(1));
    all.Plan();
    EXPECT_EQ(all.rows()[0].state, StampRowState::Planned);
    EXPECT_EQ(all.rows()[0].newStamps, (std::array<std::string, 3>{"2004:07:16 09:00:00", "", ""}));
    ExifStampJob job(dir.path(), {"modify-only.jpg", "plain.jpg", names[0]},
                     Shift(1, StampChoice::Taken));
    job.Plan();
    // A planned photo changed before the write is refused.
    ::truncate(dir.file(names[0]).c_str(), 100);
    EXPECT_EQ(job.Write(nullptr), 0u);
    const std::vector<std::string> reasons = {"no DateTimeOriginal stamp", "no EXIF data",
                                              "changed since it was read"};
    for (std::size_t i = 0; i < reasons.size(); ++i) {
        EXPECT_EQ(job.rows()[i].state, StampRowState::Failed);
        EXPECT_EQ(job.rows()[i].reason, reasons[i]);
    }
}

TEST(StampJob, AKilledRunIsCompletedOrRolledBack) {
    constexpr int kFiles = 20;
    std::mt19937 random(20261209);
    // How long a whole run takes here.
    std::chrono::microseconds whole{};
    {
        TempDir dir, state;
        const std::vector<std::string> names = Photos(dir, kFiles);
        const auto start = std::chrono::steady_clock::now();
        Journal journal(state.path());
        ExifStampJob(dir.path(), names, Shift(1)).Write(&journal);
        whole = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
    }
    int caught = 0;
    for (int point = 0; point < 8; ++point) {
        TempDir dir, state;
        const std::vector<std::string> names = Photos(dir, kFiles);
        const std::vector<std::string> before = Contents(dir, names);
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Journal own(state.path());
            ExifStampJob(dir.path(), names, Shift(1)).Write(&own);
            ::_exit(0);
        }
        std::this_thread::sleep_until(start +
                                      std::chrono::microseconds(random() % (whole.count() + 1)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);

        Journal journal(state.path());
        const std::vector<BatchInfo> interrupted = journal.Interrupted();
        const bool rollBack = point % 2 == 0;
        caught += interrupted.empty() ? 0 : 1;
        if (!interrupted.empty()) {
            const UndoReport r = rollBack ? UndoBatch(journal, interrupted[0].id)
                                          : ResumeBatch(journal, interrupted[0].id);
            ASSERT_TRUE(r.ok()) << r.error;
            for (const UndoRowReport& row : r.rows)
                EXPECT_NE(row.outcome, UndoOutcome::Skipped) << row.path << ": " << row.reason;
        } else if (rollBack && journal.LastUndoable()) {
            ASSERT_TRUE(UndoBatch(journal, journal.LastUndoable()->id).ok());
        }
        const std::vector<std::string> now = Contents(dir, names);
        if (rollBack && (!interrupted.empty() || journal.LastUndoable())) {
            EXPECT_EQ(now, before) << "point " << point;
        } else if (!rollBack && (!interrupted.empty() || journal.LastUndoable())) {
            // Every photo shifted, none twice.
            const std::vector<std::string> shifted = Contents(dir, names);
            TempDir fresh;
            const std::vector<std::string> again = Photos(fresh, kFiles);
            ExifStampJob(fresh.path(), again, Shift(1)).Write(nullptr);
            EXPECT_EQ(shifted, Contents(fresh, again)) << "point " << point;
        }
        EXPECT_TRUE(journal.Interrupted().empty());
    }
    std::cout << "runs caught half-way: " << caught << " of 8\n";
}

} // namespace
} // namespace kivo
