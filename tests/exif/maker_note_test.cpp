// Maker notes: choosing the layout, walking the maker directory, the maker tables and the
// renderers.

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/exif_info.h"
#include "exif/exif_types.h"
#include "exif/maker_note.h"
#include "exif/maker_note_tables.h"
#include "exif/photo_data.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v, bool be) {
    if (be) {
        b.push_back(static_cast<std::uint8_t>(v >> 8));
        b.push_back(static_cast<std::uint8_t>(v));
    } else {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    }
}

void put32(Bytes& b, std::uint32_t v, bool be) {
    for (int i = 0; i < 4; ++i) {
        const int shift = be ? 24 - 8 * i : 8 * i;
        b.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

Bytes U32Of(std::uint32_t v, bool be) {
    Bytes b;
    put32(b, v, be);
    return b;
}

Bytes text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}
Bytes ascii(std::string_view s) {
    Bytes b = text(s);
    b.push_back(0);
    return b;
}

struct Field {
    std::uint16_t tag;
    std::uint16_t format;
    std::uint32_t count;
    Bytes value; // as it is stored
};

Bytes shorts(std::initializer_list<std::uint32_t> values, bool be) {
    Bytes b;
    for (std::uint32_t v : values) {
        put16(b, v, be);
    }
    return b;
}

Bytes rationals(std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> values, bool be) {
    Bytes b;
    for (auto [n, d] : values) {
        put32(b, n, be);
        put32(b, d, be);
    }
    return b;
}

Field Short(std::uint16_t tag, std::initializer_list<std::uint32_t> values, bool be) {
    return {tag, kFormatShort, static_cast<std::uint32_t>(values.size()), shorts(values, be)};
}
Field Ascii(std::uint16_t tag, std::string_view s) {
    return {tag, kFormatAscii, static_cast<std::uint32_t>(s.size() + 1), ascii(s)};
}

// A directory whose entry count lies at the 1-based position dirPos of the enclosing bytes,
// with the values that do not fit an entry right after it; offsetOf turns such a value's
// 1-based position into the offset stored in its entry.
Bytes Directory(const std::vector<Field>& fields, bool be, std::int64_t dirPos,
                const std::function<std::int64_t(std::int64_t)>& offsetOf) {
    Bytes dir;
    Bytes data;
    put16(dir, static_cast<std::uint32_t>(fields.size()), be);
    const std::int64_t dataPos = dirPos + 2 + 12 * static_cast<std::int64_t>(fields.size()) + 4;
    for (const Field& f : fields) {
        put16(dir, f.tag, be);
        put16(dir, f.format, be);
        put32(dir, f.count, be);
        if (f.value.size() <= 4) {
            Bytes v = f.value;
            v.resize(4, 0);
            dir.insert(dir.end(), v.begin(), v.end());
        } else {
            const std::int64_t pos = dataPos + static_cast<std::int64_t>(data.size());
            put32(dir, static_cast<std::uint32_t>(offsetOf(pos)), be);
            data.insert(data.end(), f.value.begin(), f.value.end());
        }
    }
    put32(dir, 0, be);
    dir.insert(dir.end(), data.begin(), data.end());
    return dir;
}

// A maker note: header bytes, then the directory; offsets as the layout counts them.
Bytes MakerNote(const Bytes& header, const std::vector<Field>& fields, bool be,
                const std::function<std::int64_t(std::int64_t)>& offsetOf) {
    Bytes note = header;
    Bytes dir = Directory(fields, be, static_cast<std::int64_t>(header.size()) + 1, offsetOf);
    note.insert(note.end(), dir.begin(), dir.end());
    return note;
}

// Offsets counted from the EXIF TIFF header, for a maker note at position p.
std::function<std::int64_t(std::int64_t)> ExifOffsets(std::int64_t p) {
    return [p](std::int64_t pos) { return pos - 10 + p; };
}

Bytes NikonEmbeddedHeader(bool be) {
    Bytes h = text("Nikon");
    h.insert(h.end(), {0, 2, 0x10, 0, 0});
    h.insert(h.end(), be ? std::initializer_list<std::uint8_t>{'M', 'M', 0, 42}
                         : std::initializer_list<std::uint8_t>{'I', 'I', 42, 0});
    put32(h, 8, be);
    return h;
}

// A TExifInfo holding the facts the maker-note reader looks at.
struct Harness {
    explicit Harness(std::string make, bool be = false, int buildMode = kBuildAll)
        : exif(nullptr, buildMode) {
        exif.MakeText = std::move(make);
        exif.BigEndian = be;
    }
    bool decode(Bytes note, std::int32_t pos = 101) {
        exif.MakerNoteRaw = std::move(note);
        exif.MakerNotePos = pos;
        TMakerNoteInfo info(exif.TiffSource, exif);
        return info.DecodeMakerNote();
    }
    const tTagRow* tag(std::string_view key) {
        for (const tTagRow& r : exif.Tags()) {
            if (r.Key == key) {
                return &r;
            }
        }
        return nullptr;
    }
    TExifInfo exif;
};

// --- choosing the layout -------------------------------------------------------------------

struct LayoutCase {
    const char* name;
    const char* make;
    const char* version;
    const char* model;
    bool tiffSource;
    const char* notePrefix;
    std::optional<MakerLayout> expected;
};

class MakerLayoutChoice : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(MakerLayoutChoice, PicksTheRowOfTheParameterTable) {
    const LayoutCase& c = GetParam();
    TExifInfo exif(nullptr, kBuildAll);
    exif.MakeText = c.make;
    exif.VersionRaw = text(c.version);
    exif.ModelText = c.model;
    exif.TiffSource = c.tiffSource;
    exif.MakerNoteRaw = text(c.notePrefix);
    exif.MakerNoteRaw.resize(40, 0);
    TMakerNoteInfo info(c.tiffSource, exif);
    EXPECT_EQ(info.ChooseLayout(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Makes, MakerLayoutChoice,
    ::testing::Values(
        LayoutCase{"CanonMixedCase", "Canon", "0221", "", false, "", MakerLayout::Canon},
        LayoutCase{"CanonUpper", "CANON", "", "", false, "", MakerLayout::Canon},
        LayoutCase{"CanonLower", "canon inc.", "", "", false, "", MakerLayout::Canon},
        LayoutCase{"NikonVersion0220", "NIKON CORPORATION", "0220", "NIKON D70", false, "Nikon",
                   MakerLayout::NikonEmbeddedTiff},
        LayoutCase{"NikonVersion0220WithoutHeader", "NIKON", "0220", "E990", false, "",
                   MakerLayout::NikonEmbeddedTiff},
        LayoutCase{"NikonHeader", "NIKON", "0210", "E990", false, "Nikon",
                   MakerLayout::NikonHeader},
        LayoutCase{"NikonPlain", "NIKON", "0210", "E775", false, "", MakerLayout::NikonPlain},
        LayoutCase{"NikonNefDModel", "NIKON CORPORATION", "", "NIKON D70", true, "Nikon",
                   MakerLayout::NikonEmbeddedTiff},
        LayoutCase{"NikonNefModelWithoutBlank", "NIKON", "", "D1X", true, "",
                   MakerLayout::NikonEmbeddedTiff},
        LayoutCase{"NikonJpegDModelNoVersion", "NIKON", "", "NIKON D70", false, "",
                   MakerLayout::NikonPlain},
        LayoutCase{"NikonNefNotD", "NIKON", "", "NIKON E5700", true, "Nikon",
                   MakerLayout::NikonHeader},
        LayoutCase{"Olympus", "OLYMPUS OPTICAL CO.,LTD", "0210", "", false, "OLYMP",
                   MakerLayout::Olympus},
        LayoutCase{"OlympusNew", "OLYMPUS IMAGING CORP.", "0221", "", false, "OLYMPUS",
                   MakerLayout::OlympusNew},
        LayoutCase{"OmSystem", "OM Digital Solutions", "0231", "", false, "OM SYSTEM",
                   MakerLayout::OmSystem},
        LayoutCase{"OmWithoutHeader", "OM Digital Solutions", "0231", "", false, "OLYMP",
                   std::nullopt},
        LayoutCase{"CasioQvc", "CASIO COMPUTER CO.,LTD", "0220", "", false, "QVC",
                   MakerLayout::CasioQvc},
        LayoutCase{"CasioPlain", "CASIO", "0210", "", false, "", MakerLayout::CasioPlain},
        LayoutCase{"Fujifilm", "FUJIFILM", "0210", "", false, "FUJIFILM", MakerLayout::Fujifilm},
        LayoutCase{"Seiko", "SEIKO EPSON CORP.", "", "", false, "", MakerLayout::Seiko},
        LayoutCase{"Sanyo", "SANYO Electric Co.,Ltd.", "", "", false, "SANYO", MakerLayout::Sanyo},
        LayoutCase{"Minolta", "Minolta Co., Ltd.", "", "", false, "", MakerLayout::Minolta},
        LayoutCase{"KonicaMinolta", "KONICA MINOLTA", "", "", false, "", std::nullopt},
        LayoutCase{"Kodak", "Kodak", "", "", false, "", std::nullopt},
        LayoutCase{"ShortMake", "Nik", "", "", false, "", std::nullopt},
        LayoutCase{"EmptyMake", "", "", "", false, "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MakerLayoutTable, ParametersPerLayout) {
    struct Want {
        MakerLayout layout;
        MakerTableId table;
        std::int64_t countPos;
        MakerOffsetBase base;
    };
    const Want want[] = {
        {MakerLayout::NikonEmbeddedTiff, MakerTableId::NikonA, 19, MakerOffsetBase::EmbeddedTiff},
        {MakerLayout::NikonHeader, MakerTableId::NikonB, 9, MakerOffsetBase::ExifTiff},
        {MakerLayout::NikonPlain, MakerTableId::NikonA, 1, MakerOffsetBase::ExifTiff},
        {MakerLayout::Olympus, MakerTableId::Olympus, 9, MakerOffsetBase::ExifTiff},
        {MakerLayout::OlympusNew, MakerTableId::Olympus, 13, MakerOffsetBase::NoteStart},
        {MakerLayout::OmSystem, MakerTableId::Olympus, 17, MakerOffsetBase::NoteStart},
        {MakerLayout::CasioQvc, MakerTableId::CasioA, 7, MakerOffsetBase::ExifTiff},
        {MakerLayout::CasioPlain, MakerTableId::CasioB, 1, MakerOffsetBase::ExifTiff},
        {MakerLayout::Fujifilm, MakerTableId::Fujifilm, 13, MakerOffsetBase::NoteStart},
        {MakerLayout::Canon, MakerTableId::Canon, 1, MakerOffsetBase::ExifTiff},
        {MakerLayout::Seiko, MakerTableId::Seiko, 9, MakerOffsetBase::ExifTiff},
        {MakerLayout::Sanyo, MakerTableId::Sanyo, 9, MakerOffsetBase::ExifTiff},
        {MakerLayout::Minolta, MakerTableId::Minolta, 1, MakerOffsetBase::ExifTiff},
    };
    ASSERT_EQ(MakerLayoutTable().size(), std::size(want));
    for (const Want& w : want) {
        const MakerLayoutRow& row = MakerLayoutParams(w.layout);
        EXPECT_EQ(row.layout, w.layout);
        EXPECT_EQ(row.table, w.table);
        EXPECT_EQ(row.countPos, w.countPos);
        EXPECT_EQ(row.offsetBase, w.base);
        EXPECT_EQ(row.littleEndian, w.layout == MakerLayout::Fujifilm);
    }
}

// --- the tables ----------------------------------------------------------------------------

struct TableCase {
    MakerTableId id;
    std::size_t rows;
};

class MakerTables : public ::testing::TestWithParam<TableCase> {};

TEST_P(MakerTables, RowCountAndRowsAsTagRows) {
    const auto rows = MakerTableRows(GetParam().id);
    EXPECT_EQ(rows.size(), GetParam().rows) << MakerTableName(GetParam().id);
    const std::vector<tTagRow>& tagRows = MakerTagRows(GetParam().id);
    ASSERT_EQ(tagRows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(tagRows[i].Number, rows[i].number);
        EXPECT_EQ(tagRows[i].Caption, rows[i].caption);
        EXPECT_EQ(tagRows[i].Key, rows[i].caption);
        EXPECT_EQ(tagRows[i].Choices, rows[i].choices);
        EXPECT_EQ(tagRows[i].Render != nullptr, rows[i].renderer != MakerRenderer::None);
        EXPECT_EQ(tagRows[i].Kind, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, MakerTables,
    ::testing::Values(TableCase{MakerTableId::NikonA, 28}, TableCase{MakerTableId::NikonB, 11},
                      TableCase{MakerTableId::Olympus, 33}, TableCase{MakerTableId::CasioA, 45},
                      TableCase{MakerTableId::CasioB, 26}, TableCase{MakerTableId::Fujifilm, 18},
                      TableCase{MakerTableId::Canon, 16}, TableCase{MakerTableId::Seiko, 12},
                      TableCase{MakerTableId::Sanyo, 6}, TableCase{MakerTableId::Minolta, 2},
                      TableCase{MakerTableId::OlympusEquipment, 22},
                      TableCase{MakerTableId::OlympusCameraSettings, 30}));

const MakerTableRow* findRow(MakerTableId id, std::uint16_t number) {
    for (const MakerTableRow& r : MakerTableRows(id)) {
        if (r.number == number) {
            return &r;
        }
    }
    return nullptr;
}

TEST(MakerTables, OddRowsKeptAsListed) {
    EXPECT_EQ(findRow(MakerTableId::CasioA, 0x0E00)->caption, "\tPrint Image Matching Info");
    EXPECT_EQ(findRow(MakerTableId::Olympus, 0x0202)->choices, "0=Normal,1:Macro;");
    EXPECT_EQ(findRow(MakerTableId::Seiko, 0x0300)->caption, "??");
    EXPECT_EQ(findRow(MakerTableId::Seiko, 0x0F00)->caption, "skip");
    EXPECT_EQ(findRow(MakerTableId::Sanyo, 0x0F00)->caption, "DataDump");
    EXPECT_EQ(findRow(MakerTableId::Fujifilm, 0x1100)->caption, "ContTake/Bracket");
    EXPECT_EQ(findRow(MakerTableId::NikonA, 0x0084)->renderer, MakerRenderer::LensRange);
    EXPECT_EQ(findRow(MakerTableId::NikonA, 0x008D)->renderer, MakerRenderer::ColourMode);
    EXPECT_EQ(findRow(MakerTableId::Canon, 0x0001)->renderer, MakerRenderer::CameraSettings);
    EXPECT_EQ(findRow(MakerTableId::Canon, 0x0004)->renderer, MakerRenderer::ShotInformation);
    EXPECT_EQ(findRow(MakerTableId::Canon, 0x000F)->renderer, MakerRenderer::CustomFunctions);
    // The first listed row of a tag wins: 0x2013 Skip comes before 0x2012 in Casio A.
    const auto casio = MakerTableRows(MakerTableId::CasioA);
    EXPECT_EQ(casio[18].number, 0x2013);
    EXPECT_EQ(casio[19].number, 0x2012);
    EXPECT_EQ(CanonCameraSettingRows().size(), 20u);
    EXPECT_EQ(CanonShotInformationRows().size(), 6u);
    EXPECT_EQ(CanonCustomFunctionRows().size(), 15u);
}

// --- renderers -----------------------------------------------------------------------------

struct RenderCase {
    const char* name;
    std::string (*render)(const std::string&);
    std::string input;
    std::string expected;
    bool composite;
};

class MakerRenderers : public ::testing::TestWithParam<RenderCase> {};

TEST_P(MakerRenderers, Render) {
    const RenderCase& c = GetParam();
    CompositeFlag = false;
    EXPECT_EQ(c.render(c.input), c.expected);
    EXPECT_EQ(CompositeFlag, c.composite);
}

INSTANTIATE_TEST_SUITE_P(
    Renderers, MakerRenderers,
    ::testing::Values(
        RenderCase{"Mode1", RenderColourMode, "\"MODE1   \"", "Mode1 (sRGB)", false},
        RenderCase{"Mode2", RenderColourMode, "\"MODE2\"", "Mode 2 (Adobe RGB)", false},
        RenderCase{"Mode3a", RenderColourMode, "\"MODE3a\"", "Mode 3 (sRGB): higher saturation",
                   false},
        RenderCase{"OtherMode", RenderColourMode, "\"mode1x\"", "mode1", false},
        RenderCase{"ShortMode", RenderColourMode, "\"ab\"", "ab\"", false},
        RenderCase{"LensRange", RenderLensRange, "180/10, 550/10, 35/10, 56/10",
                   "18.0-55.0(mm)  F3.5-F5.6", false},
        RenderCase{"LensPrime", RenderLensRange, "50/1, 50/1, 18/10, 18/10",
                   "50.0-50.0(mm)  F1.8-F1.8", false},
        RenderCase{"LensBroken", RenderLensRange, "x, 10/0", "0.0-0.0(mm)  F0.0-F0.0", false},
        RenderCase{"NoiseReduction", RenderCustomFunctions, "8, 257, 32, 0",
                   "\r\nNoise Reduction =  On", true},
        RenderCase{"FunctionZeroOnly", RenderCustomFunctions, "8, 32, 0", "", true},
        RenderCase{"LastItemIgnored", RenderCustomFunctions, "8, 769", "", true},
        RenderCase{"OutOfRangeAndJunk", RenderCustomFunctions, "8, 4096, x, -1, 3841, 0",
                   "\r\nShutter Release w/o CF Card = Disable", true},
        RenderCase{"SettingWithoutLabel", RenderCustomFunctions, "8, 265, 0", "", true},
        RenderCase{"AebOddChoices", RenderCustomFunctions, "8, 1792, 1793, 0",
                   "\r\nAEB Sequence = 0", true},
        RenderCase{"ShotInformation", RenderShotInformation,
                   "68, 0, 160, 115, 0, 0, 0, 1, 7, 0, 3, 0, 0, 2, 0, 65524, 0, 0, 512",
                   "\r\nWhite balance = Sunny\r\nSequence Number =  7\r\nOpticalZoom Step =  "
                   "3\r\nAF point =  2\r\nFlash bias = -0.33 EV\r\nDistance =  512",
                   true},
        RenderCase{"ShotInformationShort", RenderShotInformation, "68, 0, 160", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MakerRenderers, CameraSettingsLines) {
    // Items 1..34 of a Canon camera-settings value; unlisted items are 0.
    std::map<int, int> item = {{1, 68}, {2, 2},  {4, 1},   {11, 1},  {16, 3}, {17, 17}, {18, 2},
                               {20, 5}, {21, 7}, {24, 55}, {25, 18}, {26, 1}, {33, 1}};
    std::string items;
    for (int i = 1; i <= 34; ++i) {
        items += (i > 1 ? ", " : "") + std::to_string(item.count(i) ? item[i] : 0);
    }
    CompositeFlag = false;
    const std::string shown = RenderCameraSettings(items);
    EXPECT_TRUE(CompositeFlag);
    EXPECT_EQ(shown, "\r\nMacro mode = Normal"
                     "\r\nSelf Timer =  2"
                     "\r\nCompression Rate = Fine"
                     "\r\nFlash Mode = Not fired"
                     "\r\nDrive Mode = Single"
                     "\r\nFocus Mode = One-Shot"
                     "\r\nImage Size = Medium"
                     "\r\nEasy Shoot = Full Auto"
                     "\r\nContrast = Normal"
                     "\r\nSaturation = Normal"
                     "\r\nCCD ISO = 100"
                     "\r\nLong focal =  55"
                     "\r\nShort focal =  18"
                     "\r\nFocal Units =  1"
                     "\r\nFlash Details =  0"
                     "\r\nFocus Mode = High");
}

TEST(MakerRenderers, CameraSettingsLeaveOutMissingLabelsAndBlankItems) {
    CompositeFlag = false;
    // Macro mode 7 has no label, the self-timer item is blank, item 4 has no label.
    EXPECT_EQ(RenderCameraSettings("4, , 9, 4"), "");
    EXPECT_TRUE(CompositeFlag);
}

// --- walking maker directories ---------------------------------------------------------------

TEST(MakerWalk, CanonEntriesGoToTraceAndTagList) {
    const bool be = false;
    const std::int32_t p = 201;
    Bytes settings;
    for (int i = 0; i < 34; ++i) {
        put16(settings, i == 0 ? 68 : (i == 1 ? 1 : 0), be);
    }
    const Bytes note = MakerNote({},
                                 {{0x0001, kFormatShort, 34, settings},
                                  Ascii(0x0006, "IMG:EOS 300D JPEG"),
                                  {0x0008, kFormatLong, 1, {0x39, 0x30, 0x00, 0x00}},
                                  {0x0000, kFormatShort, 2, shorts({1, 2}, be)},
                                  Short(0x000F, {8, 257, 32, 0}, be),
                                  Short(0x0099, {5}, be)},
                                 be, ExifOffsets(p));
    Harness h("Canon", be);
    ASSERT_TRUE(h.decode(note, p));

    const std::string& trace = h.exif.MakerTrace();
    EXPECT_NE(trace.find("\r\nMacro mode = Macro\r\nSelf Timer =  1"), std::string::npos);
    EXPECT_NE(trace.find("\r\nExposureInfo1 = 68, 1, 0,"), std::string::npos);
    EXPECT_NE(trace.find("\r\nImageType = \"IMG:EOS 300D JPEG\""), std::string::npos);
    EXPECT_NE(trace.find("\r\nImageNumber = 12345"), std::string::npos);
    EXPECT_NE(trace.find("\r\nNoise Reduction =  On\r\nCustomFunctions = 8, 257, 32, 0"),
              std::string::npos);
    EXPECT_NE(trace.find("\r\nUnknown = 5"), std::string::npos);
    EXPECT_EQ(trace.find("Skip"), std::string::npos);

    ASSERT_EQ(h.exif.TagCount(), 4);
    const tTagRow* image = h.tag("ImageType");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Kind, 1);
    EXPECT_EQ(image->Format, kFormatAscii);
    EXPECT_EQ(image->Shown, "\"IMG:EOS 300D JPEG\"");
    EXPECT_EQ(image->RawBytes, ascii("IMG:EOS 300D JPEG"));
    const tTagRow* custom = h.tag("CustomFunctions");
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->Shown, "\r\nNoise Reduction =  On");
    EXPECT_EQ(h.tag("Unknown"), nullptr);
}

TEST(MakerWalk, NikonEmbeddedTiffHeaderLayout) {
    for (bool be : {true, false}) {
        SCOPED_TRACE(be ? "MM" : "II");
        const auto offsets = [](std::int64_t pos) { return pos - 11; };
        const Bytes note = MakerNote(NikonEmbeddedHeader(be),
                                     {Short(0x0002, {0, 200}, be),
                                      Ascii(0x0004, "FINE  "),
                                      {0x0084, kFormatRational, 4,
                                       rationals({{180, 10}, {700, 10}, {35, 10}, {45, 10}}, be)},
                                      Ascii(0x008D, "MODE2 "),
                                      Short(0x000A, {1}, be)},
                                     be, offsets);
        Harness h("NIKON CORPORATION", be);
        h.exif.VersionRaw = text("0220");
        ASSERT_TRUE(h.decode(note));
        EXPECT_EQ(h.exif.MakerTrace(), "\r\nISO Speed = 0, 200"
                                       "\r\nQuality = \"FINE  \""
                                       "\r\nLens information = 18.0-70.0(mm)  F3.5-F4.5"
                                       "\r\nColor Mode = Mode 2 (Adobe RGB)");
        EXPECT_EQ(h.exif.TagCount(), 4);
    }
}

TEST(MakerWalk, NikonEmbeddedHeaderByteOrderWinsOverExif) {
    // The EXIF block was rewritten little-endian, the maker note stayed big-endian.
    const Bytes note = MakerNote(NikonEmbeddedHeader(true), {Short(0x0002, {0, 400}, true)}, true,
                                 [](std::int64_t pos) { return pos - 11; });
    Harness h("NIKON", false);
    h.exif.VersionRaw = text("0221");
    ASSERT_TRUE(h.decode(note));
    EXPECT_EQ(h.exif.MakerTrace(), "\r\nISO Speed = 0, 400");
    EXPECT_FALSE(h.exif.BigEndian);
}

TEST(MakerWalk, MakerNoteLeftInTheOtherByteOrderByAnEditor) {
    // The EXIF block is big-endian, the Canon maker note still little-endian: read in the
    // EXIF order its count (0x0200) announces far more entries than it holds.
    const std::int32_t p = 201;
    const Bytes note =
        MakerNote({}, {Ascii(0x0009, "Phil"), Short(0x0008, {7}, false)}, false, ExifOffsets(p));
    Harness h("Canon", true);
    ASSERT_TRUE(h.decode(note, p));
    EXPECT_EQ(h.exif.MakerTrace(), "\r\nOwnerName = \"Phil\"\r\nImageNumber = 7");
    EXPECT_TRUE(h.exif.BigEndian);
}

TEST(MakerWalk, DirectoryThatFitsInTheExifOrderIsReadSo) {
    // One entry read big-endian (0x0001) fits, and so would 0x0100 read little-endian in
    // these 3200 bytes: the EXIF order stands.
    Bytes note = MakerNote({}, {Short(0x0008, {7}, true)}, true, ExifOffsets(101));
    note.resize(3200, 0);
    Harness h("Canon", true);
    ASSERT_TRUE(h.decode(note));
    EXPECT_EQ(h.exif.MakerTrace(), "\r\nImageNumber = 7");
}

TEST(MakerWalk, NikonHeaderLayoutWithOddChoices) {
    const bool be = true;
    const std::int32_t p = 300;
    Bytes header = text("Nikon");
    header.insert(header.end(), {0, 1, 0});
    const Bytes note =
        MakerNote(header,
                  {Short(0x0003, {6}, be), Short(0x0004, {1}, be), Short(0x0007, {3}, be),
                   Short(0x000B, {10}, be), Ascii(0x0008, "AF-S  ")},
                  be, ExifOffsets(p));
    Harness h("NIKON", be);
    h.exif.VersionRaw = text("0210");
    ASSERT_TRUE(h.decode(note, p));
    EXPECT_EQ(h.exif.MakerTrace(), "\r\nQuality = SXGA Fine10:2 Mpixel Basic"
                                   "\r\nColorMode = Color"
                                   "\r\nWhiteBalance = Incandescense"
                                   "\r\nConverter = "
                                   "\r\nFocus = \"AF-S  \"");
}

TEST(MakerWalk, NikonPlainLayoutCountsAtTheStart) {
    const bool be = false;
    const Bytes note =
        MakerNote({}, {Short(0x0002, {0, 100}, be), Short(0x0010, {1}, be)}, be, ExifOffsets(101));
    Harness h("NIKON", be);
    h.exif.VersionRaw = text("0210");
    ASSERT_TRUE(h.decode(note));
    EXPECT_EQ(h.exif.MakerTrace(), "\r\nISO Speed = 0, 100");
}

TEST(MakerWalk, OlympusCasioSeikoSanyoMinolta) {
    struct Case {
        const char* make;
        Bytes header;
        std::vector<Field> fields;
        std::string expected;
    };
    const bool be = false;
    Bytes olymp = text("OLYMP");
    olymp.insert(olymp.end(), {0, 1, 0});
    Bytes qvc = text("QVC");
    qvc.insert(qvc.end(), {0, 0, 0});
    Bytes sanyo = text("SANYO");
    sanyo.insert(sanyo.end(), {0, 1, 0});
    const Bytes seiko(8, 0);
    const std::vector<Case> cases = {
        {"OLYMPUS",
         olymp,
         {Short(0x0201, {2}, be), Short(0x0202, {1}, be), Ascii(0x0207, "SX751"),
          Short(0x0203, {0}, be)},
         "\r\nJpegQual = HQ\r\nMacro = Macro;\r\nFirmware = \"SX751\""},
        {"CASIO COMPUTER CO.,LTD",
         qvc,
         {Short(0x0008, {2}, be), Short(0x0E00, {0}, be), Short(0x2012, {1}, be),
          Short(0x3001, {1}, be)},
         "\r\nQuality = Super Fine\r\n\tPrint Image Matching Info = 0\r\nWhite Balance = "
         "Auto\r\nSelf Timer = On"},
        {"CASIO",
         {},
         {Short(0x0001, {3}, be),
          Short(0x000A, {65537}, be),
          {0x000A, kFormatLong, 1, {0x01, 0x00, 0x01, 0x00}},
          Short(0x0014, {244}, be)},
         "\r\nRecordingMode = Night Scene\r\nDigitalZoom = \r\nDigitalZoom = 2X Digital "
         "Zoom\r\nCCDSensitivity = +3.0"},
        {"SEIKO EPSON",
         seiko,
         {Short(0x0201, {2}, be), Short(0x0300, {7}, be), Short(0x0F00, {1}, be)},
         "\r\nJpegQuality = 2\r\n?? = 7"},
        {"SANYO Electric",
         sanyo,
         {Short(0x0204, {3}, be), Short(0x0F00, {1, 2}, be)},
         "\r\nDigiZoom = 3\r\nDataDump = 1, 2"},
        {"Minolta Co., Ltd.",
         {},
         {Ascii(0x0000, "MLT0"), Short(0x0E00, {9}, be)},
         "\r\nModelID = \"MLT0\"\r\nPIMdata = 9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.make);
        const std::int32_t p = 150;
        Harness h(c.make, be);
        ASSERT_TRUE(h.decode(MakerNote(c.header, c.fields, be, ExifOffsets(p)), p));
        EXPECT_EQ(h.exif.MakerTrace(), c.expected);
    }
}

TEST(MakerWalk, RowsWithTagZeroAreListedButNotTagged) {
    Bytes header = text("FUJIFILM");
    put32(header, 12, false);
    const Bytes note = MakerNote(header,
                                 {{0x0000, kFormatUndefined, 4, text("0130")},
                                  Short(0x1001, {3}, false),
                                  Short(0x1032, {1}, false)},
                                 false, [](std::int64_t pos) { return pos - 1; });
    Harness h("FUJIFILM", false);
    ASSERT_TRUE(h.decode(note));
    EXPECT_EQ(h.exif.MakerTrace(), "\r\nVersion = \"0130\"\r\nSharpness = Normal");
    ASSERT_EQ(h.exif.TagCount(), 1);
    EXPECT_EQ(h.exif.Tags()[0].Key, "Sharpness");
}

TEST(MakerWalk, FujifilmReadsLittleEndianAndRestoresTheOwnerOrder) {
    Bytes header = text("FUJIFILM");
    put32(header, 12, false);
    const Bytes note = MakerNote(header, {Ascii(0x1000, "NORMAL "), Short(0x1031, {256}, false)},
                                 false, [](std::int64_t pos) { return pos - 1; });
    Harness h("FUJIFILM", true);
    ASSERT_TRUE(h.decode(note));
    EXPECT_EQ(h.exif.MakerTrace(), "\r\nQuality = \"NORMAL \"\r\nPictureMode = Aperture prior AE");
    EXPECT_TRUE(h.exif.BigEndian);
}

TEST(MakerWalk, UnrecognisedMakeDecodesNothing) {
    Harness h("Kodak", false);
    EXPECT_FALSE(h.decode(MakerNote({}, {Short(0x0001, {1}, false)}, false, ExifOffsets(101))));
    EXPECT_EQ(h.exif.MakerTrace(), "");
    EXPECT_EQ(h.exif.TagCount(), 0);
}

TEST(MakerWalk, ValueEndingAtTheLastByteIsReadFromTheMakerNote) {
    // Fujifilm has no fallback: a value that fits exactly must still be found.
    Bytes header = text("FUJIFILM");
    put32(header, 12, false);
    const Bytes note = MakerNote(header, {Ascii(0x1000, "FINE   ")}, false,
                                 [](std::int64_t pos) { return pos - 1; });
    ASSERT_EQ(note.back(), 0);
    Harness h("FUJIFILM", false);
    ASSERT_TRUE(h.decode(note));
    EXPECT_EQ(h.exif.MakerTrace(), "\r\nQuality = \"FINE   \"");
}

TEST(MakerWalk, ValueOutsideTheMakerNoteIsReadFromTheExifBytesAtItsTiffOffset) {
    const bool be = false;
    const std::int32_t p = 21; // maker note at EXIF position 21
    // EXIF bytes: 20 bytes before the maker note, the maker note, then an ASCII value at
    // TIFF offset 60 (position 69) that the maker note's entry points at.
    Bytes note;
    put16(note, 1, be);
    put16(note, 0x0009, be);
    put16(note, kFormatAscii, be);
    put32(note, 8, be);
    put32(note, 60, be);
    put32(note, 0, be);
    Bytes exifBytes(20, 0xEE);
    exifBytes.insert(exifBytes.end(), note.begin(), note.end());
    exifBytes.resize(68, 0xEE);
    const Bytes owner = ascii("Someone");
    exifBytes.insert(exifBytes.end(), owner.begin(), owner.end());

    Harness h("Canon", be);
    h.exif.SetBuffer(exifBytes);
    ASSERT_TRUE(h.decode(note, p));
    EXPECT_EQ(h.exif.MakerTrace(), "\r\nOwnerName = \"Someone\"");
}

TEST(MakerWalk, ValueOutsideEveryBufferRendersWhatExists) {
    const bool be = false;
    Bytes note;
    put16(note, 1, be);
    put16(note, 0x0009, be);
    put16(note, kFormatAscii, be);
    put32(note, 1000, be);
    put32(note, 0x7FFFFFF0, be);
    Harness h("Canon", be);
    ASSERT_TRUE(h.decode(note));
    EXPECT_EQ(h.exif.MakerTrace(), "\r\nOwnerName = \"\"");
}

TEST(MakerWalk, EntryOutsideTheMakerNoteEndsTheWalkWithAStatus) {
    const bool be = false;
    Bytes note =
        MakerNote({}, {Short(0x0008, {7}, be), Short(0x0006, {1}, be)}, be, ExifOffsets(101));
    note[0] = 5; // five entries announced, two stored
    note.resize(2 + 24);
    TPhotoData photo(kBuildAll);
    TExifInfo exif(&photo, kBuildAll);
    exif.MakeText = "Canon";
    exif.MakerNoteRaw = note;
    exif.MakerNotePos = 101;
    TMakerNoteInfo info(false, exif);
    EXPECT_TRUE(info.DecodeMakerNote());
    EXPECT_EQ(exif.MakerTrace(), "\r\nImageNumber = 7\r\nImageType = 1");
    EXPECT_EQ(exif.TagCount(), 2);
    EXPECT_EQ(photo.StatusText.rfind("Error Detected = ", 0), 0u) << photo.StatusText;
    EXPECT_EQ(info.MakerText, "Canon");
}

TEST(MakerWalk, TooShortForTheEntryCount) {
    TPhotoData photo(kBuildAll);
    TExifInfo exif(&photo, kBuildAll);
    exif.MakeText = "SANYO";
    exif.MakerNoteRaw = text("SANYO");
    TMakerNoteInfo info(false, exif);
    EXPECT_TRUE(info.DecodeMakerNote());
    EXPECT_EQ(exif.MakerTrace(), "");
    EXPECT_EQ(photo.StatusText.rfind("Error Detected = ", 0), 0u);
}

TEST(MakerWalk, ManyEntriesSharingOneLargeValueEndTheWalk) {
    // A forged maker note: 400 entries that all point at the same 60000-byte value.
    const bool be = false;
    const std::int32_t p = 101;
    const int entries = 400;
    const std::int64_t dataPos = 1 + 2 + 12 * entries + 4;
    Bytes note;
    put16(note, entries, be);
    for (int i = 0; i < entries; ++i) {
        put16(note, 0x0006, be);
        put16(note, kFormatUndefined, be);
        put32(note, 60000, be);
        put32(note, static_cast<std::uint32_t>(dataPos - 10 + p), be);
    }
    put32(note, 0, be);
    note.resize(note.size() + 60000, 'v');
    TPhotoData photo(kBuildAll);
    TExifInfo exif(&photo, kBuildAll);
    exif.MakeText = "Canon";
    exif.MakerNoteRaw = note;
    exif.MakerNotePos = p;
    TMakerNoteInfo info(false, exif);
    EXPECT_TRUE(info.DecodeMakerNote());
    EXPECT_EQ(exif.TagCount(), 16 * 1024 * 1024 / 60000);
    EXPECT_EQ(photo.StatusText.rfind("Error Detected = Maker note values exceed", 0), 0u)
        << photo.StatusText;
}

TEST(MakerWalk, EntriesCountAgainstTheFileLimit) {
    // A forged maker note of 65,535 entries: the file's entry limit ends its walk.
    const bool be = false;
    const int entries = 65535;
    Bytes note;
    put16(note, entries, be);
    for (int i = 0; i < entries; ++i) {
        put16(note, 0x0008, be);
        put16(note, kFormatLong, be);
        put32(note, 1, be);
        put32(note, static_cast<std::uint32_t>(i), be);
    }
    put32(note, 0, be);
    TPhotoData photo(kBuildAll);
    TExifInfo exif(&photo, kBuildAll);
    exif.MakeText = "Canon";
    exif.MakerNoteRaw = note;
    exif.MakerNotePos = 101;
    TMakerNoteInfo info(false, exif);
    EXPECT_TRUE(info.DecodeMakerNote());
    EXPECT_EQ(exif.Work.entries, kMaxEntriesPerFile);
    EXPECT_EQ(exif.TagCount(), kMaxEntriesPerFile);
    EXPECT_EQ(photo.StatusText.rfind("Error Detected = Maker note entries exceed", 0), 0u)
        << photo.StatusText;
}

TEST(MakerRenderers, LensRangeIgnoresTheLocale) {
    // A locale with a decimal comma; made with localedef when the system has none.
    const char* const kNames[] = {"cs_CZ.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8"};
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    bool set = false;
    for (const char* name : kNames)
        set = set || std::setlocale(LC_NUMERIC, name) != nullptr;
    test::TempDir dir;
    if (!set &&
        std::system(("localedef -i cs_CZ -f UTF-8 " + dir.file("cs_CZ.UTF-8") + " >/dev/null 2>&1")
                        .c_str()) == 0) {
        ::setenv("LOCPATH", dir.path().c_str(), 1);
        set = std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8") != nullptr;
    }
    if (!set)
        GTEST_SKIP() << "no locale with a decimal comma";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%0.1f", 1.5);
    const std::string lens = RenderLensRange("180/10, 550/10, 35/10, 56/10");
    std::setlocale(LC_NUMERIC, saved.c_str());
    ::unsetenv("LOCPATH");
    EXPECT_STREQ(probe, "1,5"); // the locale was in effect
    EXPECT_EQ(lens, "18.0-55.0(mm)  F3.5-F5.6");
}

TEST(MakerWalk, RenderOnlyBuildModeListsNamesWithoutValues) {
    const Bytes note = MakerNote({}, {Short(0x0008, {7}, false)}, false, ExifOffsets(101));
    Harness h("Canon", false, kBuildRender);
    ASSERT_TRUE(h.decode(note));
    EXPECT_EQ(h.exif.MakerTrace(), "\r\nImageNumber = ");
    EXPECT_EQ(h.exif.TagCount(), 0);
}

TEST(MakerWalk, TraceDepthAddsTagSizeRawAndStart) {
    struct Depth {
        Depth() { TraceDepth = 1; }
        ~Depth() { TraceDepth = 0; }
    } depth;
    const bool be = false;
    const std::int32_t p = 101;
    Bytes custom = shorts({8, 257, 0x0703, 1, 2, 3, 4, 5, 6, 7}, be);
    const Bytes note = MakerNote({}, {Short(0x0008, {7}, be), {0x000F, kFormatShort, 10, custom}},
                                 be, ExifOffsets(p));
    Harness h("Canon", be);
    ASSERT_TRUE(h.decode(note, p));
    // Entry count at 1, entries at 3 and 15, link at 27, data from 31.
    EXPECT_EQ(h.exif.MakerTrace(),
              "\r\ntag[$0008]: ImageNumber = 7 [size: 2] [raw: 07 00 ] [start: 11]"
              "\r\ntag[$000F]: CustomFunctions =  [size: 20] [raw: 08 00 01 01 03 07 01 00 02 "
              "00 03 00 04 00 05 00 ...] [start: 31]"
              "\r\nNoise Reduction =  On\r\nAEB Sequence =  -");
}

// --- through the reader --------------------------------------------------------------------

// A JPEG whose EXIF block holds Make and an EXIF directory with ExifVersion, the maker note
// and ExifImageWidth (after the maker note, to see the walk go on). makeNote gets the maker
// note's TIFF offset.
Bytes JpegWithMakerNote(bool be, std::string_view make, std::string_view version,
                        const std::function<Bytes(std::int64_t makerOffset)>& makeNote) {
    const auto build = [&](const Bytes& note, std::uint32_t* makerOffset) {
        test::TiffBuilder t(be);
        const int ifd0 = t.AddIfd();
        const int exif = t.AddIfd();
        t.Ascii(ifd0, 0x010F, make);
        t.Link(ifd0, 0x8769, exif);
        t.Undefined(exif, 0x9000, text(version));
        t.Undefined(exif, 0x927C, note);
        t.Long(exif, 0xA002, {640});
        Bytes tiff = t.Build();
        *makerOffset = t.ValueOffset(exif, 0x927C);
        return tiff;
    };
    // The maker note's offset does not depend on its contents, only on its size.
    std::uint32_t offset = 0;
    const Bytes probe = makeNote(0);
    build(probe, &offset);
    const Bytes note = makeNote(offset);
    EXPECT_EQ(note.size(), probe.size());
    std::uint32_t again = 0;
    const Bytes tiff = build(note, &again);
    EXPECT_EQ(again, offset);
    return test::JpegWithExif(tiff);
}

TEST(MakerNoteInReader, FujifilmInBigEndianExifAndTheWalkGoesOnBigEndian) {
    const Bytes jpeg = JpegWithMakerNote(true, "FUJIFILM", "0220", [](std::int64_t) {
        Bytes header = text("FUJIFILM");
        put32(header, 12, false);
        return MakerNote(header, {Short(0x1010, {3}, false), Ascii(0x1000, "NORMAL ")}, false,
                         [](std::int64_t pos) { return pos - 1; });
    });
    TPhotoData photo(kBuildAll);
    ASSERT_TRUE(photo.ReadImageBytes("fuji.jpg", jpeg));
    ASSERT_NE(photo.Exif, nullptr);
    EXPECT_TRUE(photo.Exif->MakerDecoded);
    EXPECT_EQ(photo.Exif->MakerTrace(),
              "\r\nFlashMode = Red-eye reduction\r\nQuality = \"NORMAL \"");
    EXPECT_TRUE(photo.Exif->BigEndian);
    EXPECT_EQ(photo.Exif->PixelWidth, 640);
    EXPECT_EQ(photo.StatusText, "<none>");
    int makerRows = 0;
    for (const tTagRow& r : photo.Exif->Tags()) {
        makerRows += r.Kind == 1 ? 1 : 0;
    }
    EXPECT_EQ(makerRows, 2);
}

TEST(MakerNoteInReader, CanonOffsetsCountFromTheExifTiffHeader) {
    for (bool be : {false, true}) {
        SCOPED_TRACE(be ? "MM" : "II");
        const Bytes jpeg = JpegWithMakerNote(be, "Canon", "0221", [be](std::int64_t x) {
            // The maker note's position in the EXIF segment is its TIFF offset + 9.
            return MakerNote({}, {Ascii(0x0009, "Jan Novak"), Ascii(0x0006, "IMG:EOS JPEG")}, be,
                             ExifOffsets(x + 9));
        });
        TPhotoData photo(kBuildAll);
        ASSERT_TRUE(photo.ReadImageBytes("canon.jpg", jpeg));
        ASSERT_NE(photo.Exif, nullptr);
        EXPECT_TRUE(photo.Exif->MakerDecoded);
        EXPECT_EQ(photo.Exif->MakerTrace(),
                  "\r\nOwnerName = \"Jan Novak\"\r\nImageType = \"IMG:EOS JPEG\"");
        EXPECT_EQ(photo.Exif->TagTextByName("OwnerName"), "\"Jan Novak\"");
    }
}

// A TIFF-structured file with Make, Model and an EXIF directory holding the maker note and,
// after it, a value outside the maker note that the maker note's last entry points at.
Bytes TiffWithMakerNote(
    bool be, std::string_view make, std::string_view model,
    const std::function<Bytes(std::int64_t makerOffset, std::int64_t outsideOffset)>& makeNote) {
    const auto build = [&](const Bytes& note, std::uint32_t* makerOffset,
                           std::uint32_t* outsideOffset) {
        test::TiffBuilder t(be);
        const int ifd0 = t.AddIfd();
        const int exif = t.AddIfd();
        t.Ascii(ifd0, 0x010F, make);
        t.Ascii(ifd0, 0x0110, model);
        t.Link(ifd0, 0x8769, exif);
        t.Undefined(exif, 0x927C, note);
        t.Ascii(exif, 0xA420, "outside the maker note");
        Bytes tiff = t.Build();
        *makerOffset = t.ValueOffset(exif, 0x927C);
        *outsideOffset = t.ValueOffset(exif, 0xA420);
        return tiff;
    };
    std::uint32_t maker = 0;
    std::uint32_t outside = 0;
    const Bytes probe = makeNote(0, 0);
    build(probe, &maker, &outside);
    std::uint32_t maker2 = 0;
    std::uint32_t outside2 = 0;
    const Bytes tiff = build(makeNote(maker, outside), &maker2, &outside2);
    EXPECT_EQ(maker2, maker);
    EXPECT_EQ(outside2, outside);
    return tiff;
}

TEST(MakerNoteInReader, NefWithoutExifVersionUsesTheEmbeddedTiffLayout) {
    const Bytes nef =
        TiffWithMakerNote(false, "NIKON CORPORATION", "NIKON D70", [](std::int64_t, std::int64_t) {
            return MakerNote(NikonEmbeddedHeader(false),
                             {Short(0x0002, {0, 800}, false), Ascii(0x0004, "RAW    ")}, false,
                             [](std::int64_t pos) { return pos - 11; });
        });
    TPhotoData photo(kBuildAll);
    ASSERT_TRUE(photo.ReadImageBytes("d70.nef", nef));
    ASSERT_NE(photo.Exif, nullptr);
    EXPECT_TRUE(photo.Exif->MakerDecoded);
    EXPECT_EQ(photo.Exif->MakerTrace(), "\r\nISO Speed = 0, 800\r\nQuality = \"RAW    \"");
}

TEST(MakerNoteInReader, TiffFileOffsetsAndFallbackCountFromTheTiffHeader) {
    for (bool be : {false, true}) {
        SCOPED_TRACE(be ? "MM" : "II");
        const Bytes tif = TiffWithMakerNote(
            be, "Canon", "Canon EOS 300D", [be](std::int64_t maker, std::int64_t outside) {
                // The reader stores the maker note at TIFF offset - 7 and adds 16 to that
                // position, so offsets count from the TIFF header as in a JPEG.
                Bytes note = MakerNote({}, {Ascii(0x0009, "Jan Novak"), Ascii(0x0007, "x")}, be,
                                       ExifOffsets(maker + 9));
                // The last entry (FirmwareVersion) points outside the maker note.
                const std::size_t field = 2 + 12 + 8;
                Bytes offset;
                put32(offset, static_cast<std::uint32_t>(outside), be);
                std::copy(offset.begin(), offset.end(), note.begin() + field);
                const std::size_t countField = 2 + 12 + 4;
                Bytes count;
                put32(count, 23, be);
                std::copy(count.begin(), count.end(), note.begin() + countField);
                return note;
            });
        TPhotoData photo(kBuildAll);
        ASSERT_TRUE(photo.ReadImageBytes("canon.tif", tif));
        ASSERT_NE(photo.Exif, nullptr);
        EXPECT_TRUE(photo.Exif->MakerDecoded);
        EXPECT_EQ(photo.Exif->MakerTrace(), "\r\nOwnerName = \"Jan Novak\"\r\nFirmwareVersion = "
                                            "\"outside the maker note\"");
    }
}

TEST(MakerNoteInReader, FailedMakerWalkStatusIsReplacedWhenTheReadSucceeds) {
    const Bytes jpeg = JpegWithMakerNote(false, "Canon", "0221", [](std::int64_t) {
        Bytes note;
        put16(note, 40, false); // forty entries announced, none stored
        note.resize(10, 0);
        return note;
    });
    TPhotoData photo(kBuildAll);
    ASSERT_TRUE(photo.ReadImageBytes("broken.jpg", jpeg));
    EXPECT_TRUE(photo.Exif->MakerDecoded);
    EXPECT_EQ(photo.StatusText, "<none>");
    EXPECT_EQ(photo.Exif->PixelWidth, 640);
}

TEST(MakerNoteInReader, KodakDecodesNothing) {
    const Bytes jpeg = JpegWithMakerNote(false, "Kodak", "0221", [](std::int64_t x) {
        return MakerNote({}, {Short(0x0001, {1}, false)}, false, ExifOffsets(x + 9));
    });
    TPhotoData photo(kBuildAll);
    ASSERT_TRUE(photo.ReadImageBytes("kodak.jpg", jpeg));
    EXPECT_FALSE(photo.Exif->MakerDecoded);
    EXPECT_EQ(photo.Exif->MakerTrace(), "");
    EXPECT_EQ(photo.Exif->PixelWidth, 640);
}

// --- newer Olympus layouts ------------------------------------------------------------------

// A maker note of the newer Olympus layouts: the header, a directory whose Equipment entry
// (IFD format) points after it and whose CameraSettings are UNDEFINED bytes holding their
// own directory; every offset counts from the maker note's first byte.
Bytes NewOlympusNote(const Bytes& header, bool be) {
    const auto fromStart = [](std::int64_t pos) { return pos - 1; };
    const std::vector<Field> settings = {Short(0x0200, {3}, be), Short(0x0507, {1}, be),
                                         Ascii(0x0509, "long scene name")};
    const std::vector<Field> equipment = {Ascii(0x0203, "M.12-40mm F2.8"),
                                          Ascii(0x0101, "BHP123456")};
    const auto note = [&](const Bytes& blob, std::uint32_t equipmentAt) {
        return MakerNote(
            header,
            {Short(0x0201, {2}, be),
             Ascii(0x0207, "E-M1"),
             {0x2010, 13, 1, U32Of(equipmentAt, be)},
             {0x2020, kFormatUndefined, static_cast<std::uint32_t>(blob.size()), blob}},
            be, fromStart);
    };
    const Bytes blob0 = Directory(settings, be, 1, fromStart);
    const Bytes probe = note(blob0, 0);
    // The settings are the last value; the equipment directory follows the maker note.
    const Bytes blob = Directory(
        settings, be, static_cast<std::int64_t>(probe.size() - blob0.size()) + 1, fromStart);
    Bytes out = note(blob, static_cast<std::uint32_t>(probe.size()));
    const Bytes dir =
        Directory(equipment, be, static_cast<std::int64_t>(out.size()) + 1, fromStart);
    out.insert(out.end(), dir.begin(), dir.end());
    return out;
}

TEST(MakerWalk, NewerOlympusLayoutsCountFromTheMakerNoteAndWalkTheirDirectories) {
    struct Case {
        const char* name;
        const char* make;
        std::string_view magic;
        bool be;
    };
    const Case cases[] = {
        {"OlympusII", "OLYMPUS IMAGING CORP.", {"OLYMPUS\0II\3\0", 12}, false},
        {"OlympusMM", "OLYMPUS CORPORATION", {"OLYMPUS\0MM\0\3", 12}, true},
        {"OmSystem", "OM Digital Solutions", {"OM SYSTEM\0\0\0II\4\0", 16}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The EXIF block's byte order is the other one: the maker note's own mark decides.
        Harness h(c.make, !c.be);
        ASSERT_TRUE(h.decode(NewOlympusNote(text(c.magic), c.be), 5000));
        const std::string& trace = h.exif.MakerTrace();
        EXPECT_EQ(trace,
                  "\r\nJpegQual = HQ\r\nFirmware = \"E-M1\"\r\nLens Model = \"M.12-40mm F2.8\""
                  "\r\nSerial Number = \"BHP123456\"\r\nExposure Mode = Aperture-priority AE"
                  "\r\nColor Space = Adobe RGB\r\nScene Mode = \"long scene name\"");
        EXPECT_EQ(h.exif.TagTextByName("Lens Model"), "\"M.12-40mm F2.8\"");
        EXPECT_EQ(h.exif.TagTextByName("Color Space"), "Adobe RGB");
        EXPECT_EQ(h.exif.BigEndian, !c.be);
    }
}

// --- maker notes moved by an editor ---------------------------------------------------------

Bytes CanonNote(bool be, std::int64_t pos) {
    return MakerNote({},
                     {Ascii(0x0006, "IMG:EOS 40D JPEG"),
                      Ascii(0x0007, "Firmware Version 1.0.3"),
                      Ascii(0x0009, "Jan Novak"),
                      {0x0008, kFormatLong, 1, U32Of(1234567, be)}},
                     be, ExifOffsets(pos));
}

TEST(MakerNoteInReader, CanonNoteMovedWithoutItsOffsetsDecodesAsBefore) {
    for (bool be : {false, true}) {
        SCOPED_TRACE(be ? "MM" : "II");
        const auto read = [be](std::int64_t shift) {
            const Bytes jpeg = JpegWithMakerNote(be, "Canon", "0221", [&](std::int64_t x) {
                // Offsets as they were before an editor moved the maker note by shift bytes.
                return CanonNote(be, x + 9 - shift);
            });
            TPhotoData photo(kBuildAll);
            EXPECT_TRUE(photo.ReadImageBytes("canon.jpg", jpeg));
            return photo.Exif ? photo.Exif->MakerTrace() : std::string("no EXIF");
        };
        const std::string unedited = read(0);
        EXPECT_EQ(unedited,
                  "\r\nImageType = \"IMG:EOS 40D JPEG\"\r\nFirmwareVersion = \"Firmware "
                  "Version 1.0.3\"\r\nOwnerName = \"Jan Novak\"\r\nImageNumber = 1234567");
        for (std::int64_t shift : {-4000, -38, -2, 6, 120, 3000}) {
            SCOPED_TRACE(shift);
            EXPECT_EQ(read(shift), unedited);
        }
    }
}

TEST(MakerWalk, CanonTrailerGivesTheOriginalBase) {
    // The values start 6 bytes after the directory; the trailer holds the maker note's
    // TIFF offset when the camera wrote it (700).
    const bool be = false;
    const std::uint32_t original = 700;
    const std::vector<Field> fields = {Ascii(0x0009, "Jan Novak"), Ascii(0x0006, "IMG:EOS")};
    Bytes note = Directory(fields, be, 1, [&](std::int64_t pos) { return pos + 6 - 1 + original; });
    note.insert(note.begin() + 2 + 12 * 2 + 4, 6, 0);
    const Bytes tail = {'I', 'I', 42, 0};
    note.insert(note.end(), tail.begin(), tail.end());
    put32(note, original, be);
    const ByteCursor cursor(note, be);
    // As the camera wrote it, and moved by 40 bytes either way.
    for (std::int64_t p : {709, 669, 749}) {
        SCOPED_TRACE(p);
        EXPECT_EQ(CorrectedValueBase(cursor, 1, 10 - p), 1 - static_cast<std::int64_t>(original));
        Harness h("Canon", be);
        ASSERT_TRUE(h.decode(note, static_cast<std::int32_t>(p)));
        EXPECT_EQ(h.exif.MakerTrace(), "\r\nOwnerName = \"Jan Novak\"\r\nImageType = \"IMG:EOS\"");
    }
}

} // namespace
} // namespace kivo
