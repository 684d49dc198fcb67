// kivo-info: arguments, text and JSON reports, exit status.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <sstream>

#include "cli/lib/info_report.h"
#include "cli/lib/output_buffer.h"
#include "support/container_fixtures.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using namespace kivo::test;

struct RunResult {
    int status;
    std::string out, err;
};

struct UniqueFdForTest {
    explicit UniqueFdForTest(int f) : fd(f) {}
    ~UniqueFdForTest() {
        if (fd >= 0)
            ::close(fd);
    }
    int fd;
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
    EXPECT_EQ(keys, (std::vector<std::string>{"file",
                                              "status",
                                              "exif_present",
                                              "positions",
                                              "dates",
                                              "make",
                                              "model",
                                              "pixel_width",
                                              "pixel_height",
                                              "flash",
                                              "LensMake",
                                              "LensModel",
                                              "OffsetTime",
                                              "OffsetTimeOriginal",
                                              "OffsetTimeDigitized",
                                              "BodySerialNumber",
                                              "CameraOwnerName",
                                              "xmp_dates",
                                              "maker_decoded"}));
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
    // The tag list and the traces only when asked for, after the default fields.
    const auto full = nlohmann::ordered_json::parse(run({"--json", "--tags", "--trace", photo}).out)[0];
    keys.clear();
    for (auto it = full.begin(); it != full.end(); ++it)
        keys.push_back(it.key());
    ASSERT_EQ(keys.size(), 22u);
    EXPECT_EQ(std::vector<std::string>(keys.end() - 3, keys.end()),
              (std::vector<std::string>{"tags", "trace", "maker_trace"}));
    const auto& tag = full["tags"][0];
    std::vector<std::string> tagKeys;
    for (auto it = tag.begin(); it != tag.end(); ++it)
        tagKeys.push_back(it.key());
    EXPECT_EQ(tagKeys,
              (std::vector<std::string>{"key", "caption", "number", "format", "kind", "shown"}));
    EXPECT_EQ(tag["key"], "Make");
    EXPECT_EQ(tag["number"], 0x010F);
    EXPECT_NE(full["trace"].get<std::string>().find("\r\nMake = Canon"), std::string::npos);
    EXPECT_FALSE(nlohmann::json::parse(run({"--json", "--trace", photo}).out)[0].contains("tags"));
}

// Keeps every piece of output as it arrives.
class PieceRecorder : public std::streambuf {
public:
    std::vector<std::string> pieces;

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        pieces.emplace_back(s, static_cast<std::size_t>(n));
        return n;
    }
    int overflow(int c) override {
        if (c != traits_type::eof())
            pieces.emplace_back(1, static_cast<char>(c));
        return c;
    }
};

TEST(KivoInfo, ReportsGoOutInPiecesAsTheFilesAreRead) {
    TempDir dir;
    const auto jpeg = JpegWithExif(CameraTiff(false));
    std::vector<std::string> files;
    for (int i = 0; i < 150; ++i)
        files.push_back(dir.write("p" + std::to_string(i) + ".jpg", jpeg));
    for (const bool json : {true, false}) {
        std::vector<std::string> args = {"--tags"};
        if (json)
            args.push_back("--json");
        args.insert(args.end(), files.begin(), files.end());
        PieceRecorder sink;
        std::ostream out(&sink);
        std::ostringstream err;
        ASSERT_EQ(RunInfo(args, out, err), 0) << err.str();
        std::string all;
        for (const std::string& piece : sink.pieces) {
            EXPECT_LT(piece.size(), OutputBuffer::kPieceBytes + 8 * 1024);
            all += piece;
        }
        EXPECT_GT(sink.pieces.size(), 2u);
        if (json) // the very text of the whole array dumped at once
            EXPECT_EQ(all, nlohmann::ordered_json::parse(all).dump(2) + "\n");
        else
            EXPECT_EQ(all, run(args).out);
    }
}

