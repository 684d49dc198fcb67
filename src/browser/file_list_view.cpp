#include "browser/file_list_view.h"

#include <algorithm>

#include <QCoreApplication>
#include <QStackedLayout>

#include "browser/dir_tree_link.h"
#include "browser/file_list_item_views.h"
#include "browser/file_list_model.h"
#include "browser/thumbnail_view.h"
#include "platform/gui/volumes.h"
#include "platform/gui/wait_cursor.h"

namespace kivo {
namespace {

template <typename View> void SetUpView(View* view, QAbstractItemModel* model) {
    view->setModel(model);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::SelectedClicked);
    view->setDragEnabled(true);
    view->setAcceptDrops(true);
    view->setDropIndicatorShown(false);
    view->setDragDropMode(QAbstractItemView::DragDrop);
    view->setDefaultDropAction(Qt::MoveAction);
}

} // namespace

TFileListView::TFileListView(QWidget* parent) : QWidget(parent) {
    model_ = new FileListItemModel(listing_, this);
    // Direct: the rename is queued before setData returns, as the editor expects.
    connect(model_, &FileListItemModel::CaptionEdited, this, &TFileListView::AfterEdit,
            Qt::DirectConnection);

    thumbnails_ = new FileListThumbnails(listing_, this);
    model_->SetDecorationSource([this](int row) { return thumbnails_->Decoration(row); });
    connect(thumbnails_, &FileListThumbnails::RowChanged, model_,
            &FileListItemModel::DecorationChanged);

    details_ = new FileListTreeView(*this, this);
    header_ = new FileListHeader(details_);
    details_->setHeader(header_);
    SetUpView(details_, model_);
    details_->setRootIsDecorated(false);
    details_->setItemsExpandable(false);
    details_->setUniformRowHeights(true);
    details_->setAllColumnsShowFocus(true);
    details_->setSortingEnabled(false);
    // Sorting is ours (one sort per click); the header stays clickable for it.
    header_->setSectionsClickable(true);
    // Widths of 0 and 10 pixels are valid settings.
    header_->setMinimumSectionSize(0);
    selection_ = details_->selectionModel();
    connect(header_, &QHeaderView::sectionClicked, this,
            [this](int section) { SortByColumn(section); });

    icons_ = new FileListIconView(*this, this);
    SetUpView(icons_, model_);
    QItemSelectionModel* own = icons_->selectionModel();
    icons_->setSelectionModel(selection_);
    delete own;
    icons_->setUniformItemSizes(true);
    icons_->setMovement(QListView::Static);
    icons_->setResizeMode(QListView::Adjust);
    icons_->setLayoutMode(QListView::Batched);
    icons_->setBatchSize(2000);

    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->addWidget(details_);
    stack_->addWidget(icons_);
    SetViewStyle(vsReport);
    ApplyColumns();
    // A volume that answers late (a slow or dead mount) shows its sizes once it does.
    connect(&SharedVolumeProber(), &VolumeProber::Probed, this, [this] {
        if (listing_.IsDrives())
            RefreshListing();
    });
}

TFileListView::~TFileListView() {
    if (dirTreeCombo_) {
        DirTreeLink* combo = dirTreeCombo_;
        dirTreeCombo_ = nullptr;
        combo->SetLinkedFileList(nullptr);
    }
    // The views and the model read the listing, a member that dies before QWidget's
    // destructor deletes the children: they go first.
    delete details_;
    delete icons_;
    delete thumbnails_;
    delete model_;
}

// --- properties -----------------------------------------------------------------------------

QString TFileListView::Directory() const {
    return listing_.Directory();
}

void TFileListView::SetDirectory(const QString& value) {
    if (listing_.SetDirectory(value))
        RefreshListing();
}

QString TFileListView::Mask() const {
    return listing_.Mask();
}
void TFileListView::SetMask(const QString& mask) {
    if (listing_.SetMask(mask))
        RefreshListing();
}

TFileType TFileListView::FileType() const {
    return listing_.FileType();
}
void TFileListView::SetFileType(TFileType type) {
    if (listing_.SetFileType(type))
        RefreshListing();
}

bool TFileListView::ShowFolders() const {
    return listing_.ShowFolders();
}
void TFileListView::SetShowFolders(bool show) {
    if (listing_.SetShowFolders(show))
        RefreshListing();
}

bool TFileListView::HideFileExt() const {
    return listing_.HideFileExt();
}
void TFileListView::SetHideFileExt(bool hide) {
    listing_.SetHideFileExt(hide);
}
TDtFormat TFileListView::DateFormat() const {
    return listing_.DateFormat();
}
void TFileListView::SetDateFormat(TDtFormat format) {
    listing_.SetDateFormat(format);
}
TTmFormat TFileListView::TimeFormat() const {
    return listing_.TimeFormat();
}
void TFileListView::SetTimeFormat(TTmFormat format) {
    listing_.SetTimeFormat(format);
}

