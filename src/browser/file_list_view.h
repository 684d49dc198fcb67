#pragma once
// TFileListView: the file list pane. One item model over a FileListing, shown by a
// tree view (details) or a list view (large icons, small icons, list) that share one
// selection. Construction, view styles and columns are in file_list_view.cpp, keys,
// clicks, edits and drags in file_list_input.cpp, navigation in file_list_navigation.cpp;
// the file operations are FileListOperations', which the list hosts.

#include <functional>
#include <memory>

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "browser/file_list_item_view_owner.h"
#include "browser/file_list_listing.h"
#include "browser/file_list_operations.h"

class QAbstractItemView;
template <typename T> class QFutureWatcher;
class QTimer;
class QItemSelectionModel;
class QKeyEvent;
class QListView;
class QModelIndex;
class QStackedLayout;
class QTreeView;

namespace kivo {

class DirTreeLink;
class FolderWatch;
class FileListItemModel;
class FileListHeader;
class FileListTreeView;
class FileListIconView;
class FileListThumbnails;

// View-style codes as the main window stores them.
enum TViewStyle : int {
    vsIcon = 1,
    vsSmallIcon = 2,
    vsList = 3,
    vsReport = 4,
};

// Sides of the thumbnails in the large and small icon styles, in logical pixels.
inline constexpr int kLargeThumbnail = 128;
inline constexpr int kSmallThumbnail = 48;

class TFileListView : public QWidget,
                      private FileListItemViewOwner,
                      private FileListOperationsHost {
    Q_OBJECT

private:
    // First of the members: the clipboard references below are bound to it.
    FileListOperations ops_{*this};

public:
    explicit TFileListView(QWidget* parent = nullptr);
    ~TFileListView() override;

    // --- properties ---------------------------------------------------------------
    QString Directory() const;
    void SetDirectory(const QString& value);
    QString Mask() const;
    void SetMask(const QString& mask);
    TFileType FileType() const;
    void SetFileType(TFileType type);
    bool ShowFolders() const;
    void SetShowFolders(bool show);
    bool HideFileExt() const;
    void SetHideFileExt(bool hide);
    TDtFormat DateFormat() const;
    void SetDateFormat(TDtFormat format);
    TTmFormat TimeFormat() const;
    void SetTimeFormat(TTmFormat format);
    int ColWidth_Name() const;
    int ColWidth_Size() const;
    int ColWidth_Type() const;
    int ColWidth_Mod() const;
    int ColWidth_Attr() const;
    void SetColWidth_Name(int w);
    void SetColWidth_Size(int w);
    void SetColWidth_Type(int w);
    void SetColWidth_Mod(int w);
    void SetColWidth_Attr(int w);
    bool DblClickToOpen() const { return dblClickToOpen_; }
    void SetDblClickToOpen(bool open) { dblClickToOpen_ = open; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    QString About() const { return QStringLiteral("Version 2.8.5.0"); }
    void SetAbout(const QString&) {}
    // Full path of the item last clicked.
    QString SelectedItem() const { return selectedItem_; }

    // The linked tree combo: setting it unlinks the old one and links the new one.
    DirTreeLink* DirTreeCombo() const { return dirTreeCombo_; }
    void SetDirTreeCombo(DirTreeLink* combo);
    // Called by a linked combo that is being destroyed: the link is cleared without
    // calling back into it.
    void UnlinkDirTreeCombo(DirTreeLink* combo);

    // --- view ---------------------------------------------------------------------
    TViewStyle ViewStyle() const { return viewStyle_; }
    void SetViewStyle(TViewStyle style);
    int ColumnCount() const;
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);
    QAbstractItemView* CurrentView() const;
    QTreeView* DetailsView() const;
    QListView* IconView() const;
    FileListItemModel* Model() const { return model_; }
    // Thumbnails of the pictures, shown in the two icon styles.
    FileListThumbnails& Thumbnails() const { return *thumbnails_; }
    QItemSelectionModel* SelectionModel() const;
    const FileListing& Listing() const { return listing_; }

    // --- items and selection --------------------------------------------------------
    int ItemCount() const;
    const FileListItem& Item(int row) const;
    bool IsSelected(int row) const;
    QList<int> SelectedRows() const; // in list order
    int FirstSelectedRow() const;    // -1 without a selection
    void SelectRow(int row, bool selected);
    void SelectAll();
    void ClearSelection();
    int FocusedRow() const;
    // Row under a point in the current view's viewport, -1 for none.
    int ItemAt(const QPoint& viewportPos) const;
    // Starts the in-place edit of the row's caption; the list's own check before
    // editing applies (refused while ReadOnly). Returns whether an editor opened.
    bool EditItemCaption(int row);

    // --- operations ----------------------------------------------------------------
    // Re-lists the folder; in the same folder the selection, the current item and the scroll
    // position stay where their entries still exist. The listed folder is watched: entries
    // created, removed, renamed or changed by anyone show within a second, a burst of
    // changes as one re-listing.
    void RefreshListing();
    // Quiet time that ends a burst of changes (files written back to back come closer);
    // a burst longer than kWatchMaxDelayMs is re-listed as it goes.
    static constexpr int kWatchDelayMs = 3;
    static constexpr int kWatchMaxDelayMs = 500;
    int SortColumn() const { return listing_.SortColumn; }
    bool SortDescending() const { return listing_.SortDescending; }
    void SetSortColumn(int column) { listing_.SortColumn = column; }
    void SetSortDescending(bool descending) { listing_.SortDescending = descending; }
    void SortByColumn(int column);
    void GoUpOneLevel();
    void OpenSelectedItem();

    // File operations of the list (FileListOperations).
    void CopySelection();
    void CutSelection();
    void PasteClipboard();
    void DeleteSelectedItems();
    void StartRename();
    // An in-place edit ended with new text; the item's caption already holds it.
    void FinishRename(int row);
    void CreateNewFolder();
    // Who hears of the list's new folders, renames and deletions (nullptr: nobody).
    void SetChangeLog(FileListChangeLog* log) { ops_.SetChangeLog(log); }
    void ViewSelectedFile();
    void FindInFolder();
    // Whether the volume with this root has a usable medium; with showMessage the
    // warning is shown when it has not.
    bool DiskReady(const QString& root, bool showMessage);
    // Opens `file` with the verb ("Open", "Find"); returns the shell-style result code
    // (32 or less = failure, after the error box has been shown).
    int ShellOpen(const QString& verb, const QString& file, const QString& parameters,
                  const QString& folder, int showMode);

    // Internal clipboard of the list (never the system clipboard), the operations' own.
    QStringList& ClipboardList = ops_.ClipboardList;
    TClipboardOperation& ClipboardOperation = ops_.ClipboardOperation;

    // Drop handling is the main window's: it answers whether a drag may be dropped
    // on a row (-1 = no item) and performs the drop.
    std::function<bool(int row)> DragOverHandler;
    std::function<void(int row)> DragDropHandler;

signals:
    // OnItemChange: raised on every click that finds a selected item, with the full path
    // of the first selected one.
    void ItemChange(const QString& selectedItem);
    // The ordinary click event (after ItemChange), also raised when Up/Down is released.
    void Click();
    // The ordinary double-click event (only when DblClickToOpen is false).
    void DblClick();
    // The ordinary key-down event, raised after the key table's action.
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);
    // A note for the status bar: an operation refused where it cannot run.
    void StatusMessage(const QString& text);

private:
    // --- FileListItemViewOwner (file_list_input.cpp) ---------------------------------
    // Returns true for keys of the key table: the view's own key handling does not see them.
    bool ItemViewKeyDown(QKeyEvent* event) override;
    void ItemViewKeyUp(QKeyEvent* event) override;
    void ItemViewClicked() override;
    void ItemViewDoubleClicked(const QModelIndex& index) override;
    bool ItemViewMayEdit(int row) override;
    bool ItemViewAcceptsDrags() const override;
    bool ItemViewAcceptsDragOver(int row) override;
    bool ItemViewAcceptsDrop() const override;
    void ItemViewDrop(int row) override;

