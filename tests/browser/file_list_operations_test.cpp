// The file list's operations without a list widget: a fake host lists a temporary folder
// with a FileListing and records what the operations ask of it and of the tree link.

#include <deque>
#include <filesystem>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <glib.h>

#include <QApplication>

#include "browser/dir_tree_link.h"
#include "browser/file_list_operations.h"
#include "platform/file_system.h"
#include "platform/gui/path_text.h"
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
    static char name[] = "file_list_operations_test";
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
    std::vector<std::vector<std::string>> trashAsked;
    std::vector<std::string> errors;
    int runs = 0;
};

class ScriptedQuestions : public FileOperationQuestions {
public:
    explicit ScriptedQuestions(Answers& a) : a_(a) {}
    ReplaceAnswer AskReplace(const ReplaceQuestion&) override {
        if (a_.replace.empty())
            return {ReplaceChoice::Cancel, false};
        const auto r = a_.replace.front();
        a_.replace.pop_front();
        return r;
    }
    bool ConfirmTrash(const std::vector<std::string>& paths) override {
        a_.trashAsked.push_back(paths);
        return true;
    }
    ErrorChoice ReportError(const std::string& m, bool) override {
        a_.errors.push_back(m);
        return ErrorChoice::Skip;
    }
    bool Progress(std::uint64_t, std::uint64_t, const std::string&) override { return true; }

private:
    Answers& a_;
};

// Host and link write into one log, so the order of their calls shows.
class RecordingLink : public DirTreeLink {
public:
    explicit RecordingLink(QStringList& log) : log_(log) {}
    void OpenPath(const QString& path) override { log_ << "OpenPath " + path; }
    void ShowRootNode() override { log_ << "ShowRootNode"; }
    void ReloadTree() override { log_ << "ReloadTree"; }
    void ToggleDropDown() override { log_ << "ToggleDropDown"; }
    void CloseDropDown() override { log_ << "CloseDropDown"; }
    bool IsTreeVisible() const override { return false; }
    void FocusTree() override {}
    void SetLinkedFileList(TFileListView*) override {}

private:
    QStringList& log_;
};

class FakeHost : public FileListOperationsHost {
public:
    explicit FakeHost(QStringList& log) : log_(log) {}

    QString ListFolder() const override { return listing.Directory(); }
    const std::vector<FileListItem>& ListItems() const override { return listing.Items(); }
    QList<int> ListSelection() const override { return selection; }
    void Relist() override {
        listing.Refresh();
        selection.clear();
        log_ << "Relist";
    }
    void SelectOnly(int row) override {
        selection.clear();
        if (row >= 0)
            selection << row;
        log_ << "SelectOnly " + QString::number(row);
    }
    bool OpenCaptionEditor(int row) override {
        log_ << "Edit " + listing.Items()[static_cast<std::size_t>(row)].caption;
        return true;
    }
    bool ListReadOnly() const override { return readOnly; }
    DirTreeLink* ListTreeLink() const override { return link; }
    QWidget* ListWidget() override { return nullptr; }
    void SetListUpdates(bool enabled) override { log_ << (enabled ? "Updates on" : "Updates off"); }

    FileListing listing;
    QList<int> selection;
    bool readOnly = false;
    DirTreeLink* link = nullptr;

private:
    QStringList& log_;
};

class FileListOperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        for (const char* v :
             {"HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
            saved_.push_back({v, qgetenv(v)});
        // Home and Trash inside the test folder.
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
        host_.link = &link_;
    }
    void TearDown() override {
        SetFileOperationQuestionsFactory(nullptr);
        SetShellMessageHook(nullptr);
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
    void List(const QString& folder) {
        host_.listing.SetDirectory(folder);
        host_.listing.Refresh();
        host_.selection.clear();
    }
    void Go(const std::string& rel) { List(Q(P(rel))); }
    int Row(const QString& caption) const {
        const auto& items = host_.listing.Items();
        for (std::size_t r = 0; r < items.size(); ++r)
            if (items[r].caption == caption)
                return static_cast<int>(r);
        return -1;
    }
    void Select(std::initializer_list<const char*> captions) {
        host_.selection.clear();
        for (const char* c : captions) {
            const int r = Row(QString::fromUtf8(c));
            ASSERT_GE(r, 0) << c;
            host_.selection << r;
        }
        std::sort(host_.selection.begin(), host_.selection.end());
    }
    void SelectAll() {
        host_.selection.clear();
        for (int r = 0; r < static_cast<int>(host_.listing.Items().size()); ++r)
            host_.selection << r;
    }
    // What an in-place editor leaves behind: the new caption in the row, then the rename.
    void EndEdit(const QString& caption, const QString& text) {
        const int row = Row(caption);
        ASSERT_GE(row, 0) << caption.toStdString();
        host_.listing.Items()[static_cast<std::size_t>(row)].caption = text;
        ops_.FinishRename(row);
    }

    TempDir t_;
    std::vector<std::pair<const char*, QByteArray>> saved_;
    Answers answers_;
    QStringList messages_;
    QStringList log_;
    RecordingLink link_{log_};
    FakeHost host_{log_};
    FileListOperations ops_{host_};
};

} // namespace

