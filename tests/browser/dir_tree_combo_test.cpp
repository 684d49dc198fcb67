// The directory tree combo over volumes made of temporary folders: lazy loading and
// expand marks, committing nodes by mouse and keys, OpenPath, the drop-down's placement
// and the two-way link with the file list.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "browser/dir_tree_combo.h"
#include "browser/dir_tree_view.h"
#include "browser/file_list_view.h"
#include "platform/gui/shell_open.h"
#include "platform/gui/volumes.h"
#include "support/qt_wait.h"
#include "support/temp_dir.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace kivo;
using kivo::test::TempDir;

namespace {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "dir_tree_combo_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down during exit races with its own static caches.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

class DirTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        t_.mkdir("volA/Foto/2020");
        t_.mkdir("volA/apple");
        t_.mkdir("volA/Banana");
        t_.mkdir("volA/cherry/x");
        t_.mkdir("volA/.hidden");
        t_.write("volA/photo.jpg", "x");
        t_.mkdir("volA/Foto/card/DCIM");
        t_.write("volB/only-a-file.jpg", "x");
        volumes_ = {{Q(t_.file("volA")), "Alpha", vtFixed},
                    {Q(t_.file("volA/Foto/card")), "Card", vtFixed},
                    {Q(t_.file("volB")), "Beta", vtFixed},
                    {"/media/kivo-test-no-such-card", "Reader", vtRemovable}};
        combo_ = std::make_unique<TDirTreeCombo>();
        combo_->SetVolumeSource([this] { return volumes_; });
        SetShellMessageHook([this](QMessageBox::Icon, const QString& text) { messages_ << text; });
    }
    void TearDown() override {
        SetShellMessageHook(nullptr);
        combo_.reset();
    }

    DirTreeModel* M() const { return combo_->Model(); }
    TDirTreeView* Tree() const { return combo_->Tree(); }
    QModelIndex Root() const { return M()->RootIndex(); }
    QModelIndex Vol(int i) const { return M()->index(i, 0, Root()); }
    QStringList ChildCaptions(const QModelIndex& p) const {
        QStringList out;
        for (int r = 0; r < M()->rowCount(p); ++r)
            out << M()->index(r, 0, p).data().toString();
        return out;
    }
    void Key(int key) { QTest::keyClick(combo_.get(), static_cast<Qt::Key>(key)); }
    void Open() {
        if (!combo_->IsTreeVisible())
            combo_->ToggleDropDown();
        ASSERT_TRUE(Tree()->isVisible());
    }
    QPoint LabelPos(const QModelIndex& i) const { return Tree()->visualRect(i).center(); }

    TempDir t_;
    std::vector<DirTreeVolume> volumes_;
    std::unique_ptr<TDirTreeCombo> combo_;
    QStringList messages_;
};

} // namespace

TEST_F(DirTreeTest, StartsWithRootExpandedAndVolumesMarked) {
    EXPECT_EQ(Root().data().toString(), "Computer");
    EXPECT_TRUE(Tree()->isExpanded(Root()));
    ASSERT_EQ(M()->rowCount(Root()), 4);
    EXPECT_EQ(Vol(0).data().toString(), " (" + Q(t_.file("volA")) + ")  Alpha");
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(M()->hasChildren(Vol(i))) << i;
    EXPECT_FALSE(Tree()->isVisible());
    EXPECT_FALSE(Tree()->isEnabled());
    EXPECT_EQ(combo_->text(), "Computer");
    EXPECT_TRUE(combo_->isReadOnly());
    EXPECT_EQ(combo_->size(), QSize(216, 21));
    EXPECT_EQ(combo_->TreeHeight(), 240);
    EXPECT_EQ(combo_->SelectedPath(), "");
}

