#include "photoops/exif_date_table.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/datetime.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using test::TempDir;

// Seconds since the epoch of a UTC calendar time, computed without the local zone.
std::time_t Utc(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return timegm(&tm);
}

std::time_t MtimeOnDisk(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mtim.tv_sec;
}

void SetMtime(const std::string& path, std::time_t t) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// A file whose modification time is the given local time text.
std::string MakeFile(const TempDir& dir, const std::string& name, const std::string& local) {
    const std::string path = dir.write(name, "x");
    SetMtime(path, LocalDateTimeToUnix(ParseDateTimeText(local).value()));
    return path;
}

ExifDateRow Row(std::string name, std::string current, std::string modify, std::string taken,
                std::string digitized) {
    ExifDateRow r;
    r.name = std::move(name);
    r.current = std::move(current);
    r.exif = {std::move(modify), std::move(taken), std::move(digitized)};
    return r;
}

std::string NewValue(const ExifDateTable& t, std::size_t i) {
    return t.row(i).newValue;
}

// The expected times on disk are those of Central Europe: the program sets its zone itself
// instead of depending on the caller's TZ.
class CentralEuropeZone : public ::testing::Environment {
public:
    void SetUp() override {
        ::setenv("TZ", "Europe/Prague", 1);
        ::tzset();
    }
};

[[maybe_unused]] ::testing::Environment* const kZone =
    ::testing::AddGlobalTestEnvironment(new CentralEuropeZone);

// Sets the zone for one test and restores the previous one.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneScope() {
        if (old_.empty())
            ::unsetenv("TZ");
        else
            ::setenv("TZ", old_.c_str(), 1);
        ::tzset();
    }

private:
    std::string old_;
};

TEST(ExifDateTable, OpeningSelectsAllAndTakesEarliestExceptEqualValues) {
    ExifDateTable t;
    t.AddRow(Row("a.jpg", "2005.08.27 10:00:00", "2005.08.27 12:00:00", "2005.08.27 10:00:00",
                 "2005.08.27 10:00:00"));
    t.AddRow(Row("b.jpg", "2006.01.01", "2005.09.01 08:00:00", "2005.08.31 08:00:00",
                 "2005.09.02 08:00:00"));
    t.AddRow(Row("c.jpg", "2006.01.01", "", "", ""));
    t.SelectAll();
    t.Earliest();
    for (const auto& r : t.rows())
        EXPECT_TRUE(r.selected) << r.name;
    EXPECT_EQ(NewValue(t, 0), "") << "earliest equals the current time";
    EXPECT_EQ(NewValue(t, 1), "2005.08.31 08:00:00");
    EXPECT_EQ(NewValue(t, 2), "");
}

