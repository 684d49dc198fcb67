// Real camera files: what the reader finds must match the expected dates list.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

#include "exif/photo_data.h"
#include "platform/datetime.h"

namespace kivo {
namespace {

const std::filesystem::path kData = KIVO_TESTDATA_DIR;

TEST(Corpus, MatchesExpectedDates) {
    const auto list = kData / "photos-expected-dates.jsonl";
    if (!std::filesystem::exists(list) || !std::filesystem::is_directory(kData / "photos"))
        GTEST_SKIP() << "no test corpus at " << kData.string();
    std::ifstream in(list);
    std::string line;
    int files = 0;
    TPhotoData pd(kBuildAll);
    const char* const kKeys[] = {"DateTime", "DateTimeOriginal", "DateTimeDigitized"};
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        const auto expected = nlohmann::json::parse(line);
        const std::string name = expected.at("file");
        SCOPED_TRACE(name);
        ++files;
        pd.ReadImageFile((kData / "photos" / name).string());
        ASSERT_EQ(pd.ExifPresent(), expected.at("exif_present").get<bool>());
        for (int i = 0; i < 3; ++i) {
            const auto& positions = expected.at("positions");
            if (!positions.contains(kKeys[i]))
                continue;
            ASSERT_TRUE(pd.Exif);
            const std::int32_t pos = i == 0   ? pd.Exif->ModifyDatePos
                                     : i == 1 ? pd.Exif->TakenDatePos
                                              : pd.Exif->DigitizedDatePos;
            EXPECT_EQ(pos, positions.at(kKeys[i]).get<int>()) << kKeys[i];
            const std::string date = pos > 0 ? DateTimeText(pd.Exif->DateAt(pos)) : "";
            EXPECT_EQ(date, expected.at("dates").at(kKeys[i]).get<std::string>()) << kKeys[i];
        }
    }
    EXPECT_GT(files, 0);
}

TEST(Corpus, EveryPrefixOfEveryFileReadsSafely) {
    if (!std::filesystem::is_directory(kData / "photos"))
        GTEST_SKIP() << "no test corpus at " << kData.string();
    TPhotoData pd(kBuildAll);
    for (const auto& entry : std::filesystem::directory_iterator(kData / "photos")) {
        std::ifstream f(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(f)), {});
        const std::string name = entry.path().filename().string();
        // Cut points every 97 bytes through the header part of the file.
        for (std::size_t n = 0; n < bytes.size() && n < 40000; n += 97)
            pd.ReadImageBytes(name, std::span(bytes.data(), n));
        EXPECT_EQ(pd.ReadImageBytes(name, bytes), pd.ReadImageFile(entry.path().string()));
    }
}

// Real files of the other containers (a phone HEIC photo): stamps as stored, camera facts,
// lens and time-zone offset.
TEST(Corpus, OtherContainersMatchTheirExpectedValues) {
    const auto list = kData / "formats-expected.jsonl";
    if (!std::filesystem::exists(list) || !std::filesystem::is_directory(kData / "formats"))
        GTEST_SKIP() << "no container samples at " << (kData / "formats").string();
    std::ifstream in(list);
    std::string line;
    int files = 0;
    TPhotoData pd(kBuildAll);
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        const auto expected = nlohmann::json::parse(line);
        const std::string name = expected.at("file");
        SCOPED_TRACE(name);
        ++files;
        ASSERT_TRUE(pd.ReadImageFile((kData / "formats" / name).string())) << pd.StatusText;
        ASSERT_TRUE(pd.Exif);
        const auto stamp = [&](std::int32_t pos) {
            const auto bytes = pd.Exif->ExifBytes();
            return pos > 0 && static_cast<std::size_t>(pos) + 18 <= bytes.size()
                       ? std::string(bytes.begin() + pos - 1, bytes.begin() + pos + 18)
                       : std::string();
        };
        EXPECT_EQ(stamp(pd.Exif->ModifyDatePos), expected.value("DateTime", ""));
        EXPECT_EQ(stamp(pd.Exif->TakenDatePos), expected.value("DateTimeOriginal", ""));
        EXPECT_EQ(stamp(pd.Exif->DigitizedDatePos), expected.value("DateTimeDigitized", ""));
        EXPECT_EQ(pd.Exif->MakeText, expected.value("Make", ""));
        EXPECT_EQ(pd.Exif->ModelText, expected.value("Model", ""));
        for (const char* key : {"OffsetTimeOriginal", "LensModel"})
            EXPECT_EQ(pd.Exif->TagTextByName(key), expected.value(key, "")) << key;
    }
    EXPECT_GT(files, 0);
}

} // namespace
} // namespace kivo
