// Paste and new folder in the "Drives" view: refused with a status-bar note, even when
// the working directory holds a folder named "Drives" that a relative path would reach.

#include <string>

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>

#include "browser/file_list_operations.h"
#include "browser/file_list_view.h"
#include "platform/file_system.h"
#include "platform/gui/shell_file_operation.h"
#include "support/temp_dir.h"

using namespace kivo;
using kivo::test::TempDir;

namespace {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "drive_view_operations_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down during exit races with its own static caches.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

class DrivesHost : public FileListOperationsHost {
public:
    QString ListFolder() const override { return listing.Directory(); }
    const std::vector<FileListItem>& ListItems() const override { return listing.Items(); }
    QList<int> ListSelection() const override { return selection; }
    void Relist() override { listing.Refresh(); }
    void SelectOnly(int row) override {
        selection.clear();
        if (row >= 0)
            selection << row;
    }
    bool OpenCaptionEditor(int) override { return false; }
    bool ListReadOnly() const override { return false; }
    DirTreeLink* ListTreeLink() const override { return nullptr; }
    QWidget* ListWidget() override { return nullptr; }
    void SetListUpdates(bool) override {}
    void ListStatusMessage(const QString& text) override { notes << text; }

    FileListing listing;
    QList<int> selection;
    QStringList notes;
};

class DriveViewOperations : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        oldCwd_ = GetCurrentDir();
        // A working directory with a folder named like the pseudo-folder in it.
        ASSERT_TRUE(SetCurrentDir(t_.mkdir("cwd")));
        t_.mkdir("cwd/Drives");
        SetFileOperationQuestionsFactory([this](QWidget*, ShellFunc) {
            ++runs_;
            return std::unique_ptr<FileOperationQuestions>();
        });
    }
    void TearDown() override {
        SetFileOperationQuestionsFactory(nullptr);
        SetCurrentDir(oldCwd_);
    }

    TempDir t_;
    std::string oldCwd_;
    int runs_ = 0;
};

} // namespace

TEST_F(DriveViewOperations, PasteIsRefusedWithANoteAndTheClipboardStays) {
    const std::string photo = t_.write("photos/a.jpg", "A");
    DrivesHost host;
    FileListOperations ops(host);
    ops.ClipboardList = {Q(photo)};
    ops.ClipboardOperation = TClipboardOperation::Move;
    host.listing.SetDirectory(kDrivesFolder);
    ASSERT_TRUE(host.listing.IsDrives());
    ops.PasteClipboard();
    EXPECT_EQ(host.notes, QStringList{kNoPasteInDrives});
    EXPECT_EQ(runs_, 0);
    EXPECT_TRUE(FileExists(photo));
    EXPECT_FALSE(PathExists(t_.file("cwd/Drives/a.jpg")));
    EXPECT_EQ(ops.ClipboardList, QStringList{Q(photo)});
}

TEST_F(DriveViewOperations, NewFolderIsRefusedWithANote) {
    DrivesHost host;
    FileListOperations ops(host);
    host.listing.SetDirectory(QStringLiteral("drives")); // any letter case
    ops.CreateNewFolder();
    EXPECT_EQ(host.notes, QStringList{kNoNewFolderInDrives});
    EXPECT_FALSE(PathExists(t_.file("cwd/Drives/New Folder")));
    EXPECT_FALSE(PathExists(t_.file("cwd/drives")));
}

TEST_F(DriveViewOperations, InAFolderNothingIsNoted) {
    DrivesHost host;
    FileListOperations ops(host);
    ASSERT_TRUE(host.listing.SetDirectory(Q(t_.mkdir("photos"))));
    ops.CreateNewFolder();
    EXPECT_TRUE(host.notes.isEmpty());
    EXPECT_TRUE(DirectoryExists(t_.file("photos/New Folder")));
}

TEST_F(DriveViewOperations, TheListRaisesTheNoteAsASignal) {
    TFileListView list;
    list.SetDirectory(kDrivesFolder);
    QSignalSpy notes(&list, &TFileListView::StatusMessage);
    list.ClipboardList = {Q(t_.write("photos/b.jpg", "B"))};
    list.PasteClipboard();
    list.CreateNewFolder();
    ASSERT_EQ(notes.count(), 2);
    EXPECT_EQ(notes.at(0).at(0).toString(), kNoPasteInDrives);
    EXPECT_EQ(notes.at(1).at(0).toString(), kNoNewFolderInDrives);
}