TEST(KivoInfo, EachJsonObjectIsTheOneOfItsFileAlone) {
    TempDir dir;
    TiffBuilder t(true);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "Canon");
    t.Link(ifd0, 0x8769, exif);
    t.Ascii(exif, 0x9003, "2004:07:15 13:45:10");
    t.Ascii(exif, 0xA434, "EF50mm f/1.8"); // LensModel
    t.Ascii(exif, 0x9011, "+02:00");       // OffsetTimeOriginal
    const Bytes lens = JpegWithExif(t.Build());
    const std::vector<std::string> files = {dir.write("lens.jpg", lens),
                                            dir.write("plain.jpg", JpegWithExif(CameraTiff(false))),
                                            dir.write("none.jpg", JpegFile({})),
                                            dir.write("b\xE9.jpg", lens),
                                            dir.write("tiff.tif", CameraTiff(true)),
                                            dir.file("missing.jpg"),
                                            dir.write("lens2.jpg", lens)};
    std::vector<std::string> args = {"--json"};
    args.insert(args.end(), files.begin(), files.end());
    const RunResult all = run(args);
    const auto array = nlohmann::ordered_json::parse(all.out);
    ASSERT_EQ(array.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        EXPECT_EQ(array[i], nlohmann::ordered_json::parse(run({"--json", files[i]}).out)[0]);
    }
    EXPECT_EQ(array[0]["LensModel"], "EF50mm f/1.8");
    EXPECT_EQ(array[1]["LensModel"], "");
}

TEST(KivoInfo, OutputThatCannotBeWrittenFailsTheRun) {
    const UniqueFdForTest full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    if (full.fd < 0)
        GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    const std::string photo = dir.write("a.jpg", JpegWithExif(CameraTiff(false)));
    OutputBuffer out(full.fd);
    std::ostringstream err;
    EXPECT_EQ(RunInfo({"--json", photo}, out, err), 1);
    EXPECT_EQ(err.str(), "kivo-info: the output cannot be written: No space left on device\n");
}

TEST(KivoInfo, FileWithoutExifAndMissingFile) {
    TempDir dir;
    const std::string plain = dir.write("b.jpg", JpegFile({Comment("only a comment")}));
    const std::string png = dir.write("c.png", std::string("\x89PNG"));
    const RunResult r = run({"--json", "--tags", plain, dir.file("missing.jpg"), png});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kivo-info: " + dir.file("missing.jpg") + ": no such file\n");
    const auto all = nlohmann::ordered_json::parse(r.out);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]["exif_present"], false);
    EXPECT_EQ(all[0]["positions"]["DateTime"], 0);
    EXPECT_EQ(all[0]["dates"]["DateTime"], "");
    EXPECT_EQ(all[0]["tags"].size(), 0u);
    // The missing file keeps its place, with the reason.
    EXPECT_EQ(all[1], (nlohmann::ordered_json{{"file", dir.file("missing.jpg")},
                                              {"error", "no such file"}}));
    EXPECT_EQ(all[2]["status"], "Not an EXIF file");
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
    EXPECT_EQ(run({"-h"}).out, help.out);
    const RunResult version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("kivo-info ", 0), 0u);
    EXPECT_NE(version.out.find("1.4"), std::string::npos);
    EXPECT_EQ(version.err, "");
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

TEST(KivoInfo, FolderFifoAndUnreadableFilesGiveOneLineAndAnErrorObject) {
    ::alarm(20); // a blocking open would hang: end the test with a message instead
    TempDir dir;
    const std::string folder = dir.mkdir("photos.jpg");
    const std::string fifo = dir.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string good = dir.write("a.jpg", JpegWithExif(CameraTiff(false)));
    const RunResult text = run({fifo});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.err, "kivo-info: " + fifo + ": not a regular file\n");
    EXPECT_EQ(text.out, "");
    const RunResult r = run({"--json", folder, fifo, good});
    ::alarm(0);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kivo-info: " + folder + ": is a folder\nkivo-info: " + fifo +
                         ": not a regular file\n");
    const auto all = nlohmann::json::parse(r.out);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]["error"], "is a folder");
    EXPECT_EQ(all[1]["error"], "not a regular file");
    EXPECT_FALSE(all[2].contains("error"));
    EXPECT_EQ(all[2]["make"], "Canon");

    if (::geteuid() != 0) {
        const std::string locked = dir.write("locked.jpg", JpegWithExif(CameraTiff(false)));
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        const RunResult denied = run({"--json", locked});
        EXPECT_EQ(denied.status, 1);
        EXPECT_EQ(nlohmann::json::parse(denied.out)[0]["error"], "Permission denied");
    }
}