TEST_F(DirTreeTest, LoadsSortedFoldersWithTheirMarks) {
    QAbstractItemModelTester tester(M(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    Tree()->ExpandNode(Vol(0));
    Tree()->ExpandNode(M()->ChildNamed(Vol(0), "Foto"));
    combo_->ReloadTree();
    Tree()->ExpandNode(Vol(0));
    const QStringList names = ChildCaptions(Vol(0));
    QStringList visible = names;
    visible.removeAll(".hidden");
    EXPECT_EQ(visible, (QStringList{"apple", "Banana", "cherry", "Foto"}));
    EXPECT_TRUE(names.contains(".hidden")); // every folder, whatever its attributes
    auto child = [&](const QString& n) { return M()->ChildNamed(Vol(0), n); };
    EXPECT_FALSE(M()->hasChildren(child("apple")));
    EXPECT_TRUE(M()->hasChildren(child("cherry")));
    EXPECT_TRUE(M()->hasChildren(child("Foto")));
    EXPECT_EQ(M()->NodePath(Vol(0)), Q(t_.file("volA/")));
    EXPECT_EQ(M()->NodePath(child("Foto")), Q(t_.file("volA/Foto")));
    EXPECT_EQ(M()->NodePath(Root()), "");
}

TEST_F(DirTreeTest, VolumeWithoutSubFoldersLosesItsMark) {
    EXPECT_TRUE(M()->hasChildren(Vol(2)));
    Tree()->ExpandNode(Vol(2));
    EXPECT_FALSE(M()->hasChildren(Vol(2)));
    EXPECT_EQ(M()->rowCount(Vol(2)), 0);
}

TEST_F(DirTreeTest, OpenPathExpandsDownToTheFolder) {
    QSignalSpy spy(combo_.get(), &TDirTreeCombo::PathChange);
    combo_->OpenPath(Q(t_.file("volA/Foto")));
    const QModelIndex foto = M()->ChildNamed(Vol(0), "Foto");
    ASSERT_TRUE(foto.isValid());
    EXPECT_TRUE(Tree()->isExpanded(Vol(0)));
    EXPECT_TRUE(Tree()->isExpanded(foto));
    EXPECT_EQ(Tree()->currentIndex(), foto);
    EXPECT_EQ(combo_->text(), "Foto");
    EXPECT_FALSE(combo_->ShownIcon().isNull());
    EXPECT_EQ(combo_->SelectedPath(), Q(t_.file("volA/Foto/")));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toString(), Q(t_.file("volA/Foto/")));
}

TEST_F(DirTreeTest, OpenPathTakesTheVolumeWithTheLongestRoot) {
    combo_->OpenPath(Q(t_.file("volA/Foto/card/DCIM/")));
    const QModelIndex cur = Tree()->currentIndex();
    EXPECT_EQ(cur.data().toString(), "DCIM");
    EXPECT_EQ(cur.parent(), Vol(1));
    EXPECT_EQ(M()->NodePath(cur), Q(t_.file("volA/Foto/card/DCIM")));
}

TEST_F(DirTreeTest, OpenPathIgnoresWhatItCannotOpen) {
    QSignalSpy spy(combo_.get(), &TDirTreeCombo::PathChange);
    combo_->OpenPath("");
    combo_->OpenPath("a");
    combo_->OpenPath(Q(t_.file("volA/nothing")));
    t_.mkdir("outside/f");
    combo_->OpenPath(Q(t_.file("outside/f"))); // no volume holds it
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(combo_->text(), "Computer");
    EXPECT_EQ(combo_->SelectedPath(), "");
}

TEST_F(DirTreeTest, ChildNamedPrefersTheExactSpelling) {
    t_.mkdir("volA/foto");
    Tree()->ExpandNode(Vol(0));
    EXPECT_EQ(M()->ChildNamed(Vol(0), "foto").data().toString(), "foto");
    EXPECT_EQ(M()->ChildNamed(Vol(0), "Foto").data().toString(), "Foto");
    EXPECT_EQ(M()->ChildNamed(Vol(0), "BANANA").data().toString(), "Banana");
    EXPECT_FALSE(M()->ChildNamed(Vol(0), "none").isValid());
}

TEST_F(DirTreeTest, ClickOnRootCommitsDrives) {
    TFileListView list;
    combo_->SetFileList(&list);
    QSignalSpy spy(combo_.get(), &TDirTreeCombo::PathChange);
    combo_->OpenPath(Q(t_.file("volA")));
    Open();
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, LabelPos(Root()));
    EXPECT_EQ(combo_->SelectedPath(), "Drives");
    EXPECT_EQ(list.Directory().toUpper(), "DRIVES");
    EXPECT_EQ(combo_->text(), "Computer");
    EXPECT_FALSE(Tree()->isVisible());
    EXPECT_FALSE(Tree()->isEnabled());
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(DirTreeTest, ClickOnFolderCommitsPathWithoutSlashAndListAddsOne) {
    TFileListView list;
    combo_->SetFileList(&list);
    Open();
    Tree()->ExpandNode(Vol(0));
    const QModelIndex banana = M()->ChildNamed(Vol(0), "Banana");
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, LabelPos(banana));
    EXPECT_EQ(combo_->SelectedPath(), Q(t_.file("volA/Banana")));
    EXPECT_EQ(list.Directory(), Q(t_.file("volA/Banana/")));
    EXPECT_EQ(combo_->text(), "Banana");
    EXPECT_FALSE(Tree()->isVisible());
}

