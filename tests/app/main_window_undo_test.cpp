// Undo in the main window on a journal of its own: the action names the last batch and
// undoes it on Ctrl+Z outside text fields, the history dialog lists the batches with their
// states and keeps its selection after an undo; the texts count files in Czech.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "app/history_dialog.h"
#include "app/main_window.h"
#include "app/undo_texts.h"
#include "browser/dir_tree_combo.h"
#include "browser/file_list_view.h"
#include "browser/status_bar.h"
#include "core/journal.h"
#include "photoops/rename_table.h"
#include "support/qt_wait.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"
#include "widgets/folder_edit.h"

namespace kivo {
namespace {

int argc = 1;
char arg0[] = "main_window_undo_test";
char* argv[] = {arg0, nullptr};

TEST(UndoTexts, CountsFilesAndNamesTheBatch) {
    const struct {
        std::size_t count;
        const char* text;
    } counts[] = {{0, "0 souborů"}, {1, "1 soubor"},    {2, "2 soubory"},    {4, "4 soubory"},
                  {5, "5 souborů"}, {22, "22 souborů"}, {214, "214 souborů"}};
    for (const auto& c : counts)
        EXPECT_EQ(FileCountText(c.count).toStdString(), c.text);
    BatchInfo b;
    b.kind = BatchKind::Rename;
    b.state = BatchState::Done;
    b.rowCount = 300;
    b.doneCount = 214;
    EXPECT_EQ(UndoActionText(&b).toStdString(), "Zpět: přejmenování 214 souborů");
    b.kind = BatchKind::Trash;
    b.doneCount = 1;
    EXPECT_EQ(UndoActionText(&b).toStdString(), "Zpět: smazání do koše 1 soubor");
    EXPECT_EQ(UndoActionText(nullptr).toStdString(), "Zpět");
    const struct {
        BatchState state;
        bool interrupted;
        const char* text;
    } states[] = {{BatchState::Done, false, "hotovo"},
                  {BatchState::Undone, false, "vráceno zpět"},
                  {BatchState::Running, true, "přerušeno"}};
    for (const auto& s : states) {
        b.state = s.state;
        b.interrupted = s.interrupted;
        EXPECT_EQ(BatchStateText(b).toStdString(), s.text);
    }
}

class UndoWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }
    void SetUp() override {
        ::setenv("KIVO_DATA_DIR", dir.mkdir("data").c_str(), 1);
        ::setenv("XDG_DATA_HOME", dir.mkdir("xdg").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", dir.mkdir("cache").c_str(), 1);
        ::setenv("XDG_STATE_HOME", dir.mkdir("state").c_str(), 1);
        photos = dir.mkdir("Foto");
        for (const char* name : {"Foto/b.jpg", "Foto/a\xe9.jpg", "Jine/c.jpg"})
            dir.write(name, std::string("photo ") + name);
    }
    void TearDown() override {
        for (const char* v : {"KIVO_DATA_DIR", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            ::unsetenv(v);
    }
    // A real journaled rename of `names` in `folder` to running numbers.
    void Rename(const std::vector<std::string>& names, const std::string& folder) {
        Journal journal(Journal::DefaultFolder());
        RenameTable table(folder);
        table.setJournal(&journal);
        table.Fill(names);
        table.NastavNazev(4);
        ASSERT_EQ(table.Proved(), 0);
        ASSERT_TRUE(table.changed());
    }
    bool Listed(TFileListView& list, const QString& name) {
        for (int r = 0; r < list.ItemCount(); ++r)
            if (list.Item(r).name == name)
                return true;
        return false;
    }

    // The window on the photos folder, shown; its undo reports go to `reports`.
    std::unique_ptr<TFHlavni> Open() {
        auto window = std::make_unique<TFHlavni>(QStringList{QString::fromStdString(photos + "/")});
        window->ReportUndo = [this](const QString& text) { reports << text; };
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }
    // Undoes through the menu once it names `batch`, and waits for the report.
    void UndoNamed(TFHlavni& window, const QString& batch) {
        KIVO_WAIT_EQ(window.MEZpet->text(), batch, 10000);
        window.MEZpet->trigger();
        KIVO_WAIT_EQ(reports.size(), 1, 10000);
    }

    test::TempDir dir;
    std::string photos;
    QStringList reports;
};

TEST_F(UndoWindowTest, CtrlZOutsideTextFieldsUndoesTheNamedBatch) {
    const test::TreeSnapshot before = test::SnapshotTree(photos);
    Rename({"b.jpg", "a\xe9.jpg"}, photos);
    ASSERT_NE(test::SnapshotTree(photos), before);
    auto window = Open();
    KIVO_WAIT_EQ(window->MEZpet->text(),
                              QStringLiteral("Zpět: přejmenování 2 soubory"), 10000);
    EXPECT_TRUE(window->MEZpet->isEnabled());

    // In a text field Ctrl+Z undoes the typing, not the batch.
    auto* edit = window->DEPresun->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("xyz"));
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QString());
    QTest::qWait(200);
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_NE(test::SnapshotTree(photos), before);

    window->SLV->setFocus();
    QTest::keyClick(window->SLV, Qt::Key_Z, Qt::ControlModifier);
    KIVO_WAIT_EQ(reports.size(), 1, 10000);
    EXPECT_TRUE(reports.front().startsWith(QStringLiteral("Vráceno zpět: 2 z 2 soubory")))
        << reports.front().toStdString();
    EXPECT_EQ(test::SnapshotTree(photos), before);
    // Nothing left to undo, and the list shows the old names again.
    KIVO_WAIT_EQ(window->MEZpet->text(), QStringLiteral("Zpět"), 10000);
    EXPECT_FALSE(window->MEZpet->isEnabled());
    KIVO_WAIT_TRUE(Listed(*window->SLV, QStringLiteral("b.jpg")), 10000);
}

TEST_F(UndoWindowTest, TheListMenusNewFolderIsUndone) {
    const test::TreeSnapshot before = test::SnapshotTree(photos);
    auto window = Open();
    window->SCB->SetSelectedPath(QString::fromStdString(photos));
    window->MPNewAdr->trigger();
    ASSERT_NE(test::SnapshotTree(photos), before);
    UndoNamed(*window, QStringLiteral("Zpět: nová složka 1 soubor"));
    EXPECT_EQ(test::SnapshotTree(photos), before);
}

TEST_F(UndoWindowTest, FilesDroppedOnAFolderAreMovedBackByUndo) {
    dir.mkdir("Foto/Den");
    const test::TreeSnapshot before = test::SnapshotTree(photos);
    auto window = Open();
    TFileListView& list = *window->SLV;
    KIVO_WAIT_TRUE(Listed(list, QStringLiteral("Den")), 10000);
    list.ClearSelection();
    int folder = -1;
    for (int r = 0; r < list.ItemCount(); ++r) {
        if (list.Item(r).name == QStringLiteral("Den"))
            folder = r;
        else if (list.Item(r).name.endsWith(QStringLiteral(".jpg")))
            list.SelectRow(r, true);
    }
    window->SLVDragDrop(folder);
    ASSERT_TRUE(std::filesystem::exists(photos + "/Den/b.jpg"));
    UndoNamed(*window, QStringLiteral("Zpět: přesun 2 soubory"));
    EXPECT_EQ(test::SnapshotTree(photos), before);
}

TEST_F(UndoWindowTest, AJournalThatCannotBeOpenedIsSaidInTheStatusBar) {
    ::setenv("XDG_STATE_HOME", dir.write("state-file", "no folder").c_str(), 1);
    auto window = std::make_unique<TFHlavni>(QStringList{QString::fromStdString(photos + "/")});
    const QString note = QStringLiteral("Změny nelze vrátit zpět: ");
    EXPECT_TRUE(window->SB->Panel(2).Text().startsWith(note))
        << window->SB->Panel(2).Text().toStdString();
    // And again for a change made without it, which still happens.
    window->SB->Panel(2).SetText({});
    window->SCB->SetSelectedPath(QString::fromStdString(photos));
    window->MPNewAdr->trigger();
    EXPECT_TRUE(window->SB->Panel(2).Text().startsWith(note));
    EXPECT_TRUE(std::filesystem::is_directory(photos + "/Nová složka"));
}

TEST_F(UndoWindowTest, HistoryListsBatchesAndKeepsTheSelectionAfterAnUndo) {
    Rename({"c.jpg"}, dir.file("Jine"));
    Rename({"b.jpg", "a\xe9.jpg"}, photos);
    THistorie dialog(Journal::DefaultFolder());
    dialog.ShowReport = [&](const QString& text) { reports << text; };
    dialog.show();
    QTreeWidget& list = *dialog.LVDavky;
    KIVO_WAIT_EQ(list.topLevelItemCount(), 2, 10000);
    auto row = [&](int r, int column) { return list.topLevelItem(r)->text(column).toStdString(); };
    EXPECT_EQ(row(0, 1), "přejmenování");
    EXPECT_EQ(row(0, 2), photos);
    EXPECT_EQ(row(0, 3), "2");
    EXPECT_EQ(row(1, 3), "1");
    EXPECT_EQ(row(1, 4), "hotovo");
    EXPECT_FALSE(dialog.BDokoncit->isEnabled());

    // The older batch, undone: a new undo batch comes on top, the selection stays on it.
    list.setCurrentItem(list.topLevelItem(1));
    const std::int64_t chosen = dialog.SelectedBatch();
    QTest::mouseClick(dialog.BZpet, Qt::LeftButton);
    KIVO_WAIT_EQ(reports.size(), 1, 10000);
    KIVO_WAIT_EQ(list.topLevelItemCount(), 3, 10000);
    EXPECT_EQ(dialog.SelectedBatch(), chosen);
    EXPECT_EQ(row(0, 1), "zpět");
    EXPECT_EQ(row(2, 4), "vráceno zpět");
    EXPECT_EQ(row(1, 4), "hotovo");
    EXPECT_FALSE(dialog.BZpet->isEnabled());
    EXPECT_TRUE(test::SnapshotTree(dir.file("Jine")).contains("/c.jpg"));
}

} // namespace
} // namespace kivo
