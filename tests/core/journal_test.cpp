// The undo journal and its undo/resume engine, on rows written the way the jobs write them.

#include <filesystem>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/journal.h"
#include "core/journal_undo.h"
#include "core/settings.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"

namespace kivo {
namespace {

using test::SnapshotTree;
using test::TempDir;

JournalRow MoveRow(const std::string& from, const std::string& to, std::string temp = {}) {
    JournalRow r;
    r.op = RowOp::Move;
    r.oldPath = from;
    r.newPath = to;
    r.tempPath = std::move(temp);
    r.before = StampOf(from);
    return r;
}

// Runs rows as a job would: intent, operation, done mark; rows with a temporary name go
// there first, as the rename batch does.
std::int64_t RunMoves(Journal& journal, std::vector<JournalRow> rows) {
    JournalBatch batch(journal, BatchKind::Move, "/", std::move(rows));
    for (const JournalRow& r : batch.rows())
        if (!r.tempPath.empty())
            (void)::rename(r.oldPath.c_str(), r.tempPath.c_str());
    for (std::size_t i = 0; i < batch.rows().size(); ++i) {
        const JournalRow& r = batch.rows()[i];
        const std::string& from = r.tempPath.empty() ? r.oldPath : r.tempPath;
        if (r.op == RowOp::Move && ::rename(from.c_str(), r.newPath.c_str()) == 0)
            batch.done(i, StampOf(r.newPath));
        else if (r.op == RowOp::RemoveDir && ::rmdir(r.oldPath.c_str()) == 0)
            batch.done(i, {});
        else if (r.op == RowOp::MakeDir && ::mkdir(r.newPath.c_str(), 0777) == 0)
            batch.done(i, StampOf(r.newPath));
        else
            batch.notDone(i, "failed");
    }
    batch.finish();
    return batch.id();
}

class JournalTest : public ::testing::Test {
protected:
    TempDir state;
    TempDir tree;
    Journal journal{state.path()};
};

TEST_F(JournalTest, BatchIsKeptWithItsRowsAndBytesOfNames) {
    const std::string odd = tree.write("\xff\xfe name.jpg", "x");
    const std::int64_t id = RunMoves(journal, {MoveRow(odd, tree.file("b.jpg"))});
    const std::vector<BatchInfo> history = journal.History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].id, id);
    EXPECT_EQ(history[0].kind, BatchKind::Move);
    EXPECT_EQ(history[0].state, BatchState::Done);
    EXPECT_EQ(history[0].doneCount, 1u);
    EXPECT_FALSE(history[0].interrupted);
    const std::vector<JournalRow> rows = journal.Rows(id);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].oldPath, odd);
    EXPECT_EQ(rows[0].state, RowState::Done);
    EXPECT_EQ(rows[0].after.ino, StampOf(tree.file("b.jpg")).ino);
}

