// Maker notes and IPTC records of real camera files (skipped when the corpus is absent).
// The expected values agree with an independent reader where both name the same field.

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exif/exif_types.h"
#include "exif/iptc.h"
#include "exif/photo_data.h"

namespace kivo {
namespace {

std::string photo(const std::string& name) {
    return std::string(KIVO_TESTDATA_DIR) + "/photos/" + name;
}

bool corpusPresent() {
    return std::filesystem::is_directory(std::string(KIVO_TESTDATA_DIR) + "/photos");
}

struct CorpusCase {
    const char* file;
    bool decoded;
    // Tag-list keys and their shown texts.
    std::vector<std::pair<std::string, std::string>> shown;
};

class MakerCorpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(MakerCorpus, DecodesTheMakerNote) {
    if (!corpusPresent()) {
        GTEST_SKIP() << "no test photographs at " << KIVO_TESTDATA_DIR;
    }
    const CorpusCase& c = GetParam();
    TPhotoData data(kBuildAll);
    ASSERT_TRUE(data.ReadImageFile(photo(c.file)));
    EXPECT_EQ(data.StatusText, "<none>");
    ASSERT_NE(data.Exif, nullptr);
    EXPECT_EQ(data.Exif->MakerDecoded, c.decoded);
    EXPECT_EQ(data.Exif->MakerTrace().find("Error Detected"), std::string::npos);
    if (c.decoded) {
        EXPECT_FALSE(data.Exif->MakerTrace().empty());
    }
    for (const auto& [key, shown] : c.shown) {
        EXPECT_EQ(data.Exif->TagTextByName(key), shown) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Photos, MakerCorpus,
    ::testing::Values(
        CorpusCase{"Canon.jpg",
                   true,
                   {{"OwnerName", "\"Phil Harvey\""},
                    {"FirmwareVersion", "\"Firmware Version 1.1.1\""},
                    {"ImageType", "\"CRW:EOS DIGITAL REBEL CMOS RAW\""},
                    {"CameraSerialNumber", "560018150"}}},
        CorpusCase{"Casio.jpg",
                   true,
                   {{"RecordingMode", "Single Shutter"},
                    {"FlashMode", "Red Eye Reduction"},
                    {"WhiteBalance", "Auto"},
                    {"DigitalZoom", "Off"}}},
        CorpusCase{"Casio2.jpg",
                   true,
                   {{"Thumbnail Dimensions", "320, 240"},
                    {"Object Distance (mm)", "1000"},
                    {"Time Zone", "\"New York\""},
                    {"Bestshot Mode", "Off"}}},
        CorpusCase{"FujiFilm.jpg",
                   true,
                   {{"Quality", "\"NORMAL \""},
                    {"FlashMode", "Red-eye reduction"},
                    {"Macro", "Off"},
                    {"PictureMode", "Auto"}}},
        CorpusCase{"Fujifilm_FinePix_E500.jpg",
                   true,
                   {{"Quality", "\"FINE   \""},
                    {"Macro", "On"},
                    {"FlashMode", "Off"},
                    {"BlurWarning", "No blur warning"}}},
        CorpusCase{
            "Minolta.jpg", true, {{"PIMdata", "\"PrintIM.0100............................\""}}},
        CorpusCase{"Nikon.jpg",
                   true,
                   {{"Color Mode", "\"COLOR\""},
                    {"Focus Mode", "\"AF-C  \""},
                    {"Adapter", "\"OFF         \""}}},
        CorpusCase{"Nikon.nef",
                   true,
                   {{"ISO Speed", "0, 200"},
                    {"Quality", "\"RAW    \""},
                    {"Lens information", "18.0-70.0(mm)  F3.5-F4.5"}}},
        CorpusCase{"NikonD70.jpg",
                   true,
                   {{"ISO Speed", "0, 200"},
                    {"Focus Mode", "\"AF-S  \""},
                    {"Lens information", "18.0-70.0(mm)  F3.5-F4.5"},
                    {"Color Mode", "Mode 2 (Adobe RGB)"}}},
        CorpusCase{"Olympus.jpg",
                   true,
                   {{"JpegQual", "SQ"},
                    {"Firmware", "\"SR951\""},
                    {"Camera ID", "\"OLYMPUS DIGITAL CAMERA..........\""}}},
        CorpusCase{"Sanyo.jpg", true, {{"Special Mode", "0, 0, 0"}, {"DigiZoom", "0/100"}}},
        CorpusCase{"Konica_Minolta_DiMAGE_Z3.jpg", false, {}}, CorpusCase{"GPS.jpg", false, {}}),
    [](const auto& info) {
        std::string name = info.param.file;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

TEST(IptcCorpus, RecordsOfTheIptcPhoto) {
    if (!corpusPresent()) {
        GTEST_SKIP() << "no test photographs at " << KIVO_TESTDATA_DIR;
    }
    TPhotoData data(kBuildAll);
    ASSERT_TRUE(data.ReadImageFile(photo("IPTC.jpg")));
    ASSERT_NE(data.Iptc, nullptr);
    ASSERT_NE(data.IptcSlot, nullptr);
    EXPECT_EQ(data.Iptc->ParseIptcSegment(data.IptcSlot->Bytes), 19);
    EXPECT_EQ(data.Iptc->TextByName("Keywords", ""), "ExifTool,Test,IPTC");
    EXPECT_EQ(data.Iptc->TextByName("SuppCategory", ""), "amazing,image,utilities");
    EXPECT_EQ(data.Iptc->TextByName("ImageCaption", ""), "A witty caption");
    EXPECT_EQ(data.Iptc->TextByName("ByLine", ""), "Phil Harvey");
    EXPECT_EQ(data.Iptc->TextByName("City", ""), "Kingston");
    EXPECT_EQ(data.Iptc->TextByName("DateCreated", ""), "20040226");

    TIptcInfo reader(nullptr);
    EXPECT_TRUE(reader.ReadFile(photo("IPTC.jpg")));
    EXPECT_EQ(reader.RecordCount(), 19);
    EXPECT_FALSE(reader.ReadFile(photo("Canon.jpg")));
}

} // namespace
} // namespace kivo
