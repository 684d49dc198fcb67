#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include <jpeglib.h>

#include "browser/image_decode.h"
#include "browser/jpeg_dc_decode.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

struct Fixture {
    const char* name;
    int width, height;
    int components;
    int h, v;            // luma sampling
    int restartMcus = 0; // restart interval
    int threads = 2;
    int tolerance = 0; // 2x2 chroma: libjpeg's reduced DCT rounds its own way
};

void PrintTo(const Fixture& f, std::ostream* os) {
    *os << f.name;
}

// Noisy gradients and edges, so that every kind of AC symbol and long codes occur.
std::vector<std::uint8_t> Encode(const Fixture& f) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(f.width);
    c.image_height = static_cast<JDIMENSION>(f.height);
    c.input_components = f.components;
    c.in_color_space = f.components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    c.comp_info[0].h_samp_factor = f.h;
    c.comp_info[0].v_samp_factor = f.v;
    c.restart_interval = static_cast<unsigned>(f.restartMcus);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(std::size_t(f.width) * f.components);
    unsigned seed = 7;
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (std::size_t i = 0; i < row.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            const int x = static_cast<int>(i) / f.components,
                      k = static_cast<int>(i) % f.components;
            const int edge = ((x / 37 + y / 23) % 2) * 90;
            row[i] = static_cast<unsigned char>(
                std::clamp(x * 160 / f.width + k * 40 + edge + int(seed >> 16) % 40 - 20, 0, 255));
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<std::uint8_t> bytes(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

// libjpeg's own one-eighth decode with the settings the pictures are shown with. Damage is
// only warned about, so libjpeg never stops here.
std::optional<QImage> Libjpeg(const std::vector<std::uint8_t>& jpeg) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    err.output_message = [](j_common_ptr) {};
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    d.scale_num = 1;
    d.scale_denom = 8;
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    QImage out(int(d.output_width), int(d.output_height), QImage::Format_RGB888);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = out.scanLine(int(d.output_scanline));
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return out;
}

int MaxDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * 3; ++x)
            most = std::max(most, std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]));
    return most;
}

class SameAsLibjpeg : public ::testing::TestWithParam<Fixture> {};

TEST_P(SameAsLibjpeg, PictureMatches) {
    const Fixture& f = GetParam();
    const auto jpeg = Encode(f);
    const auto want = Libjpeg(jpeg);
    const auto got = DecodeJpegEighth(jpeg, f.threads);
    ASSERT_TRUE(want && got);
    ASSERT_EQ(got->size(), want->size());
    EXPECT_LE(MaxDifference(*got, *want), f.tolerance);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, SameAsLibjpeg,
                         ::testing::Values(Fixture{"s444", 803, 605, 3, 1, 1},
                                           Fixture{"s422", 803, 605, 3, 2, 1},
                                           Fixture{"s420", 803, 605, 3, 2, 2, 0, 2, 2},
                                           Fixture{"gray", 803, 605, 1, 1, 1},
                                           Fixture{"s422FourThreads", 1203, 803, 3, 2, 1, 0, 4},
                                           Fixture{"s420Restarts", 803, 605, 3, 2, 2, 7, 3, 2},
                                           Fixture{"s444RestartEachMcu", 301, 203, 3, 1, 1, 1, 2},
                                           Fixture{"grayRestarts", 999, 17, 1, 1, 1, 5, 2},
                                           Fixture{"oneMcu", 16, 16, 3, 2, 2, 0, 2, 2},
                                           Fixture{"onePixel", 1, 1, 3, 1, 1},
                                           Fixture{"odd", 17, 9, 3, 2, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// Damaged data is refused, never decoded into something libjpeg would not show; through the
// public path libjpeg then shows what it makes of it.
TEST(DecodeJpegEighth, RefusesDamageAndLeavesItToLibjpeg) {
    const auto jpeg = Encode({"big", 1800, 1200, 3, 2, 1});
    const std::size_t mid = jpeg.size() / 2;
    auto ones = jpeg; // a code of sixteen one bits is in no standard table
    std::fill(ones.begin() + std::ptrdiff_t(mid), ones.begin() + std::ptrdiff_t(mid) + 8, 0xFF);
    for (std::size_t i = mid + 1; i < mid + 8; i += 2)
        ones[i] = 0x00;
    auto marker = jpeg; // a restart marker in a picture without restart intervals
    marker[mid] = 0xFF, marker[mid + 1] = 0xD3;
    auto ended = jpeg; // the end of the picture too early
    ended[mid] = 0xFF, ended[mid + 1] = 0xD9;
    const std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(mid));
    using Bytes = const std::vector<std::uint8_t>*;
    for (const Bytes bytes : {Bytes{&ones}, Bytes{&marker}, Bytes{&ended}, Bytes{&cut}}) {
        EXPECT_FALSE(DecodeJpegEighth(*bytes, 2).has_value());
        const auto shown = DecodeJpegBytes(
            *bytes, [](QSize) { return QSize(100, 100); }, 2);
        const auto want = Libjpeg(*bytes);
        ASSERT_TRUE(shown && want);
        EXPECT_EQ(shown->picture, *want);
    }
    // Undamaged, the same public call takes the fast path, and gives libjpeg's picture.
    const CoverFor icon = [](QSize) { return QSize(100, 100); };
    const auto whole = DecodeJpegBytes(jpeg, icon, 2);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->picture, *DecodeJpegEighth(jpeg, 2));
    EXPECT_EQ(whole->picture, *Libjpeg(jpeg));
    // So does a file, read whole for it: 2x2 chroma tells the two decoders apart.
    const auto quads = Encode({"big420", 1800, 1200, 3, 2, 2});
    test::TempDir dir;
    const auto file = DecodeJpegFile(dir.write("velka.jpg", quads), icon, 2);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->picture, *DecodeJpegEighth(quads, 1));
    EXPECT_NE(file->picture, *Libjpeg(quads));
}

// Any single changed byte either gives libjpeg's picture or is refused, and never reads
// outside the data: with restart intervals, and cut into guessed pieces without them.
TEST(DecodeJpegEighth, ChangedBytesGiveLibjpegsPictureOrNone) {
    for (const Fixture& f : {Fixture{"restarts", 120, 90, 3, 1, 1, 4, 2},
                             Fixture{"pieces", 400, 300, 3, 1, 1, 0, 3}}) {
        const auto jpeg = Encode(f);
        unsigned seed = 1;
        int taken = 0;
        for (int i = 0; i < 300; ++i) {
            auto bytes = jpeg;
            seed = seed * 1103515245u + 12345u;
            bytes[(seed >> 8) % bytes.size()] = static_cast<std::uint8_t>(seed >> 24);
            const auto got = DecodeJpegEighth(bytes, f.threads);
            if (!got)
                continue;
            ++taken;
            const auto want = Libjpeg(bytes);
            ASSERT_TRUE(want) << f.name << i;
            EXPECT_EQ(*got, *want) << f.name << i;
        }
        EXPECT_GT(taken, 0) << f.name;
        for (std::size_t n = 0; n < jpeg.size(); n += 97)
            DecodeJpegEighth(std::span(jpeg).first(n), f.threads);
    }
}

} // namespace
} // namespace kivo
