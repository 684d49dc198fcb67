#include <gtest/gtest.h>

#include "browser/image_decode.h"
#include "exif/exif_head.h"
#include "picture_fixture.h"
#include "support/photo_exif.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

enum Corner { TL = 0, TR = 1, BR = 2, BL = 3 };

struct OrientationCase {
    int orientation;
    int red;   // where the stored top-left block is shown
    int green; // where the stored top-right block is shown
    bool swapped;
};

class Orientation : public ::testing::TestWithParam<OrientationCase> {};

// Decoded from a JPEG with the tag, at full size and DCT-reduced.
TEST_P(Orientation, StoredCornersLandWhereTheCameraHeldThem) {
    const OrientationCase& c = GetParam();
    const auto jpeg = test::WithExif(test::Encode(test::MarkedPicture(160, 96), "JPG"),
                                     test::OrientationTiff(c.orientation));
    for (const int cover : {0, 40}) {
        const auto d = DecodeJpegBytes(jpeg, [&](QSize) { return QSize(cover, cover); });
        ASSERT_TRUE(d.has_value());
        const QSize shown = c.swapped ? QSize(96, 160) : QSize(160, 96);
        EXPECT_EQ(QSize(d->trueWidth, d->trueHeight), shown);
        EXPECT_EQ(d->picture.size(), shown / d->scaleDenom);
        EXPECT_EQ(test::CornerOf(d->picture, qRgb(255, 0, 0)), c.red) << "cover " << cover;
        EXPECT_EQ(test::CornerOf(d->picture, qRgb(0, 255, 0)), c.green) << "cover " << cover;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Exif, Orientation,
    ::testing::Values(OrientationCase{1, TL, TR, false}, OrientationCase{2, TR, TL, false},
                      OrientationCase{3, BR, BL, false}, OrientationCase{4, BL, BR, false},
                      OrientationCase{5, TL, BL, true}, OrientationCase{6, TR, BR, true},
                      OrientationCase{7, BR, TR, true}, OrientationCase{8, BL, TL, true},
                      // Missing and out-of-range values mean 1.
                      OrientationCase{0, TL, TR, false}, OrientationCase{9, TL, TR, false}));

TEST(ExifHead, FindsTheThumbnailAndSurvivesCutsAndLoops) {
    const auto thumb = test::Encode(test::MarkedPicture(32, 24), "JPG");
    const auto jpeg = test::WithExif(test::Encode(test::MarkedPicture(64, 48), "JPG"),
                                     test::OrientationTiff(6, thumb));
    const JpegExifHead head = ReadJpegExifHead(jpeg);
    EXPECT_EQ(head.orientation, 6);
    ASSERT_EQ(head.thumbnailLength, thumb.size());
    EXPECT_TRUE(std::equal(thumb.begin(), thumb.end(), jpeg.begin() + head.thumbnailOffset));
    // Every cut of the head reads without going outside it.
    for (std::size_t n = 0; n < 200; ++n)
        ReadJpegExifHead(std::span(jpeg).first(n));
    // IFD1 pointing back at IFD0 ends.
    auto tiff = test::OrientationTiff(3);
    tiff[8 + 2 + 12] = 8;
    EXPECT_EQ(ReadJpegExifHead(test::WithExif(test::Encode(test::MarkedPicture(8, 8), "JPG"), tiff))
                  .orientation,
              3);
}

TEST(DecodeJpegFile, RefusesWhatIsNoRegularJpeg) {
    test::TempDir dir;
    EXPECT_FALSE(DecodeJpegFile(dir.file("chybi.jpg"), {}).has_value());
    EXPECT_FALSE(DecodeJpegFile(dir.mkdir("slozka.jpg"), {}).has_value());
    EXPECT_FALSE(DecodeJpegFile(dir.write("text.jpg", "not a picture"), {}).has_value());
}

// A file is read in pieces as the decoder needs them; it decodes exactly as the same bytes in
// memory do, also when markers push the picture past the first read and when it is cut.
TEST(DecodeJpegFile, ReadsAsTheBytesInMemoryDo) {
    test::TempDir dir;
    const auto jpeg = test::Encode(test::MarkedPicture(320, 200), "JPG");
    auto padded = jpeg;
    // 60000 bytes of APP9 holding what would end the picture if it were not skipped.
    std::vector<std::uint8_t> app(60002, 0xD9);
    for (std::size_t i = 4; i < app.size(); i += 2)
        app[i] = 0xFF;
    app[0] = 0xFF, app[1] = 0xE9, app[2] = 0xEA, app[3] = 0x60;
    for (int i = 0; i < 6; ++i)
        padded.insert(padded.begin() + 2, app.begin(), app.end());
    ASSERT_GT(padded.size(), kExifHeadBytes);
    const std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);
    const std::vector<std::uint8_t> paddedCut(padded.begin(), padded.end() - jpeg.size() / 2);
    int n = 0;
    using Bytes = const std::vector<std::uint8_t>*;
    for (const Bytes bytes : {Bytes{&jpeg}, Bytes{&padded}, Bytes{&cut}, Bytes{&paddedCut}}) {
        for (const int cover : {0, 50}) {
            const CoverFor c = [&](QSize) { return QSize(cover, cover); };
            const auto inMemory = DecodeJpegBytes(*bytes, c);
            const auto fromFile =
                DecodeJpegFile(dir.write("p" + std::to_string(n++) + ".jpg", *bytes), c);
            ASSERT_TRUE(inMemory && fromFile) << n;
            EXPECT_EQ(fromFile->picture, inMemory->picture) << n;
        }
    }
}

} // namespace
} // namespace kivo
