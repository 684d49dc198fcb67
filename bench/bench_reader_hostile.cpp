// The two hostile inputs of the reader, each timed against reading the same file once in the
// same run (open, read every byte into a 1 MiB buffer, close: what `cat FILE > /dev/null`
// does):
//   - the crafted 256 KiB TIFF: about 21,000 directory entries, each with 250,000 value
//     bytes at one shared offset (before the limits: 5.2 GB of memory and 65 s);
//   - 300 MB of 0xFF fill bytes after the JPEG start marker (before: 7 s).
// The reader runs as kivo-info does: build mode 255, listing and tag list read.

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "exif/photo_data.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double wallSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes craftedTiff() {
    Bytes b(256 * 1024, 'A');
    b[0] = 'I';
    b[1] = 'I';
    put16(b, 2, 42);
    put32(b, 4, 8);
    const int entries = 21000;
    const std::uint16_t tags[] = {0x010E, 0x013B, 0x8298, 0x02BC, 0x9286, 0x010F, 0x927C};
    put16(b, 8, entries);
    for (int i = 0; i < entries; ++i) {
        const std::size_t e = 10 + 12 * static_cast<std::size_t>(i);
        put16(b, e, tags[i % 7]);
        put16(b, e + 2, 7); // UNDEFINED
        put32(b, e + 4, 250000);
        put32(b, e + 8, 8);
    }
    return b;
}

std::string writeFill(const kivo::test::TempDir& dir, std::size_t size) {
    const std::string path = dir.file("fill.jpg");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<std::uint8_t> chunk(1 << 20, 0xFF);
    chunk[0] = 0xFF;
    chunk[1] = 0xD8;
    for (std::size_t done = 0; fd >= 0 && done < size; done += chunk.size()) {
        if (::write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size()))
            break;
        chunk[1] = 0xFF;
    }
    ::close(fd);
    return path;
}

struct Timing {
    double cpu = 0;
    double wall = 0;
};

template <typename Fn>
Timing timed(Fn&& fn) {
    const double c = cpuSeconds(), w = wallSeconds();
    fn();
    return {cpuSeconds() - c, wallSeconds() - w};
}

std::size_t readOnce(const std::string& path) {
    static std::vector<char> buf(1 << 20);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t total = 0;
    ssize_t n;
    while (fd >= 0 && (n = ::read(fd, buf.data(), buf.size())) > 0)
        total += static_cast<std::size_t>(n);
    ::close(fd);
    return total;
}

std::size_t readAsKivoInfo(const std::string& path) {
    kivo::TPhotoData photo(kivo::kBuildAll);
    photo.ReadImageFile(path);
    std::size_t sink = photo.StatusText.size();
    if (photo.Exif) {
        sink += photo.Exif->TraceText().size();
        for (const auto& row : photo.Exif->Tags())
            sink += row.Shown.size() + row.RawBytes.size();
    }
    return sink;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Result {
    double base = 0, reader = 0, readerWall = 0;
};

Result measure(const std::string& path, int rounds) {
    readOnce(path); // warm the page cache
    readAsKivoInfo(path);
    std::vector<double> base, reader, readerWall;
    std::size_t sink = 0;
    for (int i = 0; i < rounds; ++i) {
        base.push_back(timed([&] { sink += readOnce(path); }).cpu);
        const Timing t = timed([&] { sink += readAsKivoInfo(path); });
        reader.push_back(t.cpu);
        readerWall.push_back(t.wall);
    }
    if (sink == 0)
        std::fprintf(stderr, "nothing read\n");
    return {median(base), median(reader), median(readerWall)};
}

long maxRssKiB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

} // namespace

int main() {
    kivo::test::TempDir dir;

    const long rssBefore = maxRssKiB();
    const std::string crafted = dir.write("crafted.tif", craftedTiff());
    const Result c = measure(crafted, 11);
    const long rssAfter = maxRssKiB();
    std::printf("crafted TIFF (256 KiB, 21,000 entries of 250,000 bytes at one offset):\n");
    std::printf("  read once: cpu %.1f us; reader: cpu %.2f ms, wall %.2f ms (target "
                "< 50 ms); peak RSS of the process %.1f MiB (%.1f MiB before)\n",
                c.base * 1e6, c.reader * 1e3, c.readerWall * 1e3, rssAfter / 1024.0,
                rssBefore / 1024.0);
    // The target: 50 ms over this run's read-once time.
    std::printf("BENCH reader_crafted_tiff ratio=%.1f target=%.0f\n", c.reader / c.base,
                0.050 / c.base);

    const std::string fill = writeFill(dir, 300u * 1024 * 1024);
    const Result f = measure(fill, 5);
    std::printf("fill file (SOI, then 300 MB of 0xFF):\n");
    std::printf("  read once (cat): cpu %.1f ms; reader: cpu %.3f ms, wall %.3f ms\n",
                f.base * 1e3, f.reader * 1e3, f.readerWall * 1e3);
    std::printf("BENCH reader_fill_bytes ratio=%.4f target=2\n", f.reader / f.base);
    return 0;
}