TEST_F(DirTreeTest, ClickOnVolumeCommitsItsRoot) {
    Open();
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, LabelPos(Vol(2)));
    EXPECT_EQ(combo_->SelectedPath(), Q(t_.file("volB/")));
}

TEST_F(DirTreeTest, PressOnTheExpandMarkExpandsWithoutCommitting) {
    Open();
    const QRect label = Tree()->visualRect(Vol(0));
    const QPoint mark(label.left() - Tree()->indentation() / 2, label.center().y());
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, mark);
    EXPECT_TRUE(Tree()->isExpanded(Vol(0)));
    EXPECT_TRUE(M()->IsLoaded(Vol(0)));
    EXPECT_EQ(combo_->SelectedPath(), "");
    EXPECT_TRUE(Tree()->isVisible());
}

TEST_F(DirTreeTest, SelectionFollowsThePointer) {
    Open();
    QTest::mouseMove(Tree()->viewport(), LabelPos(Vol(1)));
    KIVO_WAIT_EQ(Tree()->currentIndex(), Vol(1), 2000);
    EXPECT_EQ(combo_->SelectedPath(), ""); // moving commits nothing
}

TEST_F(DirTreeTest, ClickOutsideCloses) {
    QWidget other;
    other.resize(200, 200);
    other.move(500, 300);
    other.show();
    Open();
    // Through the window system, as a real click arrives (popups see it first).
    QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FALSE(Tree()->isVisible());
    EXPECT_FALSE(Tree()->isEnabled());
    EXPECT_EQ(combo_->SelectedPath(), "");
}

TEST_F(DirTreeTest, UpOnFirstVolumeSelectsRootAndLeftOnlyCollapses) {
    combo_->OpenPath(Q(t_.file("volA")));
    ASSERT_EQ(Tree()->currentIndex(), Vol(0));
    ASSERT_TRUE(Tree()->isExpanded(Vol(0)));
    QSignalSpy keys(combo_.get(), &TDirTreeCombo::KeyDown);
    Key(Qt::Key_Left);
    EXPECT_FALSE(Tree()->isExpanded(Vol(0)));
    EXPECT_EQ(Tree()->currentIndex(), Vol(0));
    EXPECT_EQ(keys.count(), 0); // stopped, not passed on
    Key(Qt::Key_Up);
    EXPECT_EQ(Tree()->currentIndex(), Root());
    EXPECT_EQ(keys.count(), 1);
    Key(Qt::Key_Up); // the root: stop
    EXPECT_EQ(Tree()->currentIndex(), Root());
    EXPECT_EQ(keys.count(), 1);
}

TEST_F(DirTreeTest, DownRightLeftWalkTheVisibleNodes) {
    combo_->ShowRootNode();
    Key(Qt::Key_Down);
    EXPECT_EQ(Tree()->currentIndex(), Vol(0));
    Key(Qt::Key_Right);
    EXPECT_TRUE(Tree()->isExpanded(Vol(0)));
    Key(Qt::Key_Down); // expanded: its first child
    const QModelIndex first = M()->index(0, 0, Vol(0));
    EXPECT_EQ(Tree()->currentIndex(), first);
    Key(Qt::Key_Left); // not the first volume: the node visible before it
    EXPECT_EQ(Tree()->currentIndex(), Vol(0));
    // Down at the very end stops.
    Tree()->setCurrentIndex(Vol(3));
    QSignalSpy keys(combo_.get(), &TDirTreeCombo::KeyDown);
    Key(Qt::Key_Down);
    EXPECT_EQ(Tree()->currentIndex(), Vol(3));
    EXPECT_EQ(keys.count(), 0);
}

