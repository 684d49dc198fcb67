// Filling the EXIF date dialog's rows for 10,000 photos on its worker threads, until the
// list is complete, against reading the same files' three stamps with one reader on
// one thread in the same run. The readers are as many as the disk of the temporary folder
// benefits from.

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QThread>

#include "dialog_bench.h"
#include "exif/photo_data.h"
#include "photoops/exif_date_dialog.h"
#include "photoops/exif_date_fill.h"
#include "platform/storage_kind.h"
#include "support/temp_dir.h"

namespace {

using namespace kivo::bench;
using kivo::test::TempDir;

constexpr int kFiles = 10000;
constexpr off_t kFileSize = 2 * 1024 * 1024; // the image data is a hole: no disk is used

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

Timing fillDialog(const std::string& folder, const std::vector<std::string>& names, QWidget& main) {
    return openUntilFilled([&] { return std::make_unique<kivo::TFDCExif>(folder, names, &main); },
                           kFiles);
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

} // namespace

int main(int argc, char** argv) {
    TempDir data;
    prepareDialogs(data);
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
    printLine("three stamps, one reader", base, kFiles);
    printLine("the rows alone, read on one thread", table, kFiles);
    printLine("dialog filled until complete", fill, kFiles);
    // The user waits for the complete list: wall time, with the readers and the window's
    // thread working side by side.
    std::printf("BENCH exif_dialog_fill ratio=%.2f target=1.3\n",
                median(fill, &Timing::wall, kFiles) / median(base, &Timing::wall, kFiles));
    return 0;
}