TEST_F(FileListOperationsTest, CopyAndCutTakeOnlyFilesAndFolders) {
    W("one/a.jpg");
    D("one/f");
    const struct {
        void (FileListOperations::*run)();
        TClipboardOperation operation;
    } cases[] = {
        {&FileListOperations::CopySelection, TClipboardOperation::Copy},
        {&FileListOperations::CutSelection, TClipboardOperation::Move},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.operation));
        Go("one");
        SelectAll();
        ASSERT_EQ(host_.selection.size(), 3); // with the parent entry
        ops_.ClipboardList = QStringList{"stale"};
        (ops_.*c.run)();
        EXPECT_EQ(ops_.ClipboardList, (QStringList{Q(P("one/a.jpg")), Q(P("one/f"))}));
        EXPECT_EQ(ops_.ClipboardOperation, c.operation);
        EXPECT_TRUE(FileExists(P("one/a.jpg"))); // taking alone changes nothing

        List(kDrivesFolder);
        ASSERT_FALSE(host_.listing.Items().empty());
        SelectAll();
        (ops_.*c.run)();
        EXPECT_TRUE(ops_.ClipboardList.isEmpty()); // volumes never go to the clipboard
    }
    EXPECT_TRUE(log_.isEmpty());
    EXPECT_EQ(answers_.runs, 0);
}

TEST_F(FileListOperationsTest, PasteCopiesOrMovesIntoTheHostsFolder) {
    const struct {
        void (FileListOperations::*take)();
        bool sourceStays;
    } cases[] = {
        {&FileListOperations::CopySelection, true},
        {&FileListOperations::CutSelection, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sourceStays);
        t_.write("home/one/a b.jpg", "A");
        t_.write("home/one/-č.jpg", "B");
        std::filesystem::remove_all(P("two"));
        D("two");
        Go("one");
        Select({"a b.jpg", "-č.jpg"});
        (ops_.*c.take)();
        Go("two");
        log_.clear();
        const int runsBefore = answers_.runs;
        ops_.PasteClipboard();
        EXPECT_EQ(answers_.runs, runsBefore + 1); // one run for the whole paste
        EXPECT_EQ(ReadWholeFile(P("two/a b.jpg")), "A");
        EXPECT_EQ(ReadWholeFile(P("two/-č.jpg")), "B");
        EXPECT_EQ(FileExists(P("one/a b.jpg")), c.sourceStays);
        EXPECT_EQ(FileExists(P("one/-č.jpg")), c.sourceStays);
        EXPECT_TRUE(ops_.ClipboardList.isEmpty());
        EXPECT_EQ(log_, (QStringList{"Relist", "ReloadTree", "OpenPath " + Q(P("two/"))}));
        EXPECT_NE(Row("a b.jpg"), -1); // the host lists the pasted entries

        log_.clear();
        ops_.PasteClipboard(); // nothing left to paste
        EXPECT_EQ(answers_.runs, runsBefore + 1);
        EXPECT_TRUE(log_.isEmpty());
    }
}

TEST_F(FileListOperationsTest, PasteInTheDrivesKeepsTheClipboard) {
    W("one/a.jpg");
    Go("one");
    Select({"a.jpg"});
    ops_.CopySelection();
    List(kDrivesFolder);
    ops_.PasteClipboard();
    EXPECT_EQ(ops_.ClipboardList, QStringList{Q(P("one/a.jpg"))});
    EXPECT_EQ(answers_.runs, 0);
    EXPECT_TRUE(log_.isEmpty());
}

TEST_F(FileListOperationsTest, DeleteTrashesTheSelectionButNotTheParentEntry) {
    W("one/a.jpg", "A");
    W("one/f/b.jpg", "B");
    Go("one");
    ops_.ClipboardList = QStringList{Q(P("one/a.jpg"))};
    SelectAll();
    ops_.DeleteSelectedItems();
    ASSERT_EQ(answers_.trashAsked.size(), 1u);
    EXPECT_EQ(answers_.trashAsked[0], (std::vector<std::string>{P("one/a.jpg"), P("one/f")}));
    EXPECT_FALSE(PathExists(P("one/a.jpg")));
    EXPECT_EQ(ReadWholeFile(P("data/Trash/files/f/b.jpg")), "B");
    EXPECT_TRUE(ops_.ClipboardList.isEmpty());
    EXPECT_EQ(log_, (QStringList{"Relist", "ReloadTree", "OpenPath " + Q(P("one/"))}));
    EXPECT_EQ(host_.listing.Items().size(), 1u); // the parent entry
}

