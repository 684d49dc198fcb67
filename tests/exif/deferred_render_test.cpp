// Deferred rendering must give exactly what rendering during the walk gives.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "exif/photo_data.h"
#include "support/exif_fixtures.h"

namespace kivo {
namespace {

using namespace kivo::test;

struct Snapshot {
    std::string status, trace, makerTrace, make, model, date, userComment;
    std::vector<std::tuple<int, std::string, std::string, std::string, std::vector<std::uint8_t>,
                           int, int, std::string, int>>
        tags;
    int count = 0;
    bool present = false;
    std::int32_t positions[3] = {0, 0, 0};
};

Snapshot snap(TPhotoData& pd, bool traceFirst);

Snapshot read(const std::string& name, const Bytes& bytes, bool defer, int mode = kBuildAll,
              bool traceFirst = false) {
    TExifInfo::DeferRendering = defer;
    TPhotoData pd(mode);
    pd.ReadImageBytes(name, bytes);
    TExifInfo::DeferRendering = true;
    return snap(pd, traceFirst);
}

Snapshot snap(TPhotoData& pd, bool traceFirst) {
    Snapshot s;
    s.status = pd.StatusText;
    s.present = pd.ExifPresent();
    if (!pd.Exif)
        return s;
    TExifInfo& e = *pd.Exif;
    // Reading the list or the listing first must not matter.
    if (traceFirst) {
        s.trace = e.TraceText();
        s.makerTrace = e.MakerTrace();
    }
    for (const auto& row : e.Tags())
        s.tags.emplace_back(row.Number, row.Key, row.Caption, row.Shown, row.RawBytes, row.ValuePos,
                            row.Format, row.Pattern, row.Kind);
    if (!traceFirst) {
        s.trace = e.TraceText();
        s.makerTrace = e.MakerTrace();
    }
    s.count = e.TagCount();
    s.make = e.MakeText;
    s.model = e.ModelText;
    s.date = e.DateText;
    s.userComment = e.UserCommentText();
    s.positions[0] = e.ModifyDatePos;
    s.positions[1] = e.TakenDatePos;
    s.positions[2] = e.DigitizedDatePos;
    return s;
}

void expectSame(const std::string& name, const Bytes& bytes) {
    for (int mode : {kBuildAll, kBuildRender, kBuildList}) {
        for (bool traceFirst : {false, true}) {
            SCOPED_TRACE(name + " mode " + std::to_string(mode) + (traceFirst ? " trace first" : ""));
            const Snapshot eager = read(name, bytes, false, mode, traceFirst);
            const Snapshot lazy = read(name, bytes, true, mode, traceFirst);
            EXPECT_EQ(eager.status, lazy.status);
            EXPECT_EQ(eager.present, lazy.present);
            EXPECT_EQ(eager.trace, lazy.trace);
            EXPECT_EQ(eager.makerTrace, lazy.makerTrace);
            EXPECT_EQ(eager.tags, lazy.tags);
            EXPECT_EQ(eager.count, lazy.count);
            EXPECT_EQ(eager.make, lazy.make);
            EXPECT_EQ(eager.model, lazy.model);
            EXPECT_EQ(eager.date, lazy.date);
            EXPECT_EQ(eager.userComment, lazy.userComment);
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(eager.positions[i], lazy.positions[i]);
        }
    }
}

Bytes richTiff(bool bigEndian) {
    TiffBuilder t(bigEndian);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd(), gps = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "Canon");
    t.Ascii(ifd0, 0x0110, "Canon PowerShot S40");
    t.Short(ifd0, 0x0112, {6});
    t.Ascii(ifd0, 0x0132, "2004:07:16 08:00:00");
    t.Entry(ifd0, 0x4444, 3, 1, t.U16(9)); // unknown: listing only
    t.Link(ifd0, 0x8769, exif);
    t.Link(ifd0, 0x8825, gps);
    t.Rational(exif, 0x829A, {{1, 125}});
    t.Undefined(exif, 0x9101, Bytes{1, 2, 3, 0});
    t.SRational(exif, 0x9201, {{7, 1}});
    t.Short(exif, 0x9209, {0x19});
    t.Rational(exif, 0x920A, {{63, 10}});
    t.Short(exif, 0xA210, {2});
    t.Rational(exif, 0xA20E, {{8114, 1}});
    t.Rational(exif, 0xA20F, {{8114, 1}});
    t.Short(exif, 0xA002, {2272});
    t.Short(exif, 0xA003, {1704});
    t.Undefined(exif, 0x9286, Bytes{'A', 'S', 'C', 'I', 'I', 0, 0, 0, ' ', 'h', 'i', ' ', 0});
    // A Canon maker note: three entries with values in the entries.
    Bytes note = t.U16(3);
    for (std::uint16_t tag : {0x0008, 0x000C, 0x0010}) {
        for (auto part : {t.U16(tag), t.U16(4), t.U32(1), t.U32(1234 + tag)})
            note.insert(note.end(), part.begin(), part.end());
    }
    const auto zero = t.U32(0);
    note.insert(note.end(), zero.begin(), zero.end());
    t.Undefined(exif, 0x927C, note);
    t.Byte(exif, 0x9C9B, {'T', 0, 'i', 0, 0, 0});
    t.Ascii(exif, 0x9003, "2004:07:15 13:45:10");
    t.Rational(exif, 0x9209, {{1, 2}}); // fails: ends the EXIF directory here
    t.Ascii(exif, 0x9004, "2004:07:15 13:45:11");
    t.Rational(gps, 0x0002, {{50, 1}, {5, 1}, {1234, 100}});
    t.Rational(gps, 0x0007, {{13, 1}, {45, 1}, {10, 1}});
    return t.Build();
}

TEST(DeferredRendering, SameAsDuringTheWalk) {
    // The rich file has what makes the comparison worth something: maker-note rows between
    // walk rows, a derived row, a failing renderer and GPS lines.
    const Snapshot s = read("rich.jpg", JpegWithExif(richTiff(false)), true);
    int makerRows = 0;
    for (const auto& t : s.tags)
        makerRows += std::get<8>(t) == 1;
    EXPECT_GT(makerRows, 0);
    EXPECT_NE(s.trace.find("\r\nGPSLatitude = 50 Degrees 5 Minutes 12 Seconds"), std::string::npos);
    EXPECT_NE(s.trace.find("\r\nExposure Time = 1/125 sec"), std::string::npos);
    EXPECT_NE(s.trace.find("Focal Length in 35mm Film = "), std::string::npos);
    EXPECT_EQ(s.positions[2], 0);
    for (bool big : {false, true}) {
        expectSame("rich.jpg", JpegWithExif(richTiff(big)));
        expectSame("rich.tif", richTiff(big));
        expectSame("camera.jpg", JpegWithExif(CameraTiff(big)));
    }
}

bool operator==(const Snapshot& a, const Snapshot& b) {
    return std::tie(a.status, a.trace, a.makerTrace, a.make, a.model, a.date, a.userComment, a.tags,
                    a.count, a.present, a.positions[0], a.positions[1], a.positions[2]) ==
           std::tie(b.status, b.trace, b.makerTrace, b.make, b.model, b.date, b.userComment, b.tags,
                    b.count, b.present, b.positions[0], b.positions[1], b.positions[2]);
}

TEST(DeferredRendering, OneReaderForFileAfterFileKeepsNothingOfTheLastOne) {
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"rich.jpg", JpegWithExif(richTiff(false))},
        {"camera.jpg", JpegWithExif(CameraTiff(true))},
        {"rich.tif", richTiff(true)},
        {"none.jpg", JpegWithExif(Bytes{})},
        {"camera.tif", CameraTiff(false)},
        {"rich2.jpg", JpegWithExif(richTiff(true))}};
    TPhotoData reused(kBuildAll);
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        reused.ReadImageBytes(name, bytes);
        EXPECT_TRUE(snap(reused, false) == read(name, bytes, true));
    }
}

