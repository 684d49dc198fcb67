// A camera import into the folder the file list shows: 1,000 files created by another
// thread in one burst (the folder already holds 1,000). Measured: from the last file
// written until the list holds every one of them; baseline: one full listing of the same
// folder (RefreshListing, as F5 does it). Three bursts, the folder growing each time.
// Last line: BENCH watch_burst ratio=<wait/full listing> target=2

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "browser/file_list_model.h"
#include "browser/file_list_view.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExisting = 1000;
constexpr int kBurst = 1000;
constexpr int kRounds = 3;

void CreateFiles(const std::string& folder, const char* prefix, int first, int count) {
    for (int i = first; i < first + count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/%s_%05d.JPG", prefix, i);
        const int fd = ::open((folder + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) {
            (void)::write(fd, "photo", 5);
            ::close(fd);
        }
    }
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kivo::test::TempDir dir;
    CreateFiles(dir.path(), "IMG", 0, kExisting);

    kivo::TFileListView list;
    list.SetViewStyle(kivo::vsReport);
    list.resize(800, 600);
    list.show();
    list.SetDirectory(QString::fromStdString(dir.path()));
    QCoreApplication::processEvents();

    std::vector<double> ratios;
    for (int round = 0; round < kRounds; ++round) {
        const int expected = list.ItemCount() + kBurst;
        QEventLoop loop;
        Clock::time_point upToDate{};
        auto check = [&] {
            if (list.ItemCount() == expected && upToDate == Clock::time_point{}) {
                upToDate = Clock::now();
                loop.quit();
            }
        };
        const auto c1 =
            QObject::connect(list.Model(), &QAbstractItemModel::rowsInserted, &loop, check);
        const auto c2 =
            QObject::connect(list.Model(), &QAbstractItemModel::modelReset, &loop, check);
        std::atomic<long long> written{0};
        std::thread camera([&] {
            CreateFiles(dir.path(), "NEW", round * kBurst, kBurst);
            written = Clock::now().time_since_epoch().count();
        });
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        camera.join();
        QObject::disconnect(c1);
        QObject::disconnect(c2);
        if (upToDate == Clock::time_point{}) {
            std::printf("round %d: the list never showed all %d entries (%d)\n", round, expected,
                        list.ItemCount());
            return 1;
        }
        const Clock::time_point last{Clock::duration(written.load())};
        const double waited = std::max(0.0, Ms(upToDate - last));

        std::vector<double> full;
        for (int i = 0; i < 5; ++i) {
            const auto start = Clock::now();
            list.RefreshListing();
            full.push_back(Ms(Clock::now() - start));
        }
        std::sort(full.begin(), full.end());
        const double baseline = full[full.size() / 2];
        std::printf("round %d: %d entries, up to date %.1f ms after the last file, full listing "
                    "%.1f ms\n",
                    round, list.ItemCount(), waited, baseline);
        ratios.push_back(waited / baseline);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("BENCH watch_burst ratio=%.2f target=2\n", ratios[ratios.size() / 2]);
    return 0;
}
