// The jobs with the undo journal: each kind of batch undone gives the tree back as it was,
// and a run killed at any point is completed or rolled back without losing a file.

#include <chrono>
#include <iostream>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/journal.h"
#include "core/journal_undo.h"
#include "photoops/exif_date_table.h"
#include "photoops/gather.h"
#include "photoops/rename_table.h"
#include "platform/datetime.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"

namespace kivo {
namespace {

using test::SnapshotTree;
using test::TempDir;

enum class Job { Rename, SetTime, Gather };

// Source tree: src/ with files (one of them with a name that is not UTF-8), src/sub/ with
// more; the destination of a gathering is dst/.
void BuildTree(const TempDir& tree, int files) {
    tree.mkdir("dst");
    for (int i = 0; i < files; ++i) {
        const std::string n = std::to_string(i);
        tree.write((i % 3 == 2 ? "src/sub/p" : "src/p") + n + (i == 1 ? "\xe9.jpg" : ".jpg"),
                   "photo " + n);
    }
}

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& [path, entry] : SnapshotTree(folder))
        if (!entry.dir && path.find('/', 1) == std::string::npos)
            names.push_back(path.substr(1));
    return names;
}

// Runs one job over the tree with the journal in `state`.
void RunJob(Job job, const TempDir& tree, Journal& journal) {
    const std::string src = tree.file("src");
    switch (job) {
    case Job::Rename: {
        RenameTable table(src);
        table.setJournal(&journal);
        table.Fill(NamesIn(src));
        table.NastavNazev(4); // a running number: the names swap around among the rows
        table.Proved();
        break;
    }
    case Job::SetTime: {
        ExifDateTable table(src);
        table.setJournal(&journal);
        for (const std::string& name : NamesIn(src)) {
            ExifDateRow row;
            row.name = name;
            row.newValue = "2004.05.06 07:08:09";
            table.AddRow(row);
        }
        table.Write(true);
        break;
    }
    case Job::Gather: {
        TempDir reports;
        ImageGatherer gatherer(reports.path());
        gatherer.setJournal(&journal);
        gatherer.GatherImages(src, true, tree.file("dst"));
        break;
    }
    }
}

class JournalJobs : public ::testing::TestWithParam<Job> {
protected:
    TempDir state;
    TempDir tree;
};

TEST_P(JournalJobs, RunThenUndoGivesTheTreeBackAndRedoTheRun) {
    BuildTree(tree, 6);
    if (GetParam() == Job::Rename) // the running numbers clash with names that stay
        tree.write("src/02.jpg", "taken by a chain");
    const test::TreeSnapshot before = SnapshotTree(tree.path());
    Journal journal(state.path());
    RunJob(GetParam(), tree, journal);
    const test::TreeSnapshot after = SnapshotTree(tree.path());
    ASSERT_NE(after, before);
    const std::optional<BatchInfo> last = journal.LastUndoable();
    ASSERT_TRUE(last);

    const UndoReport undo = UndoBatch(journal, last->id);
    ASSERT_TRUE(undo.ok()) << undo.error;
    EXPECT_EQ(undo.skipped, 0u);
    EXPECT_EQ(SnapshotTree(tree.path()), before);
    ASSERT_TRUE(UndoBatch(journal, undo.undoBatch).ok());
    EXPECT_EQ(SnapshotTree(tree.path()), after);
}

TEST_P(JournalJobs, RowChangedSinceIsSkippedAndTheOthersUndone) {
    BuildTree(tree, 4);
    Journal journal(state.path());
    RunJob(GetParam(), tree, journal);
    const std::optional<BatchInfo> last = journal.LastUndoable();
    ASSERT_TRUE(last);
    const std::vector<JournalRow> rows = journal.Rows(last->id);
    // The first file the batch touched is changed by someone else.
    const std::string changed = GetParam() == Job::SetTime ? rows[0].oldPath : rows[0].newPath;
    ASSERT_EQ(::truncate(changed.c_str(), 1), 0);
    const UndoReport undo = UndoBatch(journal, last->id);
    ASSERT_TRUE(undo.ok()) << undo.error;
    EXPECT_EQ(undo.skipped, 1u);
    EXPECT_EQ(undo.rows.back().reason, "changed since");
    EXPECT_EQ(undo.undone + 1, last->doneCount);
}

INSTANTIATE_TEST_SUITE_P(Kinds, JournalJobs,
                         ::testing::Values(Job::Rename, Job::SetTime, Job::Gather));

// Every file's contents, wherever it is: nothing lost, nothing doubled.
std::multiset<std::string> Contents(const std::string& root) {
    std::multiset<std::string> all;
    for (const auto& [path, entry] : SnapshotTree(root))
        if (!entry.dir)
            all.insert(entry.contents);
    return all;
}

constexpr int kKillTreeFiles = 60;

// Runs the job in a child process, killed after `delay` (never, when nullopt).
void RunChild(Job job, const TempDir& tree, const TempDir& state,
              std::optional<std::chrono::microseconds> delay) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Journal own(state.path());
        RunJob(job, tree, own);
        ::_exit(0);
    }
    if (delay) {
        std::this_thread::sleep_until(start + *delay);
        ::kill(child, SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
}

// How long a whole run takes here, child process included.
std::chrono::microseconds RunTime(Job job) {
    TempDir state;
    TempDir tree;
    BuildTree(tree, kKillTreeFiles);
    const auto start = std::chrono::steady_clock::now();
    RunChild(job, tree, state, std::nullopt);
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

TEST(JournalKill, KilledRunIsAlwaysCompletedOrRolledBack) {
    std::mt19937 random(20261208);
    const std::chrono::microseconds runTime[] = {RunTime(Job::Rename), RunTime(Job::Gather)};
    int interruptedRuns = 0;
    for (int point = 0; point < 20; ++point) {
        const Job job = point % 2 ? Job::Gather : Job::Rename;
        TempDir state;
        TempDir tree;
        BuildTree(tree, kKillTreeFiles);
        const test::TreeSnapshot before = SnapshotTree(tree.path());
        const std::multiset<std::string> contents = Contents(tree.path());
        // Anywhere in the run, from the opening of the journal to the last mark.
        const auto whole = runTime[point % 2].count() + 1;
        RunChild(job, tree, state, std::chrono::microseconds(random() % whole));

        Journal journal(state.path());
        const std::vector<BatchInfo> interrupted = journal.Interrupted();
        const bool rollBack = point % 4 < 2;
        interruptedRuns += interrupted.empty() ? 0 : 1;
        if (!interrupted.empty()) {
            const UndoReport r = rollBack ? UndoBatch(journal, interrupted[0].id)
                                          : ResumeBatch(journal, interrupted[0].id);
            ASSERT_TRUE(r.ok()) << r.error;
            for (const UndoRowReport& row : r.rows)
                EXPECT_NE(row.outcome, UndoOutcome::Skipped)
                    << "point " << point << ": " << row.path << ": " << row.reason;
        } else if (rollBack && journal.LastUndoable()) {
            ASSERT_TRUE(UndoBatch(journal, journal.LastUndoable()->id).ok());
        }
        EXPECT_EQ(Contents(tree.path()), contents) << "point " << point;
        EXPECT_TRUE(journal.Interrupted().empty());
        if (rollBack) {
            EXPECT_EQ(SnapshotTree(tree.path()), before) << "point " << point;
        }
    }
    std::cout << "runs caught half-way: " << interruptedRuns << " of 20\n";
}

} // namespace
} // namespace kivo