TEST_F(DirTreeTest, EnterCommitsTheSelectedNode) {
    TFileListView list;
    combo_->SetFileList(&list);
    combo_->OpenPath(Q(t_.file("volA/cherry")));
    Open();
    Key(Qt::Key_Down); // cherry is expanded: its child x
    QSignalSpy spy(combo_.get(), &TDirTreeCombo::PathChange);
    Key(Qt::Key_Return);
    EXPECT_EQ(combo_->SelectedPath(), Q(t_.file("volA/cherry/x")));
    EXPECT_EQ(list.Directory(), Q(t_.file("volA/cherry/x/")));
    EXPECT_EQ(combo_->text(), "x");
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(Tree()->isVisible());
}

TEST_F(DirTreeTest, EnterOnRemovableVolumeWithoutDiskWarnsAndKeepsCaption) {
    combo_->OpenPath(Q(t_.file("volB")));
    Tree()->setCurrentIndex(Vol(3));
    QSignalSpy keys(combo_.get(), &TDirTreeCombo::KeyDown);
    Key(Qt::Key_Return);
    EXPECT_EQ(combo_->SelectedPath(), "/media/kivo-test-no-such-card/");
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(
        messages_[0].startsWith("There is no disk in Drive /media/kivo-test-no-such-card/"));
    EXPECT_EQ(combo_->text(), Vol(2).data().toString());
    EXPECT_EQ(keys.count(), 0);
}

TEST_F(DirTreeTest, ClickOnRemovableVolumeWithoutDiskWarnsAfterCommit) {
    Open();
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, LabelPos(Vol(3)));
    EXPECT_EQ(combo_->SelectedPath(), "/media/kivo-test-no-such-card/");
    EXPECT_EQ(messages_.size(), 1);
    EXPECT_EQ(combo_->text(), Vol(3).data().toString());
}

TEST_F(DirTreeTest, F4TogglesAndHandsTheTreeTheFocusEscCloses) {
    combo_->show();
    combo_->setFocus();
    Key(Qt::Key_F4);
    EXPECT_TRUE(combo_->IsTreeVisible());
    EXPECT_TRUE(Tree()->KeyboardInTree());
    QTest::keyClick(Tree(), Qt::Key_Escape);
    EXPECT_FALSE(combo_->IsTreeVisible());
    combo_->ToggleDropDown();
    EXPECT_TRUE(Tree()->isEnabled());
    EXPECT_FALSE(Tree()->KeyboardInTree());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(combo_->IsTreeVisible());
    EXPECT_FALSE(Tree()->isEnabled());
}

TEST_F(DirTreeTest, ButtonTogglesTheDropDown) {
    combo_->show();
    combo_->Btn()->click();
    EXPECT_TRUE(combo_->IsTreeVisible());
    EXPECT_EQ(Tree()->width(), combo_->width());
    EXPECT_EQ(Tree()->height(), 240);
    combo_->ToggleDropDown();
    EXPECT_FALSE(combo_->IsTreeVisible());
}

TEST(DirTreeDropDown, BelowOrAboveNearTheBottom) {
    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(TDirTreeCombo::DropDownGeometry(QRect(10, 100, 216, 21), 240, screen),
              QRect(10, 121, 216, 240));
    EXPECT_EQ(TDirTreeCombo::DropDownGeometry(QRect(10, 600, 216, 21), 240, screen),
              QRect(10, 360, 216, 240));
    // Exactly touching the bottom still fits below.
    EXPECT_EQ(TDirTreeCombo::DropDownGeometry(QRect(0, 507, 100, 21), 240, screen).top(), 528);
}

