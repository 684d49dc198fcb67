// kivo-info: arguments, text and JSON reports, exit status.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/lib/info_report.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using namespace kivo::test;

struct RunResult {
    int status;
    std::string out, err;
};

RunResult run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunInfo(args, out, err);
    return {status, out.str(), err.str()};
}

TEST(KivoInfo, JsonHasExactlyTheFieldsInOrder) {
    TempDir dir;
    const std::string photo = dir.write("a.jpg", JpegWithExif(CameraTiff(false)));
    const RunResult r = run({"--json", photo});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto all = nlohmann::ordered_json::parse(r.out);
    ASSERT_TRUE(all.is_array());
    ASSERT_EQ(all.size(), 1u);
    const auto& j = all[0];
    std::vector<std::string> keys;
    for (auto it = j.begin(); it != j.end(); ++it)
        keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"file", "status", "exif_present", "positions",
                                              "dates", "make", "model", "pixel_width",
                                              "pixel_height", "flash", "maker_decoded", "tags",
                                              "trace"}));
    EXPECT_EQ(j["file"], photo);
    EXPECT_EQ(j["status"], "<none>");
    EXPECT_EQ(j["exif_present"], true);
    EXPECT_GT(j["positions"]["DateTimeOriginal"].get<int>(), 0);
    EXPECT_EQ(j["dates"]["DateTimeOriginal"], "2004.07.15 13:45:10");
    EXPECT_EQ(j["dates"]["DateTime"], "2004.07.16 08:00:00");
    EXPECT_EQ(j["make"], "Canon");
    EXPECT_EQ(j["pixel_width"], 2272);
    EXPECT_EQ(j["flash"], 0x19);
    EXPECT_EQ(j["maker_decoded"], false);
    const auto& tag = j["tags"][0];
    std::vector<std::string> tagKeys;
    for (auto it = tag.begin(); it != tag.end(); ++it)
        tagKeys.push_back(it.key());
    EXPECT_EQ(tagKeys,
              (std::vector<std::string>{"key", "caption", "number", "format", "kind", "shown"}));
    EXPECT_EQ(tag["key"], "Make");
    EXPECT_EQ(tag["number"], 0x010F);
    EXPECT_NE(j["trace"].get<std::string>().find("\r\nMake = Canon"), std::string::npos);
}

TEST(KivoInfo, FileWithoutExifAndMissingFile) {
    TempDir dir;
    const std::string plain = dir.write("b.jpg", JpegFile({Comment("only a comment")}));
    const std::string png = dir.write("c.png", std::string("\x89PNG"));
    const RunResult r = run({"--json", plain, dir.file("missing.jpg"), png});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.jpg"), std::string::npos);
    const auto all = nlohmann::json::parse(r.out);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]["exif_present"], false);
    EXPECT_EQ(all[0]["positions"]["DateTime"], 0);
    EXPECT_EQ(all[0]["dates"]["DateTime"], "");
    EXPECT_EQ(all[0]["tags"].size(), 0u);
    EXPECT_EQ(all[1]["status"], "Not an EXIF file");
}

TEST(KivoInfo, StampThatDoesNotConvertShowsDayZero) {
    TempDir dir;
    CameraStamps stamps;
    stamps.taken = "0000:00:00 00:00:00";
    const std::string photo = dir.write("z.jpg", JpegWithExif(CameraTiff(true, stamps)));
    const auto all = nlohmann::json::parse(run({"--json", photo}).out);
    EXPECT_EQ(all[0]["dates"]["DateTimeOriginal"], "1899.12.30");
}

TEST(KivoInfo, TextModeWithTagsAndTrace) {
    TempDir dir;
    const std::string photo = dir.write("a.jpeg", JpegWithExif(CameraTiff(false)));
    const RunResult r = run({photo, "--tags", "--trace"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(photo + "\n"), std::string::npos);
    EXPECT_NE(r.out.find("Status:            <none>"), std::string::npos);
    EXPECT_NE(r.out.find("EXIF present:      yes"), std::string::npos);
    EXPECT_NE(r.out.find("DateTimeOriginal:  2004.07.15 13:45:10"), std::string::npos);
    EXPECT_NE(r.out.find("Model:             Canon PowerShot S40"), std::string::npos);
    EXPECT_NE(r.out.find("Pixel size:        2272 x 1704"), std::string::npos);
    EXPECT_NE(r.out.find("    Exposure Time = 1/125 sec"), std::string::npos);
    EXPECT_NE(r.out.find("Trace:\nMake = Canon"), std::string::npos);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    const RunResult plain = run({photo});
    EXPECT_EQ(plain.out.find("Tags:"), std::string::npos);
    EXPECT_EQ(plain.out.find("Trace:"), std::string::npos);
}

TEST(KivoInfo, TagsIncludeTheIptcRecords) {
    // APP13: "Photoshop 3.0", one 8BIM resource 0x0404 holding two keywords and a city.
    const std::string datasets = std::string("\x1C\x02\x19\x00\x03sea", 8) +
                                 std::string("\x1C\x02\x19\x00\x04" "boat", 9) +
                                 std::string("\x1C\x02\x5A\x00\x05Praha", 10);
    std::string payload = std::string("Photoshop 3.0\0008BIM\x04\x04\0\0", 22);
    payload += std::string("\0\0\0", 3) + static_cast<char>(datasets.size()) + datasets;
    if (datasets.size() % 2 != 0)
        payload += '\0';
    TempDir dir;
    const std::string photo = dir.write(
        "i.jpg", JpegFile({ExifApp1(CameraTiff(false)), MakeSegment(0xED, payload)}));
    const RunResult r = run({photo, "--tags"});
    EXPECT_EQ(r.status, 0);
    const std::size_t iptc = r.out.find("  IPTC:\n");
    ASSERT_NE(iptc, std::string::npos) << r.out;
    EXPECT_NE(r.out.find("sea,boat", iptc), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Praha", iptc), std::string::npos) << r.out;
    EXPECT_EQ(run({photo}).out.find("IPTC"), std::string::npos);
}

TEST(KivoInfo, Usage) {
    EXPECT_EQ(run({}).status, 2);
    const RunResult bad = run({"--bogus", "a.jpg"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--bogus"), std::string::npos);
    const RunResult help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    // After "--" every argument is a file.
    const RunResult dashed = run({"--", "--json"});
    EXPECT_EQ(dashed.status, 1);
    EXPECT_NE(dashed.err.find("--json"), std::string::npos);
}

TEST(KivoInfo, InvalidUtf8InValuesStillGivesJson) {
    TempDir dir;
    TiffBuilder t(false);
    t.Ascii(t.AddIfd(), 0x010F, "Bad\xff\xfe make");
    const std::string photo = dir.write("u.jpg", JpegWithExif(t.Build()));
    const RunResult r = run({"--json", photo});
    EXPECT_EQ(r.status, 0);
    nlohmann::json parsed;
    EXPECT_NO_THROW(parsed = nlohmann::json::parse(r.out));
    EXPECT_EQ(parsed[0]["make"].get<std::string>().substr(0, 3), "Bad");
}

} // namespace
} // namespace kivo