int TFileListView::ColWidth_Name() const {
    return listing_.ColWidths[0];
}
int TFileListView::ColWidth_Size() const {
    return listing_.ColWidths[1];
}
int TFileListView::ColWidth_Type() const {
    return listing_.ColWidths[2];
}
int TFileListView::ColWidth_Mod() const {
    return listing_.ColWidths[3];
}
int TFileListView::ColWidth_Attr() const {
    return listing_.ColWidths[4];
}
void TFileListView::SetColWidth_Name(int w) {
    listing_.ColWidths[0] = w;
}
void TFileListView::SetColWidth_Size(int w) {
    listing_.ColWidths[1] = w;
}
void TFileListView::SetColWidth_Type(int w) {
    listing_.ColWidths[2] = w;
}
void TFileListView::SetColWidth_Mod(int w) {
    listing_.ColWidths[3] = w;
}
void TFileListView::SetColWidth_Attr(int w) {
    listing_.ColWidths[4] = w;
}

void TFileListView::SetDirTreeCombo(DirTreeLink* combo) {
    if (combo == dirTreeCombo_)
        return;
    DirTreeLink* old = dirTreeCombo_;
    dirTreeCombo_ = combo;
    if (old)
        old->SetLinkedFileList(nullptr);
    if (combo)
        combo->SetLinkedFileList(this);
}

void TFileListView::UnlinkDirTreeCombo(DirTreeLink* combo) {
    if (combo && combo == dirTreeCombo_)
        dirTreeCombo_ = nullptr;
}

// --- view -------------------------------------------------------------------------------------

void TFileListView::SetViewStyle(TViewStyle style) {
    if (style != vsSmallIcon && style != vsList && style != vsReport)
        style = vsIcon;
    const bool hadFocus = CurrentView()->hasFocus();
    viewStyle_ = style;
    if (style == vsReport) {
        stack_->setCurrentWidget(details_);
    } else {
        // Photos show as thumbnails in both icon styles; the list style keeps small icons.
        const int side = style == vsIcon        ? kLargeThumbnail
                         : style == vsSmallIcon ? kSmallThumbnail
                                                : 16;
        icons_->setIconSize(QSize(side, side));
        if (style == vsIcon) {
            icons_->setViewMode(QListView::IconMode);
            icons_->setFlow(QListView::LeftToRight);
            icons_->setWrapping(true);
            icons_->setWordWrap(true);
            icons_->setGridSize(QSize(side + 24, side + 2 * fontMetrics().height() + 12));
        } else {
            icons_->setViewMode(QListView::ListMode);
            icons_->setGridSize(QSize());
            icons_->setWordWrap(false);
            icons_->setWrapping(true);
            // Small icons fill rows; the list style fills columns.
            icons_->setFlow(style == vsSmallIcon ? QListView::LeftToRight : QListView::TopToBottom);
        }
        icons_->setMovement(QListView::Static);
        stack_->setCurrentWidget(icons_);
    }
    const bool thumbs = style == vsIcon || style == vsSmallIcon;
    thumbnails_->SetPixelSize(thumbs ? icons_->iconSize().width() : 0, devicePixelRatioF());
    setFocusProxy(CurrentView());
    if (hadFocus)
        CurrentView()->setFocus();
}

int TFileListView::ColumnCount() const {
    return model_->columnCount();
}

int TFileListView::ColumnWidth(int column) const {
    if (column < 0 || column >= ColumnCount())
        return 0;
    return header_->sectionSize(column);
}

void TFileListView::SetColumnWidth(int column, int width) {
    if (column >= 0 && column < ColumnCount())
        header_->resizeSection(column, std::max(0, width));
}

QAbstractItemView* TFileListView::CurrentView() const {
    if (viewStyle_ == vsReport)
        return details_;
    return icons_;
}

QTreeView* TFileListView::DetailsView() const {
    return details_;
}
QListView* TFileListView::IconView() const {
    return icons_;
}
QItemSelectionModel* TFileListView::SelectionModel() const {
    return selection_;
}

// --- items and selection ------------------------------------------------------------------------

int TFileListView::ItemCount() const {
    return static_cast<int>(listing_.Items().size());
}

const FileListItem& TFileListView::Item(int row) const {
    return listing_.Items().at(static_cast<std::size_t>(row));
}

bool TFileListView::IsSelected(int row) const {
    return selection_->isSelected(model_->index(row, 0));
}

QList<int> TFileListView::SelectedRows() const {
    std::vector<bool> marked(static_cast<std::size_t>(ItemCount()), false);
    for (const QItemSelectionRange& range : selection_->selection()) {
        if (range.left() > 0)
            continue;
        for (int r = range.top(); r <= range.bottom(); ++r)
            if (r >= 0 && r < ItemCount())
                marked[static_cast<std::size_t>(r)] = true;
    }
    QList<int> rows;
    for (std::size_t r = 0; r < marked.size(); ++r)
        if (marked[r])
            rows.append(static_cast<int>(r));
    return rows;
}