TEST_F(DirTreeTest, DropDownOpensAboveNearTheScreenBottom) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    combo_->move(20, screen.bottom() - 40);
    combo_->show();
    combo_->ToggleDropDown();
    const QPoint top = combo_->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(Tree()->geometry(), QRect(top.x(), top.y() - 240, combo_->width(), 240));
    combo_->CloseDropDown();
    combo_->move(20, 20);
    combo_->ToggleDropDown();
    EXPECT_EQ(Tree()->geometry().top(), combo_->mapToGlobal(QPoint(0, combo_->height())).y());
}

TEST_F(DirTreeTest, SavedFolderThatNoLongerExists) {
    TFileListView list;
    combo_->SetFileList(&list);
    const QString gone = Q(t_.file("volA/gone"));
    combo_->SetSelectedPath(gone);
    combo_->SetInitialDir(combo_->SelectedPath());
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_EQ(list.Directory(), "Drives");
    EXPECT_EQ(combo_->text(), "Computer");
    EXPECT_EQ(combo_->InitialDir(), "");
}

TEST_F(DirTreeTest, StartUpWithSavedFolder) {
    TFileListView list;
    combo_->SetFileList(&list);
    const QString foto = Q(t_.file("volA/Foto"));
    combo_->SetSelectedPath(foto);
    EXPECT_EQ(list.Directory(), foto + "/");
    combo_->SetInitialDir(combo_->SelectedPath());
    EXPECT_EQ(combo_->InitialDir(), foto + "/");
    EXPECT_EQ(combo_->text(), "Foto");
    EXPECT_EQ(Tree()->currentIndex().data().toString(), "Foto");
}

TEST_F(DirTreeTest, SavedDrivesLeavesTheListEmpty) {
    TFileListView list;
    combo_->SetFileList(&list);
    combo_->SetSelectedPath("Drives");
    combo_->SetInitialDir("Drives");
    EXPECT_EQ(list.ItemCount(), 0);
}

TEST_F(DirTreeTest, WritingTheSameSelectedPathStillSetsTheList) {
    TFileListView list;
    combo_->SetFileList(&list);
    combo_->SetSelectedPath(Q(t_.file("volA/apple")));
    list.SetDirectory(Q(t_.file("volA/Banana")));
    combo_->SetSelectedPath(Q(t_.file("volA/APPLE"))); // the same text in other case
    EXPECT_EQ(combo_->SelectedPath(), Q(t_.file("volA/apple")));
    EXPECT_EQ(list.Directory(), Q(t_.file("volA/apple/")));
}

TEST_F(DirTreeTest, ShowRootNodeAndReloadTree) {
    combo_->OpenPath(Q(t_.file("volA/Foto")));
    combo_->ShowRootNode();
    EXPECT_EQ(combo_->text(), "Computer");
    EXPECT_EQ(Tree()->currentIndex(), Root());
    EXPECT_EQ(combo_->SelectedPath(), Q(t_.file("volA/Foto/")));
    t_.mkdir("volB/new");
    combo_->ReloadTree();
    EXPECT_FALSE(Tree()->isExpanded(Root()));
    EXPECT_EQ(M()->rowCount(Root()), 4);
    Tree()->ExpandNode(Vol(2));
    EXPECT_EQ(ChildCaptions(Vol(2)), QStringList{"new"});
}

TEST_F(DirTreeTest, LinkWithTheFileListIsTwoWay) {
    auto list = std::make_unique<TFileListView>();
    combo_->SetSelectedPath(Q(t_.file("volA")));
    combo_->SetFileList(list.get());
    EXPECT_EQ(list->DirTreeCombo(), combo_.get());
    EXPECT_EQ(combo_->FileList(), list.get());
    // Linking lists the committed folder.
    EXPECT_EQ(list->Directory(), Q(t_.file("volA/")));
    EXPECT_GT(list->ItemCount(), 0);
    list.reset();
    EXPECT_EQ(combo_->FileList(), nullptr);

    TFileListView second;
    combo_->SetFileList(&second);
    combo_.reset();
    EXPECT_EQ(second.DirTreeCombo(), nullptr);
}
