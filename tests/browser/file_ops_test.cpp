// The file list's own operations, driven through its keys with scripted answers to the
// file operation's questions: clipboard, delete to the Trash, rename, new folder,
// viewers and find.

#include <deque>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QUrl>

#include "browser/dir_tree_link.h"
#include "browser/file_list_model.h"
#include "browser/file_list_view.h"
#include "platform/file_system.h"
#include "platform/gui/find_window.h"
#include "platform/gui/shell_file_operation.h"
#include "platform/gui/shell_open.h"
#include "support/temp_dir.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace kivo;
using kivo::test::ReadWholeFile;
using kivo::test::TempDir;

namespace {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "file_ops_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down during exit races with its own static caches.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

struct Answers {
    std::deque<ReplaceAnswer> replace;
    std::vector<std::string> replaceAsked;
    std::vector<std::vector<std::string>> trashAsked;
    bool trash = true;
    std::vector<std::string> errors;
    int runs = 0;
};

class ScriptedQuestions : public FileOperationQuestions {
public:
    explicit ScriptedQuestions(Answers& a) : a_(a) {}
    ReplaceAnswer AskReplace(const ReplaceQuestion& q) override {
        a_.replaceAsked.push_back(q.target);
        if (a_.replace.empty())
            return {ReplaceChoice::Cancel, false};
        const auto r = a_.replace.front();
        a_.replace.pop_front();
        return r;
    }
    bool ConfirmTrash(const std::vector<std::string>& paths) override {
        a_.trashAsked.push_back(paths);
        return a_.trash;
    }
    ErrorChoice ReportError(const std::string& m, bool) override {
        a_.errors.push_back(m);
        return ErrorChoice::Skip;
    }
    bool Progress(std::uint64_t, std::uint64_t, const std::string&) override { return true; }

private:
    Answers& a_;
};

class RecordingLink : public DirTreeLink {
public:
    QStringList calls;
    void OpenPath(const QString& path) override { calls << "OpenPath " + path; }
    void ShowRootNode() override { calls << "ShowRootNode"; }
    void ReloadTree() override { calls << "ReloadTree"; }
    void ToggleDropDown() override { calls << "ToggleDropDown"; }
    void CloseDropDown() override { calls << "CloseDropDown"; }
    bool IsTreeVisible() const override { return false; }
    void FocusTree() override {}
    void SetLinkedFileList(TFileListView*) override {}
};

class RecordingLauncher : public ShellLauncher {
public:
    std::vector<QUrl> urls;
    QStringList programs;
    QStringList arguments;
    bool OpenUrl(const QUrl& url) override {
        urls.push_back(url);
        return true;
    }
    bool StartDetached(const QString& program, const QStringList& args, const QString&) override {
        programs << program;
        arguments << args;
        return true;
    }
};

class FileOpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        for (const char* v :
             {"HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
            saved_.push_back({v, qgetenv(v)});
        // Home, Trash and desktop entries inside the test folder.
        qputenv("HOME", QByteArray::fromStdString(t_.mkdir("home")));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(t_.mkdir("home/data")));
        qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(t_.mkdir("home/share")));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(t_.mkdir("home/config")));
        qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(t_.mkdir("home/etc")));
        SetFileOperationQuestionsFactory([this](QWidget*, ShellFunc) {
            ++answers_.runs;
            return std::make_unique<ScriptedQuestions>(answers_);
        });
        SetShellMessageHook([this](QMessageBox::Icon, const QString& text) { messages_ << text; });
        SetShellLauncher(&launcher_);
        list_ = std::make_unique<TFileListView>();
        list_->SetDirTreeCombo(&link_);
        list_->resize(600, 400);
        list_->show();
    }
    void TearDown() override {
        list_.reset();
        SetFileOperationQuestionsFactory(nullptr);
        SetShellMessageHook(nullptr);
        SetShellLauncher(nullptr);
        for (const auto& [name, value] : saved_) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }

    std::string W(const std::string& rel, const std::string& body = "x") {
        return t_.write("home/" + rel, body);
    }
    std::string D(const std::string& rel) { return t_.mkdir("home/" + rel); }
    std::string P(const std::string& rel) { return t_.file("home/" + rel); }
    void Go(const std::string& rel) {
        list_->SetDirectory(Q(P(rel)));
        list_->RefreshListing();
    }
    int Row(const QString& caption) const {
        for (int r = 0; r < list_->ItemCount(); ++r)
            if (list_->Item(r).caption == caption)
                return r;
        return -1;
    }
    void Select(std::initializer_list<const char*> captions) {
        list_->ClearSelection();
        for (const char* c : captions) {
            const int r = Row(QString::fromUtf8(c));
            ASSERT_GE(r, 0) << c;
            list_->SelectRow(r, true);
        }
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(list_->CurrentView(), key, mods);
    }
    // An in-place editor is open on the list.
    bool Editing() const {
        for (auto* e : list_->CurrentView()->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                return true;
        return false;
    }
    QStringList Captions() const {
        QStringList out;
        for (int r = 0; r < list_->ItemCount(); ++r)
            out << list_->Item(r).caption;
        out.sort();
        return out;
    }

    TempDir t_;
    std::vector<std::pair<const char*, QByteArray>> saved_;
    Answers answers_;
    QStringList messages_;
    RecordingLauncher launcher_;
    RecordingLink link_;
    std::unique_ptr<TFileListView> list_;
};

} // namespace