TEST(KivoInfo, JsonCarriesTheMakerTraceAndTheIptcRecords) {
    // A Canon maker note of one entry, and an APP13 segment with two keywords and a city.
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "Canon");
    t.Link(ifd0, 0x8769, exif);
    Bytes note = t.U16(1);
    for (const auto& part : {t.U16(0x0008), t.U16(4), t.U32(1), t.U32(1234)})
        note.insert(note.end(), part.begin(), part.end());
    note.resize(note.size() + 4, 0);
    t.Undefined(exif, 0x927C, note);
    const std::string datasets = std::string("\x1C\x02\x19\x00\x03sea", 8) +
                                 std::string("\x1C\x02\x19\x00\x04" "boat", 9) +
                                 std::string("\x1C\x02\x5A\x00\x05Praha", 10);
    std::string payload = std::string("Photoshop 3.0\0008BIM\x04\x04\0\0", 22);
    payload += std::string("\0\0\0", 3) + static_cast<char>(datasets.size()) + datasets;
    payload += '\0';
    TempDir dir;
    const std::string photo =
        dir.write("m.jpg", JpegFile({ExifApp1(t.Build()), MakeSegment(0xED, payload)}));
    const RunResult r = run({"--json", "--tags", "--trace", photo});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::ordered_json::parse(r.out)[0];
    EXPECT_EQ(j["maker_decoded"], true);
    EXPECT_EQ(j["maker_trace"], "\r\nImageNumber = 1234");
    std::vector<std::string> keys;
    for (auto it = j.begin(); it != j.end(); ++it)
        keys.push_back(it.key());
    ASSERT_GE(keys.size(), 2u);
    EXPECT_EQ(keys[keys.size() - 2], "maker_trace");
    EXPECT_EQ(keys.back(), "iptc");
    ASSERT_EQ(j["iptc"].size(), 2u);
    EXPECT_EQ(j["iptc"][0], (nlohmann::ordered_json{{"key", "Keywords"},
                                                   {"caption", "Keywords"},
                                                   {"record", 2},
                                                   {"dataset", 25},
                                                   {"shown", "sea,boat"}}));
    EXPECT_EQ(j["iptc"][1]["key"], "City");
    EXPECT_EQ(j["iptc"][1]["shown"], "Praha");
    // Text mode shows the maker trace under --trace.
    const RunResult text = run({photo, "--trace"});
    EXPECT_NE(text.out.find("  Maker trace:\nImageNumber = 1234\n"), std::string::npos)
        << text.out;
    // A file without APP13 has no "iptc" field.
    const std::string plain = dir.write("p.jpg", JpegWithExif(CameraTiff(false)));
    EXPECT_FALSE(nlohmann::json::parse(run({"--json", "--tags", plain}).out)[0].contains("iptc"));
    EXPECT_FALSE(nlohmann::json::parse(run({"--json", photo}).out)[0].contains("iptc"));
}

TEST(KivoInfo, CraftedFileShowsLongValuesAsTheirSize) {
    // Entries pointing at a 250,000-byte value: shown as its size, read in bounded work.
    Bytes b(256 * 1024, 'A');
    const std::uint8_t head[8] = {'I', 'I', 42, 0, 8, 0, 0, 0};
    std::copy(head, head + 8, b.begin());
    const int entries = 20000;
    b[8] = entries & 0xFF;
    b[9] = entries >> 8;
    for (int i = 0; i < entries; ++i) {
        const std::uint8_t e[12] = {0x0E, 0x01, 7, 0, 0x90, 0xD0, 0x03, 0, 8, 0, 0, 0};
        std::copy(e, e + 12, b.begin() + 10 + 12 * i);
    }
    TempDir dir;
    const std::string path = dir.write("crafted.tif", b);
    const RunResult r = run({"--json", "--tags", path});
    EXPECT_EQ(r.status, 0);
    const auto j = nlohmann::json::parse(r.out)[0];
    EXPECT_EQ(j["tags"][0]["shown"], "(250000 bytes)");
    EXPECT_LE(j["tags"].size(), 16384u);
}

