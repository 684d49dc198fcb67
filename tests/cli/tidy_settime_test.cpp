// kivo-tidy settime on generated JPEG files with EXIF stamps.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/lib/tidy.h"
#include "platform/datetime.h"
#include "platform/file_system.h"
#include "support/container_fixtures.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using test::TempDir;

struct TidyRun {
    int status;
    std::string out, err;
    nlohmann::ordered_json rows() const { return nlohmann::ordered_json::parse(out); }
};

TidyRun Tidy(std::vector<std::string> args) {
    args.insert(args.begin(), "settime");
    std::ostringstream out, err;
    const int status = tidy::RunTidy(args, out, err);
    return {status, out.str(), err.str()};
}

// A JPEG whose EXIF holds the stamps given ("" leaves a stamp out), EXIF "YYYY:MM:DD hh:mm:ss".
test::Bytes Photo(const std::string& modified, const std::string& taken,
                  const std::string& digitized) {
    test::TiffBuilder t(false);
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
    t.Short(exif, 0xA002, {640});
    return test::JpegWithExif(t.Build());
}

TDateTime At(int y, int mo, int d, int h, int mi, int s) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s);
}

std::string Mtime(const std::string& path) {
    const std::optional<TDateTime> age = FileAge(path);
    return age ? DateTimeText(*age) : std::string("?");
}

class SetTimeTest : public ::testing::Test {
protected:
    // modified 2004.07.16 08:00:00, taken 2004.07.15 13:45:10, digitized 13:45:11
    std::string MakePhoto(const std::string& name,
                          const std::string& modified = "2004:07:16 08:00:00",
                          const std::string& taken = "2004:07:15 13:45:10",
                          const std::string& digitized = "2004:07:15 13:45:11") {
        const std::string p = tmp.write(name, Photo(modified, taken, digitized));
        EXPECT_EQ(SetFileModified(p, At(2010, 1, 1, 12, 0, 0)), SetTimeResult::Ok);
        return p;
    }
    TempDir tmp;
};

TEST_F(SetTimeTest, EarliestStampByDefault) {
    const std::string a = MakePhoto("a.jpg");
    const std::string b = MakePhoto("b.jpg", "2003:01:02 03:04:06", "", "2003:01:02 03:04:08");
    const TidyRun r = Tidy({"--json", a, b});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Mtime(a), "2004.07.15 13:45:10");
    EXPECT_EQ(Mtime(b), "2003.01.02 03:04:06");
    const auto rows = r.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["soubor"], "a.jpg");
    EXPECT_EQ(rows[0]["stávající"], "2004.07.15 13:45:10"); // re-read after writing
    EXPECT_EQ(rows[0]["úprava"], "2004.07.15 13:45:10");
    EXPECT_EQ(rows[0]["EXIF změna"], "2004.07.16 08:00:00");
    EXPECT_EQ(rows[0]["EXIF pořízení"], "2004.07.15 13:45:10");
    EXPECT_EQ(rows[0]["EXIF digitalizace"], "2004.07.15 13:45:11");
    EXPECT_EQ(rows[0]["stav"], "written");
    EXPECT_EQ(rows[1]["EXIF pořízení"], "");
    std::vector<std::string> keys;
    for (auto it = rows[0].begin(); it != rows[0].end(); ++it)
        keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"soubor", "stávající", "úprava", "EXIF změna",
                                              "EXIF pořízení", "EXIF digitalizace", "stav", "old",
                                              "new", "složka", "reason"}));
}

TEST_F(SetTimeTest, EqualTimesAndFilesWithoutStampsAreUnchanged) {
    const std::string a = MakePhoto("a.jpg");
    ASSERT_EQ(SetFileModified(a, At(2004, 7, 15, 13, 45, 10)), SetTimeResult::Ok);
    const std::string plain = tmp.write("plain.jpg", "no exif here");
    ASSERT_EQ(SetFileModified(plain, At(2011, 5, 6, 7, 8, 10)), SetTimeResult::Ok);
    const TidyRun r = Tidy({"--json", a, plain});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto rows = r.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["stav"], "unchanged");
    EXPECT_EQ(rows[0]["úprava"], "");
    EXPECT_EQ(rows[1]["stav"], "unchanged");
    EXPECT_EQ(Mtime(plain), "2011.05.06 07:08:10");
}