TEST_F(FileOpsTest, CutThenPasteMovesAndASecondPasteDoesNothing) {
    W("one/a b.jpg", "A");
    W("one/-č\nx.jpg", "B");
    D("two");
    Go("one");
    Select({"a b.jpg", "-č\nx.jpg"});
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(list_->ClipboardList.size(), 2);
    EXPECT_EQ(list_->ClipboardOperation, TClipboardOperation::Move);
    EXPECT_TRUE(FileExists(P("one/a b.jpg"))); // cutting alone moves nothing
    Go("two");
    link_.calls.clear();
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ReadWholeFile(P("two/a b.jpg")), "A");
    EXPECT_EQ(ReadWholeFile(P("two/-č\nx.jpg")), "B");
    EXPECT_FALSE(PathExists(P("one/a b.jpg")));
    EXPECT_TRUE(list_->ClipboardList.isEmpty());
    EXPECT_EQ(Captions(), (QStringList{" ^ Parent", "-č\nx.jpg", "a b.jpg"}));
    EXPECT_EQ(link_.calls, (QStringList{"ReloadTree", "OpenPath " + Q(P("two/"))}));
    EXPECT_EQ(answers_.runs, 1);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(answers_.runs, 1);
}

TEST_F(FileOpsTest, CopyPasteIntoTheSameFolderMakesCopies) {
    W("one/a.jpg", "A");
    Go("one");
    Select({"a.jpg"});
    Key(Qt::Key_C, Qt::ControlModifier);
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ReadWholeFile(P("one/a.jpg")), "A");
    EXPECT_EQ(ReadWholeFile(P("one/a - Copy.jpg")), "A");
    EXPECT_TRUE(list_->ClipboardList.isEmpty()); // also after a copy
}

TEST_F(FileOpsTest, PasteOntoAnExistingEntryAsks) {
    W("one/a.jpg", "new");
    W("two/a.jpg", "old");
    Go("one");
    Select({"a.jpg"});
    Key(Qt::Key_C, Qt::ControlModifier);
    Go("two");
    answers_.replace = {{ReplaceChoice::Skip, false}};
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(answers_.replaceAsked.size(), 1u);
    EXPECT_EQ(ReadWholeFile(P("two/a.jpg")), "old");
}

TEST_F(FileOpsTest, ClipboardLeavesTheParentEntryOut) {
    W("one/a.jpg");
    D("one/f");
    Go("one");
    Key(Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(list_->SelectedRows().size(), 3);
    Key(Qt::Key_C, Qt::ControlModifier);
    QStringList clip = list_->ClipboardList;
    clip.sort();
    EXPECT_EQ(clip, (QStringList{Q(P("one/a.jpg")), Q(P("one/f"))}));
}

TEST_F(FileOpsTest, FolderPastedIntoItselfIsRefused) {
    W("one/f/a.jpg", "A");
    D("one/f/sub");
    Go("one");
    Select({"f"});
    Key(Qt::Key_X, Qt::ControlModifier);
    Go("one/f/sub");
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(answers_.errors.size(), 1u);
    EXPECT_EQ(ReadWholeFile(P("one/f/a.jpg")), "A");
    EXPECT_FALSE(PathExists(P("one/f/sub/f")));
}

TEST_F(FileOpsTest, SelectAllThenDeleteTrashesEverythingButTheParentEntry) {
    W("one/a.jpg", "A");
    W("one/f/b.jpg", "B");
    Go("one");
    Key(Qt::Key_A, Qt::ControlModifier);
    link_.calls.clear();
    Key(Qt::Key_Delete);
    ASSERT_EQ(answers_.trashAsked.size(), 1u);
    auto asked = answers_.trashAsked[0];
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{P("one/a.jpg"), P("one/f")}));
    EXPECT_FALSE(PathExists(P("one/a.jpg")));
    EXPECT_FALSE(PathExists(P("one/f")));
    EXPECT_TRUE(FileExists(P("data/Trash/info/a.jpg.trashinfo")));
    EXPECT_EQ(ReadWholeFile(P("data/Trash/files/f/b.jpg")), "B");
    EXPECT_EQ(Captions(), QStringList{" ^ Parent"});
    EXPECT_EQ(link_.calls, (QStringList{"ReloadTree", "OpenPath " + Q(P("one/"))}));
}

