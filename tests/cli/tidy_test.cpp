// kivo-tidy rename and gather, and what the commands share, driven through RunTidy on
// generated folders; one case runs the built executable for its exit statuses.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/lib/tidy.h"
#include "cli/lib/tidy_common.h"
#include "platform/datetime.h"
#include "platform/exe_folder.h"
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
};

TidyRun Tidy(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = tidy::RunTidy(args, out, err);
    return {status, out.str(), err.str()};
}

void SetTime(const std::string& path, int y, int mo, int d, int h, int mi, int s) {
    ASSERT_EQ(SetFileModified(path, EncodeDate(y, mo, d) + EncodeTime(h, mi, s)),
              SetTimeResult::Ok);
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Every test gets its own data folder, so the saved settings are its own.
class TidyTest : public ::testing::Test {
protected:
    void SetUp() override {
        data = tmp.mkdir("data");
        ::setenv("KIVO_DATA_DIR", data.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("KIVO_DATA_DIR"); }

    // The three files of the naming example: two on 27 August, one at midnight next day.
    std::string MakeExampleFolder(const std::string& name = "f") {
        const std::string a = tmp.write(name + "/IMG_0001.JPG", "1");
        const std::string b = tmp.write(name + "/IMG_0002.JPG", "2");
        const std::string c = tmp.write(name + "/img_0003.jpeg", "3");
        SetTime(a, 2005, 8, 27, 10, 15, 32);
        SetTime(b, 2005, 8, 27, 9, 3, 10);
        SetTime(c, 2005, 8, 28, 0, 0, 0);
        return tmp.file(name);
    }

    TempDir tmp;
    std::string data;
};

// ---- rename ----

struct FormatCase {
    std::string format;
    std::vector<std::string> names; // for IMG_0002.JPG, IMG_0001.JPG, img_0003.jpeg
};

class RenameFormats : public TidyTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(RenameFormats, NamesAndRenamesInDateOrder) {
    const std::string f = MakeExampleFolder();
    const TidyRun r = Tidy({"rename", "--format", GetParam().format, f + "/IMG_0001.JPG",
                            f + "/IMG_0002.JPG", f + "/img_0003.jpeg"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto& n = GetParam().names;
    std::vector<std::string> expected = n;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(f), expected);
    EXPECT_EQ(ReadWholeFile(f + "/" + n[0]), "2");
    EXPECT_EQ(ReadWholeFile(f + "/" + n[1]), "1");
    EXPECT_EQ(ReadWholeFile(f + "/" + n[2]), "3");
    EXPECT_NE(r.out.find("2005.08.28           img_0003.jpeg    " + n[2]), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Example, RenameFormats,
    ::testing::Values(
        FormatCase{"1", {"2005_08_27_01.JPG", "2005_08_27_02.JPG", "2005_08_28_01.jpeg"}},
        FormatCase{"YYYY_MM_DD_###",
                   {"2005_08_27_001.JPG", "2005_08_27_002.JPG", "2005_08_28_001.jpeg"}},
        FormatCase{"yyyy_mm_dd_####",
                   {"2005_08_27_0001.JPG", "2005_08_27_0002.JPG", "2005_08_28_0001.jpeg"}},
        FormatCase{"4", {"01.JPG", "02.JPG", "03.jpeg"}},
        FormatCase{"####", {"0001.JPG", "0002.JPG", "0003.jpeg"}}));

TEST_F(TidyTest, RenameTakesRawAndHeicAndMovesTheGroupAsOne) {
    for (const char* name : {"f/a.jpg", "f/a.NEF", "f/a.xmp", "f/p.HEIC", "f/x.dng"}) {
        const std::string p = tmp.write(name, name);
        SetTime(p, 2021, 4, 11, 15, 47, 53);
    }
    const std::string f = tmp.file("f");
    const TidyRun r = Tidy({"rename", "--format", "4", f + "/a.jpg", f + "/p.HEIC"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Names(f),
              (std::vector<std::string>{"01.NEF", "01.jpg", "01.xmp", "02.HEIC", "x.dng"}));
    EXPECT_EQ(ReadWholeFile(f + "/01.NEF"), "f/a.NEF");
    // A clash of the twin's new name fails the whole group.
    tmp.write("f/03.nef", "taken");
    const std::string b = tmp.write("f/b.jpg", "b");
    tmp.write("f/b.nef", "b raw");
    const TidyRun clash = Tidy({"rename", "--format", "4", f + "/01.jpg", f + "/02.HEIC", b});
    EXPECT_EQ(clash.status, 1);
    EXPECT_TRUE(fs::exists(b));
    EXPECT_TRUE(fs::exists(f + "/b.nef"));
    EXPECT_EQ(ReadWholeFile(f + "/03.nef"), "taken");
}

TEST_F(TidyTest, RenameTableText) {
    const std::string f = MakeExampleFolder();
    const TidyRun r = Tidy({"rename", "--format", "4", f + "/img_0003.jpeg", f + "/IMG_0001.JPG",
                            f + "/IMG_0002.JPG"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string folder = fs::canonical(f).string();
    const std::string s2(2, ' '), s4(4, ' ');
    EXPECT_EQ(r.out, "datum a čas" + std::string(10, ' ') + "název-stávající" + s2 +
                         "název-úprava" + s2 + "stav" + s2 + "složka\n" + "2005.08.27 09:03:10" +
                         s2 + "IMG_0002.JPG" + std::string(5, ' ') + "01.JPG" +
                         std::string(8, ' ') + "OK" + s4 + folder + "\n" + "2005.08.27 10:15:32" +
                         s2 + "IMG_0001.JPG" + std::string(5, ' ') + "02.JPG" +
                         std::string(8, ' ') + "OK" + s4 + folder + "\n" + "2005.08.28" +
                         std::string(11, ' ') + "img_0003.jpeg" + s4 + "03.jpeg" +
                         std::string(7, ' ') + "OK" + s4 + folder + "\n");
}

TEST_F(TidyTest, RenameDryRunChangesNothing) {
    const std::string f = MakeExampleFolder();
    const auto before = Names(f);
    const TidyRun r = Tidy(
        {"rename", "--dry-run", "--json", "--format=4", f + "/IMG_0001.JPG", f + "/IMG_0002.JPG"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Names(f), before);
    const auto rows = nlohmann::json::parse(r.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["název-stávající"], "IMG_0002.JPG");
    EXPECT_EQ(rows[0]["název-úprava"], "01.JPG");
    EXPECT_EQ(rows[0]["stav"], "");
    EXPECT_EQ(rows[1]["název-úprava"], "02.JPG");
}

TEST_F(TidyTest, RenameFailedRowGivesStatusOne) {
    const std::string f = MakeExampleFolder();
    tmp.write("f/02.JPG", "not listed");
    const TidyRun r = Tidy({"rename", "--format", "4", "--json", f + "/IMG_0001.JPG",
                            f + "/IMG_0002.JPG", f + "/img_0003.jpeg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Počet nepřejmenovaných souborů: 1"), std::string::npos);
    const auto rows = nlohmann::json::parse(r.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["stav"], "OK");
    EXPECT_EQ(rows[1]["stav"], "chyba");
    EXPECT_EQ(rows[2]["stav"], "OK");
    EXPECT_EQ(ReadWholeFile(f + "/02.JPG"), "not listed");
    EXPECT_EQ(ReadWholeFile(f + "/IMG_0001.JPG"), "1");
    // Column order of the dialog, then the folder.
    const auto ordered = nlohmann::ordered_json::parse(r.out);
    std::vector<std::string> keys;
    for (auto it = ordered[0].begin(); it != ordered[0].end(); ++it)
        keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"datum a čas", "název-stávající", "název-úprava",
                                              "stav", "složka", "reason"}));
    EXPECT_EQ(rows[1]["reason"], "target exists");
    EXPECT_EQ(rows[0]["reason"], "");
}

TEST_F(TidyTest, RenameUsesTheSavedFormatAndLeavesItAlone) {
    const std::string f = MakeExampleFolder();
    const std::string ini = data + "/kivo.ini";
    { std::ofstream(ini) << "[Nastaveni]\r\nTyp=5\r\n"; }
    const TidyRun r = Tidy({"rename", f + "/IMG_0002.JPG", f + "/img_0003.jpeg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(FileExists(f + "/001.JPG"));
    EXPECT_TRUE(FileExists(f + "/002.jpeg"));
    EXPECT_EQ(ReadWholeFile(ini), "[Nastaveni]\r\nTyp=5\r\n");
}

TEST_F(TidyTest, RenameOutOfRangeSavedFormatIsAUsageError) {
    const std::string f = MakeExampleFolder();
    { std::ofstream(data + "/kivo.ini") << "[Nastaveni]\nTyp=9\n"; }
    const TidyRun r = Tidy({"rename", f + "/IMG_0002.JPG"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--format"), std::string::npos);
    EXPECT_TRUE(FileExists(f + "/IMG_0002.JPG"));
}

TEST_F(TidyTest, RenameBatchesPerFolderAndReportsNonFiles) {
    const std::string f = MakeExampleFolder("f");
    const std::string g = MakeExampleFolder("g");
    tmp.mkdir("f/sub");
    const TidyRun r =
        Tidy({"rename", "--format", "##", "--json", f + "/IMG_0001.JPG", g + "/img_0003.jpeg",
              f + "/./IMG_0002.JPG", f + "/sub", f + "/gone.jpg", f + "/IMG_0001.JPG"});
    EXPECT_EQ(r.status, 1); // the folder and the missing name
    EXPECT_NE(r.err.find("not a file: " + f + "/sub"), std::string::npos);
    EXPECT_NE(r.err.find("not a file: " + f + "/gone.jpg"), std::string::npos);
    const auto rows = nlohmann::json::parse(r.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["složka"], fs::canonical(f).string());
    EXPECT_EQ(rows[0]["název-úprava"], "01.JPG");
    EXPECT_EQ(rows[1]["název-úprava"], "02.JPG");
    EXPECT_EQ(rows[2]["složka"], fs::canonical(g).string());
    EXPECT_EQ(rows[2]["název-úprava"], "01.jpeg");
    EXPECT_TRUE(FileExists(g + "/01.jpeg"));
}

TEST_F(TidyTest, UsageErrorsGiveStatusTwo) {
    const std::string f = MakeExampleFolder();
    const std::string file = f + "/IMG_0001.JPG";
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"rename"},
             {"rename", "--format", "7", file},
             {"rename", "--format", "YYYY", file},
             {"rename", "--format"},
             {"rename", "--bogus", file},
             {"rename", "--dry-run=yes", file},
             {"gather"},
             {"gather", "a", "b", "c"},
             {"gather", "--report-dir"},
         }) {
        const TidyRun r = Tidy(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_TRUE(FileExists(file));
}

TEST_F(TidyTest, HelpForEveryCommand) {
    for (const char* command : {"rename", "settime", "gather"}) {
        const TidyRun r = Tidy({command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find(std::string("kivo-tidy ") + command), std::string::npos);
    }
    EXPECT_EQ(Tidy({"--help"}).status, 0);
}

TEST_F(TidyTest, DoubleDashEndsOptions) {
    const std::string f = tmp.mkdir("d");
    const std::string odd = tmp.write("d/--json", "x");
    SetTime(odd, 2005, 1, 2, 3, 4, 6);
    const std::string cwd = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(f));
    const TidyRun r = Tidy({"rename", "--format", "4", "--", "--json"});
    SetCurrentDir(cwd);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(FileExists(f + "/01"));
}

// ---- gather ----

TEST_F(TidyTest, GatherMovesAndWritesBothReports) {
    tmp.write("A/a.jpg", "a");
    tmp.write("A/b.JPEG", "b");
    tmp.write("A/B/c.jpg", "c");
    const std::string src = tmp.file("A"), dest = tmp.mkdir("D"), reports = tmp.file("rep");
    const TidyRun r = Tidy({"gather", "--subfolders", "--report-dir", reports, src, dest});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadWholeFile(reports + "/struktur.txt"), src + "\r\n" + src + "/B\r\n");
    EXPECT_EQ(ReadWholeFile(reports + "/soubory.txt"),
              src + "/a.jpg\r\n" + src + "/b.JPEG\r\n" + src + "/B/c.jpg\r\n");
    EXPECT_EQ(Names(dest), (std::vector<std::string>{"a.jpg", "b.JPEG", "c.jpg"}));
    EXPECT_FALSE(fs::exists(src + "/B"));
    const std::string s2(2, ' '), s3(3, ' '), s4(4, ' ');
    EXPECT_EQ(r.out, "soubor" + std::string(src.size() + 8 - 6 + 2, ' ') + "cíl" +
                         std::string(dest.size() + 7 - 3 + 2, ' ') + "stav\n" +     //
                         src + "/a.jpg" + s4 + dest + "/a.jpg" + s3 + "moved\n" +   //
                         src + "/b.JPEG" + s3 + dest + "/b.JPEG" + s2 + "moved\n" + //
                         src + "/B/c.jpg" + s2 + dest + "/c.jpg" + s3 + "moved\n");
    // The saved settings of the window are not touched.
    EXPECT_FALSE(fs::exists(data + "/kivo.ini"));
}

TEST_F(TidyTest, GatherRawMovesRawFilesAfterTheJpegs) {
    for (const char* name : {"A/a.jpg", "A/b.NEF", "A/c.cr3", "A/d.heic", "A/e.txt"})
        tmp.write(name, "x");
    const std::string src = tmp.file("A"), dest = tmp.mkdir("D"), reports = tmp.file("rep");
    EXPECT_EQ(Tidy({"gather", "--report-dir", reports, src, dest}).status, 0);
    EXPECT_EQ(Names(dest), (std::vector<std::string>{"a.jpg"}));
    const TidyRun r = Tidy({"gather", "--raw", "--report-dir", reports, src, dest});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Names(dest), (std::vector<std::string>{"a.jpg", "b.NEF", "c.cr3"}));
    EXPECT_EQ(Names(src), (std::vector<std::string>{"d.heic", "e.txt"}));
}

TEST_F(TidyTest, GatherTakesTheSidecarsOfTheMovedPhotos) {
    for (const char* name :
         {"A/a.jpg", "A/a.XMP", "A/a.jpg.xmp", "A/b.nef", "A/b.nef.xmp", "A/b.xmp", "A/lone.xmp"})
        tmp.write(name, "x");
    const std::string src = tmp.file("A"), dest = tmp.mkdir("D"), reports = tmp.file("rep");
    const TidyRun r = Tidy({"gather", "--report-dir", reports, src, dest});
    EXPECT_EQ(r.status, 0) << r.err;
    // b.nef is not gathered without --raw: its sidecars stay with it.
    EXPECT_EQ(Names(dest), (std::vector<std::string>{"a.XMP", "a.jpg", "a.jpg.xmp"}));
    // The sidecars right after their photo, in listing order.
    const std::string report = ReadWholeFile(reports + "/soubory.txt");
    EXPECT_EQ(report.rfind(src + "/a.jpg\r\n", 0), 0u) << report;
    EXPECT_EQ(report.size(), (src.size() * 3 + 6 + 6 + 10 + 6));
    EXPECT_EQ(Tidy({"gather", "--raw", "--report-dir", reports, src, dest}).status, 0);
    EXPECT_EQ(Names(src), (std::vector<std::string>{"lone.xmp"}));
}

TEST_F(TidyTest, GatherDefaultsToTheDataFolderAndTheCurrentFolder) {
    tmp.write("S/x.jpg", "x");
    const std::string dest = tmp.mkdir("here");
    const std::string cwd = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(dest));
    const TidyRun r = Tidy({"gather", "--json", tmp.file("S")});
    SetCurrentDir(cwd);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadWholeFile(dest + "/x.jpg"), "x");
    EXPECT_EQ(ReadWholeFile(data + "/soubory.txt"), tmp.file("S") + "/x.jpg\r\n");
    const auto rows = nlohmann::json::parse(r.out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["cíl"], dest + "/x.jpg");
    EXPECT_EQ(rows[0]["stav"], "moved");
}

TEST_F(TidyTest, GatherNameTakenFailsTheRow) {
    tmp.write("S/x.jpg", "new");
    tmp.write("S/y.jpg", "y");
    const std::string dest = tmp.mkdir("D");
    tmp.write("D/x.jpg", "old");
    const TidyRun r = Tidy({"gather", "--json", tmp.file("S"), dest});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not moved: " + tmp.file("S") + "/x.jpg"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(dest + "/x.jpg"), "old");
    EXPECT_EQ(ReadWholeFile(tmp.file("S/x.jpg")), "new");
    EXPECT_EQ(ReadWholeFile(dest + "/y.jpg"), "y");
}

TEST_F(TidyTest, GatherByDateNamesDuplicatesAndNumbersClashes) {
    tmp.write("S/same.jpg", "same");
    tmp.write("S/other.jpg", "mine");
    const std::string dest = tmp.mkdir("D");
    // No EXIF: the file time's year.
    const std::string day = FormatDateTime("yyyy", *FileModifiedExact(tmp.file("S/same.jpg")));
    tmp.write("D/" + day + "/same.jpg", "same");
    tmp.write("D/" + day + "/other.jpg", "theirs");
    EXPECT_EQ(Tidy({"gather", "--by-date", "YYYY/MM/DD/hh", tmp.file("S"), dest}).status, 2);
    EXPECT_EQ(Tidy({"gather", "--duplicates", "drop", tmp.file("S"), dest}).status, 2);
    const TidyRun r = Tidy({"gather", "--json", "--by-date", "YYYY", "--rename-clashes",
                            "--report-dir", tmp.file("rep"), tmp.file("S"), dest});
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> stav;
    for (const auto& row : nlohmann::json::parse(r.out))
        stav[row["soubor"]] = row["stav"];
    EXPECT_EQ(stav[tmp.file("S/same.jpg")], "duplicate");
    EXPECT_EQ(stav[tmp.file("S/other.jpg")], "renamed");
    EXPECT_EQ(ReadWholeFile(dest + "/" + day + "/other_1.jpg"), "mine");
    EXPECT_EQ(ReadWholeFile(dest + "/" + day + "/other.jpg"), "theirs");
    EXPECT_EQ(ReadWholeFile(tmp.file("rep/duplikaty.txt")), tmp.file("S/same.jpg") + "\r\n");
    EXPECT_EQ(ReadWholeFile(tmp.file("rep/kolize.txt")), tmp.file("S/other.jpg") + "\r\n");
}

// A FIFO named like a photo is refused with its reason, never opened; the rest moves.
TEST_F(TidyTest, GatherFifoFailsItsRowWithTheReason) {
    tmp.write("S/y.jpg", "y");
    ASSERT_EQ(::mkfifo(tmp.file("S/x.jpg").c_str(), 0600), 0);
    const std::string dest = tmp.mkdir("D");
    const TidyRun r = Tidy({"gather", "--json", tmp.file("S"), dest});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(": not a regular file"), std::string::npos) << r.err;
    const nlohmann::json rows = nlohmann::json::parse(r.out);
    bool seen = false;
    for (const auto& row : rows) {
        if (row.value("soubor", "") == tmp.file("S") + "/x.jpg") {
            seen = true;
            EXPECT_EQ(row.value("reason", ""), "not a regular file");
        }
    }
    EXPECT_TRUE(seen) << r.out;
    EXPECT_EQ(ReadWholeFile(dest + "/y.jpg"), "y");
}

TEST_F(TidyTest, GatherMissingFoldersFail) {
    tmp.write("S/x.jpg", "x");
    TidyRun r = Tidy({"gather", tmp.file("S"), tmp.file("nowhere")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a folder"), std::string::npos);
    EXPECT_TRUE(FileExists(tmp.file("S/x.jpg")));
    r = Tidy({"gather", tmp.file("none"), tmp.mkdir("D")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a folder: " + tmp.file("none")), std::string::npos);
}

TEST_F(TidyTest, GatherUnwritableReportFolderMovesNothing) {
    tmp.write("S/x.jpg", "x");
    tmp.write("blocker", "a file");
    const TidyRun r =
        Tidy({"gather", "--report-dir", tmp.file("blocker/rep"), tmp.file("S"), tmp.mkdir("D")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("blocker/rep"), std::string::npos);
    EXPECT_TRUE(FileExists(tmp.file("S/x.jpg")));
}

// ---- the executable itself ----

TEST_F(TidyTest, ExecutableExitStatuses) {
    const std::string exe = ExeFolder() + "/../src/cli/kivo-tidy";
    if (!FileExists(exe))
        GTEST_SKIP() << "kivo-tidy is not built beside the tests: " << exe;
    const std::string f = MakeExampleFolder();
    tmp.write("f/02.JPG", "taken");
    auto run = [&](const std::string& args) {
        const std::string cmd = "'" + exe + "' " + args + " >/dev/null 2>&1";
        const int rc = std::system(cmd.c_str());
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    };
    EXPECT_EQ(run("rename --format 4 --dry-run '" + f + "/IMG_0001.JPG'"), 0);
    EXPECT_EQ(run("rename --format 9 '" + f + "/IMG_0001.JPG'"), 2);
    EXPECT_EQ(run("rename --format 4 '" + f + "/IMG_0001.JPG' '" + f + "/IMG_0002.JPG'"), 1);
    EXPECT_TRUE(FileExists(f + "/01.JPG"));
    EXPECT_TRUE(FileExists(f + "/IMG_0001.JPG"));
}

} // namespace
} // namespace kivo
