#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/preview.h"
#include "jpeg_fixture.h"
#include "support/photo_exif.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

struct FitCase {
    int pw, ph, bw, bh;
    QRect expected;
};

class FitImageTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitImageTest, GivesTheBox) {
    const FitCase& c = GetParam();
    const auto box = FitImage(c.pw, c.ph, c.bw, c.bh);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(*box, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FitImageTest,
    ::testing::Values(
        // Landscape: panel ratio 0.7183 < 0.75, height-bound, 181/0.75 = 241.33.
        FitCase{252, 181, 4000, 3000, QRect(5, 0, 241, 181)},
        // Portrait: 181/1.3333 = 135.75 -> 136, left (252-136) div 2 = 58.
        FitCase{252, 181, 3000, 4000, QRect(58, 0, 136, 181)},
        // Panorama: width-bound, 25.2 -> 25, top (181-25) div 2 = 78.
        FitCase{252, 181, 1000, 100, QRect(0, 78, 252, 25)},
        // Equal ratios are not "greater": the height-bound branch.
        FitCase{200, 100, 400, 200, QRect(0, 0, 200, 100)},
        // Ties go to even: 10 * 0.25 = 2.5 -> 2, 10 * 0.75 = 7.5 -> 8.
        FitCase{10, 100, 100, 25, QRect(0, 49, 10, 2)},
        FitCase{10, 100, 100, 75, QRect(0, 46, 10, 8)},
        // Height-bound ties: 5 / 2 = 2.5 -> 2 and 7 / 2 = 3.5 -> 4.
        FitCase{9, 5, 1, 2, QRect(3, 0, 2, 5)}, FitCase{9, 7, 1, 2, QRect(2, 0, 4, 7)},
        FitCase{100, 50, 250, 100, QRect(0, 5, 100, 40)}));

TEST(FitImage, NothingWithoutWidths) {
    EXPECT_FALSE(FitImage(0, 181, 4000, 3000).has_value());
    EXPECT_FALSE(FitImage(252, 181, 0, 3000).has_value());
}

struct ScaleCase {
    int iw, ih, bw, bh, denom;
};
class ScaleTest : public ::testing::TestWithParam<ScaleCase> {};
TEST_P(ScaleTest, SmallestCoveringScale) {
    const ScaleCase& c = GetParam();
    EXPECT_EQ(PreviewScaleDenom(c.iw, c.ih, c.bw, c.bh), c.denom);
}
INSTANTIATE_TEST_SUITE_P(
    Table, ScaleTest,
    ::testing::Values(ScaleCase{6000, 4000, 241, 181, 8}, ScaleCase{1920, 1080, 252, 142, 4},
                      ScaleCase{1000, 750, 252, 189, 2}, ScaleCase{1000, 750, 600, 450, 1},
                      ScaleCase{100, 100, 181, 181, 1},
                      // 2001/8 rounds up to 251 and still covers 251.
                      ScaleCase{2001, 1000, 251, 125, 8}, ScaleCase{2001, 1000, 252, 126, 4}));

TEST(DecodeJpegPreview, ReducesALargePhotoToOneEighth) {
    const auto jpeg = test::MakeJpeg(1600, 1200);
    const auto p = DecodeJpegPreview(jpeg.data(), jpeg.size(), 126, 90);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->trueWidth, 1600);
    EXPECT_EQ(p->trueHeight, 1200);
    EXPECT_EQ(p->scaleDenom, 8);
    EXPECT_EQ(p->picture.size(), QSize(200, 150));
    EXPECT_EQ(p->picture.format(), QImage::Format_RGB888);
    // The gradient survives: red grows from left to right.
    EXPECT_LT(qRed(p->picture.pixel(2, 75)), 30);
    EXPECT_GT(qRed(p->picture.pixel(197, 75)), 225);
}

TEST(DecodeJpegPreview, FullSizeWhenThePanelIsLarger) {
    const auto jpeg = test::MakeJpeg(120, 80);
    const auto p = DecodeJpegPreview(jpeg.data(), jpeg.size(), 400, 300);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->scaleDenom, 1);
    EXPECT_EQ(p->picture.size(), QSize(120, 80));
}

