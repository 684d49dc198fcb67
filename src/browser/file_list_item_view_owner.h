#pragma once
// What the file list's item views hand to the list that owns them: keys, clicks, the check
// before an in-place edit and drag and drop. The views keep no behaviour of their own.

class QKeyEvent;
class QModelIndex;

namespace kivo {

class FileListItemViewOwner {
public:
    // A key press; true when the key belongs to the list, so the view's own key
    // handling must not see it.
    virtual bool ItemViewKeyDown(QKeyEvent* event) = 0;
    // A key release, after the view's own handling.
    virtual void ItemViewKeyUp(QKeyEvent* event) = 0;
    // A left-button release, after the view updated its selection.
    virtual void ItemViewClicked() = 0;
    // A left-button double click on the index (invalid when not on an item).
    virtual void ItemViewDoubleClicked(const QModelIndex& index) = 0;
    // Asked before an in-place editor opens on the row; false keeps it closed.
    virtual bool ItemViewMayEdit(int row) = 0;
    // A drag entering the view: whether the view takes drags at all.
    virtual bool ItemViewAcceptsDrags() const = 0;
    // A drag moving over the row (-1 = no item): whether it may be dropped there.
    virtual bool ItemViewAcceptsDragOver(int row) = 0;
    // Whether drops are handled at all; then ItemViewDrop performs the drop on the row.
    virtual bool ItemViewAcceptsDrop() const = 0;
    virtual void ItemViewDrop(int row) = 0;

protected:
    ~FileListItemViewOwner() = default;
};

} // namespace kivo