struct FromCase {
    const char* from;
    const char* expected; // mtime afterwards; the start is 2010.01.01 12:00:00
};
class SetTimeFrom : public SetTimeTest, public ::testing::WithParamInterface<FromCase> {};

TEST_P(SetTimeFrom, PicksTheStampOfItsButton) {
    const std::string a =
        MakePhoto("a.jpg", "2004:07:16 08:00:00", "2004:07:15 13:45:10", "2004:07:14 13:45:12");
    const TidyRun r = Tidy({"--from", GetParam().from, a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Mtime(a), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Stamps, SetTimeFrom,
                         ::testing::Values(FromCase{"modify", "2004.07.16 08:00:00"},
                                           FromCase{"taken", "2004.07.15 13:45:10"},
                                           FromCase{"DIGITIZED", "2004.07.14 13:45:12"},
                                           FromCase{"earliest", "2004.07.14 13:45:12"}));

TEST_F(SetTimeTest, MissingStampLeavesTheFileAlone) {
    const std::string a = MakePhoto("a.jpg", "2004:07:16 08:00:00", "", "2004:07:14 13:45:12");
    const TidyRun r = Tidy({"--from", "taken", "--json", a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.rows()[0]["stav"], "unchanged");
    EXPECT_EQ(Mtime(a), "2010.01.01 12:00:00");
}

struct ShiftCase {
    std::vector<std::string> args;
    const char* expected;
};
class SetTimeShift : public SetTimeTest, public ::testing::WithParamInterface<ShiftCase> {};

TEST_P(SetTimeShift, AdjustsTheStart) {
    // earliest stamp 2005.01.31 10:00:00; current time 2010.01.01 12:00:00
    const std::string a = MakePhoto("a.jpg", "2005:02:01 00:00:00", "2005:01:31 10:00:00", "");
    std::vector<std::string> args = GetParam().args;
    args.push_back(a);
    const TidyRun r = Tidy(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Mtime(a), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SetTimeShift,
    ::testing::Values(
        ShiftCase{{"--shift", "1", "měsíc"}, "2005.03.01 10:00:00"},
        ShiftCase{{"--shift", "1", "MONTH"}, "2005.03.01 10:00:00"},
        ShiftCase{{"--shift", "-14", "month"}, "2003.12.01 10:00:00"}, // no 31 November
        ShiftCase{{"--shift", "-1", "hodina"}, "2005.01.31 09:00:00"},
        ShiftCase{{"--shift=-30", "den"}, "2005.01.01 10:00:00"},
        ShiftCase{{"--shift", "+1", "year"}, "2006.01.31 10:00:00"},
        ShiftCase{{"--shift", "-20", "minuta"}, "2005.01.31 09:40:00"},
        ShiftCase{{"--shift", "7", "sekunda"}, "2005.01.31 10:00:06"}, // odd second goes down
        ShiftCase{{"--date", "2006.01.01"}, "2006.01.01 10:00:00"},
        ShiftCase{{"--time", "07:05"}, "2005.01.31 07:05:00"},
        ShiftCase{{"--date", "2006.01.01", "--time", "07:05"}, "2006.01.01 07:05:00"},
        ShiftCase{{"--from", "modify", "--shift", "1", "den"}, "2005.02.02"},
        ShiftCase{{"--from", "current", "--shift", "1", "den"}, "2010.01.02 12:00:00"},
        ShiftCase{{"--from", "current", "--time", "06:00"}, "2010.01.01 06:00:00"}));

TEST_F(SetTimeTest, StartEqualToTheCurrentTimeIsStillAdjusted) {
    const std::string a = MakePhoto("a.jpg");
    ASSERT_EQ(SetFileModified(a, At(2004, 7, 15, 13, 45, 10)), SetTimeResult::Ok);
    const TidyRun r = Tidy({"--shift", "1", "hodina", a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Mtime(a), "2004.07.15 14:45:10");
}

TEST_F(SetTimeTest, AdjustmentBackToTheCurrentTimeIsDropped) {
    const std::string a = MakePhoto("a.jpg");
    ASSERT_EQ(SetFileModified(a, At(2004, 7, 15, 14, 45, 10)), SetTimeResult::Ok);
    const TidyRun r = Tidy({"--json", "--shift", "1", "hour", a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.rows()[0]["stav"], "unchanged");
}

TEST_F(SetTimeTest, UnwritableYearFailsTheRow) {
    const std::string a = MakePhoto("a.jpg");
    const std::string b = MakePhoto("b.jpg");
    const TidyRun r = Tidy({"--json", "--date", "1975.05.05", a, b});
    EXPECT_EQ(r.status, 1);
    const auto rows = r.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["stav"], "failed");
    EXPECT_EQ(rows[0]["úprava"], "1975.05.05 13:45:10");
    EXPECT_NE(r.err.find("not written: " + a), std::string::npos);
    EXPECT_EQ(Mtime(a), "2010.01.01 12:00:00");
}

TEST_F(SetTimeTest, CorrectionOutsideTheCalendarFailsInsteadOfWritingTheStart) {
    const std::string a = MakePhoto("a.jpg");
    const TidyRun r = Tidy({"--json", "--shift", "100000", "rok", a});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.rows()[0]["stav"], "failed");
    EXPECT_EQ(Mtime(a), "2010.01.01 12:00:00");
}

TEST_F(SetTimeTest, DryRunWritesNothing) {
    const std::string a = MakePhoto("a.jpg");
    const TidyRun r = Tidy({"--dry-run", "--json", a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Mtime(a), "2010.01.01 12:00:00");
    EXPECT_EQ(r.rows()[0]["úprava"], "2004.07.15 13:45:10");
    EXPECT_EQ(r.rows()[0]["stav"], "");
}

TEST_F(SetTimeTest, ManyFilesGiveTheRowsOfEachFileAlone) {
    // Enough files to be read on several threads where the machine has the cores.
    std::vector<std::string> args = {"--dry-run", "--json", "--shift", "-25", "year"};
    for (int i = 0; i < 90; ++i) {
        const std::string n = std::to_string(i);
        if (i % 5 == 4)
            args.push_back(MakePhoto(n + ".jpg", "", "", ""));
        else if (i % 5 == 3)
            args.push_back(tmp.write(n + ".txt", "not a photo"));
        else // the corrections of 2004 fail, those of 2024 do not
            args.push_back(
                MakePhoto(n + ".jpg", (i % 2 ? "2004" : "2024") + std::string(":07:16 08:00:00")));
    }
    const TidyRun all = Tidy(args);
    EXPECT_EQ(all.status, 1);
    const auto rows = all.rows();
    ASSERT_EQ(rows.size(), 90u);
    std::string errors;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::vector<std::string> one(args.begin(), args.begin() + 5);
        one.push_back(args[5 + i]);
        const TidyRun alone = Tidy(one);
        EXPECT_EQ(rows[i], alone.rows()[0]) << args[5 + i];
        errors += alone.err;
    }
    EXPECT_EQ(all.err, errors);
}

TEST_F(SetTimeTest, NamedFileThatIsMissingFails) {
    const std::string a = MakePhoto("a.jpg");
    const TidyRun r = Tidy({a, tmp.file("gone.jpg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a file: " + tmp.file("gone.jpg")), std::string::npos);
    EXPECT_EQ(Mtime(a), "2004.07.15 13:45:10");
}

TEST_F(SetTimeTest, DryRunFindsFilesAndTheirLocksWhereItReadsThem) {
    const std::string sub = tmp.mkdir("sub");
    const std::string b = MakePhoto("sub/b.jpg");
    const std::string a = MakePhoto("a.jpg");
    const std::string locked = MakePhoto("locked.jpg");
    const int holder = ::open(locked.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    // The first name of this folder is missing: the rows still follow the first files.
    const std::string gone = tmp.file("gone.jpg");
    const TidyRun r = Tidy({"--dry-run", "--json", gone, b, a, sub, locked, gone});
    ::close(holder);
    EXPECT_EQ(r.status, 1);
    const auto rows = r.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["soubor"], "b.jpg");
    EXPECT_EQ(rows[1]["soubor"], "a.jpg");
    EXPECT_EQ(rows[2]["reason"], "in use by another program");
    EXPECT_EQ(r.err, "kivo-tidy settime: not a file: " + gone + "\n" +
                         "kivo-tidy settime: not a file: " + sub + "\n" +
                         "kivo-tidy settime: not a file: " + gone + "\n" +
                         "kivo-tidy settime: would not write " + locked +
                         ": in use by another program\n");
}

TEST_F(SetTimeTest, UsageErrors) {
    const std::string a = MakePhoto("a.jpg");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"--from", "yesterday", a},
             {"--from", "current", a},
             {"--shift", "1", a},
             {"--shift", "x", "den", a},
             {"--shift", "1", "week", a},
             {"--shift", "1", "den", "--date", "2006.01.01", a},
             {"--date", "2006-01-01", a},
             {"--date", "2006.02.30", a},
             {"--time", "24:00", a},
             {"--time", "12:60", a},
             {"--time", "7:05", a},
             {"--json=1", a},
         }) {
        const TidyRun r = Tidy(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
    }
    EXPECT_EQ(Mtime(a), "2010.01.01 12:00:00");
}

// EXIF 2.31: a stamp with its offset counts as the instant it names, when asked for.
TEST_F(SetTimeTest, UseOffsetTakesTheExactInstant) {
    test::TiffBuilder t(false);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd();
    t.Ascii(ifd0, 0x0132, "2021:04:11 16:00:00"); // no OffsetTime: stays as stored
    t.Link(ifd0, 0x8769, exif);
    t.Ascii(exif, 0x9003, "2021:04:11 15:47:53");
    t.Ascii(exif, 0x9011, "-05:00");
    const std::string p = tmp.write("phone.heic", test::HeifFile(t.Build()));
    const TidyRun plain = Tidy({"--json", "--dry-run", "--from", "taken", p});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.rows()[0]["úprava"], "2021.04.11 15:47:53");
    // 20:47:53 UTC is 22:47:53 in Prague (summer time), the tests' time zone.
    const TidyRun exact = Tidy({"--json", "--use-offset", p});
    ASSERT_EQ(exact.status, 0) << exact.err;
    EXPECT_EQ(exact.rows()[0]["EXIF pořízení"], "2021.04.11 22:47:53");
    EXPECT_EQ(exact.rows()[0]["EXIF změna"], "2021.04.11 16:00:00");
    EXPECT_EQ(Mtime(p), "2021.04.11 16:00:00"); // the earliest of the two
}

TEST_F(SetTimeTest, XmpFallbackFillsAMissingTakenStamp) {
    const std::string p = MakePhoto("a.nef", "2004:07:16 08:00:00", "", "");
    tmp.write("a.xmp", "<x exif:DateTimeOriginal=\"2003-02-01T10:11:12+01:00\"/>");
    const TidyRun plain = Tidy({"--json", "--dry-run", "--from", "taken", p});
    EXPECT_EQ(plain.rows()[0]["EXIF pořízení"], "");
    const TidyRun r = Tidy({"--json", "--xmp-fallback", "--from", "taken", p});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.rows()[0]["EXIF pořízení"], "2003.02.01 10:11:12");
    EXPECT_EQ(Mtime(p), "2003.02.01 10:11:12");
}

} // namespace
} // namespace kivo
