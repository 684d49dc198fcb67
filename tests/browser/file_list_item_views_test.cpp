// The file list's two item views with a recording owner instead of the list: keys, clicks,
// the check before an edit and drags reach the owner, and the model announces edited
// captions. Both views are run through the same tests.

#include <memory>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "browser/file_list_item_views.h"
#include "browser/file_list_listing.h"
#include "browser/file_list_model.h"
#include "support/temp_dir.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace kivo;

namespace {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "file_list_item_views_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down during exit races with its own static caches.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

QString N(int v) {
    return QString::number(v);
}

class RecordingOwner : public FileListItemViewOwner {
public:
    bool ItemViewKeyDown(QKeyEvent* event) override {
        calls << "down " + N(event->key());
        return consumeKeys;
    }
    void ItemViewKeyUp(QKeyEvent* event) override { calls << "up " + N(event->key()); }
    void ItemViewClicked() override {
        // The selection as the owner finds it when told.
        QStringList rows;
        for (const QModelIndex& i : view->selectionModel()->selectedRows())
            rows << N(i.row());
        calls << "click " + rows.join(',');
    }
    void ItemViewDoubleClicked(const QModelIndex& index) override {
        calls << "double " + N(index.isValid() ? index.row() : -1);
    }
    bool ItemViewMayEdit(int row) override {
        calls << "may edit " + N(row);
        return mayEdit;
    }
    bool ItemViewAcceptsDrags() const override { return acceptDrags; }
    bool ItemViewAcceptsDragOver(int row) override {
        calls << "over " + N(row);
        return acceptDragOver;
    }
    bool ItemViewAcceptsDrop() const override { return acceptDrop; }
    void ItemViewDrop(int row) override { calls << "drop " + N(row); }

    QStringList calls;
    QAbstractItemView* view = nullptr;
    bool consumeKeys = false;
    bool mayEdit = true;
    bool acceptDrags = false;
    bool acceptDragOver = false;
    bool acceptDrop = false;
};

template <typename View> class ItemViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        dir_.write("a.txt", "a");
        dir_.write("b.txt", "b");
        dir_.write("c.txt", "c");
        listing_.SetShowFolders(false); // three files, no parent entry
        listing_.SetDirectory(QString::fromStdString(dir_.path()));
        listing_.Refresh();
        ASSERT_EQ(listing_.Items().size(), 3u);
        model_ = std::make_unique<FileListItemModel>(listing_);
        view_ = std::make_unique<View>(owner_, nullptr);
        owner_.view = view_.get();
        view_->setModel(model_.get());
        view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view_->setSelectionBehavior(QAbstractItemView::SelectRows);
        view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view_->setAcceptDrops(true);
        view_->viewport()->setAcceptDrops(true);
        view_->resize(300, 240);
        view_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    }

    QModelIndex Index(int row) const { return model_->index(row, 0); }
    QPoint CenterOf(int row) const { return view_->visualRect(Index(row)).center(); }
    QPoint Empty() const {
        return QPoint(view_->viewport()->width() - 5, view_->viewport()->height() - 5);
    }

    test::TempDir dir_;
    FileListing listing_;
    std::unique_ptr<FileListItemModel> model_;
    RecordingOwner owner_;
    std::unique_ptr<View> view_;
};

using Views = ::testing::Types<FileListTreeView, FileListIconView>;
TYPED_TEST_SUITE(ItemViewTest, Views);

TYPED_TEST(ItemViewTest, KeysTheOwnerTakesNeverReachTheView) {
    auto& owner = this->owner_;
    auto* view = this->view_.get();
    const struct {
        bool consume;
        int rowAfter;
    } cases[] = {{true, 0}, {false, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.consume);
        view->setCurrentIndex(this->Index(0));
        owner.consumeKeys = c.consume;
        owner.calls.clear();
        QTest::keyClick(view, Qt::Key_Down);
        EXPECT_EQ(owner.calls, (QStringList{"down " + N(Qt::Key_Down), "up " + N(Qt::Key_Down)}));
        EXPECT_EQ(view->currentIndex().row(), c.rowAfter);
    }
}

TYPED_TEST(ItemViewTest, LeftClickReachesTheOwnerAfterTheSelection) {
    auto& owner = this->owner_;
    QWidget* viewport = this->view_->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, this->CenterOf(1));
    EXPECT_EQ(owner.calls, QStringList{"click 1"});
    owner.calls.clear();
    QTest::mouseClick(viewport, Qt::RightButton, {}, this->CenterOf(2));
    EXPECT_TRUE(owner.calls.isEmpty());
}