TEST(DeferredRendering, NamesLookedUpInOnePassAsOneByOne) {
    TPhotoData pd(kBuildAll);
    pd.ReadImageBytes("rich.jpg", JpegWithExif(richTiff(false)));
    TExifInfo& e = *pd.Exif;
    std::vector<std::string> keys = {"", "NoSuchTag", "make", "FOCALLENGTH",
                                     "FocalLengthIn35mmFilm"};
    for (const auto& row : e.Tags())
        keys.push_back(row.Key); // maker-note rows among them
    const std::vector<std::string_view> names(keys.begin(), keys.end());
    std::vector<int> at(names.size());
    e.TagIndexesByName(names, at);
    for (std::size_t k = 0; k < names.size(); ++k) {
        SCOPED_TRACE(keys[k]);
        EXPECT_EQ(at[k], e.TagIndexByName(names[k]));
        EXPECT_EQ(e.TagTextAt(at[k]), e.TagTextByName(names[k]));
    }
}

TEST(DeferredRendering, SameOnTheCorpus) {
    const std::filesystem::path photos = std::filesystem::path(KIVO_TESTDATA_DIR) / "photos";
    if (!std::filesystem::is_directory(photos))
        GTEST_SKIP() << "no test corpus at " << photos.string();
    for (const auto& entry : std::filesystem::directory_iterator(photos)) {
        std::ifstream f(entry.path(), std::ios::binary);
        Bytes bytes((std::istreambuf_iterator<char>(f)), {});
        expectSame(entry.path().filename().string(), bytes);
    }
}

} // namespace
} // namespace kivo