TEST(JournalSchemaTest, JournalOfTheFirstVersionKeepsItsBatchesAndTakesNewMarks) {
    TempDir state, tree;
    const std::string a = tree.write("a.jpg", "x");
    std::int64_t old = 0;
    {
        Journal journal(state.path());
        old = RunMoves(journal, {MoveRow(a, tree.file("b.jpg"))});
    }
    // As the first version left it: no mark table, the state in the row itself.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((state.path() + "/journal.sqlite").c_str(), &db), SQLITE_OK);
    const char* downgrade =
        "UPDATE row SET state = coalesce((SELECT state FROM mark WHERE mark.batch = row.batch "
        "AND mark.seq = row.seq), (SELECT CASE WHEN as_before THEN 1 END FROM batch WHERE "
        "batch.id = row.batch), state); DROP TABLE mark; "
        "ALTER TABLE batch DROP COLUMN as_before; PRAGMA user_version = 1;";
    EXPECT_EQ(sqlite3_exec(db, downgrade, nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
    Journal journal(state.path());
    EXPECT_EQ(journal.Rows(old).at(0).state, RowState::Done);
    const std::int64_t id = RunMoves(journal, {MoveRow(tree.file("b.jpg"), a)});
    EXPECT_EQ(journal.Batch(id)->doneCount, 1u);
    EXPECT_EQ(journal.Batch(old)->doneCount, 1u);
}

TEST_F(JournalTest, PathsInAndOutsideTheFolderAndMarksInRunsReadBackAsWritten) {
    const std::string folder = tree.path();
    const std::string a = tree.write("a.jpg", "a"), b = tree.write("b.jpg", "b");
    const std::vector<std::pair<std::string, std::string>> paths = {
        {a, tree.file("sub/x.jpg")}, // inside, nested
        {b, folder + "x/y.jpg"},     // a neighbour whose name starts like the folder
        {folder, "/elsewhere/z"},    // the folder itself, and a path outside it
        {a, folder + "/"},           {b, {}},
    };
    std::vector<JournalRow> rows;
    for (const auto& [from, to] : paths)
        rows.push_back(MoveRow(from, to, from + "~"));
    const FileStamp other = StampOf(a);
    JournalBatch batch(journal, BatchKind::Move, folder, rows);
    // Rows 0-2 as they were (one run), 3 not done, 4 done as another file.
    for (std::size_t i = 0; i < 3; ++i)
        batch.done(i, rows[i].before);
    batch.notDone(3, "failed");
    batch.done(4, other);
    batch.finish();
    const std::vector<JournalRow> read = journal.Rows(batch.id());
    ASSERT_EQ(read.size(), rows.size());
    const RowState states[] = {RowState::Done, RowState::Done, RowState::Done, RowState::NotDone,
                               RowState::Done};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(read[i].oldPath, rows[i].oldPath);
        EXPECT_EQ(read[i].newPath, rows[i].newPath);
        EXPECT_EQ(read[i].tempPath, rows[i].tempPath);
        EXPECT_EQ(read[i].state, states[i]);
        const FileStamp& after = i < 3 ? rows[i].before : i == 4 ? other : FileStamp{};
        EXPECT_EQ(read[i].after.ino, after.ino);
        EXPECT_EQ(read[i].after.mtimeNs, after.mtimeNs);
    }
    EXPECT_EQ(read[3].reason, "failed");
}

TEST_F(JournalTest, RowsNeverReachedStayIntentAndUndoMarksKeepTheStamps) {
    const std::string a = tree.write("a.jpg", "a"), b = tree.write("b.jpg", "b");
    const std::vector<JournalRow> rows = {MoveRow(a, tree.file("x.jpg")),
                                          MoveRow(b, tree.file("y.jpg")),
                                          MoveRow(b, tree.file("z.jpg"))};
    JournalBatch batch(journal, BatchKind::Move, tree.path(), rows);
    batch.done(0, rows[0].before);
    batch.done(2, rows[2].before); // row 1 never had its turn
    batch.finish();
    std::vector<JournalRow> read = journal.Rows(batch.id());
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].state, RowState::Done);
    EXPECT_EQ(read[1].state, RowState::Intent);
    EXPECT_FALSE(read[1].after.exists);
    EXPECT_EQ(read[2].state, RowState::Done);
    EXPECT_EQ(journal.Batch(batch.id())->doneCount, 2u);
    journal.MarkRows(batch.id(), {{0, RowState::Undone, {}}});
    read = journal.Rows(batch.id());
    EXPECT_EQ(read[0].state, RowState::Undone);
    EXPECT_EQ(read[0].after.ino, rows[0].before.ino);
    EXPECT_EQ(read[0].after.mtimeNs, rows[0].before.mtimeNs);
    EXPECT_EQ(read[2].state, RowState::Done);
}

TEST_F(JournalTest, BatchThatDidNothingLeavesNoTrace) {
    RunMoves(journal, {MoveRow(tree.file("missing"), tree.file("b"))});
    EXPECT_TRUE(journal.History().empty());
}

TEST_F(JournalTest, UndoRestoresSwapChainAndFoldersAndRedoRedoes) {
    tree.write("a.jpg", "A");
    tree.write("b.jpg", "BB");
    tree.write("sub/c.jpg", "CCC");
    const test::TreeSnapshot before = SnapshotTree(tree.path());
    // Swap a and b through temporary names, move c out and remove its folder, make a folder.
    const std::int64_t id = RunMoves(
        journal, {MoveRow(tree.file("a.jpg"), tree.file("b.jpg"), tree.file(".ta")),
                  MoveRow(tree.file("b.jpg"), tree.file("a.jpg"), tree.file(".tb")),
                  MoveRow(tree.file("sub/c.jpg"), tree.file("c.jpg")),
                  JournalRow{RowOp::RemoveDir, tree.file("sub"), {}, {}, {}, {}, {}, 0, {}, {}, {}},
                  JournalRow{RowOp::MakeDir, {}, tree.file("new"), {}, {}, {}, {}, 0, {}, {}, {}}});
    const test::TreeSnapshot after = SnapshotTree(tree.path());
    ASSERT_NE(before, after);

    const UndoReport undo = UndoBatch(journal, id);
    ASSERT_TRUE(undo.ok()) << undo.error;
    EXPECT_EQ(undo.skipped, 0u);
    EXPECT_EQ(SnapshotTree(tree.path()), before);
    EXPECT_EQ(journal.Batch(id)->state, BatchState::Undone);
    EXPECT_FALSE(UndoBatch(journal, id).ok()); // not twice
    EXPECT_FALSE(journal.LastUndoable().has_value());

    const UndoReport redo = UndoBatch(journal, undo.undoBatch);
    ASSERT_TRUE(redo.ok()) << redo.error;
    EXPECT_EQ(SnapshotTree(tree.path()), after);
    EXPECT_EQ(journal.LastUndoable()->id, id);
}

