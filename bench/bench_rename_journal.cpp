// What the undo journal adds to a job: renaming 10,000 files, and gathering 10,000 files,
// each with a journal against the same job without one, in the same run.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "core/journal.h"
#include "photoops/gather.h"
#include "photoops/rename_table.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 10000;
constexpr int kFolders = 100;
int kRounds = 3; // or the first argument

void writeFile(const std::string& path) {
    static const std::string payload(2048, '\xAB');
    std::ofstream(path, std::ios::binary) << payload;
}

std::vector<std::string> makeFolder(const std::string& folder) {
    fs::create_directories(folder);
    std::vector<std::string> names;
    for (int i = 0; i < kFiles; ++i) {
        names.push_back("IMG_" + std::to_string(i) + ".jpg");
        writeFile(folder + "/" + names.back());
    }
    return names;
}

void makeTree(const std::string& root) {
    for (int f = 0; f < kFolders; ++f) {
        const std::string folder = root + "/card" + std::to_string(f);
        fs::create_directories(folder);
        for (int i = 0; i < kFiles / kFolders; ++i)
            writeFile(folder + "/IMG_" + std::to_string(f * (kFiles / kFolders) + i) + ".jpg");
    }
}

// CPU seconds (user + system): the machine is shared, wall time mostly measures neighbours.
double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return sec(u.ru_utime) + sec(u.ru_stime);
}

struct Times {
    std::vector<double> cpu, wall;
    double best() const { return *std::min_element(cpu.begin(), cpu.end()); }
    double bestWall() const { return *std::min_element(wall.begin(), wall.end()); }
};

// Times `job` (given the journal or null) on fresh trees, with and without a journal in
// alternating rounds; false when a run did not do all its work.
bool measure(const std::function<bool(kivo::test::TempDir&, kivo::Journal*, double&, double&)>& job,
             Times& with, Times& without) {
    for (int round = 0; round < 2 * kRounds; ++round) {
        const bool journaled = round % 2 == 0;
        kivo::test::TempDir tmp;
        std::unique_ptr<kivo::Journal> journal;
        if (journaled)
            journal = std::make_unique<kivo::Journal>(tmp.file("state"));
        double cpu = 0, wall = 0;
        if (!job(tmp, journal.get(), cpu, wall))
            return false;
        Times& t = journaled ? with : without;
        t.cpu.push_back(cpu);
        t.wall.push_back(wall);
    }
    return true;
}

template <class F> void timed(F&& f, double& cpu, double& wall) {
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    const double c0 = cpuSeconds();
    f();
    cpu = cpuSeconds() - c0;
    wall = std::chrono::duration<double>(Clock::now() - t0).count();
}

Times fillTimes; // the rename table's Fill of every round

void report(const char* name, const char* what, const Times& with, const Times& without) {
    std::printf("%s %d files, best of %d rounds: journaled CPU %.1f ms (wall %.1f ms); "
                "unjournaled CPU %.1f ms (wall %.1f ms)\n",
                what, kFiles, kRounds, with.best() * 1000, with.bestWall() * 1000,
                without.best() * 1000, without.bestWall() * 1000);
    std::printf("BENCH %s ratio=%.2f target=1.15\n", name, with.best() / without.best());
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1)
        kRounds = std::max(1, std::atoi(argv[1]));
    Times renameWith, renameWithout;
    const bool renamed = measure(
        [](kivo::test::TempDir& tmp, kivo::Journal* journal, double& cpu, double& wall) {
            const std::string folder = tmp.file("photos");
            const std::vector<std::string> names = makeFolder(folder);
            kivo::RenameTable table(folder);
            table.setJournal(journal);
            double fillCpu = 0, fillWall = 0;
            timed([&] { table.Fill(names); }, fillCpu, fillWall);
            fillTimes.cpu.push_back(fillCpu);
            fillTimes.wall.push_back(fillWall);
            table.NastavNazev(4); // running numbers
            std::optional<int> failed;
            timed([&] { failed = table.Proved(); }, cpu, wall);
            return failed == 0 && table.changed() && (!journal || journal->History(1).size() == 1);
        },
        renameWith, renameWithout);
    if (!renamed) {
        std::fprintf(stderr, "a rename run failed\n");
        return 1;
    }
    report("rename_journal", "renaming", renameWith, renameWithout);
    std::printf("filling the rename table with %d names, best of %zu: CPU %.1f ms (wall %.1f ms)\n",
                kFiles, fillTimes.cpu.size(), fillTimes.best() * 1000, fillTimes.bestWall() * 1000);

    Times gatherWith, gatherWithout;
    const bool gathered = measure(
        [](kivo::test::TempDir& tmp, kivo::Journal* journal, double& cpu, double& wall) {
            const std::string src = tmp.file("src"), dest = tmp.file("dest");
            fs::create_directories(dest);
            makeTree(src);
            kivo::ImageGatherer gatherer(tmp.file("data"));
            gatherer.setJournal(journal);
            kivo::GatherResult r;
            timed([&] { r = gatherer.GatherImages(src, true, dest); }, cpu, wall);
            return r.movedCount == static_cast<std::size_t>(kFiles) &&
                   (!journal || journal->History(1).size() == 1);
        },
        gatherWith, gatherWithout);
    if (!gathered) {
        std::fprintf(stderr, "a gathering run failed\n");
        return 1;
    }
    report("gathering_journal", "gathering", gatherWith, gatherWithout);
    return 0;
}