TEST(DecodeJpegPreview, GrayscaleBecomesRgb) {
    const auto jpeg = test::MakeJpeg(64, 64, /*gray=*/true);
    const auto p = DecodeJpegPreview(jpeg.data(), jpeg.size(), 0, 0);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->picture.format(), QImage::Format_RGB888);
    const QRgb px = p->picture.pixel(63, 10);
    EXPECT_EQ(qRed(px), qGreen(px));
    EXPECT_EQ(qGreen(px), qBlue(px));
    EXPECT_GT(qRed(px), 220);
}

TEST(DecodeJpegPreview, ErrorsReturnNothingAndTheProcessGoesOn) {
    const std::string garbage = "this is not a JPEG file at all";
    EXPECT_FALSE(DecodeJpegPreview(reinterpret_cast<const unsigned char*>(garbage.data()),
                                   garbage.size(), 100, 100)
                     .has_value());
    EXPECT_FALSE(DecodeJpegPreview(nullptr, 0, 100, 100).has_value());

    // Only the start-of-image marker and a broken frame header.
    auto jpeg = test::MakeJpeg(64, 64);
    std::vector<std::uint8_t> head(jpeg.begin(), jpeg.begin() + 4);
    EXPECT_FALSE(DecodeJpegPreview(head.data(), head.size(), 100, 100).has_value());

    // A frame header claiming zero width.
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 7] = 0;
            jpeg[i + 8] = 0;
            break;
        }
    }
    EXPECT_FALSE(DecodeJpegPreview(jpeg.data(), jpeg.size(), 100, 100).has_value());
    // Still working afterwards.
    const auto good = test::MakeJpeg(32, 32);
    EXPECT_TRUE(DecodeJpegPreview(good.data(), good.size(), 100, 100).has_value());
}

TEST(DecodeJpegPreview, TruncatedDataStillGivesAPicture) {
    // libjpeg only warns about a premature end; the part read is shown.
    const auto jpeg = test::MakeJpeg(256, 256);
    std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2));
    const auto p = DecodeJpegPreview(cut.data(), cut.size(), 0, 0);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->picture.size(), QSize(256, 256));
}

TEST(DecodeJpegFilePreview, ReadsFilesAndRefusesMissingOnes) {
    test::TempDir dir;
    const auto path = dir.write("fotka s mezerou.jpg", test::MakeJpeg(80, 60));
    const auto p = DecodeJpegFilePreview(path, 40, 30);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->scaleDenom, 2);
    EXPECT_FALSE(DecodeJpegFilePreview(dir.file("chybi.jpg"), 40, 30).has_value());
    EXPECT_FALSE(DecodeJpegFilePreview(dir.write("prazdny.jpg", ""), 40, 30).has_value());
    EXPECT_FALSE(DecodeJpegFilePreview(dir.mkdir("slozka.jpg"), 40, 30).has_value());
    // A FIFO of that name: refused at once instead of waiting for a writer.
    const std::string fifo = dir.file("roura.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(DecodeJpegFilePreview(fifo, 40, 30).has_value());
}

TEST(DecodeJpegFilePreview, CoversThePanelInDevicePixelsAsTheCameraHeldIt) {
    // A portrait (orientation 6) stored as 1600x1200, padded with comments so that the file
    // is streamed rather than read whole.
    auto jpeg = test::MakeJpeg(1600, 1200);
    std::vector<std::uint8_t> comment = {0xFF, 0xFE, 0xFF, 0xFF};
    comment.resize(0xFFFF + 2, 'x');
    for (int i = 0; i < 6; ++i)
        jpeg.insert(jpeg.begin() + 2, comment.begin(), comment.end());
    jpeg = test::WithExif(jpeg, test::OrientationTiff(6));
    test::TempDir dir;
    const auto path = dir.write("portrait.jpg", jpeg);
    // 90x126 panel: the box is 90x120; at ratio 1 one eighth (150x200) covers it, at
    // ratio 2 (180x240) one quarter (300x400) is needed.
    const auto p1 = DecodeJpegFilePreview(path, 90, 126, 1.0);
    const auto p2 = DecodeJpegFilePreview(path, 90, 126, 2.0);
    ASSERT_TRUE(p1 && p2);
    EXPECT_EQ(QSize(p1->trueWidth, p1->trueHeight), QSize(1200, 1600));
    EXPECT_EQ(p1->picture.size(), QSize(150, 200));
    EXPECT_EQ(p2->picture.size(), QSize(300, 400));
    EXPECT_EQ(PreviewDeviceBox(90, 126, 1200, 1600, 2.0), QSize(180, 240));
}

} // namespace
} // namespace kivo
