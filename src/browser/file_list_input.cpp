// Input of the file list as its item views hand it over: clicks, the key table, the checks
// around an in-place edit and the routing of drags to the main window's handlers.

#include <QKeyEvent>

#include "browser/dir_tree_link.h"
#include "browser/file_list_item_views.h"
#include "browser/file_list_keys.h"
#include "browser/file_list_model.h"
#include "browser/file_list_view.h"

namespace kivo {

bool TFileListView::IsEditing() const {
    return viewStyle_ == vsReport ? details_->IsEditing() : icons_->IsEditing();
}

bool TFileListView::EditItemCaption(int row) {
    if (row < 0 || row >= ItemCount())
        return false;
    const QModelIndex index = model_->index(row, 0);
    selection_->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    CurrentView()->scrollTo(index);
    CurrentView()->setFocus();
    if (viewStyle_ == vsReport)
        return details_->StartEdit(index);
    return icons_->StartEdit(index);
}

bool TFileListView::ItemViewMayEdit(int row) {
    if (row < 0 || row >= ItemCount())
        return false;
    return ops_.MayEditCaption(Item(row));
}

void TFileListView::AfterEdit(int row, const QString& newCaption) {
    Q_UNUSED(newCaption);
    // The rename reloads the list; let the editor close first.
    const QPersistentModelIndex index(model_->index(row, 0));
    QMetaObject::invokeMethod(
        this,
        [this, index] {
            if (index.isValid())
                FinishRename(index.row());
        },
        Qt::QueuedConnection);
}

// --- clicks -----------------------------------------------------------------------------

void TFileListView::HandleClick() {
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    selectedItem_ = Item(row).fullPath();
    emit ItemChange(selectedItem_);
    emit Click();
}

void TFileListView::ItemViewClicked() {
    HandleClick();
}

void TFileListView::ItemViewDoubleClicked(const QModelIndex& index) {
    if (!index.isValid() || index.row() >= ItemCount())
        return;
    const FileListItem& item = Item(index.row());
    if (item.caption.isEmpty())
        return;
    if (dblClickToOpen_) {
        OpenSelectedItem();
    } else if (item.isParent()) {
        GoUpOneLevel();
    } else {
        emit DblClick();
    }
}

// --- keys -------------------------------------------------------------------------------

bool TFileListView::ItemViewKeyDown(QKeyEvent* event) {
    ListKeyState state;
    state.hasItems = ItemCount() > 0;
    state.hasSelection = FirstSelectedRow() >= 0;
    state.clipboardEmpty = ClipboardList.isEmpty();
    state.drives = listing_.IsDrives();
    state.editing = IsEditing();
    state.comboLinked = dirTreeCombo_ != nullptr;
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const ListKeyResult r = ListKeyTable(key, mods, state);
    switch (r.action) {
    case ListKeyAction::None:
        break;
    case ListKeyAction::SelectAll:
        SelectAll();
        break;
    case ListKeyAction::CopySelection:
        CopySelection();
        break;
    case ListKeyAction::CutSelection:
        CutSelection();
        break;
    case ListKeyAction::PasteClipboard:
        PasteClipboard();
        break;
    case ListKeyAction::OpenSelectedItem:
        OpenSelectedItem();
        break;
    case ListKeyAction::ViewSelectedFile:
        ViewSelectedFile();
        break;
    case ListKeyAction::CreateNewFolder:
        CreateNewFolder();
        break;
    case ListKeyAction::GoUpOneLevel:
        GoUpOneLevel();
        break;
    case ListKeyAction::CloseDropDown:
        dirTreeCombo_->CloseDropDown();
        break;
    case ListKeyAction::DeleteSelectedItems:
        DeleteSelectedItems();
        break;
    case ListKeyAction::StartRename:
        StartRename();
        break;
    case ListKeyAction::FindInFolder:
        FindInFolder();
        break;
    case ListKeyAction::ToggleDropDown:
        dirTreeCombo_->ToggleDropDown();
        if (dirTreeCombo_ && dirTreeCombo_->IsTreeVisible())
            dirTreeCombo_->FocusTree();
        break;
    case ListKeyAction::RefreshListing:
        RefreshListing();
        break;
    }
    if (r.passOn)
        emit KeyDown(key, mods);
    return r.inTable;
}

void TFileListView::ItemViewKeyUp(QKeyEvent* event) {
    // Keyboard navigation updates the preview like a click does.
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && !event->isAutoRepeat())
        HandleClick();
}

// --- drag and drop ----------------------------------------------------------------------

bool TFileListView::ItemViewAcceptsDrags() const {
    return static_cast<bool>(DragOverHandler);
}

bool TFileListView::ItemViewAcceptsDragOver(int row) {
    return DragOverHandler && DragOverHandler(row);
}

bool TFileListView::ItemViewAcceptsDrop() const {
    return static_cast<bool>(DragDropHandler);
}

void TFileListView::ItemViewDrop(int row) {
    DragDropHandler(row);
}

} // namespace kivo