TEST_F(FileOpsTest, RefusedDeletionKeepsTheFiles) {
    W("one/a.jpg", "A");
    Go("one");
    Select({"a.jpg"});
    answers_.trash = false;
    Key(Qt::Key_Delete);
    EXPECT_EQ(answers_.trashAsked.size(), 1u);
    EXPECT_TRUE(FileExists(P("one/a.jpg")));
    EXPECT_NE(Row("a.jpg"), -1);
}

TEST_F(FileOpsTest, DeleteInTheDriveViewOrAVanishedFolderDoesNothing) {
    list_->SetDirectory("Drives");
    list_->RefreshListing();
    ASSERT_GT(list_->ItemCount(), 0);
    list_->SelectAll();
    Key(Qt::Key_Delete);
    W("gone/a.jpg");
    Go("gone");
    Select({"a.jpg"});
    ASSERT_TRUE(std::filesystem::remove_all(P("gone")) > 0);
    Key(Qt::Key_Delete);
    EXPECT_EQ(answers_.runs, 0);
    EXPECT_TRUE(answers_.trashAsked.empty());
}

TEST_F(FileOpsTest, F2OnReadOnlyFileIsRefused) {
    const auto a = W("one/a.jpg");
    ::chmod(a.c_str(), 0444);
    Go("one");
    Select({"a.jpg"});
    ASSERT_TRUE(list_->Item(Row("a.jpg")).subItems[siAttr].contains('R'));
    Key(Qt::Key_F2);
    EXPECT_EQ(messages_, QStringList{"It's ReadOnly"});
    EXPECT_FALSE(Editing());

    W("one/b.jpg");
    list_->RefreshListing();
    Select({"b.jpg"});
    list_->SetReadOnly(true);
    Key(Qt::Key_F2);
    EXPECT_EQ(messages_.size(), 2);
    list_->SetReadOnly(false);
    Key(Qt::Key_F2);
    EXPECT_EQ(messages_.size(), 2);
    EXPECT_TRUE(Editing());
}

namespace {
// What the list's editor does when an edit ends with new text.
void EndEdit(TFileListView& list, int row, const QString& text) {
    list.Model()->setData(list.Model()->index(row, 0), text, Qt::EditRole);
    QCoreApplication::processEvents(); // FinishRename runs once the editor has closed
}
} // namespace

TEST_F(FileOpsTest, RenameRenamesAndRefusesAnExistingName) {
    W("one/a.jpg", "A");
    W("one/b.jpg", "B");
    Go("one");
    Select({"a.jpg"});
    Key(Qt::Key_F2);
    EndEdit(*list_, Row("a.jpg"), "b.jpg");
    EXPECT_EQ(messages_, QStringList{"\"b.jpg\" already exists !"});
    EXPECT_EQ(ReadWholeFile(P("one/a.jpg")), "A");
    EXPECT_EQ(ReadWholeFile(P("one/b.jpg")), "B");
    EXPECT_NE(Row("a.jpg"), -1); // the list shows the old name again

    Select({"a.jpg"});
    Key(Qt::Key_F2);
    EndEdit(*list_, Row("a.jpg"), "léto 2024.jpg");
    EXPECT_EQ(ReadWholeFile(P("one/léto 2024.jpg")), "A");
    EXPECT_FALSE(PathExists(P("one/a.jpg")));
    EXPECT_NE(Row("léto 2024.jpg"), -1);
}