int TFileListView::FirstSelectedRow() const {
    int first = -1;
    for (const QItemSelectionRange& range : selection_->selection())
        if (range.left() == 0 && range.top() >= 0 && (first < 0 || range.top() < first))
            first = range.top();
    return first;
}

void TFileListView::SelectRow(int row, bool selected) {
    if (row < 0 || row >= ItemCount())
        return;
    selection_->select(model_->index(row, 0),
                       (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                           QItemSelectionModel::Rows);
}

void TFileListView::SelectAll() {
    if (ItemCount() == 0)
        return;
    const QItemSelection all(model_->index(0, 0), model_->index(ItemCount() - 1, 0));
    selection_->select(all, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TFileListView::ClearSelection() {
    selection_->clearSelection();
}

int TFileListView::FocusedRow() const {
    const QModelIndex current = selection_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

int TFileListView::ItemAt(const QPoint& viewportPos) const {
    const QModelIndex index = CurrentView()->indexAt(viewportPos);
    return index.isValid() ? index.row() : -1;
}

// --- listing and sort ------------------------------------------------------------------------

void TFileListView::RefreshListing() {
    {
        WaitCursor wait;
        const KeptView kept = CaptureView();
        ++listingGeneration_;
        model_->BeginReset();
        listing_.Refresh();
        const bool sameFolder = listing_.Directory() == listedFolder_;
        if (!sameFolder) {
            thumbnails_->Clear();
            listedFolder_ = listing_.Directory();
        }
        model_->EndReset();
        ApplyColumns();
        UpdateHeaderImages();
        // A refresh of the same folder keeps what the user had selected and where he was.
        if (sameFolder)
            RestoreView(kept);
        FocusFirstItem();
        WatchFolder();
    }
    // Input queued during a long listing is handled now, once.
    QCoreApplication::processEvents();
}

void TFileListView::ApplyColumns() {
    const auto& columns = listing_.Columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        header_->resizeSection(static_cast<int>(i), columns[i].width);
}

void TFileListView::UpdateHeaderImages() {
    if (listing_.Sortable())
        header_->SetSortImage(listing_.SortColumn, listing_.SortDescending);
    else
        header_->SetSortImage(-1, true);
}

void TFileListView::FocusFirstItem() {
    if (ItemCount() > 0 && !selection_->hasSelection())
        selection_->setCurrentIndex(model_->index(0, 0), QItemSelectionModel::NoUpdate);
}

void TFileListView::SortItems(const std::function<std::vector<int>()>& sort) {
    ++listingGeneration_;
    model_->BeginReorder();
    model_->EndReorder(sort());
}

void TFileListView::SortByColumn(int column) {
    if (!listing_.Sortable())
        return;
    SortItems([&] { return listing_.SortByColumn(column); });
    UpdateHeaderImages();
}

// --- file operations -------------------------------------------------------------------------

void TFileListView::CopySelection() {
    ops_.CopySelection();
}
void TFileListView::CutSelection() {
    ops_.CutSelection();
}
void TFileListView::PasteClipboard() {
    ops_.PasteClipboard();
}
void TFileListView::DeleteSelectedItems() {
    ops_.DeleteSelectedItems();
}
void TFileListView::StartRename() {
    ops_.StartRename();
}
void TFileListView::FinishRename(int row) {
    ops_.FinishRename(row);
}
void TFileListView::CreateNewFolder() {
    ops_.CreateNewFolder();
}
void TFileListView::ViewSelectedFile() {
    ops_.ViewSelectedFile();
}
void TFileListView::FindInFolder() {
    ops_.FindInFolder();
}
bool TFileListView::DiskReady(const QString& root, bool showMessage) {
    return FileListOperations::DiskReady(root, showMessage);
}
int TFileListView::ShellOpen(const QString& verb, const QString& file, const QString& parameters,
                             const QString& folder, int showMode) {
    return FileListOperations::ShellOpen(verb, file, parameters, folder, showMode);
}

// --- FileListOperationsHost ---------------------------------------------------------------------

QString TFileListView::ListFolder() const {
    return Directory();
}
const std::vector<FileListItem>& TFileListView::ListItems() const {
    return listing_.Items();
}
QList<int> TFileListView::ListSelection() const {
    return SelectedRows();
}
void TFileListView::Relist() {
    RefreshListing();
}
void TFileListView::SelectOnly(int row) {
    ClearSelection();
    SelectRow(row, true);
}
bool TFileListView::OpenCaptionEditor(int row) {
    return EditItemCaption(row);
}
bool TFileListView::ListReadOnly() const {
    return readOnly_;
}
DirTreeLink* TFileListView::ListTreeLink() const {
    return dirTreeCombo_;
}
QWidget* TFileListView::ListWidget() {
    return this;
}
void TFileListView::SetListUpdates(bool enabled) {
    setUpdatesEnabled(enabled);
}

void TFileListView::ListStatusMessage(const QString& text) {
    emit StatusMessage(text);
}

} // namespace kivo
