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

} // namespace
} // namespace kivo
