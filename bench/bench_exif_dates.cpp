// Reading the three EXIF date stamps of 10,000 JPEG files the way the EXIF date dialog does
// (one reader with build mode 255 for the whole batch), against a baseline that opens each
// file, reads its first 64 KiB and closes it.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "exif/photo_data.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace {

using namespace kivo::test;
using kivo::bench::Timing;

constexpr int kFiles = 10000;
constexpr off_t kFileSize = 3 * 1024 * 1024; // the image data is a hole: no disk is used

// A camera-like header: APP0, an EXIF APP1 with IFD0, EXIF and GPS directories, a maker
// note and an 8 KB thumbnail, then quantisation, frame and Huffman segments.
Bytes makeHeader(int i) {
    TiffBuilder t(i % 2 == 1);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd(), gps = t.AddIfd(), interop = t.AddIfd(),
              thumb = t.AddIfd();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "20%02d:%02d:%02d %02d:%02d:%02d", i % 30, 1 + i % 12,
                  1 + i % 28, i % 24, i % 60, (i * 7) % 60);
    t.Ascii(ifd0, 0x010E, "                               ");
    t.Ascii(ifd0, 0x010F, "Canon");
    t.Ascii(ifd0, 0x0110, "Canon PowerShot S40");
    t.Short(ifd0, 0x0112, {1});
    t.Rational(ifd0, 0x011A, {{180, 1}});
    t.Rational(ifd0, 0x011B, {{180, 1}});
    t.Short(ifd0, 0x0128, {2});
    t.Ascii(ifd0, 0x0131, "Firmware Version 1.10");
    t.Ascii(ifd0, 0x0132, stamp);
    t.Short(ifd0, 0x0213, {1});
    t.Link(ifd0, 0x8769, exif);
    t.Link(ifd0, 0x8825, gps);
    t.Rational(exif, 0x829A, {{1, 125}});
    t.Rational(exif, 0x829D, {{28, 10}});
    t.Short(exif, 0x8822, {2});
    t.Short(exif, 0x8827, {100});
    t.Undefined(exif, 0x9000, Bytes{'0', '2', '2', '0'});
    t.Ascii(exif, 0x9003, stamp);
    t.Ascii(exif, 0x9004, stamp);
    t.Undefined(exif, 0x9101, Bytes{1, 2, 3, 0});
    t.Rational(exif, 0x9102, {{5, 1}});
    t.SRational(exif, 0x9201, {{7, 1}});
    t.Rational(exif, 0x9202, {{3, 1}});
    t.SRational(exif, 0x9204, {{0, 3}});
    t.Rational(exif, 0x9205, {{3, 1}});
    t.Short(exif, 0x9207, {5});
    t.Short(exif, 0x9209, {0x19});
    t.Rational(exif, 0x920A, {{63, 10}});
    // A Canon maker note: a small directory whose values sit in its entries.
    Bytes note = t.U16(4);
    for (std::uint16_t tag : {0x0008, 0x000C, 0x0010, 0x0013}) {
        for (const auto& part : {t.U16(tag), t.U16(4), t.U32(1), t.U32(1000u + tag)})
            note.insert(note.end(), part.begin(), part.end());
    }
    note.resize(note.size() + 4, 0);
    t.Undefined(exif, 0x927C, note);
    t.Undefined(exif, 0x9286, Bytes(264, 0));
    t.Undefined(exif, 0xA000, Bytes{'0', '1', '0', '0'});
    t.Short(exif, 0xA001, {1});
    t.Short(exif, 0xA002, {2272});
    t.Short(exif, 0xA003, {1704});
    t.Link(exif, 0xA005, interop);
    t.Rational(exif, 0xA20E, {{2272000, 280}});
    t.Rational(exif, 0xA20F, {{1704000, 210}});
    t.Short(exif, 0xA210, {2});
    t.Short(exif, 0xA217, {2});
    t.Undefined(exif, 0xA300, Bytes{3});
    t.Short(exif, 0xA401, {0});
    t.Short(exif, 0xA402, {0});
    t.Short(exif, 0xA403, {0});
    t.Rational(exif, 0xA404, {{2272, 2272}});
    t.Short(exif, 0xA406, {0});
    t.Ascii(interop, 0x0001, "R98");
    t.Undefined(interop, 0x0002, Bytes{'0', '1', '0', '0'});
    t.Byte(gps, 0x0000, {2, 2, 0, 0});
    t.Ascii(gps, 0x0001, "N");
    t.Rational(gps, 0x0002, {{50, 1}, {5, 1}, {1234, 100}});
    t.Ascii(gps, 0x0003, "E");
    t.Rational(gps, 0x0004, {{14, 1}, {25, 1}, {3000, 100}});
    t.Rational(gps, 0x0007, {{13, 1}, {45, 1}, {10, 1}});
    // The thumbnail directory is linked from nowhere the reader follows; its bytes still
    // make the segment as long as a camera's.
    t.Short(thumb, 0x0103, {6});
    t.Undefined(thumb, 0x0201, Bytes(8000, 0x5A));
    std::vector<Segment> segments = {App0Jfif(), ExifApp1(t.Build())};
    segments.push_back(MakeSegment(0xDB, Bytes(130, 3)));
    segments.push_back(MakeSegment(0xC0, Bytes{8, 6, 168, 8, 224, 3, 1, 0x21, 0, 2, 0x11, 1, 3, 0x11, 1}));
    segments.push_back(MakeSegment(0xC4, Bytes(418, 1)));
    return JpegFile(segments);
}

