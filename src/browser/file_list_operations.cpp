// File operations of the file list: the internal clipboard (copy, cut, paste), delete to
// the Trash, rename in place, new folder, viewers and find. Every change goes through
// ShellFileOperation, which asks before anything is replaced or thrown away.

#include <QApplication>
#include <QFile>

#include "browser/dir_tree_link.h"
#include "browser/file_list_view.h"
#include "platform/file_system.h"
#include "platform/gui/shell_file_operation.h"
#include "platform/gui/shell_open.h"

namespace kivo {

namespace {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

std::string Local(const QString& s) {
    return QFile::encodeName(s).toStdString();
}
QString Shown(const std::string& s) {
    return QFile::decodeName(s.c_str());
}

QString LastComponent(const QString& path) {
    return Shown(ExtractFileName(ExcludeTrailingSlash(Local(path))));
}

QString FolderOf(const QString& path) {
    return Shown(ExtractFileDir(ExcludeTrailingSlash(Local(path))));
}

// Entries the clipboard and deletion may take: files and folders, never the parent entry
// or a volume.
bool IsFileOrFolder(const FileListItem& item) {
    return !item.isParent() && item.kind() != kKindDrive;
}

// A name that stays inside its folder.
bool IsValidName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(QChar(0)) &&
           name != QStringLiteral(".") && name != QStringLiteral("..");
}

} // namespace

void TFileListView::CopySelection() {
    ClipboardList.clear();
    for (int row : SelectedRows())
        if (IsFileOrFolder(Item(row)))
            ClipboardList << Item(row).fullPath();
    ClipboardOperation = TClipboardOperation::Copy;
}

void TFileListView::CutSelection() {
    CopySelection();
    ClipboardOperation = TClipboardOperation::Move;
}

void TFileListView::PasteClipboard() {
    if (ClipboardList.isEmpty())
        return;
    WaitCursor wait;
    const QString dir = Directory();
    if (!SetCurrentDir(Local(dir)))
        return; // the drive view, or a folder that has gone
    QStringList targets;
    for (const auto& path : ClipboardList)
        targets << dir + LastComponent(path);
    // One run for all entries, so that "cancel" and "for all" cover the whole paste.
    ShellFileOperation(window(),
                       ClipboardOperation == TClipboardOperation::Move ? ShellFunc::Move
                                                                       : ShellFunc::Copy,
                       ClipboardList, targets);
    RefreshListing();
    ClipboardList.clear();
    if (DirTreeLink* combo = DirTreeCombo()) {
        combo->ReloadTree();
        combo->OpenPath(Directory());
    }
}

void TFileListView::DeleteSelectedItems() {
    WaitCursor wait;
    if (!SetCurrentDir(Local(Directory())))
        return;
    ClipboardList.clear();
    QStringList sources;
    for (int row : SelectedRows())
        if (IsFileOrFolder(Item(row)))
            sources << Item(row).fullPath();
    if (!sources.isEmpty())
        ShellFileOperation(window(), ShellFunc::Delete, sources, {});
    RefreshListing();
    ClipboardList.clear();
    if (DirTreeLink* combo = DirTreeCombo()) {
        combo->ReloadTree();
        combo->OpenPath(Directory());
    }
}

void TFileListView::StartRename() {
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    if (ReadOnly() || Item(row).subItems[siAttr].contains(u'R')) {
        ShellMessage(QMessageBox::Warning, QStringLiteral("It's ReadOnly"));
        return;
    }
    renameOldPath_ = Item(row).fullPath();
    EditItemCaption(row);
}

void TFileListView::FinishRename(int row) {
    if (row < 0 || row >= ItemCount())
        return;
    WaitCursor wait;
    setUpdatesEnabled(false);
    const FileListItem item = Item(row); // a copy: the listing is rebuilt below
    const QString oldPath = renameOldPath_.isEmpty() ? item.fullPath() : renameOldPath_;
    renameOldPath_.clear();
    const QString newPath =
        QString::fromStdString(IncludeTrailingSlash(Local(FolderOf(oldPath)))) + item.caption;
    const bool renamable = IsFileOrFolder(item) && IsValidName(item.caption);
    if (!renamable) {
        if (IsFileOrFolder(item))
            ShellMessage(QMessageBox::Critical, QStringLiteral("\"") + item.caption +
                                                    QStringLiteral("\" is not a valid name"));
    } else if (newPath.compare(oldPath, Qt::CaseInsensitive) != 0 && !TargetExists(newPath)) {
        ShellFileOperation(window(), ShellFunc::Rename, {oldPath}, {newPath});
    }
    // Also when nothing was renamed (a change of letter case only, a name that exists):
    // the list then shows the name the entry really has.
    RefreshListing();
    if (renamable && item.kind().compare(kKindDir, Qt::CaseInsensitive) == 0 &&
        newPath.compare(oldPath, Qt::CaseInsensitive) != 0) {
        if (DirTreeLink* combo = DirTreeCombo()) {
            combo->ReloadTree();
            combo->OpenPath(FolderOf(oldPath));
        }
    }
    setUpdatesEnabled(true);
}

void TFileListView::CreateNewFolder() {
    if (Directory().compare(kDrivesFolder, Qt::CaseInsensitive) == 0)
        return;
    const QString base = Directory() + QStringLiteral("New Folder");
    QString name = base;
    // A file of that name blocks the folder just as well, so any entry counts as taken.
    for (int n = 2; PathExists(Local(name)); ++n)
        name = base + u'(' + QString::number(n) + u')';
    if (!CreateDir(Local(name))) {
        RefreshListing();
        return;
    }
    RefreshListing();
    ClearSelection();
    int row = -1;
    for (int r = 0; r < ItemCount(); ++r) {
        if (Item(r).fullPath() == name) {
            row = r;
            break;
        }
    }
    if (row >= 0) {
        SelectRow(row, true);
        renameOldPath_ = name;
        EditItemCaption(row);
    }
    if (DirTreeLink* combo = DirTreeCombo()) {
        combo->ReloadTree();
        combo->OpenPath(name);
    }
}

void TFileListView::ViewSelectedFile() {
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    const FileListItem& item = Item(row);
    if (item.kind() != kKindFile)
        return; // the viewers open files
    OpenWithViewer(LastComponent(item.fullPath()), FolderOf(item.fullPath()));
}

void TFileListView::FindInFolder() {
    const QWidget* focus = QApplication::focusWidget();
    if (!focus || (focus != this && !isAncestorOf(focus)))
        return;
    ::kivo::ShellOpen(QStringLiteral("Find"), Directory(), {}, {}, kShowNormal);
}

bool TFileListView::DiskReady(const QString& root, bool showMessage) {
    return ::kivo::DiskReady(root, showMessage);
}

int TFileListView::ShellOpen(const QString& verb, const QString& file, const QString& parameters,
                             const QString& folder, int showMode) {
    return ::kivo::ShellOpen(verb, file, parameters, folder, showMode);
}

} // namespace kivo