// Every container gives the same facts as the TIFF structure inside it.
TEST(KivoInfo, JsonOfEachContainer) {
    TiffBuilder t(false);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "Maker");
    t.Ascii(ifd0, 0x0110, "Model X");
    t.Link(ifd0, 0x8769, exif);
    t.Ascii(exif, 0x9003, "2019:05:04 10:20:30");
    t.Ascii(exif, 0x9011, "-05:00");
    t.Ascii(exif, 0xA434, "Lens 50mm");
    const Bytes tiff = t.Build();
    TempDir dir;
    const std::vector<std::string> files = {dir.write("a.nef", tiff),
                                            dir.write("b.orf", WithTiffMagic(tiff, "RO")),
                                            dir.write("c.rw2", WithTiffMagic(tiff, {"U\0", 2})),
                                            dir.write("d.raf", RafFile(JpegWithExif(tiff))),
                                            dir.write("e.mrw", MrwFile(tiff)),
                                            dir.write("f.heic", HeifFile(tiff)),
                                            dir.write("g.cr3", Cr3File(tiff, tiff))};
    std::vector<std::string> args = {"--json"};
    args.insert(args.end(), files.begin(), files.end());
    const RunResult r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto all = nlohmann::ordered_json::parse(r.out);
    ASSERT_EQ(all.size(), files.size());
    for (const auto& j : all) {
        SCOPED_TRACE(j["file"].get<std::string>());
        EXPECT_EQ(j["dates"]["DateTimeOriginal"], "2019.05.04 10:20:30");
        EXPECT_EQ(j["make"], "Maker");
        EXPECT_EQ(j["model"], "Model X");
        EXPECT_EQ(j["LensModel"], "Lens 50mm");
        EXPECT_EQ(j["OffsetTimeOriginal"], "-05:00");
    }
}

TEST(KivoInfo, ThreadedRunsWriteTheBytesOfTheSequentialRun) {
    TempDir dir;
    TiffBuilder t(true);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd();
    t.Link(ifd0, 0x8769, exif);
    t.Ascii(exif, 0xA434, "EF50mm f/1.8");
    const Bytes lens = JpegWithExif(t.Build());
    // More files than the threads keep in flight, of every kind a run meets.
    const std::vector<std::function<std::string(const std::string&)>> kinds = {
        [&](const std::string& n) { return dir.write(n + ".jpg", lens); },
        [&](const std::string& n) {
            return dir.write(n + ".jpg", JpegWithExif(CameraTiff(false)));
        },
        [&](const std::string& n) { return dir.write(n + "\xE9.jpg", JpegFile({})); },
        [&](const std::string& n) { return dir.write(n + ".tif", CameraTiff(true)); },
        [&](const std::string& n) { return dir.file(n + ".jpg"); }, // missing
        [&](const std::string& n) { return dir.mkdir(n + ".jpg"); },
        [&](const std::string& n) { return dir.write(n + ".png", std::string("\x89PNG")); }};
    std::vector<std::string> files;
    for (std::size_t i = 0; i < 150; ++i)
        files.push_back(kinds[i % kinds.size()](std::to_string(i)));
    const ReadThreads none, ahead{1, true}, three{3, false};
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{}, {"--json"}, {"--tags", "--trace"}}) {
        std::vector<std::string> args = options;
        args.insert(args.end(), files.begin(), files.end());
        std::ostringstream out0, err0;
        const int status0 = RunInfo(args, out0, err0, none);
        EXPECT_EQ(status0, 1);
        for (const ReadThreads& threads : {ahead, three}) {
            std::ostringstream out, err;
            EXPECT_EQ(RunInfo(args, out, err, threads), status0);
            EXPECT_EQ(out.str(), out0.str());
            EXPECT_EQ(err.str(), err0.str());
        }
    }
    // Output that fails stops the threads too.
    const UniqueFdForTest full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    if (full.fd < 0)
        return;
    OutputBuffer out(full.fd);
    std::ostringstream err;
    std::vector<std::string> args = {"--tags"};
    for (int i = 0; i < 100; ++i)
        args.push_back(files[0]);
    EXPECT_EQ(RunInfo(args, out, err, three), 1);
    EXPECT_EQ(err.str(), "kivo-info: the output cannot be written: No space left on device\n");
}

} // namespace
} // namespace kivo
