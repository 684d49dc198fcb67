// kivo-tidy exifdate: the stamps corrected in the photos, shifted back to the same bytes,
// undone to the same bytes, on generated photos and on the real ones of the corpus.

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/lib/tidy.h"
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
    std::ostringstream out, err;
    const int status = tidy::RunTidy(args, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> With(std::vector<std::string> args,
                              const std::vector<std::string>& files) {
    args.insert(args.begin(), "exifdate");
    args.insert(args.end(), files.begin(), files.end());
    return args;
}

std::vector<std::string> Contents(const std::vector<std::string>& files) {
    std::vector<std::string> all;
    for (const std::string& f : files)
        all.push_back(test::ReadWholeFile(f));
    return all;
}

class ExifDateTest : public ::testing::Test {
protected:
    TempDir dir;
    std::vector<std::string> files{dir.write("ii.jpg", test::JpegWithExif(test::CameraTiff(false))),
                                   dir.write("mm.tif", test::CameraTiff(true))};
};

TEST_F(ExifDateTest, ShiftAndBackGivesTheOriginalBytes) {
    const std::vector<std::string> before = Contents(files);
    const TidyRun dry = Tidy(With({"--shift", "1", "hodina", "--dry-run", "--json"}, files));
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(Contents(files), before);
    const TidyRun run = Tidy(With({"--shift", "+1", "hour", "--json"}, files));
    ASSERT_EQ(run.status, 0) << run.err;
    for (const auto& row : run.rows()) {
        EXPECT_EQ(row["EXIF pořízení"], "2004:07:15 13:45:10");
        EXPECT_EQ(row["nové pořízení"], "2004:07:15 14:45:10");
        EXPECT_EQ(row["nová změna"], "2004:07:16 09:00:00");
        EXPECT_EQ(row["stav"], "written");
    }
    EXPECT_EQ(dry.rows()[0]["nové pořízení"], "2004:07:15 14:45:10");
    EXPECT_NE(Contents(files), before);
    ASSERT_EQ(Tidy(With({"--shift", "-1", "hour"}, files)).status, 0);
    EXPECT_EQ(Contents(files), before);
}

TEST_F(ExifDateTest, UndoGivesTheOriginalBytes) {
    const std::vector<std::string> before = Contents(files);
    const TidyRun run =
        Tidy(With({"--stamps", "taken", "--set", "2020:02:02 20:20:20", "--touch"}, files));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(Contents(files), before);
    const TidyRun undo = Tidy({"undo"});
    ASSERT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(Contents(files), before);
}

TEST_F(ExifDateTest, UsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--shift", "1", "hour", "--set", "2020:02:02 20:20:20"},
        {"--set", "2020-02-02 20:20:20"},
        {"--shift", "1", "fortnight"},
        {"--from-mtime", "--offset", "+1:00"},
        {"--from-mtime", "--keep-mtime", "--touch"},
        {"--from-mtime", "--stamps", "some"},
    };
    for (const auto& args : bad) {
        const TidyRun r = Tidy(With(args, files));
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
    }
    EXPECT_EQ(Tidy({"exifdate", "--from-mtime"}).status, 2); // no FILE
}

TEST(ExifDateCorpus, ShiftAndBackGivesTheOriginalBytes) {
    const std::filesystem::path photos = std::filesystem::path(KIVO_TESTDATA_DIR) / "photos";
    if (!std::filesystem::is_directory(photos))
        GTEST_SKIP() << "no test corpus at " << photos.string();
    TempDir dir;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(photos)) {
        if (!entry.is_regular_file())
            continue;
        files.push_back(dir.file(entry.path().filename().string()));
        std::filesystem::copy_file(entry.path(), files.back());
    }
    const std::vector<std::string> before = Contents(files);
    // Photos without stamps fail their rows; every other one is written.
    const TidyRun run = Tidy(With({"--shift", "1", "hour", "--json"}, files));
    int written = 0;
    for (const auto& row : run.rows())
        written += row["stav"] == "written";
    EXPECT_GT(written, 0);
    EXPECT_NE(Contents(files), before);
    Tidy(With({"--shift", "-1", "hour"}, files));
    EXPECT_EQ(Contents(files), before);
}

} // namespace
} // namespace kivo