TYPED_TEST(ItemViewTest, DoubleClickHandsOverTheIndexUnderThePointer) {
    auto& owner = this->owner_;
    QWidget* viewport = this->view_->viewport();
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, this->CenterOf(2));
    EXPECT_TRUE(owner.calls.contains("double 2")) << owner.calls.join('|').toStdString();
    owner.calls.clear();
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, this->Empty());
    EXPECT_TRUE(owner.calls.contains("double -1")) << owner.calls.join('|').toStdString();
}

TYPED_TEST(ItemViewTest, AnEditorOpensOnlyWhenTheOwnerAgrees) {
    auto& owner = this->owner_;
    auto* view = this->view_.get();
    for (const bool agree : {false, true}) {
        SCOPED_TRACE(agree);
        owner.mayEdit = agree;
        owner.calls.clear();
        EXPECT_EQ(view->StartEdit(this->Index(1)), agree);
        EXPECT_EQ(view->IsEditing(), agree);
        EXPECT_EQ(owner.calls, QStringList{"may edit 1"});
    }
}

TYPED_TEST(ItemViewTest, DragsFollowTheOwnersAnswers) {
    auto& owner = this->owner_;
    QWidget* viewport = this->view_->viewport();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/elsewhere/x.jpg"))});
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    const struct {
        bool drags, over, drop;
        bool onItem;
        bool enterAccepted, moveAccepted, dropAccepted;
        QStringList calls;
    } cases[] = {
        // Refused on entering: Qt delivers no moves to the view afterwards.
        {false, false, false, true, false, false, false, {}},
        {true, false, true, true, true, false, true, {"over 1", "drop 1"}},
        {true, true, true, true, true, true, true, {"over 1", "drop 1"}},
        {true, true, true, false, true, true, true, {"over -1", "drop -1"}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n++);
        owner.acceptDrags = c.drags;
        owner.acceptDragOver = c.over;
        owner.acceptDrop = c.drop;
        owner.calls.clear();
        const QPointF pos = c.onItem ? this->CenterOf(1) : this->Empty();
        QDragEnterEvent enter(pos.toPoint(), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        EXPECT_EQ(enter.isAccepted(), c.enterAccepted);
        QDragMoveEvent move(pos.toPoint(), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
        EXPECT_EQ(move.isAccepted(), c.moveAccepted);
        QDropEvent drop(pos, actions, &mime, Qt::LeftButton, Qt::NoModifier);
        drop.setDropAction(Qt::MoveAction);
        QCoreApplication::sendEvent(viewport, &drop);
        EXPECT_EQ(drop.isAccepted(), c.dropAccepted);
        // The owner moves the files itself: the drag source is told nothing was moved.
        if (c.dropAccepted) {
            EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
        }
        EXPECT_EQ(owner.calls, c.calls);
    }
}

TEST(FileListItemModel, AnEditedCaptionIsStoredThenAnnounced) {
    TestApp();
    test::TempDir dir;
    dir.write("a.txt", "a");
    FileListing listing;
    listing.SetShowFolders(false);
    listing.SetDirectory(QString::fromStdString(dir.path()));
    listing.Refresh();
    ASSERT_EQ(listing.Items().size(), 1u);
    FileListItemModel model(listing);
    QStringList events;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&] { events << "changed"; });
    QObject::connect(
        &model, &FileListItemModel::CaptionEdited, [&](int row, const QString& caption) {
            events << "edited " + N(row) + " " + caption + " " + listing.Items()[0].caption;
        });
    EXPECT_TRUE(model.setData(model.index(0, 0), QStringLiteral("b.txt"), Qt::EditRole));
    EXPECT_EQ(events, (QStringList{"changed", "edited 0 b.txt b.txt"}));
    // Only the caption column is edited, and only with the edit role.
    events.clear();
    EXPECT_FALSE(model.setData(model.index(0, 1), QStringLiteral("9 KB"), Qt::EditRole));
    EXPECT_FALSE(model.setData(model.index(0, 0), QStringLiteral("c.txt"), Qt::DisplayRole));
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(listing.Items()[0].caption, QStringLiteral("b.txt"));
}

} // namespace
