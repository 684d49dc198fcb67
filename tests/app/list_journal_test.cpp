// The file list's new folder, rename in place, delete to the Trash and paste after cut or
// copy (replacing and merging), journaled through the window's ListJournal: undone from
// the journal, the tree is as it was and the Trash holds only the copies; a row changed
// in between is skipped with its reason and the others are undone.

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QThread>

#include "app/list_journal.h"
#include "browser/file_list_model.h"
#include "browser/file_list_view.h"
#include "core/journal_undo.h"
#include "platform/gui/path_text.h"
#include "platform/gui/shell_file_operation.h"
#include "platform/gui/trash.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"

namespace kivo {
namespace {

int argc = 1;
char arg0[] = "list_journal_test";
char* argv[] = {arg0, nullptr};

class YesQuestions : public FileOperationQuestions {
public:
    ReplaceAnswer AskReplace(const ReplaceQuestion&) override {
        return {ReplaceChoice::Replace, false};
    }
    bool ConfirmTrash(const std::vector<std::string>&) override { return true; }
    ErrorChoice ReportError(const std::string&, bool) override { return ErrorChoice::Skip; }
    bool Progress(std::uint64_t, std::uint64_t, const std::string&) override { return true; }
};

struct ListOpCase {
    const char* name;
    BatchKind kind;
    std::size_t rows;
    const char* altered;    // what is changed after the operation
    const char* skipReason; // the undo's reason for skipping its row
    // A paste: the entries cut or copied in Foto, the folder they are pasted into (none:
    // Foto itself), and an entry that stands there before.
    std::vector<const char*> cut = {};
    const char* into = nullptr;
    const char* present = nullptr;
    std::size_t copies = 0; // entries an undo puts in the Trash
};

void PrintTo(const ListOpCase& c, std::ostream* os) {
    *os << c.name;
}

class ListJournalTest : public ::testing::TestWithParam<ListOpCase> {
protected:
    // GLib reads HOME and XDG_DATA_HOME once per process: one home for every suite here
    // (removed at exit), its Trash emptied after each test.
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
        if (home)
            return;
        home = std::make_unique<test::TempDir>();
        ::setenv("HOME", home->path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", home->mkdir("data").c_str(), 1);
    }
    void SetUp() override {
        ::setenv("XDG_STATE_HOME", dir.mkdir("state").c_str(), 1);
        SetFileOperationQuestionsFactory(
            [](QWidget*, ShellFunc) { return std::make_unique<YesQuestions>(); });
        for (const char* name : {"Foto/b.jpg", "Foto/a\xe9.jpg", "Foto/Den/c.jpg"})
            dir.write(name, std::string("photo ") + name);
        if (GetParam().present)
            dir.write(GetParam().present, "the one replaced");
        photos = dir.file("Foto");
        journal = std::make_unique<Journal>(Journal::DefaultFolder());
        list.SetChangeLog(&log);
        list.resize(600, 400);
        list.show();
        list.SetDirectory(PathText(photos + "/"));
        list.RefreshListing();
    }
    void TearDown() override {
        SetFileOperationQuestionsFactory(nullptr);
        ::unsetenv("XDG_STATE_HOME");
        std::filesystem::remove_all(home->file("data/Trash"));
    }
    // Below the suite's data folder for "Trash/…", else below the test's folder.
    std::string PathOf(const std::string& rel) const {
        return rel.starts_with("Trash/") ? home->file("data/" + rel) : dir.file(rel);
    }
    void Select(const std::vector<const char*>& names) {
        list.ClearSelection();
        for (const char* name : names)
            for (int r = 0; r < list.ItemCount(); ++r)
                if (PathBytes(list.Item(r).fullPath()) == photos + "/" + name)
                    list.SelectRow(r, true);
    }
    // The operation through the list's own entry point.
    void Run() {
        const BatchKind kind = GetParam().kind;
        if (kind == BatchKind::Move || kind == BatchKind::Copy) {
            Select(GetParam().cut);
            if (kind == BatchKind::Move)
                list.CutSelection();
            else
                list.CopySelection();
            const char* into = GetParam().into;
            list.SetDirectory(PathText(photos + "/" + (into ? into + std::string("/") : "")));
            list.RefreshListing();
            list.PasteClipboard();
        } else if (kind == BatchKind::NewFolder) {
            list.CreateNewFolder();
        } else if (kind == BatchKind::RenameInPlace) {
            Select({"a\xe9.jpg"});
            list.StartRename();
            const int row = list.FirstSelectedRow();
            list.Model()->setData(list.Model()->index(row, 0), QStringLiteral("léto.jpg"),
                                  Qt::EditRole);
            QCoreApplication::processEvents(); // the rename runs once the editor has closed
        } else {
            Select({"a\xe9.jpg", "Den"});
            list.DeleteSelectedItems();
        }
    }
    static inline std::unique_ptr<test::TempDir> home;
    test::TempDir dir;
    std::string photos;
    std::unique_ptr<Journal> journal;
    int changes = 0;
    int unjournaled = 0;
    ListJournal log{[this] { return journal.get(); }, [this] { ++changes; },
                    [this](const std::string&) { ++unjournaled; }};
    TFileListView list;
};

TEST_P(ListJournalTest, UndoBringsBackTheTree) {
    const test::TreeSnapshot before = test::SnapshotTree(photos);
    Run();
    ASSERT_NE(test::SnapshotTree(photos), before);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(unjournaled, 0);
    EXPECT_EQ(log.error(), "");
    const auto last = journal->LastUndoable();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->kind, GetParam().kind);
    EXPECT_EQ(last->doneCount, GetParam().rows);
    const test::TreeSnapshot after = test::SnapshotTree(photos);
    const UndoReport report = UndoBatch(*journal, last->id, false, MoveToTrashAndFind);
    ASSERT_TRUE(report.ok()) << report.error;
    EXPECT_EQ(report.undone, GetParam().rows);
    EXPECT_EQ(test::SnapshotTree(photos), before);
    // The Trash gave back its entries and took the copies, each as an entry of its own.
    const test::TreeSnapshot trashed = test::SnapshotTree(PathOf("Trash/files"));
    EXPECT_EQ(trashed.size(), GetParam().copies);
    EXPECT_EQ(test::SnapshotTree(PathOf("Trash/info")).size(), GetParam().copies);
    for (const auto& [name, entry] : trashed)
        EXPECT_TRUE(entry.dir || entry.contents.starts_with("photo ")) << name;
    // Undoing the undo does the batch again (a folder made anew), which can then be undone
    // once more.
    EXPECT_EQ(UndoBatch(*journal, report.undoBatch, false, MoveToTrashAndFind).undone,
              GetParam().rows);
    EXPECT_EQ(test::SnapshotTree(photos), after);
    for (const JournalRow& row : journal->Rows(last->id)) {
        if (row.op == RowOp::MakeDir) { // the journal knows the folder made anew
            EXPECT_EQ(row.after.mtimeNs, StampOf(row.newPath).mtimeNs) << row.newPath;
        }
    }
    const UndoReport again = UndoBatch(*journal, last->id, false, MoveToTrashAndFind);
    EXPECT_EQ(again.undone, GetParam().rows);
    EXPECT_EQ(again.skipped, 0u);
    EXPECT_EQ(test::SnapshotTree(photos), before);
}

TEST_P(ListJournalTest, ARowChangedSinceIsSkippedWithItsReason) {
    Run();
    std::ofstream(PathOf(GetParam().altered), std::ios::app) << "!";
    const auto last = journal->LastUndoable();
    ASSERT_TRUE(last);
    const UndoReport report = UndoBatch(*journal, last->id, false, MoveToTrashAndFind);
    EXPECT_EQ(report.skipped, 1u);
    EXPECT_EQ(report.undone, GetParam().rows - 1);
    for (const UndoRowReport& r : report.rows) {
        if (r.outcome == UndoOutcome::Skipped) {
            EXPECT_EQ(r.reason, GetParam().skipReason);
        }
    }
}

TEST_P(ListJournalTest, RunsAsBeforeWithoutAJournal) {
    journal.reset();
    const test::TreeSnapshot before = test::SnapshotTree(photos);
    Run();
    EXPECT_NE(test::SnapshotTree(photos), before);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(unjournaled, 1); // the window says so
}

// Tests that need the fixture's folders once, not for every kind of the table.
class OnceTest : public ListJournalTest {};

class CountingLog final : public FileListChangeLog {
public:
    explicit CountingLog(ListJournal& inner) : inner_(inner) {}
    void Begin(ListChangeKind kind, const std::string& folder,
               const std::vector<ListChange>& changes) override {
        inner_.Begin(kind, folder, changes);
    }
    void Done(std::size_t change) override {
        told.push_back(change);
        offGui |= QThread::currentThread() != qApp->thread();
        inner_.Done(change);
    }
    void Started() override {
        startedOffGui = QThread::currentThread() != qApp->thread();
        inner_.Started();
    }
    void Finished() override { inner_.Finished(); }
    void End() override { inner_.End(); }
    std::vector<std::size_t> told;
    bool offGui = false;
    bool startedOffGui = false;

private:
    ListJournal& inner_;
};

// A delete as it goes: each entry in the Trash is told on the job's own thread, and the
// places are written every so many entries, so that a run killed midway can be undone.
TEST_P(OnceTest, ADeleteWritesThePlacesOfItsEntriesAsItGoes) {
    CountingLog counting(log);
    list.SetChangeLog(&counting);
    Run();
    EXPECT_EQ(counting.told, (std::vector<std::size_t>{0, 1}));
    EXPECT_TRUE(counting.offGui);
    EXPECT_TRUE(counting.startedOffGui);

    std::vector<ListChange> changes;
    for (std::size_t i = 0; i <= ListJournal::kPlacesAtOnce; ++i)
        changes.push_back({dir.write("Mnoho/" + std::to_string(i), "x"), {}});
    log.Begin(ListChangeKind::Trash, dir.file("Mnoho"), changes);
    log.Started();
    const std::int64_t id = journal->History(1).front().id;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const TrashOutcome t = MoveToTrash(changes[i].from);
        ASSERT_TRUE(t.ok) << t.reason;
        log.Done(i);
    }
    // What a run killed now leaves: every entry but the last with its place.
    std::size_t placed = 0;
    for (const JournalRow& row : journal->Rows(id))
        placed += row.newPath.empty() ? 0 : 1;
    EXPECT_EQ(placed, ListJournal::kPlacesAtOnce);
    log.End();
    EXPECT_EQ(UndoBatch(*journal, id).undone, changes.size());
}

