#include "browser/dir_tree_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace kivo {

namespace {

// A selected node shows its open image (the open folder).
class OpenIconDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state & QStyle::State_Selected) {
            const QIcon open = index.data(DirTreeModel::OpenIconRole).value<QIcon>();
            if (!open.isNull())
                option->icon = open;
        }
    }
};

} // namespace

TDirTreeView::TDirTreeView(DirTreeViewOwner& owner, QWidget* parent)
    : QTreeView(parent), owner_(owner), model_(new DirTreeModel(this)) {
    setWindowFlags(Qt::Popup); // a window of its own, not clipped by the form
    // The press that closes the drop-down from outside must not reach what lies below
    // (the combo's own button would open it again).
    setAttribute(Qt::WA_NoMouseReplay);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMouseTracking(true);
    setModel(model_);
    setItemDelegate(new OpenIconDelegate(this));
    header()->setStretchLastSection(true);
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { model_->LoadChildren(index); });
}

void TDirTreeView::ExpandNode(const QModelIndex& index) {
    if (!index.isValid())
        return;
    model_->LoadChildren(index);
    expand(index);
}

QModelIndex TDirTreeView::NodeAt(const QPoint& viewportPos) const {
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid() || model_->Kind(index) == DirNodeKind::Placeholder ||
        !visualRect(index).contains(viewportPos))
        return {};
    return index;
}

bool TDirTreeView::event(QEvent* event) {
    // While open the popup receives every press; one outside it closes the drop-down (a
    // scroll area does not do that by itself).
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        const auto* me = static_cast<QMouseEvent*>(event);
        if (!rect().contains(me->position().toPoint())) {
            owner_.TreeCloseRequested();
            return true;
        }
    }
    return QTreeView::event(event);
}

void TDirTreeView::mouseMoveEvent(QMouseEvent* event) {
    QTreeView::mouseMoveEvent(event);
    if (!isEnabled())
        return;
    const QPoint pos = event->position().toPoint();
    if (!viewport()->rect().contains(pos))
        return;
    const QModelIndex index = NodeAt(pos);
    if (index.isValid() && index != currentIndex())
        setCurrentIndex(index);
}

void TDirTreeView::mousePressEvent(QMouseEvent* event) {
    QTreeView::mousePressEvent(event); // a press on an expand mark expands or collapses
    const QPoint pos = event->position().toPoint();
    if (!viewport()->rect().contains(pos)) {
        owner_.TreeCloseRequested();
        return;
    }
    owner_.TreeTakeFocus();
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = NodeAt(pos);
    if (index.isValid())
        owner_.TreeNodePressed(index);
}

void TDirTreeView::keyPressEvent(QKeyEvent* event) {
    if (!keyboardInTree_) {
        // The popup holds the keyboard, but until F4 hands it the focus the keys are
        // the owner's.
        owner_.TreeKeyForOwner(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_F4:
        owner_.TreeCloseRequested();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        owner_.TreeEnterPressed();
        return;
    default:
        QTreeView::keyPressEvent(event);
    }
}

void TDirTreeView::hideEvent(QHideEvent* event) {
    // Closed by whatever means (also by a click outside): disabled like after CloseDropDown.
    setEnabled(false);
    keyboardInTree_ = false;
    QTreeView::hideEvent(event);
}

void TDirTreeView::enterEvent(QEnterEvent* event) {
    inside_ = true;
    QTreeView::enterEvent(event);
}

void TDirTreeView::leaveEvent(QEvent* event) {
    inside_ = false;
    QTreeView::leaveEvent(event);
}

} // namespace kivo
