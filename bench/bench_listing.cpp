// Lists and sorts a folder of 10,000 files with the file list's non-widget listing (details
// columns, by name, then by Modified) and compares it with `ls -l` on the same folder.
// Last line: BENCH listing ratio=<listing/ls -l> target=0.5

#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QString>

#include "browser/file_list_listing.h"
#include "support/temp_dir.h"

namespace {

constexpr int kFiles = 10000;
constexpr int kRuns = 7;

template <typename F> double MedianMs(F&& f) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        const auto stop = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void MakeFolder(const kivo::test::TempDir& dir) {
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/IMG_%05d.JPG", (i * 7919) % kFiles);
        const std::string path = dir.path() + name;
        std::ofstream(path) << std::string(static_cast<std::size_t>(i % 3000), 'x');
        const timeval t[2] = {{1600000000 + (i * 104729) % 30000000, 0},
                              {1600000000 + (i * 104729) % 30000000, 0}};
        ::utimes(path.c_str(), t);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    kivo::test::TempDir dir;
    MakeFolder(dir);

    const std::string ls = "ls -l '" + dir.path() + "' > /dev/null";
    if (std::system(ls.c_str()) != 0) {
        std::printf("ls -l failed\n");
        return 1;
    }
    const double baseline = MedianMs([&] { (void)std::system(ls.c_str()); });

    kivo::FileListing warm; // loads the MIME database once, as a running program has
    warm.SetDirectory(QString::fromStdString(dir.path()));
    warm.Refresh();

    std::size_t count = 0;
    const double measured = MedianMs([&] {
        kivo::FileListing listing;
        listing.SetDateFormat(kivo::TDtFormat::df_yyyyMMdd);
        listing.SetTimeFormat(kivo::TTmFormat::tfLongFormat);
        listing.SetDirectory(QString::fromStdString(dir.path()));
        listing.Refresh();       // sorted by name
        listing.SortByColumn(3); // then by Modified
        count = listing.Items().size();
    });
    std::printf("files=%zu ls_l_ms=%.2f listing_ms=%.2f\n", count, baseline, measured);
    std::printf("BENCH listing ratio=%.2f target=0.5\n", measured / baseline);
    return count == static_cast<std::size_t>(kFiles) + 1 ? 0 : 1;
}