TEST_F(JournalTest, ChangedRowIsSkippedWithItsReasonAndTheRestUndone) {
    tree.write("a.jpg", "A");
    tree.write("b.jpg", "B");
    tree.write("c.jpg", "C");
    const std::int64_t id = RunMoves(journal, {MoveRow(tree.file("a.jpg"), tree.file("a2.jpg")),
                                               MoveRow(tree.file("b.jpg"), tree.file("b2.jpg")),
                                               MoveRow(tree.file("c.jpg"), tree.file("c2.jpg"))});
    tree.write("b2.jpg", "changed"); // replaced by another file
    tree.write("c.jpg", "taken");    // old name taken
    const UndoReport dry = UndoBatch(journal, id, true);
    EXPECT_EQ(dry.undone, 1u);
    EXPECT_EQ(dry.skipped, 2u);
    EXPECT_TRUE(test::ReadWholeFile(tree.file("a2.jpg")) == "A"); // a dry run moves nothing

    const UndoReport undo = UndoBatch(journal, id);
    ASSERT_EQ(undo.rows.size(), 3u); // reverse order
    EXPECT_EQ(undo.rows[0].outcome, UndoOutcome::Skipped);
    EXPECT_EQ(undo.rows[0].reason, "original name taken");
    EXPECT_EQ(undo.rows[1].outcome, UndoOutcome::Skipped);
    EXPECT_EQ(undo.rows[1].reason, "changed since");
    EXPECT_EQ(undo.rows[2].outcome, UndoOutcome::Undone);
    EXPECT_EQ(test::ReadWholeFile(tree.file("a.jpg")), "A");
    EXPECT_EQ(test::ReadWholeFile(tree.file("c2.jpg")), "C"); // back from its temporary name
    EXPECT_EQ(test::ReadWholeFile(tree.file("c.jpg")), "taken");
    EXPECT_EQ(journal.Rows(id)[1].state, RowState::Skipped);
}