TEST_F(FileOpsTest, ReadOnlyFileCanStillBeRenamedByEditingItsLabel) {
    const auto a = W("one/a.jpg", "A");
    ::chmod(a.c_str(), 0444);
    Go("one");
    EndEdit(*list_, Row("a.jpg"), "b.jpg");
    EXPECT_EQ(ReadWholeFile(P("one/b.jpg")), "A");
    EXPECT_FALSE(PathExists(a));
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(FileOpsTest, CaseOnlyRenameChangesNothingOnDisk) {
    W("one/a.jpg", "A");
    Go("one");
    EndEdit(*list_, Row("a.jpg"), "A.jpg");
    EXPECT_TRUE(FileExists(P("one/a.jpg")));
    EXPECT_FALSE(PathExists(P("one/A.jpg")));
    EXPECT_EQ(answers_.runs, 0);
    EXPECT_NE(Row("a.jpg"), -1);
}

TEST_F(FileOpsTest, InvalidNameIsRefusedWithAMessage) {
    W("one/a.jpg", "A");
    D("one/sub");
    Go("one");
    EndEdit(*list_, Row("a.jpg"), "sub/a.jpg");
    EXPECT_EQ(messages_.size(), 1);
    EXPECT_TRUE(FileExists(P("one/a.jpg")));
    EXPECT_FALSE(PathExists(P("one/sub/a.jpg")));
}

TEST_F(FileOpsTest, RenamedFolderRebuildsTheTree) {
    D("one/old");
    Go("one");
    link_.calls.clear();
    EndEdit(*list_, Row("old"), "new");
    EXPECT_TRUE(DirectoryExists(P("one/new")));
    EXPECT_EQ(link_.calls, (QStringList{"ReloadTree", "OpenPath " + Q(P("one"))}));
}

TEST_F(FileOpsTest, CtrlNTwiceGivesNewFolderAndNewFolder2) {
    D("empty");
    Go("empty");
    link_.calls.clear();
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(DirectoryExists(P("empty/New Folder")));
    const int row = Row("New Folder");
    ASSERT_GE(row, 0);
    EXPECT_EQ(list_->SelectedRows(), QList<int>{row});
    EXPECT_TRUE(Editing());
    EXPECT_EQ(link_.calls, (QStringList{"ReloadTree", "OpenPath " + Q(P("empty/New Folder"))}));
    list_->CurrentView()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); // leave the name as it is
    Key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(DirectoryExists(P("empty/New Folder(2)")));
    EXPECT_EQ(list_->Directory(), Q(P("empty/")));
}

TEST_F(FileOpsTest, NewFolderSkipsANameTakenByAFile) {
    W("one/New Folder", "a file");
    Go("one");
    list_->CreateNewFolder();
    EXPECT_TRUE(DirectoryExists(P("one/New Folder(2)")));
    EXPECT_EQ(ReadWholeFile(P("one/New Folder")), "a file");
}

TEST_F(FileOpsTest, CtrlNInTheDriveViewDoesNothing) {
    list_->SetDirectory("Drives");
    list_->CreateNewFolder();
    EXPECT_FALSE(PathExists(t_.file("DrivesNew Folder")));
    EXPECT_TRUE(link_.calls.isEmpty());
}

TEST_F(FileOpsTest, CtrlFOnJpegDoesNothingOnTxtOpensTheTextViewer) {
    t_.write("home/share/applications/notes.desktop",
             "[Desktop Entry]\nType=Application\nExec=notes %f\nMimeType=text/plain;\n");
    W("one/photo.jpeg");
    W("one/read me.txt");
    Go("one");
    Select({"photo.jpeg"});
    Key(Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(launcher_.programs.isEmpty());
    EXPECT_TRUE(messages_.isEmpty());
    Select({"read me.txt"});
    Key(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(launcher_.programs, QStringList{"notes"});
    EXPECT_EQ(launcher_.arguments, QStringList{Q(P("one/read me.txt"))});
}

TEST_F(FileOpsTest, EnterOpensAFileWithTheDefaultApplication) {
    W("one/a.jpg");
    Go("one");
    Select({"a.jpg"});
    Key(Qt::Key_Return);
    ASSERT_EQ(launcher_.urls.size(), 1u);
    EXPECT_EQ(launcher_.urls[0].toLocalFile(), Q(P("one/a.jpg")));
}

TEST_F(FileOpsTest, F3OpensTheFindWindowForTheFolder) {
    D("one");
    Go("one");
    list_->activateWindow();
    list_->CurrentView()->setFocus();
    QApplication::setActiveWindow(list_.get());
    Key(Qt::Key_F3);
    TFindWindow* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<TFindWindow*>(w))
            found = f;
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Folder(), Q(P("one")));
    found->close();

    list_->SetDirectory("Drives");
    QApplication::setActiveWindow(list_.get());
    list_->CurrentView()->setFocus();
    Key(Qt::Key_F3);
    EXPECT_EQ(messages_, QStringList{"ERROR - Can't Find file  Drives"});
}
