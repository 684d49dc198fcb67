#include "browser/file_list_item_views.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>

namespace kivo {

namespace {

constexpr int kImageSize = 16;
constexpr int kImageGap = 4;

enum class DragStep { Enter, Move, Drop };

// Shared routing of both views' drag and drop to the owner.
template <typename View>
void RouteDrag(FileListItemViewOwner& owner, View& view, QDropEvent* event, DragStep step) {
    const QModelIndex index = view.indexAt(event->position().toPoint());
    const int row = index.isValid() ? index.row() : -1;
    bool accept = false;
    switch (step) {
    case DragStep::Enter:
        // Entering anywhere is allowed; each move decides for the item under the pointer.
        accept = owner.ItemViewAcceptsDrags();
        break;
    case DragStep::Move:
        accept = owner.ItemViewAcceptsDragOver(row);
        break;
    case DragStep::Drop:
        accept = owner.ItemViewAcceptsDrop();
        break;
    }
    if (!accept) {
        event->ignore();
        return;
    }
    // The handler moves the files itself; the drag source must not remove anything.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (step == DragStep::Drop)
        owner.ItemViewDrop(row);
}

} // namespace

QPixmap HeaderBitmap(const QString& name) {
    const bool up = name == kBmpUp;
    if (!up && name != kBmpDown)
        return {};
    QPixmap pm(kImageSize, kImageSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tri;
    if (up) {
        tri.moveTo(8, 4);
        tri.lineTo(13, 11);
        tri.lineTo(3, 11);
    } else {
        tri.moveTo(3, 5);
        tri.lineTo(13, 5);
        tri.lineTo(8, 12);
    }
    tri.closeSubpath();
    p.fillPath(tri, up ? QColor(0, 0, 255) : QColor(0, 128, 0));
    return pm;
}

// --- header -----------------------------------------------------------------------------

FileListHeader::FileListHeader(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), bmpUp_(HeaderBitmap(kBmpUp)),
      bmpDown_(HeaderBitmap(kBmpDown)) {
    setSectionsClickable(true);
    setSortIndicatorShown(false);
    setHighlightSections(false);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void FileListHeader::SetSortImage(int column, bool up) {
    if (column == imageColumn_ && up == imageUp_)
        return;
    imageColumn_ = column;
    imageUp_ = up;
    viewport()->update();
}

void FileListHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logicalIndex;
    opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    if (model()) {
        opt.text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
        const QVariant align =
            model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole);
        if (align.isValid())
            opt.textAlignment = align.value<Qt::Alignment>();
    }
    const bool image = logicalIndex == imageColumn_;
    // Background and frame of the section, then our own caption and image.
    const QString text = opt.text;
    opt.text.clear();
    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &opt, this);
    QRect label = rect.adjusted(margin, 0, -margin, 0);
    const int reserve = image ? kImageSize + kImageGap : 0;
    const int textWidth =
        std::min(fontMetrics().horizontalAdvance(text), std::max(0, label.width() - reserve));
    const QString shown =
        fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, label.width() - reserve));
    QRect textRect = label;
    if (opt.textAlignment & Qt::AlignRight)
        textRect.setRight(label.right() - reserve);
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->drawText(textRect, static_cast<int>(opt.textAlignment | Qt::AlignVCenter), shown);
    if (image) {
        int x = (opt.textAlignment & Qt::AlignRight) ? label.right() - kImageSize + 1
                                                     : label.left() + textWidth + kImageGap;
        x = std::min(x, rect.right() - kImageSize);
        const int y = rect.top() + (rect.height() - kImageSize) / 2;
        painter->drawPixmap(x, y, imageUp_ ? bmpUp_ : bmpDown_);
    }
    painter->restore();
}

QSize FileListHeader::sectionSizeFromContents(int logicalIndex) const {
    QSize s = QHeaderView::sectionSizeFromContents(logicalIndex);
    s.setHeight(std::max(s.height(), kImageSize + 4));
    return s;
}

// --- details view -------------------------------------------------------------------------

FileListTreeView::FileListTreeView(FileListItemViewOwner& owner, QWidget* parent)
    : QTreeView(parent), owner_(owner) {}

bool FileListTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger != NoEditTriggers && index.isValid() && state() != EditingState &&
        (trigger == AllEditTriggers || (editTriggers() & trigger)) &&
        !owner_.ItemViewMayEdit(index.row()))
        return false;
    return QTreeView::edit(index, trigger, event);
}

void FileListTreeView::keyPressEvent(QKeyEvent* event) {
    if (!owner_.ItemViewKeyDown(event))
        QTreeView::keyPressEvent(event);
}

void FileListTreeView::keyReleaseEvent(QKeyEvent* event) {
    QTreeView::keyReleaseEvent(event);
    owner_.ItemViewKeyUp(event);
}

void FileListTreeView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        owner_.ItemViewClicked();
}

void FileListTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        owner_.ItemViewDoubleClicked(indexAt(event->position().toPoint()));
}

void FileListTreeView::dragEnterEvent(QDragEnterEvent* event) {
    RouteDrag(owner_, *this, event, DragStep::Enter);
}
void FileListTreeView::dragMoveEvent(QDragMoveEvent* event) {
    RouteDrag(owner_, *this, event, DragStep::Move);
}
void FileListTreeView::dropEvent(QDropEvent* event) {
    RouteDrag(owner_, *this, event, DragStep::Drop);
}

// --- icon and list views ------------------------------------------------------------------

FileListIconView::FileListIconView(FileListItemViewOwner& owner, QWidget* parent)
    : QListView(parent), owner_(owner) {}

bool FileListIconView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger != NoEditTriggers && index.isValid() && state() != EditingState &&
        (trigger == AllEditTriggers || (editTriggers() & trigger)) &&
        !owner_.ItemViewMayEdit(index.row()))
        return false;
    return QListView::edit(index, trigger, event);
}

void FileListIconView::keyPressEvent(QKeyEvent* event) {
    if (!owner_.ItemViewKeyDown(event))
        QListView::keyPressEvent(event);
}

void FileListIconView::keyReleaseEvent(QKeyEvent* event) {
    QListView::keyReleaseEvent(event);
    owner_.ItemViewKeyUp(event);
}

void FileListIconView::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        owner_.ItemViewClicked();
}

void FileListIconView::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        owner_.ItemViewDoubleClicked(indexAt(event->position().toPoint()));
}

void FileListIconView::dragEnterEvent(QDragEnterEvent* event) {
    RouteDrag(owner_, *this, event, DragStep::Enter);
}
void FileListIconView::dragMoveEvent(QDragMoveEvent* event) {
    RouteDrag(owner_, *this, event, DragStep::Move);
}
void FileListIconView::dropEvent(QDropEvent* event) {
    RouteDrag(owner_, *this, event, DragStep::Drop);
}

} // namespace kivo