class NoQuestions : public YesQuestions {
public:
    bool ConfirmTrash(const std::vector<std::string>&) override { return false; }
};

// A delete the user declines touches nothing and leaves no batch behind.
TEST_P(OnceTest, ADeclinedDeleteWritesNoBatch) {
    SetFileOperationQuestionsFactory(
        [](QWidget*, ShellFunc) { return std::make_unique<NoQuestions>(); });
    const test::TreeSnapshot before = test::SnapshotTree(photos);
    Run();
    EXPECT_EQ(test::SnapshotTree(photos), before);
    EXPECT_TRUE(journal->History(10).empty());
    EXPECT_EQ(changes, 0);
}

// A paste walks what it copies and writes its journal on the operation's own thread.
TEST_P(OnceTest, APasteIsPlannedOffTheGuiThread) {
    CountingLog counting(log);
    list.SetChangeLog(&counting);
    Select({"Den"});
    list.CopySelection();
    list.PasteClipboard(); // beside itself, as "Den - Copy"
    EXPECT_TRUE(counting.startedOffGui);
    EXPECT_EQ(changes, 1);
    const auto last = journal->LastUndoable();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->doneCount, 2u);
}

INSTANTIATE_TEST_SUITE_P(Trash, OnceTest,
                         ::testing::Values(ListOpCase{"Trash", BatchKind::Trash, 2, "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

// Onto another file system a file is copied and a folder made anew there; undo brings
// both back the same way.
TEST_P(OnceTest, APasteOntoAnotherFileSystemIsUndone) {
    struct stat here {
    }, shm{};
    if (::stat(photos.c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 ||
        here.st_dev == shm.st_dev || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    std::string other = "/dev/shm/kivo-paste-XXXXXX";
    ASSERT_NE(::mkdtemp(other.data()), nullptr);
    const test::TreeSnapshot before = test::SnapshotTree(photos);
    Select({"a\xe9.jpg", "Den"});
    list.CutSelection();
    list.SetDirectory(PathText(other + "/"));
    list.RefreshListing();
    list.PasteClipboard();
    EXPECT_TRUE(std::filesystem::exists(other + "/Den/c.jpg"));
    const auto last = journal->LastUndoable();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->doneCount, 4u); // the file; the folder made, its file, the folder removed
    EXPECT_EQ(UndoBatch(*journal, last->id).undone, 4u);
    EXPECT_EQ(test::SnapshotTree(photos), before);
    EXPECT_TRUE(test::SnapshotTree(other).empty());
    std::filesystem::remove_all(other);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ListJournalTest,
    ::testing::Values(
        ListOpCase{"NewFolder", BatchKind::NewFolder, 1, "Foto/New Folder/x", "folder not empty"},
        ListOpCase{"Rename", BatchKind::RenameInPlace, 1, "Foto/léto.jpg", "changed since"},
        // Two entries, one of them a folder; the file is changed in the Trash.
        ListOpCase{"Trash", BatchKind::Trash, 2, "Trash/files/a\xe9.jpg", "changed since"},
        ListOpCase{"Paste",
                   BatchKind::Move,
                   2,
                   "Foto/Den/b.jpg",
                   "changed since",
                   {"a\xe9.jpg", "b.jpg"},
                   "Den"},
        // The file replaced goes to the Trash and comes back from it.
        ListOpCase{"PasteReplacing",
                   BatchKind::Move,
                   3,
                   "Foto/Den/a\xe9.jpg",
                   "changed since",
                   {"a\xe9.jpg", "b.jpg"},
                   "Den",
                   "Foto/Den/b.jpg"},
        // A folder merged into one of the same name, replacing a file in it; the folder
        // emptied is made again.
        ListOpCase{"PasteMerging",
                   BatchKind::Move,
                   3,
                   "Trash/files/c.jpg",
                   "changed since",
                   {"Den"},
                   "Cil",
                   "Foto/Cil/Den/c.jpg"},
        ListOpCase{"Copy",
                   BatchKind::Copy,
                   2,
                   "Foto/Den/b.jpg",
                   "changed since",
                   {"a\xe9.jpg", "b.jpg"},
                   "Den",
                   nullptr,
                   2},
        // The file replaced goes to the Trash and comes back from it, the copy goes there.
        ListOpCase{"CopyReplacing",
                   BatchKind::Copy,
                   3,
                   "Foto/Den/a\xe9.jpg",
                   "changed since",
                   {"a\xe9.jpg", "b.jpg"},
                   "Den",
                   "Foto/Den/b.jpg",
                   2},
        // Copies beside their sources: a folder made with its file, and a file.
        ListOpCase{"CopyFolder",
                   BatchKind::Copy,
                   3,
                   "Foto/b - Copy.jpg",
                   "changed since",
                   {"Den", "b.jpg"},
                   nullptr,
                   nullptr,
                   3},
        // A folder copied into one of the same name, replacing a file in it.
        ListOpCase{"CopyMerging",
                   BatchKind::Copy,
                   2,
                   "Trash/files/c.jpg",
                   "changed since",
                   {"Den"},
                   "Cil",
                   "Foto/Cil/Den/c.jpg",
                   1}),
    [](const ::testing::TestParamInfo<ListOpCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace kivo
