// The drop-down tree with a recording owner instead of the combo: which keys and presses
// it hands to its owner, and which it keeps.

#include <memory>

#include <unistd.h>

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include "browser/dir_tree_view.h"
#include "platform/gui/volumes.h"
#include "support/temp_dir.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace kivo;

namespace {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "dir_tree_view_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down during exit races with its own static caches.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

class RecordingOwner : public DirTreeViewOwner {
public:
    void TreeCloseRequested() override { calls << "close"; }
    void TreeTakeFocus() override { calls << "focus"; }
    void TreeNodePressed(const QModelIndex& node) override {
        calls << "press " + node.data().toString();
    }
    void TreeEnterPressed() override { calls << "enter"; }
    void TreeKeyForOwner(QKeyEvent* event) override {
        calls << "key " + QString::number(event->key());
    }

    QStringList calls;
};

class DirTreeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        t_.mkdir("volA/sub");
        t_.mkdir("volB");
        const std::vector<DirTreeVolume> volumes = {
            {QString::fromStdString(t_.file("volA")), "Alpha", vtFixed},
            {QString::fromStdString(t_.file("volB")), "Beta", vtFixed}};
        tree_ = std::make_unique<TDirTreeView>(owner_, nullptr);
        tree_->Model()->SetVolumeSource([volumes] { return volumes; });
        tree_->Model()->Build();
        tree_->expand(Root());
        tree_->resize(240, 200);
    }

    QModelIndex Root() const { return tree_->Model()->RootIndex(); }
    QModelIndex Vol(int i) const { return tree_->Model()->index(i, 0, Root()); }

    test::TempDir t_;
    RecordingOwner owner_;
    std::unique_ptr<TDirTreeView> tree_;
};

} // namespace

TEST_F(DirTreeViewTest, KeysGoToTheOwnerUntilTheTreeHasTheKeyboard) {
    const struct {
        bool inTree;
        Qt::Key key;
        QStringList calls;
        bool moves; // the tree's own handling moved the selection
    } cases[] = {
        {false, Qt::Key_Escape, {"key " + QString::number(Qt::Key_Escape)}, false},
        {false, Qt::Key_Down, {"key " + QString::number(Qt::Key_Down)}, false},
        {false, Qt::Key_Return, {"key " + QString::number(Qt::Key_Return)}, false},
        {true, Qt::Key_Escape, {"close"}, false},
        {true, Qt::Key_F4, {"close"}, false},
        {true, Qt::Key_Return, {"enter"}, false},
        {true, Qt::Key_Enter, {"enter"}, false},
        {true, Qt::Key_Down, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.inTree) + " " + std::to_string(c.key));
        tree_->setCurrentIndex(Root());
        tree_->SetKeyboardInTree(c.inTree);
        owner_.calls.clear();
        QTest::keyClick(tree_.get(), c.key);
        EXPECT_EQ(owner_.calls, c.calls);
        EXPECT_EQ(tree_->currentIndex(), c.moves ? Vol(0) : Root());
    }
}

TEST_F(DirTreeViewTest, PressesOnNodesGoToTheOwnerAndOutsideClose) {
    tree_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tree_.get()));
    QWidget* viewport = tree_->viewport();
    const QPoint label = tree_->visualRect(Vol(1)).center();
    const struct {
        QWidget* target;
        QPoint pos;
        Qt::MouseButton button;
        QStringList calls;
    } cases[] = {
        {viewport, label, Qt::LeftButton, {"focus", "press " + Vol(1).data().toString()}},
        {viewport, label, Qt::RightButton, {"focus"}},
        // Below the last node: nothing to commit.
        {viewport, QPoint(5, viewport->height() - 5), Qt::LeftButton, {"focus"}},
        {tree_.get(), QPoint(-10, -10), Qt::LeftButton, {"close"}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n++);
        owner_.calls.clear();
        QTest::mousePress(c.target, c.button, {}, c.pos);
        QTest::mouseRelease(c.target, c.button, {}, c.pos);
        EXPECT_EQ(owner_.calls, c.calls);
    }
}

// Folders created or removed by anyone show up under a loaded node; what was loaded below a
// kept node stays loaded.
TEST(DirTreeWatch, CreatedAndRemovedSubFoldersShowUp) {
    TestApp();
    test::TempDir t;
    t.mkdir("vol/b");
    t.mkdir("vol/d/inner");
    DirTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QString root = QString::fromStdString(t.file("vol"));
    model.SetVolumeSource([root] { return std::vector<DirTreeVolume>{{root, "V", vtRemovable}}; });
    model.Build();
    const QModelIndex vol = model.index(0, 0, model.RootIndex());
    ASSERT_TRUE(model.LoadChildren(vol));
    ASSERT_TRUE(model.LoadChildren(model.ChildNamed(vol, "d")));

    t.mkdir("vol/a");
    t.mkdir("vol/c/x");
    ASSERT_EQ(::rmdir(t.file("vol/b").c_str()), 0);
    auto names = [&] {
        QStringList n;
        for (int r = 0; r < model.rowCount(vol); ++r)
            n << model.index(r, 0, vol).data(DirTreeModel::NameRole).toString();
        return n;
    };
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return names() == QStringList({"a", "c", "d"});
        },
        5000))
        << names().join(u',').toStdString();
    const QModelIndex c = model.ChildNamed(vol, "c");
    EXPECT_FALSE(model.IsLoaded(c));
    EXPECT_EQ(model.rowCount(c), 1) << "a new folder with a sub-folder has the expand mark";
    const QModelIndex d = model.ChildNamed(vol, "d");
    EXPECT_TRUE(model.IsLoaded(d));
    EXPECT_EQ(model.index(0, 0, d).data(DirTreeModel::NameRole).toString(), QString("inner"));
}
