// kivo-tidy history, undo and resume over the journal that the other commands write.

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include "cli/lib/tidy.h"
#include "core/journal.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"

namespace kivo {
namespace {

using test::TempDir;

struct TidyRun {
    int status;
    std::string out, err;
};

TidyRun Tidy(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = tidy::RunTidy(args, out, err);
    return {status, out.str(), err.str()};
}

class TidyUndo : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KIVO_DATA_DIR", tmp.mkdir("data").c_str(), 1);
        ::setenv("XDG_STATE_HOME", tmp.mkdir("state").c_str(), 1);
        tmp.write("f/a.jpg", "A");
        tmp.write("f/b.jpg", "B");
    }
    void TearDown() override { ::unsetenv("KIVO_DATA_DIR"); }
    TempDir tmp;
};

TEST_F(TidyUndo, RenameShowsInHistoryAndUndoPutsTheNamesBack) {
    const test::TreeSnapshot before = test::SnapshotTree(tmp.file("f"));
    ASSERT_EQ(Tidy({"rename", "--format", "4", tmp.file("f/a.jpg"), tmp.file("f/b.jpg")}).status,
              0);
    const TidyRun history = Tidy({"history", "--json"});
    ASSERT_EQ(history.status, 0) << history.err;
    const nlohmann::json rows = nlohmann::json::parse(history.out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["kind"], "rename");
    EXPECT_EQ(rows[0]["rows"], "2");
    EXPECT_EQ(rows[0]["state"], "done");

    const TidyRun dry = Tidy({"undo", "--dry-run", "--json"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(nlohmann::json::parse(dry.out)[0]["result"], "would undo");
    EXPECT_NE(test::SnapshotTree(tmp.file("f")), before);

    const TidyRun undo = Tidy({"undo"});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(test::SnapshotTree(tmp.file("f")), before);
    EXPECT_EQ(Tidy({"undo", "1"}).status, 1); // not twice
    EXPECT_EQ(Tidy({"undo", "x"}).status, 2);
}

TEST_F(TidyUndo, EveryCommandPointsOutAnInterruptedBatchAndResumeFinishesIt) {
    const pid_t child = ::fork();
    if (child == 0) {
        Journal own(Journal::DefaultFolder());
        JournalRow row;
        row.oldPath = tmp.file("f/a.jpg");
        row.newPath = tmp.file("f/c.jpg");
        row.before = StampOf(row.oldPath);
        new JournalBatch(own, BatchKind::Rename, tmp.file("f"), {row}); // dies holding it
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const TidyRun history = Tidy({"history"});
    EXPECT_NE(history.err.find("kivo-tidy resume 1"), std::string::npos) << history.err;
    EXPECT_NE(history.out.find("interrupted"), std::string::npos);
    const TidyRun resume = Tidy({"resume"});
    EXPECT_EQ(resume.status, 0) << resume.err;
    EXPECT_EQ(test::ReadWholeFile(tmp.file("f/c.jpg")), "A");
    EXPECT_EQ(Tidy({"history"}).err.find("interrupted"), std::string::npos);
}

// A copy the window made and journaled goes to the Trash, never deleted.
TEST_F(TidyUndo, UndoOfACopyPutsTheCopyInTheTrash) {
    // GLib reads it once per process: the only test here that uses the Trash.
    ::setenv("XDG_DATA_HOME", tmp.mkdir("share").c_str(), 1);
    const test::TreeSnapshot before = test::SnapshotTree(tmp.file("f"));
    JournalRow row;
    row.op = RowOp::Copy;
    row.oldPath = tmp.file("f/a.jpg");
    row.newPath = tmp.file("f/a - Copy.jpg");
    row.before = StampOf(row.oldPath);
    {
        Journal journal(Journal::DefaultFolder());
        JournalBatch batch(journal, BatchKind::Copy, tmp.file("f"), {row});
        ASSERT_TRUE(CopyFileSafely(row.oldPath, row.newPath));
        batch.done(0, StampOf(row.newPath));
    }
    const TidyRun undo = Tidy({"undo"});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(test::SnapshotTree(tmp.file("f")), before);
    const test::TreeSnapshot trashed = test::SnapshotTree(tmp.file("share/Trash/files"));
    ASSERT_EQ(trashed.size(), 1u);
    EXPECT_EQ(trashed.begin()->second.contents, "A");
}

} // namespace
} // namespace kivo