TEST_F(JournalTest, SetTimeUndoRestoresTheNanoseconds) {
    const std::string f = tree.write("a.jpg", "A");
    const struct timespec odd[2] = {{0, UTIME_OMIT}, {1'500'000'001, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, f.c_str(), odd, 0), 0);
    const test::TreeSnapshot before = SnapshotTree(tree.path());
    JournalRow r;
    r.op = RowOp::SetTime;
    r.oldPath = f;
    r.before = StampOf(f);
    r.newMtimeNs = 1'600'000'000'000'000'000;
    JournalBatch batch(journal, BatchKind::SetTime, tree.path(), {r});
    const struct timespec set[2] = {{0, UTIME_OMIT}, {1'600'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, f.c_str(), set, 0), 0);
    batch.done(0, StampOf(f));
    batch.finish();
    ASSERT_TRUE(UndoBatch(journal, batch.id()).ok());
    EXPECT_EQ(SnapshotTree(tree.path()), before);
}

TEST_F(JournalTest, BatchOfAKilledProcessIsInterruptedAndCanBeResumed) {
    const std::string a = tree.write("a.jpg", "A");
    const std::string b = tree.write("b.jpg", "B");
    const pid_t child = ::fork();
    if (child == 0) {
        // Moves only the first row, then dies without finishing.
        Journal own(state.path());
        auto* batch = new JournalBatch(own, BatchKind::Rename, tree.path(),
                                       {MoveRow(a, tree.file("a2")), MoveRow(b, tree.file("b2"))});
        (void)::rename(a.c_str(), tree.file("a2").c_str());
        (void)batch;
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::vector<BatchInfo> interrupted = journal.Interrupted();
    ASSERT_EQ(interrupted.size(), 1u);
    EXPECT_FALSE(UndoBatch(journal, interrupted[0].id, true).rows.empty());
    const UndoReport resumed = ResumeBatch(journal, interrupted[0].id);
    ASSERT_TRUE(resumed.ok()) << resumed.error;
    EXPECT_EQ(test::ReadWholeFile(tree.file("a2")), "A");
    EXPECT_EQ(test::ReadWholeFile(tree.file("b2")), "B");
    EXPECT_TRUE(journal.Interrupted().empty());
    EXPECT_EQ(journal.Batch(interrupted[0].id)->state, BatchState::Done);
}

// A copy killed midway, its folder made and one of its two files copied, an earlier copy
// not yet replaced: resuming does the rest; rolling back puts what was made in the Trash
// it is handed, never deletes it, and leaves the earlier copy alone.
TEST_F(JournalTest, AnInterruptedCopyIsFinishedOrRolledBackIntoTheTrash) {
    tree.write("src/a.jpg", "A");
    tree.write("src/b.jpg", "B");
    const std::string earlier = tree.mkdir("old") + "/a.jpg";
    ASSERT_TRUE(CopyFileSafely(tree.file("src/a.jpg"), earlier));
    const std::string bin = tree.mkdir("bin");
    const TrashEntryFn trash = [&](const std::string& path, TrashedEntry& where, std::string&) {
        where.filesPath = bin + "/" + std::to_string(SnapshotTree(bin).size());
        return ::rename(path.c_str(), where.filesPath.c_str()) == 0;
    };
    for (const bool resume : {true, false}) {
        std::vector<JournalRow> rows;
        for (const char* name : {"", "/a.jpg", "/b.jpg"}) {
            JournalRow r;
            r.op = RowOp::Copy;
            r.oldPath = tree.file("src") + name;
            r.newPath = tree.file("dst") + name;
            r.before = StampOf(r.oldPath);
            rows.push_back(r);
        }
        JournalRow replaced;
        replaced.op = RowOp::Trash;
        replaced.oldPath = earlier;
        replaced.before = StampOf(earlier);
        rows.push_back(replaced);
        rows.push_back(rows[1]);
        rows.back().newPath = earlier;
        const pid_t child = ::fork();
        if (child == 0) {
            Journal own(state.path());
            (void)new JournalBatch(own, BatchKind::Copy, tree.path(), rows); // dies holding it
            ::mkdir(rows[0].newPath.c_str(), 0777);
            (void)CopyFileSafely(rows[1].oldPath, rows[1].newPath);
            ::_exit(0);
        }
        ASSERT_EQ(::waitpid(child, nullptr, 0), child);
        const std::int64_t id = journal.Interrupted().at(0).id;
        const UndoReport report =
            resume ? ResumeBatch(journal, id, false, trash) : UndoBatch(journal, id, false, trash);
        ASSERT_TRUE(report.ok()) << report.error;
        EXPECT_EQ(report.skipped, 0u);
        if (resume) {
            EXPECT_EQ(test::ReadWholeFile(tree.file("dst/b.jpg")), "B");
            std::filesystem::remove_all(tree.file("dst"));
        } else {
            EXPECT_FALSE(StampOf(tree.file("dst")).exists);
            // The earlier copy from the resume; the file, then its emptied folder.
            EXPECT_EQ(SnapshotTree(bin).size(), 3u);
            EXPECT_TRUE(StampOf(earlier).exists);
        }
    }
}

TEST_F(JournalTest, RunningBatchOfThisProcessIsNotInterrupted) {
    const std::string a = tree.write("a.jpg", "A");
    JournalBatch batch(journal, BatchKind::Rename, tree.path(), {MoveRow(a, tree.file("b"))});
    EXPECT_TRUE(journal.Interrupted().empty());
    EXPECT_FALSE(UndoBatch(journal, batch.id()).ok());
}

TEST_F(JournalTest, PruneKeepsTheNewerOfBothLimits) {
    for (int i = 0; i < 5; ++i) {
        const std::string f = tree.write("f" + std::to_string(i), "x");
        RunMoves(journal, {MoveRow(f, f + ".moved")});
    }
    const std::int64_t now = std::time(nullptr);
    EXPECT_EQ(journal.Prune({90, 2}, now), 0u); // all young
    EXPECT_EQ(journal.Prune({0, 2}, now + 1), 3u);
    EXPECT_EQ(journal.History().size(), 2u);
}

TEST_F(JournalTest, RetentionComesFromTheSettingsFile) {
    const std::string ini = tree.file("kivo.ini");
    EXPECT_EQ(ReadRetention(ini).days, 90);
    EXPECT_EQ(ReadRetention(ini).batches, 1000);
    WriteIniInteger(ini, kJournalSection, kJournalDaysKey, 7);
    WriteIniInteger(ini, kJournalSection, kJournalBatchesKey, 50);
    EXPECT_EQ(ReadRetention(ini).days, 7);
    EXPECT_EQ(ReadRetention(ini).batches, 50);
}

TEST(JournalFolderTest, FollowsXdgStateHome) {
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string keep = saved ? saved : "";
    ::setenv("XDG_STATE_HOME", "/tmp/state-x", 1);
    EXPECT_EQ(Journal::DefaultFolder(), "/tmp/state-x/kivomat");
    ::setenv("XDG_STATE_HOME", "relative", 1); // not absolute: ignored
    EXPECT_NE(Journal::DefaultFolder(), "relative/kivomat");
    if (saved)
        ::setenv("XDG_STATE_HOME", keep.c_str(), 1);
    else
        ::unsetenv("XDG_STATE_HOME");
}

} // namespace
} // namespace kivo
