#pragma once
// FileListOperations: the file operations of the file list. The internal clipboard (copy,
// cut, paste), delete to the Trash, rename in place, new folder, viewers and find. Every
// change goes through ShellFileOperation, which asks before anything is replaced or thrown
// away. The list itself is reached only through FileListOperationsHost, so the operations
// run without a widget.

#include <vector>

#include <QList>
#include <QString>
#include <QStringList>

#include "browser/file_list_change_log.h"
#include "browser/file_list_listing.h"

class QWidget;

namespace kivo {

class DirTreeLink;

enum class TClipboardOperation { Copy, Move };

// The status-bar notes of the operations refused in the "Drives" view, which has no folder
// to paste or create into.
inline const QString kNoPasteInDrives =
    QStringLiteral("Nothing can be pasted into Drives: open a folder first");
inline const QString kNoNewFolderInDrives =
    QStringLiteral("No folder can be created in Drives: open a folder first");

// What the operations need of the list they work on; TFileListView implements it.
class FileListOperationsHost {
public:
    // The folder listed: with a trailing "/", or "Drives" for the volumes.
    virtual QString ListFolder() const = 0;
    // The items in list order, and the rows of the selected ones in list order.
    virtual const std::vector<FileListItem>& ListItems() const = 0;
    virtual QList<int> ListSelection() const = 0;
    // Lists the folder again; the selection goes with the old items.
    virtual void Relist() = 0;
    // Clears the selection, then selects the row (-1 for none).
    virtual void SelectOnly(int row) = 0;
    // Opens the in-place caption editor on the row; false when none opened.
    virtual bool OpenCaptionEditor(int row) = 0;
    virtual bool ListReadOnly() const = 0;
    // The linked tree combo, or nullptr.
    virtual DirTreeLink* ListTreeLink() const = 0;
    // The list's widget: dialogs belong to its window, Find wants the focus in it. May be
    // nullptr.
    virtual QWidget* ListWidget() = 0;
    // Screen updates of the list off while a rename rebuilds it, then on again.
    virtual void SetListUpdates(bool enabled) = 0;
    // A short note for the status bar (an operation that cannot run here); none by default.
    virtual void ListStatusMessage(const QString& text) { (void)text; }

protected:
    ~FileListOperationsHost() = default;
};

class FileListOperations {
public:
    explicit FileListOperations(FileListOperationsHost& host) : host_(host) {}
    FileListOperations(const FileListOperations&) = delete;
    FileListOperations& operator=(const FileListOperations&) = delete;

    // Who hears of the new folders, renames and deletions (nullptr: nobody).
    void SetChangeLog(FileListChangeLog* log) { log_ = log; }

    void CopySelection();
    void CutSelection();
    void PasteClipboard();
    void DeleteSelectedItems();
    // F2: the in-place editor on the first selected item, refused for read-only entries.
    void StartRename();
    // The check before any in-place edit opens: refused while the list is read-only and
    // for the parent entry and volumes. Remembers the entry's path for FinishRename.
    bool MayEditCaption(const FileListItem& item);
    // An in-place edit ended with new text; the item's caption already holds it.
    void FinishRename(int row);
    void CreateNewFolder();
    void ViewSelectedFile();
    void FindInFolder();
    // Whether the volume with this root has a usable medium; with showMessage the
    // warning is shown when it has not.
    static bool DiskReady(const QString& root, bool showMessage);
    // Opens `file` with the verb ("Open", "Find"); returns the shell-style result code
    // (32 or less = failure, after the error box has been shown).
    static int ShellOpen(const QString& verb, const QString& file, const QString& parameters,
                         const QString& folder, int showMode);

    // Internal clipboard of the list (never the system clipboard).
    QStringList ClipboardList;
    TClipboardOperation ClipboardOperation = TClipboardOperation::Copy;

private:
    // After a change of folders: the tree is rebuilt and shows `path`.
    void TellTree(const QString& path);
    QWidget* DialogOwner() const;

    FileListOperationsHost& host_;
    FileListChangeLog* log_ = nullptr;
    // Full path of the entry under in-place editing.
    QString renameOldPath_;
    QString renameOldCaption_; // the caption the editor opened with
};

} // namespace kivo
