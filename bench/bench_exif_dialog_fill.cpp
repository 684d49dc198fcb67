// Filling the EXIF date dialog's rows for a few thousand photos on its worker threads, until
// the list is complete, against reading the same files' three stamps with one reader on
// one thread in the same run. The readers are as many as the disk of the temporary folder
// benefits from.

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <QThread>
#include <QTreeWidget>

#include "exif/photo_data.h"
#include "photoops/exif_date_dialog.h"
#include "photoops/exif_date_fill.h"
#include "platform/storage_kind.h"
#include "support/exif_fixtures.h"
#include "support/temp_dir.h"

namespace {

using namespace kivo::test;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 3000;
constexpr off_t kFileSize = 2 * 1024 * 1024; // the image data is a hole: no disk is used

// A camera-like JPEG: its EXIF block with the three stamps, a maker and a model.
Bytes makePhoto(int i) {
    TiffBuilder t(i % 2 == 1);
    const int ifd0 = t.AddIfd(), exif = t.AddIfd();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "20%02d:%02d:%02d %02d:%02d:%02d", i % 30, 1 + i % 12,
                  1 + i % 28, i % 24, i % 60, (i * 7) % 60);
    t.Ascii(ifd0, 0x010F, "Canon");
    t.Ascii(ifd0, 0x0110, "Canon PowerShot S40");
    t.Short(ifd0, 0x0112, {1});
    t.Ascii(ifd0, 0x0132, stamp);
    t.Link(ifd0, 0x8769, exif);
    t.Rational(exif, 0x829A, {{1, 125}});
    t.Ascii(exif, 0x9003, stamp);
    t.Ascii(exif, 0x9004, stamp);
    t.Undefined(exif, 0x927C, Bytes(600, 0));
    t.Short(exif, 0xA002, {2272});
    t.Short(exif, 0xA003, {1704});
    std::vector<Segment> segments = {App0Jfif(), ExifApp1(t.Build())};
    segments.push_back(MakeSegment(0xDB, Bytes(130, 3)));
    segments.push_back(MakeSegment(0xC4, Bytes(418, 1)));
    return JpegFile(segments);
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Processor time of all threads of this process, shown beside the wall time: on a shared
// machine it tells the neighbours' share apart.
double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

class Stopwatch {
public:
    Timing elapsed() const { return {seconds(Clock::now() - wall_), cpuSeconds() - cpu_}; }

private:
    Clock::time_point wall_ = Clock::now();
    double cpu_ = cpuSeconds();
};

// The three stamps of every file, one reader, as a command-line read does it.
Timing readStamps(const std::vector<std::string>& paths) {
    const Stopwatch watch;
    kivo::TPhotoData photo(kivo::kBuildAll);
    int found = 0;
    for (const auto& p : paths) {
        photo.ReadImageFile(p);
        if (photo.ExifPresent())
            for (std::int32_t pos : {photo.Exif->ModifyDatePos, photo.Exif->TakenDatePos,
                                     photo.Exif->DigitizedDatePos})
                found += pos > 0 && photo.Exif->DateAt(pos) != 0;
    }
    if (found != 3 * kFiles)
        std::fprintf(stderr, "stamps found: %d\n", found);
    return watch.elapsed();
}

// The dialog opened, shown and filled until its last row is in.
Timing fillDialog(const std::string& folder, const std::vector<std::string>& names, QWidget& main) {
    const Stopwatch watch;
    kivo::TFDCExif dialog(folder, names, &main);
    QEventLoop loop;
    QObject::connect(&dialog, &kivo::TFDCExif::filled, &loop, &QEventLoop::quit);
    dialog.show();
    if (dialog.filling())
        loop.exec();
    const Timing t = watch.elapsed();
    if (dialog.List->topLevelItemCount() != kFiles)
        std::fprintf(stderr, "rows: %d\n", dialog.List->topLevelItemCount());
    return t;
}

// The rows as the dialog used to get them: read on the window's thread, no window.
Timing fillTable(const std::string& folder, const std::vector<std::string>& names) {
    const Stopwatch watch;
    const kivo::ExifDateTable table = kivo::FillExifDateTable(folder, names);
    const Timing t = watch.elapsed();
    if (table.size() != static_cast<std::size_t>(kFiles))
        std::fprintf(stderr, "table rows: %zu\n", table.size());
    return t;
}

double median(const std::vector<Timing>& v, double Timing::*field) {
    std::vector<double> x;
    for (const Timing& t : v)
        x.push_back(t.*field);
    std::sort(x.begin(), x.end());
    return x[x.size() / 2] * 1e6 / kFiles;
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TempDir data;
    ::setenv("KIVO_DATA_DIR", data.path().c_str(), 1); // the dialog's placement goes here
    QApplication app(argc, argv);
    TempDir dir;
    std::vector<std::string> names, paths;
    for (int i = 0; i < kFiles; ++i) {
        names.push_back("IMG_" + std::to_string(i) + ".JPG");
        paths.push_back(dir.write(names.back(), makePhoto(i)));
        if (::truncate(paths.back().c_str(), kFileSize) != 0)
            return 1;
    }
    QWidget main;
    main.show();
    readStamps(paths); // warm the page cache
    fillDialog(dir.path(), names, main);
    std::vector<Timing> base, fill, table;
    for (int round = 0; round < 5; ++round) {
        base.push_back(readStamps(paths));
        fill.push_back(fillDialog(dir.path(), names, main));
        table.push_back(fillTable(dir.path(), names));
    }
    std::printf(
        "files: %d, readers: %d (medians of 5 rounds, per file)\n", kFiles,
        kivo::ReadersForFolder(dir.path(), static_cast<unsigned>(QThread::idealThreadCount())));
    const auto line = [](const char* what, const std::vector<Timing>& v) {
        std::printf("%s: cpu %.2f us, wall %.2f us\n", what, median(v, &Timing::cpu),
                    median(v, &Timing::wall));
    };
    line("three stamps, one reader", base);
    line("the rows alone, read on one thread", table);
    line("dialog filled until complete", fill);
    // The user waits for the complete list: wall time, with the readers and the window's
    // thread working side by side.
    std::printf("BENCH exif_dialog_fill ratio=%.2f target=1.3\n",
                median(fill, &Timing::wall) / median(base, &Timing::wall));
    return 0;
}
