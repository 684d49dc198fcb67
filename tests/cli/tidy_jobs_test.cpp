// kivo-tidy run twice, dry runs against real runs, swaps, interrupted renames, failure
// reasons, help and one-row-per-line text, on folders built by the tests.

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/lib/tidy.h"
#include "cli/lib/tidy_common.h"
#include "photoops/naming.h"
#include "photoops/rename_table.h"
#include "platform/datetime.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace kivo {
namespace {

using test::ReadWholeFile;
using test::TempDir;

struct TidyRun {
    int status;
    std::string out, err;
    nlohmann::json rows() const { return nlohmann::json::parse(out); }
};

TidyRun Tidy(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = tidy::RunTidy(args, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class TidyJobs : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KIVO_DATA_DIR", tmp.mkdir("data").c_str(), 1);
        folder = tmp.mkdir("f");
    }
    void TearDown() override { ::unsetenv("KIVO_DATA_DIR"); }

    // A file with contents = its name and the given local time.
    std::string Make(const std::string& name, int hour, int second = 0) {
        const std::string p = tmp.write("f/" + name, name);
        EXPECT_EQ(SetFileModified(p, EncodeDate(2006, 5, 4) + EncodeTime(hour, 0, second)),
                  SetTimeResult::Ok);
        return p;
    }
    std::vector<std::string> Rename(std::vector<std::string> files,
                                    std::vector<std::string> options) {
        std::vector<std::string> args{"rename", "--json", "--format", "4"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), files.begin(), files.end());
        return args;
    }

    TempDir tmp;
    std::string folder;
};

TEST_F(TidyJobs, RenameTwiceTheSecondRunIsUnchangedAndExitsZero) {
    const std::string a = Make("b.jpg", 8), b = Make("a.jpg", 9);
    TidyRun r = Tidy(Rename({a, b}, {}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"01.jpg", "02.jpg"}));
    r = Tidy(Rename({folder + "/01.jpg", folder + "/02.jpg"}, {}));
    EXPECT_EQ(r.status, 0) << r.err;
    for (const auto& row : r.rows()) {
        EXPECT_EQ(row["stav"], "unchanged");
        EXPECT_EQ(row["reason"], "");
    }
    EXPECT_EQ(ReadWholeFile(folder + "/01.jpg"), "b.jpg");
}

TEST_F(TidyJobs, DryRunNamesTheRowsTheRealRunFailsOn) {
    const std::vector<std::string> files{Make("a.jpg", 8), Make("b.jpg", 9), Make("c.jpg", 10),
                                         Make("d.jpg", 11)};
    tmp.write("f/02.jpg", "outsider");                         // b's new name, outside the batch
    ASSERT_EQ(::mkdir((folder + "/04.jpg").c_str(), 0755), 0); // d's new name, a folder
    const TidyRun dry = Tidy(Rename(files, {"--dry-run"}));
    EXPECT_EQ(dry.status, 1);
    EXPECT_NE(dry.err.find("would not rename " + fs::canonical(folder).string() +
                           "/b.jpg: target exists"),
              std::string::npos)
        << dry.err;
    const auto before = Names(folder);
    const TidyRun real = Tidy(Rename(files, {}));
    EXPECT_EQ(real.status, 1);
    const auto dryRows = dry.rows(), realRows = real.rows();
    ASSERT_EQ(dryRows.size(), 4u);
    ASSERT_EQ(realRows.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(dryRows[i]["reason"], realRows[i]["reason"]) << i;
        EXPECT_EQ(dryRows[i]["stav"] == "chyba", realRows[i]["stav"] == "chyba") << i;
    }
    EXPECT_EQ(realRows[1]["reason"], "target exists");
    EXPECT_EQ(realRows[3]["reason"], "target exists");
    EXPECT_EQ(realRows[0]["stav"], "OK");
    EXPECT_EQ(dryRows[0]["stav"], "");
    EXPECT_NE(before, Names(folder));
    EXPECT_EQ(ReadWholeFile(folder + "/02.jpg"), "outsider");
    EXPECT_EQ(ReadWholeFile(folder + "/b.jpg"), "b.jpg");
    EXPECT_EQ(ReadWholeFile(folder + "/03.jpg"), "c.jpg");
}

TEST_F(TidyJobs, DryRunOfAGoodBatchExitsZero) {
    const std::vector<std::string> files{Make("a.jpg", 8), Make("b.jpg", 9)};
    const TidyRun dry = Tidy(Rename(files, {"--dry-run"}));
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

TEST_F(TidyJobs, SwapBatchCompletes) {
    // Renumbering by date: 02.jpg is older than 01.jpg.
    const std::vector<std::string> files{Make("01.jpg", 9), Make("02.jpg", 8)};
    const TidyRun r = Tidy(Rename(files, {}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadWholeFile(folder + "/01.jpg"), "02.jpg");
    EXPECT_EQ(ReadWholeFile(folder + "/02.jpg"), "01.jpg");
    EXPECT_EQ(Names(folder).size(), 2u);
}

TEST_F(TidyJobs, KilledBetweenThePhasesTheNextRunPutsBackAndRenames) {
    const std::vector<std::string> files{Make("01.jpg", 9), Make("02.jpg", 8)};
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RenameTable table(folder);
        table.Fill({"01.jpg", "02.jpg"});
        table.SeradDleDC();
        table.NastavNazev(kFormatRunning2);
        table.BeginRenames();
        ::_exit(0); // killed before the second phase
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const auto between = Names(folder);
    ASSERT_EQ(between.size(), 2u);
    for (const std::string& name : between)
        EXPECT_EQ(name.rfind(".kivo~" + std::to_string(child) + "~", 0), 0u) << name;

    const TidyRun r = Tidy(Rename(files, {}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("put back"), std::string::npos);
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"01.jpg", "02.jpg"}));
    EXPECT_EQ(ReadWholeFile(folder + "/01.jpg"), "02.jpg");
    EXPECT_EQ(ReadWholeFile(folder + "/02.jpg"), "01.jpg");
}