TEST(ExifDateTable, CopyingAnEmptyColumnLeavesTheValue) {
    ExifDateTable t;
    t.AddRow(Row("a.jpg", "2006.01.01", "2005.08.27 12:00:00", "", "2005.08.27 13:00:00"));
    t.AddRow(Row("b.jpg", "2006.01.01", "", "2005.08.27 14:00:00", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);
    EXPECT_EQ(NewValue(t, 0), "2005.08.27 12:00:00");
    EXPECT_EQ(NewValue(t, 1), "");
    t.CopyExif(kExifTaken);
    EXPECT_EQ(NewValue(t, 0), "2005.08.27 12:00:00");
    EXPECT_EQ(NewValue(t, 1), "2005.08.27 14:00:00");
    t.CopyExif(kExifDigitized);
    EXPECT_EQ(NewValue(t, 0), "2005.08.27 13:00:00");
    EXPECT_EQ(NewValue(t, 1), "2005.08.27 14:00:00");
}

TEST(ExifDateTable, CopyActsOnSelectedRowsOnlyAndClearsEqualValues) {
    ExifDateTable t;
    t.AddRow(Row("a.jpg", "2006.01.01", "2005.08.27 12:00:00", "", ""));
    t.AddRow(Row("b.jpg", "2006.01.01", "2005.08.27 12:00:00", "", ""));
    t.AddRow(Row("c.jpg", "2005.08.27 12:00:00", "2005.08.27 12:00:00", "", ""));
    t.SetSelected(0, true);
    t.SetSelected(2, true);
    t.CopyExif(kExifModify);
    EXPECT_EQ(NewValue(t, 0), "2005.08.27 12:00:00");
    EXPECT_EQ(NewValue(t, 1), "");
    EXPECT_EQ(NewValue(t, 2), "");
}

TEST(ExifDateTable, EarliestWithTwoEqualLowestValues) {
    ExifDateTable t;
    t.AddRow(Row("a.jpg", "2006.01.01", "2005.08.27 12:00:00", "2005.08.27 09:00:00",
                 "2005.08.27 09:00:00"));
    t.SelectAll();
    t.Earliest();
    EXPECT_EQ(NewValue(t, 0), "2005.08.27 09:00:00");
}

TEST(ExifDateTable, EarliestSkipsStampsThatDidNotConvert) {
    ExifDateTable t;
    // A real value, then an unconvertible stamp (shown as 1899.12.30), then nothing.
    t.AddRow(Row("a.jpg", "2006.01.01", "2005.08.27 12:00:00", "1899.12.30", ""));
    t.AddRow(Row("b.jpg", "2006.01.01", "1899.12.30", "2005.08.27 12:00:00", "2005.08.28"));
    t.AddRow(Row("c.jpg", "2006.01.01", "1899.12.30", "", "1899.12.30"));
    t.SelectAll();
    t.Earliest();
    EXPECT_EQ(NewValue(t, 0), "2005.08.27 12:00:00");
    EXPECT_EQ(NewValue(t, 1), "2005.08.27 12:00:00");
    EXPECT_EQ(NewValue(t, 2), "");
}

TEST(ExifDateTable, EarliestLeavesRowsWithoutValuesAndUnselectedRows) {
    ExifDateTable t;
    t.AddRow(Row("a.jpg", "2006.01.01", "", "", ""));
    t.AddRow(Row("b.jpg", "2006.01.01", "2005.08.27 12:00:00", "", ""));
    t.AddRow(Row("c.jpg", "2006.01.01", "2005.08.27 12:00:00", "", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);
    t.SetSelected(1, false);
    t.SetSelected(2, false);
    t.SetSelected(2, true);
    t.ClearValues();
    EXPECT_EQ(NewValue(t, 1), "2005.08.27 12:00:00");
    EXPECT_EQ(NewValue(t, 2), "");
    t.Earliest();
    EXPECT_EQ(NewValue(t, 0), "");
    EXPECT_EQ(NewValue(t, 1), "2005.08.27 12:00:00");
    EXPECT_EQ(NewValue(t, 2), "2005.08.27 12:00:00");
}

TEST(ExifDateTable, CopiedUnconvertibleStampIsRefusedOnWrite) {
    TempDir dir;
    const std::string path = MakeFile(dir, "a.jpg", "2006.01.01 10:00:00");
    ExifDateTable t(dir.path());
    t.AddRow(Row("a.jpg", "2006.01.01 10:00:00", "1899.12.30", "", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);
    EXPECT_EQ(NewValue(t, 0), "1899.12.30");
    EXPECT_EQ(t.Write(true).written, 0);
    EXPECT_EQ(NewValue(t, 0), "1899.12.30");
    EXPECT_FALSE(t.changed());
    EXPECT_EQ(MtimeOnDisk(path),
              LocalDateTimeToUnix(ParseDateTimeText("2006.01.01 10:00:00").value()));
}

TEST(ExifDateTable, SelectWithoutValueSelectsExactlyTheEmptyRows) {
    ExifDateTable t;
    t.AddRow(Row("a.jpg", "2006.01.01", "2005.08.27 12:00:00", "", ""));
    t.AddRow(Row("b.jpg", "2006.01.01", "", "", ""));
    t.AddRow(Row("c.jpg", "2006.01.01", "2006.01.01", "", ""));
    t.SelectAll();
    t.Earliest();
    t.SelectWithoutValue();
    EXPECT_FALSE(t.row(0).selected);
    EXPECT_TRUE(t.row(1).selected);
    EXPECT_TRUE(t.row(2).selected);
}

TEST(ExifDateTable, RemoveFirstSelectedRemovesOnlyOneRow) {
    ExifDateTable t;
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        t.AddRow(Row(n, "2006.01.01", "", "", ""));
    t.SetSelected(1, true);
    t.SetSelected(2, true);
    t.SetSelected(3, true);
    EXPECT_TRUE(t.RemoveFirstSelected());
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t.row(0).name, "a.jpg");
    EXPECT_EQ(t.row(1).name, "c.jpg");
    EXPECT_EQ(t.row(2).name, "d.jpg");
    t.RemoveSelected();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t.row(0).name, "a.jpg");
    EXPECT_FALSE(t.RemoveFirstSelected());
    EXPECT_EQ(t.size(), 1u);
}

TEST(ExifDateTable, AdjustFromCurrentOrNewValue) {
    ExifDateTable t;
    t.AddRow(Row("a.jpg", "2005.08.27 10:00:00", "2005.08.27 12:00:00", "", ""));
    t.AddRow(Row("b.jpg", "2005.08.27 10:00:00", "", "", ""));
    t.AddRow(Row("c.jpg", "2005.08.27 10:00:00", "", "", ""));
    t.SetSelected(0, true);
    t.CopyExif(kExifModify);
    t.SetSelected(1, true);
    AdjustSettings s;
    s.unitIndex = kUnitHour;
    s.amount = -1;
    t.Adjust(kStartNewValue, s);
    EXPECT_EQ(NewValue(t, 0), "2005.08.27 11:00:00");
    EXPECT_EQ(NewValue(t, 1), "") << "an empty start column stays empty";
    t.Adjust(kStartCurrent, s);
    EXPECT_EQ(NewValue(t, 0), "2005.08.27 09:00:00");
    EXPECT_EQ(NewValue(t, 1), "2005.08.27 09:00:00");
    EXPECT_EQ(NewValue(t, 2), "") << "not selected";
}

TEST(ExifDateTable, AdjustByZeroClearsValuesEqualToCurrent) {
    ExifDateTable t;
    t.AddRow(Row("a.jpg", "2005.08.27 10:00:00", "", "", ""));
    t.SelectAll();
    AdjustSettings s;
    s.amount = 0;
    t.Adjust(kStartCurrent, s);
    EXPECT_EQ(NewValue(t, 0), "");
}

TEST(ExifDateTable, AdjustOutOfTheCalendarLeavesTheRow) {
    ExifDateTable t;
    t.AddRow(Row("a.jpg", "2005.08.27 10:00:00", "9999.12.31 23:00:00", "", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);
    AdjustSettings s;
    s.unitIndex = kUnitHour;
    s.amount = 2;
    t.Adjust(kStartNewValue, s);
    EXPECT_EQ(NewValue(t, 0), "9999.12.31 23:00:00");
}

TEST(ExifDateTable, WriteAndRemoveLeavesTheUnwrittenRow) {
    TempDir dir;
    const std::string a = MakeFile(dir, "a.jpg", "2006.01.01 10:00:00");
    const std::string b = MakeFile(dir, "b.jpg", "2006.01.01 10:00:00");
    const std::string c = MakeFile(dir, "c.jpg", "2006.01.01 10:00:00");
    ExifDateTable t(dir.path());
    t.AddRow(Row("a.jpg", "2006.01.01 10:00:00", "2005.08.27 12:00:00", "", ""));
    t.AddRow(Row("b.jpg", "2006.01.01 10:00:00", "2005.08.27 13:00:00", "", ""));
    t.AddRow(Row("c.jpg", "2006.01.01 10:00:00", "2005.08.27 14:00:00", "", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);

    // b.jpg is held open with a lock elsewhere, so it cannot be opened without sharing.
    const int fd = ::open(b.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    // Someone changed b.jpg meanwhile; the re-read must show it.
    SetMtime(b, LocalDateTimeToUnix(ParseDateTimeText("2007.02.02 08:00:00").value()));
    const auto result = t.Write(false);
    ::close(fd);

    EXPECT_EQ(result.written, 2);
    EXPECT_TRUE(t.changed());
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t.row(0).name, "b.jpg");
    EXPECT_EQ(NewValue(t, 0), "2005.08.27 13:00:00");
    EXPECT_EQ(t.row(0).current, "2007.02.02 08:00:00") << "current times are re-read";
    EXPECT_EQ(MtimeOnDisk(a),
              LocalDateTimeToUnix(ParseDateTimeText("2005.08.27 12:00:00").value()));
    EXPECT_EQ(MtimeOnDisk(c),
              LocalDateTimeToUnix(ParseDateTimeText("2005.08.27 14:00:00").value()));
}

TEST(ExifDateTable, WriteAndRemoveEveryRowEmptiesTheTable) {
    TempDir dir;
    MakeFile(dir, "a.jpg", "2006.01.01 10:00:00");
    MakeFile(dir, "b.jpg", "2006.01.01 10:00:00");
    ExifDateTable t(dir.path());
    t.AddRow(Row("a.jpg", "2006.01.01 10:00:00", "2005.08.27 12:00:00", "", ""));
    t.AddRow(Row("b.jpg", "2006.01.01 10:00:00", "2005.08.27 13:00:00", "", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);
    EXPECT_EQ(t.Write(false).written, 2);
    EXPECT_TRUE(t.empty());
    EXPECT_TRUE(t.changed());
}

TEST(ExifDateTable, WriteAndKeepWithoutValuesChangesNothing) {
    TempDir dir;
    const std::string a = MakeFile(dir, "a.jpg", "2006.01.01 10:00:00");
    ExifDateTable t(dir.path());
    t.AddRow(Row("a.jpg", "2006.01.01 10:00:00", "", "", ""));
    SetMtime(a, LocalDateTimeToUnix(ParseDateTimeText("2007.01.01").value()));
    EXPECT_EQ(t.Write(true).written, 0);
    EXPECT_FALSE(t.changed());
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t.row(0).current, "2006.01.01 10:00:00") << "not re-read without a write";
}

TEST(ExifDateTable, WriteKeepsRowsThatCannotBeWritten) {
    TempDir dir;
    MakeFile(dir, "ok.jpg", "2006.01.01 10:00:00");
    MakeFile(dir, "old.jpg", "2006.01.01 10:00:00");
    dir.mkdir("folder.jpg");
    ExifDateTable t(dir.path());
    t.AddRow(Row("gone.jpg", "2006.01.01 10:00:00", "2005.08.27 12:00:00", "", ""));
    t.AddRow(Row("old.jpg", "2006.01.01 10:00:00", "1979.12.31 23:59:58", "", ""));
    t.AddRow(Row("folder.jpg", "2006.01.01 10:00:00", "2005.08.27 12:00:00", "", ""));
    t.AddRow(Row("late.jpg", "2006.01.01 10:00:00", "2100.01.01", "", ""));
    t.AddRow(Row("ok.jpg", "2006.01.01 10:00:00", "2005.08.27 12:00:00", "", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);
    EXPECT_EQ(t.Write(true).written, 1);
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(NewValue(t, 0), "2005.08.27 12:00:00");
    EXPECT_EQ(NewValue(t, 1), "1979.12.31 23:59:58");
    EXPECT_EQ(NewValue(t, 2), "2005.08.27 12:00:00");
    EXPECT_EQ(NewValue(t, 3), "2100.01.01");
    EXPECT_EQ(NewValue(t, 4), "");
    EXPECT_EQ(t.row(4).current, "2005.08.27 12:00:00");
    EXPECT_EQ(t.row(1).current, "2006.01.01 10:00:00");
    EXPECT_EQ(t.row(0).current, "") << "a vanished file has no time to show";
}

TEST(ExifDateTable, OddSecondsAreWrittenAsTheEvenSecondBelow) {
    TempDir dir;
    const std::string a = MakeFile(dir, "a.jpg", "2006.01.01 10:00:00");
    ExifDateTable t(dir.path());
    t.AddRow(Row("a.jpg", "2006.01.01 10:00:00", "2005.08.27 10:00:05", "", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);
    EXPECT_EQ(t.Write(true).written, 1);
    EXPECT_EQ(t.row(0).current, "2005.08.27 10:00:04");
    EXPECT_EQ(NewValue(t, 0), "");
    EXPECT_EQ(MtimeOnDisk(a), Utc(2005, 8, 27, 8, 0, 4)) << "CEST is UTC+2";
}

struct ZoneCase {
    const char* zone;
    const char* local;
    std::time_t utc;
};

void PrintTo(const ZoneCase& c, std::ostream* os) {
    *os << c.zone << " " << c.local;
}

class WrittenTimeOnDisk : public ::testing::TestWithParam<ZoneCase> {};

TEST_P(WrittenTimeOnDisk, IsTheLocalTimeOfTheZone) {
    const auto& c = GetParam();
    ZoneScope zone(c.zone);
    TempDir dir;
    const std::string a = dir.write("a.jpg", "x");
    ExifDateTable t(dir.path());
    t.AddRow(Row("a.jpg", "2006.01.01 10:00:00", c.local, "", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);
    ASSERT_EQ(t.Write(true).written, 1);
    EXPECT_EQ(MtimeOnDisk(a), c.utc);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, WrittenTimeOnDisk,
    ::testing::Values(
        // Central Europe: winter UTC+1, summer UTC+2; 2005 switched on 27 March and 30 October.
        ZoneCase{"Europe/Prague", "2005.03.27 01:59:58", Utc(2005, 3, 27, 0, 59, 58)},
        ZoneCase{"Europe/Prague", "2005.03.27 03:00:00", Utc(2005, 3, 27, 1, 0, 0)},
        ZoneCase{"Europe/Prague", "2005.03.27 02:30:00", Utc(2005, 3, 27, 1, 30, 0)},
        ZoneCase{"Europe/Prague", "2005.10.30 01:59:59", Utc(2005, 10, 29, 23, 59, 58)},
        ZoneCase{"Europe/Prague", "2005.10.30 02:30:00", Utc(2005, 10, 30, 0, 30, 0)},
        ZoneCase{"Europe/Prague", "2005.10.30 03:30:00", Utc(2005, 10, 30, 2, 30, 0)},
        ZoneCase{"Europe/Prague", "1980.01.01", Utc(1979, 12, 31, 23, 0, 0)},
        ZoneCase{"Europe/Prague", "2099.12.31 23:59:59", Utc(2099, 12, 31, 22, 59, 58)},
        ZoneCase{"UTC", "2005.03.27 02:30:00", Utc(2005, 3, 27, 2, 30, 0)},
        // New York: UTC-5, daylight saving UTC-4 from 3 April 2005.
        ZoneCase{"America/New_York", "2005.04.02 12:00:00", Utc(2005, 4, 2, 17, 0, 0)},
        ZoneCase{"America/New_York", "2005.04.03 12:00:00", Utc(2005, 4, 3, 16, 0, 0)}));

struct SameAsStoredCase {
    const char* current;  // as the file keeps it (even seconds)
    const char* newValue; // what the row proposes
    bool cleared;
};

void PrintTo(const SameAsStoredCase& c, std::ostream* os) {
    *os << c.current << " <- " << c.newValue;
}

class StejnePrycRounding : public ::testing::TestWithParam<SameAsStoredCase> {};

TEST_P(StejnePrycRounding, ComparesAsTheWriteStoresTheTime) {
    const auto& c = GetParam();
    ExifDateTable t;
    t.AddRow(Row("a.jpg", c.current, c.newValue, "", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);
    EXPECT_EQ(NewValue(t, 0).empty(), c.cleared);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StejnePrycRounding,
    ::testing::Values(SameAsStoredCase{"2005.08.27 10:00:04", "2005.08.27 10:00:05", true},
                      SameAsStoredCase{"2005.08.27 10:00:04", "2005.08.27 10:00:04", true},
                      SameAsStoredCase{"2005.08.27 10:00:04", "2005.08.27 10:00:06", false},
                      SameAsStoredCase{"2005.08.27 10:00:04", "2005.08.27 10:00:03", false},
                      SameAsStoredCase{"2005.08.27", "2005.08.27 00:00:01", true},
                      SameAsStoredCase{"2005.08.27 23:59:58", "2005.08.27 23:59:59", true},
                      SameAsStoredCase{"", "2005.08.27 10:00:05", false}));

TEST(ExifDateTable, OddSecondWrittenOnceIsDoneTheSecondTime) {
    TempDir dir;
    MakeFile(dir, "a.jpg", "2006.01.01 10:00:00");
    for (int run = 0; run < 2; ++run) {
        ExifDateTable t(dir.path());
        t.AddRow(Row("a.jpg", run == 0 ? "2006.01.01 10:00:00" : "2005.08.27 10:00:04",
                     "2005.08.27 10:00:05", "", ""));
        t.SelectAll();
        t.Earliest();
        EXPECT_EQ(NewValue(t, 0).empty(), run == 1) << "run " << run;
        EXPECT_EQ(t.Write(true).written, run == 0 ? 1 : 0);
    }
}

struct WriteReasonCase {
    const char* what;
    const char* value;
    int kind; // 0 a file, 1 a folder, 2 a FIFO, 3 nothing
    const char* reason;
};

void PrintTo(const WriteReasonCase& c, std::ostream* os) {
    *os << c.what;
}

class WriteReasons : public ::testing::TestWithParam<WriteReasonCase> {};

TEST_P(WriteReasons, CheckAndWriteGiveTheSameReason) {
    const auto& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("a.jpg");
    if (c.kind == 0) {
        MakeFile(dir, "a.jpg", "2006.01.01 10:00:00");
    } else if (c.kind == 1) {
        dir.mkdir("a.jpg");
    } else if (c.kind == 2) {
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    }
    ExifDateTable t(dir.path());
    t.AddRow(Row("a.jpg", "2006.01.01 10:00:00", c.value, "", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);
    const bool fails = *c.reason != '\0';
    EXPECT_EQ(t.CheckWrites(), fails ? 1 : 0);
    EXPECT_EQ(t.row(0).reason, c.reason);
    if (c.kind == 0) {
        EXPECT_EQ(MtimeOnDisk(path), LocalDateTimeToUnix(*ParseDateTimeText("2006.01.01 10:00:00")))
            << "a check writes nothing";
    }
    EXPECT_EQ(t.Write(true).written, fails ? 0 : 1);
    EXPECT_EQ(t.row(0).reason, c.reason);
    EXPECT_EQ(NewValue(t, 0).empty(), !fails) << "a failed row keeps its value";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WriteReasons,
    ::testing::Values(WriteReasonCase{"ok", "2005.08.27 12:00:00", 0, ""},
                      WriteReasonCase{"before 1980", "1979.12.31 23:59:58", 0, "date before 1980"},
                      WriteReasonCase{"after 2099", "2100.01.01", 0, "date after 2099"},
                      WriteReasonCase{"not a date", "27.8.2005", 0, "not a date-time text"},
                      WriteReasonCase{"fifo", "2005.08.27 12:00:00", 2, "not a regular file"},
                      WriteReasonCase{"gone", "2005.08.27 12:00:00", 3,
                                      "No such file or directory"}));

TEST(ExifDateTable, AFolderIsNeverWritten) {
    TempDir dir;
    dir.mkdir("a.jpg");
    ExifDateTable t(dir.path());
    t.AddRow(Row("a.jpg", "2006.01.01 10:00:00", "2005.08.27 12:00:00", "", ""));
    t.SelectAll();
    t.CopyExif(kExifModify);
    EXPECT_EQ(t.Write(true).written, 0);
    EXPECT_FALSE(t.row(0).reason.empty());
}

} // namespace
} // namespace kivo