Timing baselineRound(const std::vector<std::string>& files) {
    static std::vector<char> buf(64 * 1024);
    std::size_t total = 0;
    const kivo::bench::Stopwatch watch;
    for (const auto& f : files) {
        const int fd = ::open(f.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        std::size_t got = 0;
        while (got < buf.size()) {
            const ssize_t n = ::read(fd, buf.data() + got, buf.size() - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        total += got;
        ::close(fd);
    }
    const Timing t = watch.elapsed();
    if (total == 0)
        std::fprintf(stderr, "baseline read nothing\n");
    return t;
}

Timing readerRound(const std::vector<std::string>& files, int& found, int mode = kivo::kBuildAll) {
    const kivo::bench::Stopwatch watch;
    kivo::TPhotoData photo(mode);
    double sum = 0;
    found = 0;
    for (const auto& f : files) {
        photo.ReadImageFile(f);
        if (!photo.ExifPresent())
            continue;
        for (std::int32_t pos : {photo.Exif->ModifyDatePos, photo.Exif->TakenDatePos,
                                 photo.Exif->DigitizedDatePos}) {
            if (pos > 0) {
                sum += photo.Exif->DateAt(pos);
                ++found;
            }
        }
    }
    const Timing t = watch.elapsed();
    if (sum == 0)
        std::fprintf(stderr, "no dates found\n");
    return t;
}

double median(std::vector<Timing> v, double Timing::*field) {
    std::vector<double> x;
    for (const auto& t : v)
        x.push_back(t.*field);
    std::sort(x.begin(), x.end());
    return x[x.size() / 2];
}

} // namespace

int main() {
    TempDir dir;
    std::vector<std::string> files;
    files.reserve(kFiles);
    for (int i = 0; i < kFiles; ++i) {
        const std::string path = dir.write("IMG_" + std::to_string(i) + ".JPG", makeHeader(i));
        if (::truncate(path.c_str(), kFileSize) != 0)
            return 1;
        files.push_back(path);
    }
    int found = 0;
    baselineRound(files); // warm the page cache
    readerRound(files, found);
    std::vector<Timing> base, reader, bare;
    for (int round = 0; round < 5; ++round) {
        base.push_back(baselineRound(files));
        reader.push_back(readerRound(files, found));
        int ignored = 0;
        bare.push_back(readerRound(files, ignored, 0));
    }
    const double b = median(base, &Timing::cpu);
    const double r = median(reader, &Timing::cpu);
    const double n = median(bare, &Timing::cpu);
    std::printf("files: %d, stamps found per round: %d (medians of 5 rounds)\n", kFiles, found);
    std::printf("baseline (open, read 64 KiB, close): cpu %.2f us/file, wall %.2f us/file\n",
                b * 1e6 / kFiles, median(base, &Timing::wall) * 1e6 / kFiles);
    std::printf("reader (three stamps, build mode 255): cpu %.2f us/file, wall %.2f us/file\n",
                r * 1e6 / kFiles, median(reader, &Timing::wall) * 1e6 / kFiles);
    std::printf("for comparison, build mode 0 (nothing rendered or listed): cpu %.2f us/file\n",
                n * 1e6 / kFiles);
    std::printf("BENCH exif_dates ratio=%.2f target=2\n", r / b);
    return 0;
}
