// File names that are not UTF-8 through kivo-tidy and kivo-info: the JSON parses, and the
// bytes it gives lead back to the very files.

#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/lib/info_report.h"
#include "cli/lib/tidy.h"
#include "platform/datetime.h"
#include "platform/file_system.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using test::ReadWholeFile;
using test::TempDir;

// The exact bytes of a text field: its "_bytes" twin when it has one.
std::string BytesOf(const nlohmann::json& row, const std::string& key) {
    const auto twin = row.find(key + "_bytes");
    if (twin == row.end())
        return row.at(key).get<std::string>();
    std::string bytes;
    for (const auto& b : *twin)
        bytes += static_cast<char>(b.get<int>());
    return bytes;
}

nlohmann::json JsonOf(int (*run)(const std::vector<std::string>&, std::ostream&, std::ostream&),
                      const std::vector<std::string>& args) {
    std::ostringstream out, err;
    EXPECT_EQ(run(args, out, err), 0) << err.str();
    return nlohmann::json::parse(out.str()); // throws on anything that is not JSON
}

class RawNames : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("KIVO_DATA_DIR", tmp.mkdir("data").c_str(), 1); }
    void TearDown() override { ::unsetenv("KIVO_DATA_DIR"); }
    TempDir tmp;
    const std::string folder = tmp.mkdir("karta\xA0");
    const std::string camera = "\xFF\xFE.jpg";
};

TEST_F(RawNames, TidyJsonGivesTheBytesOfEveryName) {
    const std::string photo = tmp.write("karta\xA0/" + camera, "photo");
    ASSERT_EQ(SetFileModified(photo, EncodeDate(2005, 8, 27) + EncodeTime(10, 15, 32)),
              SetTimeResult::Ok);

    auto rows = JsonOf(tidy::RunTidy,
                       {"settime", "--from", "current", "--date", "2006.01.02", "--json", photo});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["soubor"], "\xEF\xBF\xBD\xEF\xBF\xBD.jpg");
    EXPECT_EQ(BytesOf(rows[0], "soubor"), camera);
    EXPECT_EQ(BytesOf(rows[0], "složka"), folder);
    EXPECT_EQ(rows[0]["stav"], "written");
    EXPECT_EQ(FileAge(BytesOf(rows[0], "složka") + "/" + BytesOf(rows[0], "soubor")),
              EncodeDate(2006, 1, 2) + EncodeTime(10, 15, 32));

    rows = JsonOf(tidy::RunTidy, {"rename", "--format", "0", "--json", photo});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(BytesOf(rows[0], "název-stávající"), camera);
    EXPECT_EQ(rows[0].count("název-úprava_bytes"), 0u); // a UTF-8 name has no twin
    const std::string renamed = folder + "/" + BytesOf(rows[0], "název-úprava");
    EXPECT_EQ(ReadWholeFile(renamed), "photo");
    EXPECT_FALSE(PathExists(photo));

    const std::string dest = tmp.mkdir("fotky");
    ASSERT_TRUE(RenameNoReplace(renamed, photo));
    rows = JsonOf(tidy::RunTidy, {"gather", "--json", folder, dest});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(BytesOf(rows[0], "soubor"), photo);
    EXPECT_EQ(BytesOf(rows[0], "cíl"), dest + "/" + camera);
    EXPECT_EQ(ReadWholeFile(BytesOf(rows[0], "cíl")), "photo");
}

TEST_F(RawNames, InfoJsonGivesTheBytesOfTheFile) {
    const auto jpeg = test::JpegWithExif(test::CameraTiff(false));
    const std::string photo = tmp.write("karta\xA0/" + camera, jpeg);
    const auto files = JsonOf(RunInfo, {"--json", photo});
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(BytesOf(files[0], "file"), photo);
    EXPECT_EQ(files[0]["exif_present"], true);
    EXPECT_EQ(ReadWholeFile(BytesOf(files[0], "file")).size(), jpeg.size());
}

} // namespace
} // namespace kivo
