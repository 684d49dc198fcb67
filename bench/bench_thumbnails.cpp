// Thumbnails for a folder of 200 camera photos (6000x4000, each with a 120x80 EXIF
// thumbnail, too small for the icon, so the photo itself must be read): the loader's pool
// with an empty cache, then a second visit with the cache warm, both against a sequential
// full decode and smooth scale of the same files to the same 128-pixel box.
// Last lines: BENCH thumbnails ratio=... target=0.15 and BENCH thumbnails_cached ... 0.02.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QEventLoop>
#include <QImage>
#include <QTimer>

#include <jpeglib.h>

#include "browser/image_decode.h"
#include "browser/thumbnail_loader.h"
#include "support/photo_exif.h"
#include "support/temp_dir.h"

namespace {

constexpr int kPhotos = 200;
constexpr int kDistinct = 4; // different pictures among the files
constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kIcon = 128;

// Smooth gradients with sensor-like noise: entropy decoding costs what it costs on a real
// camera file.
std::vector<std::uint8_t> MakePhoto(int width, int height, unsigned seed) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
    const int tile = 30 + static_cast<int>(seed % 4) * 10;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) % 24) - 12;
            auto clamp = [](int v) { return static_cast<unsigned char>(std::clamp(v, 0, 255)); };
            const std::size_t i = static_cast<std::size_t>(x) * 3;
            row[i + 0] = clamp(x * 255 / width + noise);
            row[i + 1] = clamp(y * 255 / height + noise);
            row[i + 2] = clamp(((x / tile + y / tile) % 2) * 120 + 60 + noise);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> bytes(out, out + outSize);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

// An EXIF thumbnail of the photo's shape but smaller than the icon.
std::vector<std::uint8_t> SmallThumbnail(const std::vector<std::uint8_t>& photo) {
    const auto decoded = kivo::DecodeJpegBytes(photo, [](QSize) { return QSize(120, 80); });
    QImage thumb = decoded->picture.scaled(120, 80, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = 120;
    cinfo.image_height = 80;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW r = thumb.scanLine(static_cast<int>(cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> bytes(out, out + outSize);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Asks one loader for every file's thumbnail and waits for all of them; the number of
// pictures that came back is stored in `made`.
double LoadAll(const std::vector<std::string>& files, const std::string& cacheRoot, int& made) {
    kivo::ThumbnailLoader loader(nullptr, cacheRoot);
    QEventLoop loop;
    int ready = 0;
    made = 0;
    QObject::connect(&loader, &kivo::ThumbnailLoader::Ready, &loop,
                     [&](const QByteArray&, int, const QImage& picture) {
                         if (!picture.isNull() &&
                             std::max(picture.width(), picture.height()) == kIcon)
                             ++made;
                         if (++ready == static_cast<int>(files.size()))
                             loop.quit();
                     });
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& f : files)
        loader.Request(QByteArray::fromStdString(f), kIcon);
    loop.exec();
    return Seconds(start);
}

std::size_t CountFiles(const std::string& folder) {
    std::error_code ec;
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        n += e.is_regular_file() ? 1 : 0;
    return n;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    kivo::test::TempDir dir;
    const std::string photos = dir.mkdir("photos");
    const std::string cache = dir.mkdir("thumbnails");

    std::vector<std::vector<std::uint8_t>> distinct;
    for (int i = 0; i < kDistinct; ++i) {
        const auto photo = MakePhoto(kWidth, kHeight, 12345u + static_cast<unsigned>(i) * 7919u);
        distinct.push_back(
            kivo::test::WithExif(photo, kivo::test::OrientationTiff(1, SmallThumbnail(photo))));
    }
    std::vector<std::string> files;
    for (int i = 0; i < kPhotos; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photos/DSC_%04d.JPG", i + 1);
        files.push_back(dir.write(name, distinct[static_cast<std::size_t>(i % kDistinct)]));
    }
    std::printf("photos: %d of %dx%d, %zu bytes each\n", kPhotos, kWidth, kHeight,
                distinct.front().size());

    // The naive way, one file after another.
    auto start = std::chrono::steady_clock::now();
    for (const std::string& f : files) {
        const auto full = kivo::DecodeJpegFile(f, {});
        if (!full || full->picture.width() != kWidth)
            std::abort();
        const QImage icon =
            full->picture.scaled(kIcon, kIcon, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (icon.width() != kIcon)
            std::abort();
    }
    const double baseline = Seconds(start);

    int made = 0;
    const double first = LoadAll(files, cache, made);
    const std::size_t stored = CountFiles(cache + "/normal");
    if (made != kPhotos || stored != static_cast<std::size_t>(kPhotos)) {
        std::printf("first visit: %d thumbnails, %zu stored\n", made, stored);
        return 1;
    }
    double cached = 1e30;
    for (int run = 0; run < 3; ++run) {
        cached = std::min(cached, LoadAll(files, cache, made));
        if (made != kPhotos) {
            std::printf("second visit: %d thumbnails\n", made);
            return 1;
        }
    }

    std::printf("full decode + smooth scale, sequential: %.0f ms\n", baseline * 1000);
    std::printf("thumbnails, empty cache: %.0f ms\n", first * 1000);
    std::printf("thumbnails, warm cache: %.1f ms\n", cached * 1000);
    std::printf("BENCH thumbnails ratio=%.3f target=0.15\n", first / baseline);
    std::printf("BENCH thumbnails_cached ratio=%.4f target=0.02\n", cached / baseline);
    return 0;
}