TEST_F(TidyJobs, NotARegularFileIsTheReason) {
    const std::string a = Make("a.jpg", 8);
    const std::string pipe = folder + "/b.jpg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const TidyRun r = Tidy(Rename({a, pipe}, {}));
    EXPECT_EQ(r.status, 1);
    const auto rows = r.rows();
    ASSERT_EQ(rows.size(), 2u);
    const auto& fifoRow = rows[0]["název-stávající"] == "b.jpg" ? rows[0] : rows[1];
    EXPECT_EQ(fifoRow["reason"], "not a regular file");
    EXPECT_EQ(fifoRow["stav"], "chyba");

    const TidyRun s = Tidy({"settime", "--json", "--from", "current", "--shift", "1", "den", pipe});
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.rows()[0]["reason"], "not a regular file");
    EXPECT_EQ(s.rows()[0]["stav"], "failed");
}

TEST_F(TidyJobs, SetTimeReasonsOldAndNewAndTheDryRunPredicts) {
    const std::string a = Make("a.jpg", 8, 0);
    const std::string b = Make("b.jpg", 9, 0);
    const TidyRun dry =
        Tidy({"settime", "--json", "--dry-run", "--from", "current", "--date", "1979.12.31", a});
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(dry.rows()[0]["reason"], "date before 1980");
    EXPECT_NE(dry.err.find("would not write"), std::string::npos);
    const TidyRun real =
        Tidy({"settime", "--json", "--from", "current", "--date", "1979.12.31", a});
    EXPECT_EQ(real.status, 1);
    EXPECT_EQ(real.rows()[0]["reason"], "date before 1980");

    const TidyRun ok =
        Tidy({"settime", "--json", "--from", "current", "--shift", "7", "sekunda", b});
    EXPECT_EQ(ok.status, 0) << ok.err;
    const auto row = ok.rows()[0];
    EXPECT_EQ(row["stav"], "written");
    EXPECT_EQ(row["old"], "2006.05.04 09:00:00");
    EXPECT_EQ(row["new"], "2006.05.04 09:00:06") << "odd seconds go down";
    EXPECT_EQ(row["reason"], "");
}

TEST_F(TidyJobs, SetTimeOnAnOddSecondIsUnchangedTheSecondTime) {
    const std::string a = Make("a.jpg", 8, 0);
    const TidyRun first =
        Tidy({"settime", "--json", "--from", "current", "--shift", "7", "sekunda", a});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.rows()[0]["stav"], "written");
    // 08:00:06 + 1 s = 08:00:07, which the file would keep as the 08:00:06 it has.
    const TidyRun again =
        Tidy({"settime", "--json", "--from", "current", "--shift", "1", "sekunda", a});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.rows()[0]["stav"], "unchanged") << "08:00:07 is stored as 08:00:06";
}

TEST_F(TidyJobs, ShortHelpForEveryCommand) {
    for (const char* command : {"rename", "settime", "gather"}) {
        const TidyRun r = Tidy({command, "-h"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find(std::string("Usage: kivo-tidy ") + command), std::string::npos);
        EXPECT_TRUE(r.err.empty());
    }
    // After "--" it is a file name again.
    const TidyRun r = Tidy({"rename", "--format", "4", "--", "-h"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a file: -h"), std::string::npos);
}

struct EscapeCase {
    std::string raw;
    std::string shown;
};

class LineEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(LineEscape, KeepsOneRowPerLine) {
    EXPECT_EQ(tidy::EscapeForLine(GetParam().raw), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Names, LineEscape,
    ::testing::Values(EscapeCase{"plain.jpg", "plain.jpg"}, EscapeCase{"a\nb.jpg", "a\\nb.jpg"},
                      EscapeCase{"a\tb.jpg", "a\\tb.jpg"}, EscapeCase{"a\\b", "a\\\\b"},
                      EscapeCase{"cr\r", "cr\\r"}, EscapeCase{std::string("\x01z", 2), "\\001z"},
                      EscapeCase{"del\x7f", "del\\177"}, EscapeCase{"čeština.jpg", "čeština.jpg"}));

TEST_F(TidyJobs, NewlineInANameDoesNotBreakTheTextOutput) {
    const std::string odd = Make("a\nb.jpg", 8);
    const std::string tab = Make("c\td.jpg", 9);
    const TidyRun r = Tidy({"rename", "--dry-run", "--format", "4", odd, tab});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out;
    EXPECT_NE(r.out.find("a\\nb.jpg"), std::string::npos);
    EXPECT_NE(r.out.find("c\\td.jpg"), std::string::npos);
    EXPECT_EQ(r.out.find('\t'), std::string::npos);
    // JSON keeps the real name.
    const TidyRun j = Tidy({"rename", "--dry-run", "--json", "--format", "4", odd});
    EXPECT_EQ(j.rows()[0]["název-stávající"], "a\nb.jpg");
}

TEST_F(TidyJobs, TextShowsTheReasonColumnOnlyWhenARowFails) {
    const std::string a = Make("a.jpg", 8);
    TidyRun r = Tidy({"rename", "--dry-run", "--format", "4", a});
    EXPECT_EQ(r.out.find("reason"), std::string::npos);
    tmp.write("f/01.jpg", "taken");
    r = Tidy({"rename", "--dry-run", "--format", "4", a});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("reason"), std::string::npos);
    EXPECT_NE(r.out.find("target exists"), std::string::npos);
}

} // namespace
} // namespace kivo