    // --- FileListOperationsHost ----------------------------------------------------------
    QString ListFolder() const override;
    const std::vector<FileListItem>& ListItems() const override;
    QList<int> ListSelection() const override;
    void Relist() override;
    void SelectOnly(int row) override;
    bool OpenCaptionEditor(int row) override;
    bool ListReadOnly() const override;
    DirTreeLink* ListTreeLink() const override;
    QWidget* ListWidget() override;
    void SetListUpdates(bool enabled) override;
    void ListStatusMessage(const QString& text) override;

    // ItemChange and Click for the first selected item, if any.
    void HandleClick();
    bool IsEditing() const;
    // The model stored an edited caption: the rename runs once the editor has closed.
    void AfterEdit(int row, const QString& newCaption);
    void ApplyColumns();
    void UpdateHeaderImages();
    void SortItems(const std::function<std::vector<int>()>& sort);
    void FocusFirstItem();

    // Selection, current item and scroll position of the view, by the entries' paths
    // (file_list_watch.cpp).
    struct KeptView {
        QStringList selected;
        QString current;
        int vertical = 0;
        int horizontal = 0;
    };
    KeptView CaptureView() const;
    void RestoreView(const KeptView& kept);
    // Watches the listed folder; changes are gathered for a moment, then re-listed once,
    // off the GUI thread, and the rows are brought up to date one by one.
    void WatchFolder();
    void FolderChanged();
    void ApplyRelisting();

    FileListing listing_;
    FileListItemModel* model_ = nullptr;
    QItemSelectionModel* selection_ = nullptr;
    QStackedLayout* stack_ = nullptr;
    FileListTreeView* details_ = nullptr;
    FileListIconView* icons_ = nullptr;
    FileListHeader* header_ = nullptr;
    FileListThumbnails* thumbnails_ = nullptr;
    // The folder of the last listing: thumbnails of another folder are dropped.
    QString listedFolder_;
    FolderWatch* watcher_ = nullptr;
    QTimer* watchDelay_ = nullptr;
    QElapsedTimer burstStart_;
    QFutureWatcher<void>* relisting_ = nullptr;
    std::shared_ptr<FileListing> relisted_; // the re-listing under way (on a copy) until applied
    unsigned relistedGeneration_ = 0;
    bool relistAgain_ = false;
    // Counts the listings made here: a re-listing begun before one of them is stale.
    unsigned listingGeneration_ = 0;
    TViewStyle viewStyle_ = vsReport;
    DirTreeLink* dirTreeCombo_ = nullptr;
    bool dblClickToOpen_ = true;
    bool readOnly_ = false;
    QString selectedItem_;
};

} // namespace kivo