TEST_F(FileListOperationsTest, NewFolderTakesTheFirstFreeName) {
    const struct {
        std::vector<std::string> files; // entries already there
        std::string expected;
    } cases[] = {
        {{}, "New Folder"},
        {{"New Folder"}, "New Folder(2)"},
        {{"New Folder", "New Folder(2)"}, "New Folder(3)"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const std::string dir = "case" + std::to_string(n++);
        D(dir);
        for (const auto& f : c.files)
            W(dir + "/" + f, "a file");
        Go(dir);
        log_.clear();
        ops_.CreateNewFolder();
        const std::string made = P(dir + "/" + c.expected);
        EXPECT_TRUE(DirectoryExists(made));
        for (const auto& f : c.files)
            EXPECT_EQ(ReadWholeFile(P(dir + "/" + f)), "a file");
        const int row = Row(Q(c.expected));
        ASSERT_GE(row, 0);
        EXPECT_EQ(host_.selection, QList<int>{row});
        EXPECT_EQ(log_,
                  (QStringList{"Relist", "SelectOnly " + QString::number(row),
                               "Edit " + Q(c.expected), "ReloadTree", "OpenPath " + Q(made)}));
    }
}

TEST_F(FileListOperationsTest, NewFolderIsRenamedWhenItsEditEnds) {
    D("one");
    Go("one");
    ops_.CreateNewFolder();
    EndEdit("New Folder", "Holiday");
    EXPECT_TRUE(DirectoryExists(P("one/Holiday")));
    EXPECT_FALSE(PathExists(P("one/New Folder")));
    EXPECT_NE(Row("Holiday"), -1);
}

TEST_F(FileListOperationsTest, NewFolderInTheDrivesDoesNothing) {
    List(kDrivesFolder);
    ops_.CreateNewFolder();
    EXPECT_TRUE(log_.isEmpty());
}

TEST_F(FileListOperationsTest, StartRenameRefusesReadOnly) {
    const struct {
        bool listReadOnly;
        bool fileReadOnly;
        bool edits;
    } cases[] = {
        {false, false, true},
        {true, false, false},
        {false, true, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        const std::string dir = "case" + std::to_string(n++);
        const auto a = W(dir + "/a.jpg");
        if (c.fileReadOnly)
            ::chmod(a.c_str(), 0444);
        Go(dir);
        Select({"a.jpg"});
        host_.readOnly = c.listReadOnly;
        log_.clear();
        messages_.clear();
        ops_.StartRename();
        EXPECT_EQ(log_, c.edits ? QStringList{"Edit a.jpg"} : QStringList{});
        EXPECT_EQ(messages_, c.edits ? QStringList{} : QStringList{"It's ReadOnly"});
    }
}

TEST_F(FileListOperationsTest, StartRenameWithoutASelectionDoesNothing) {
    W("one/a.jpg");
    Go("one");
    ops_.StartRename();
    EXPECT_TRUE(log_.isEmpty());
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(FileListOperationsTest, CaptionEditsAreRefusedForTheParentVolumesAndReadOnly) {
    W("one/a.jpg");
    Go("one");
    const FileListItem file = host_.listing.Items()[static_cast<std::size_t>(Row("a.jpg"))];
    const FileListItem parent =
        host_.listing.Items()[static_cast<std::size_t>(Row(kParentCaption))];
    List(kDrivesFolder);
    ASSERT_FALSE(host_.listing.Items().empty());
    const FileListItem volume = host_.listing.Items()[0];
    const struct {
        const FileListItem& item;
        bool readOnly;
        bool allowed;
    } cases[] = {
        {file, false, true},
        {file, true, false},
        {parent, false, false},
        {volume, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item.caption.toStdString());
        host_.readOnly = c.readOnly;
        EXPECT_EQ(ops_.MayEditCaption(c.item), c.allowed);
    }
}

TEST_F(FileListOperationsTest, InvalidNamesAreReportedAndNothingIsRenamed) {
    W("one/a.jpg", "A");
    D("one/a");
    for (const QString& name : {QStringLiteral("a/b"), QStringLiteral(".."), QStringLiteral(".")}) {
        SCOPED_TRACE(name.toStdString());
        Go("one");
        messages_.clear();
        log_.clear();
        EndEdit("a.jpg", name);
        EXPECT_EQ(messages_, QStringList{"\"" + name + "\" is not a valid name"});
        EXPECT_EQ(answers_.runs, 0);
        EXPECT_EQ(ReadWholeFile(P("one/a.jpg")), "A");
        EXPECT_FALSE(PathExists(P("one/a/b")));
        EXPECT_EQ(log_, (QStringList{"Updates off", "Relist", "Updates on"}));
        EXPECT_NE(Row("a.jpg"), -1); // listed under its real name again
    }
}

TEST_F(FileListOperationsTest, RenameOntoAnExistingNameRenamesNothing) {
    W("one/a.jpg", "A");
    W("one/b.jpg", "B");
    Go("one");
    EndEdit("a.jpg", "b.jpg");
    EXPECT_EQ(messages_, QStringList{"\"b.jpg\" already exists !"});
    EXPECT_EQ(answers_.runs, 0);
    EXPECT_EQ(ReadWholeFile(P("one/a.jpg")), "A");
    EXPECT_EQ(ReadWholeFile(P("one/b.jpg")), "B");
    EXPECT_NE(Row("a.jpg"), -1);
}

TEST_F(FileListOperationsTest, RenameRenamesAndAFolderRebuildsTheTree) {
    W("one/a.jpg", "A");
    D("one/old");
    const struct {
        const char* from;
        const char* to;
        QStringList log;
    } cases[] = {
        {"a.jpg", "léto 2024.jpg", {"Updates off", "Relist", "Updates on"}},
        {"old",
         "new",
         {"Updates off", "Relist", "ReloadTree", "OpenPath " + Q(P("one")), "Updates on"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        Go("one");
        log_.clear();
        EndEdit(c.from, c.to);
        EXPECT_TRUE(PathExists(P(std::string("one/") + c.to)));
        EXPECT_FALSE(PathExists(P(std::string("one/") + c.from)));
        EXPECT_NE(Row(c.to), -1);
        EXPECT_EQ(log_, c.log);
    }
    EXPECT_EQ(ReadWholeFile(P("one/léto 2024.jpg")), "A");
    EXPECT_TRUE(messages_.isEmpty());
}

// Old cameras and unpacked archives leave names that are not UTF-8: the list shows them with
// U+FFFD, and every operation still reaches the very file.
TEST_F(FileListOperationsTest, NamesThatAreNotUtf8ReachTheirFiles) {
    const std::string raw = "\xFF\xFE.jpg";
    const char* shown = "\xEF\xBF\xBD\xEF\xBF\xBD.jpg";
    W("one/" + raw, "R");
    D("two");
    Go("one");
    const int row = Row(QString::fromUtf8(shown));
    ASSERT_GE(row, 0);
    const FileListItem& item = host_.listing.Items()[static_cast<std::size_t>(row)];
    EXPECT_EQ(PathBytes(item.name), raw);
    EXPECT_EQ(PathBytes(item.fullPath()), P("one/" + raw));

    Select({shown});
    ops_.CopySelection();
    Go("two");
    ops_.PasteClipboard();
    EXPECT_EQ(ReadWholeFile(P("two/" + raw)), "R");

    // GLib reads XDG_DATA_HOME once per process: the Trash is where the first test that
    // trashed something put it, and that test's folder is gone by now.
    const std::filesystem::path dataHome = g_get_user_data_dir();
    std::filesystem::path madeFrom = dataHome;
    while (!madeFrom.parent_path().empty() && !std::filesystem::exists(madeFrom.parent_path()))
        madeFrom = madeFrom.parent_path();
    const bool made = std::filesystem::create_directories(dataHome);
    Select({shown});
    ops_.DeleteSelectedItems();
    EXPECT_EQ(answers_.trashAsked.back(), std::vector<std::string>{P("two/" + raw)});
    EXPECT_FALSE(PathExists(P("two/" + raw)));
    EXPECT_EQ(ReadWholeFile((dataHome / "Trash/files" / raw).string()), "R");
    if (made)
        std::filesystem::remove_all(madeFrom);

    // An edit that leaves the text as it was renames nothing; a typed name renames the file.
    Go("one");
    ASSERT_TRUE(ops_.MayEditCaption(
        host_.listing.Items()[static_cast<std::size_t>(Row(QString::fromUtf8(shown)))]));
    EndEdit(QString::fromUtf8(shown), QString::fromUtf8(shown));
    EXPECT_EQ(ReadWholeFile(P("one/" + raw)), "R");
    EXPECT_FALSE(PathExists(P(std::string("one/") + shown)));
    ASSERT_TRUE(ops_.MayEditCaption(
        host_.listing.Items()[static_cast<std::size_t>(Row(QString::fromUtf8(shown)))]));
    EndEdit(QString::fromUtf8(shown), QStringLiteral("léto.jpg"));
    EXPECT_EQ(ReadWholeFile(P("one/léto.jpg")), "R");
    EXPECT_FALSE(PathExists(P("one/" + raw)));
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_TRUE(answers_.errors.empty());
}
