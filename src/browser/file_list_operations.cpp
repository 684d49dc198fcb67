#include "browser/file_list_operations.h"

#include <QApplication>
#include <QWidget>

#include "browser/dir_tree_link.h"
#include "platform/file_system.h"
#include "platform/gui/path_text.h"
#include "platform/gui/shell_file_operation.h"
#include "platform/gui/shell_open.h"
#include "platform/gui/wait_cursor.h"

namespace kivo {

namespace {

std::string Local(const QString& s) {
    return PathBytes(s);
}
QString Shown(const std::string& s) {
    return PathText(s);
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

QWidget* FileListOperations::DialogOwner() const {
    QWidget* list = host_.ListWidget();
    return list ? list->window() : nullptr;
}

void FileListOperations::TellTree(const QString& path) {
    if (DirTreeLink* combo = host_.ListTreeLink()) {
        combo->ReloadTree();
        combo->OpenPath(path);
    }
}

void FileListOperations::CopySelection() {
    ClipboardList.clear();
    const std::vector<FileListItem>& items = host_.ListItems();
    for (int row : host_.ListSelection())
        if (IsFileOrFolder(items[static_cast<std::size_t>(row)]))
            ClipboardList << items[static_cast<std::size_t>(row)].fullPath();
    ClipboardOperation = TClipboardOperation::Copy;
}

void FileListOperations::CutSelection() {
    CopySelection();
    ClipboardOperation = TClipboardOperation::Move;
}

void FileListOperations::PasteClipboard() {
    if (ClipboardList.isEmpty())
        return;
    const QString dir = host_.ListFolder();
    // "Drives" is no folder: a folder of that name in the working directory must never
    // receive the entries.
    if (dir.compare(kDrivesFolder, Qt::CaseInsensitive) == 0 || !dir.startsWith(u'/')) {
        host_.ListStatusMessage(kNoPasteInDrives);
        return;
    }
    WaitCursor wait;
    if (!SetCurrentDir(Local(dir)))
        return; // a folder that has gone
    QStringList targets;
    for (const auto& path : ClipboardList)
        targets << dir + LastComponent(path);
    // One run for all entries, so that "cancel" and "for all" cover the whole paste.
    {
        const bool move = ClipboardOperation == TClipboardOperation::Move;
        std::vector<ListChange> changes;
        for (qsizetype i = 0; i < ClipboardList.size(); ++i)
            changes.push_back({Local(ClipboardList[i]), Local(targets[i])});
        const ListChangeScope scope(log_, move ? ListChangeKind::Move : ListChangeKind::Copy,
                                    ExcludeTrailingSlash(Local(dir)), changes);
        // With a record kept, what the paste replaces stays in the Trash to come back from.
        FileOperationOptions options;
        options.trashReplaced = log_ != nullptr;
        ShellFileOperation(DialogOwner(), move ? ShellFunc::Move : ShellFunc::Copy, ClipboardList,
                           targets, scope.Hooked(std::move(options)));
    }
    host_.Relist();
    ClipboardList.clear();
    TellTree(host_.ListFolder());
}

void FileListOperations::DeleteSelectedItems() {
    WaitCursor wait;
    if (!SetCurrentDir(Local(host_.ListFolder())))
        return;
    ClipboardList.clear();
    QStringList sources;
    const std::vector<FileListItem>& items = host_.ListItems();
    for (int row : host_.ListSelection())
        if (IsFileOrFolder(items[static_cast<std::size_t>(row)]))
            sources << items[static_cast<std::size_t>(row)].fullPath();
    if (!sources.isEmpty()) {
        std::vector<ListChange> changes;
        for (const QString& path : sources)
            changes.push_back({Local(path), {}});
        const ListChangeScope scope(log_, ListChangeKind::Trash,
                                    ExcludeTrailingSlash(Local(host_.ListFolder())), changes);
        FileOperationOptions options;
        if (log_)
            options.trashed = [log = log_](std::size_t source) { log->Done(source); };
        ShellFileOperation(DialogOwner(), ShellFunc::Delete, sources, {},
                           scope.Hooked(std::move(options)));
    }
    host_.Relist();
    ClipboardList.clear();
    TellTree(host_.ListFolder());
}

void FileListOperations::StartRename() {
    const QList<int> selected = host_.ListSelection();
    if (selected.isEmpty())
        return;
    const int row = selected.first();
    const FileListItem& item = host_.ListItems()[static_cast<std::size_t>(row)];
    if (host_.ListReadOnly() || item.subItems[siAttr].contains(u'R')) {
        ShellMessage(QMessageBox::Warning, QStringLiteral("It's ReadOnly"));
        return;
    }
    renameOldPath_ = item.fullPath();
    renameOldCaption_ = item.caption;
    host_.OpenCaptionEditor(row);
}

bool FileListOperations::MayEditCaption(const FileListItem& item) {
    if (host_.ListReadOnly())
        return false;
    // The parent entry and volume roots cannot be renamed; refuse before an editor opens.
    if (item.isParent() || item.kind() == kKindDrive)
        return false;
    renameOldPath_ = item.fullPath();
    renameOldCaption_ = item.caption;
    return true;
}

void FileListOperations::FinishRename(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= host_.ListItems().size())
        return;
    WaitCursor wait;
    host_.SetListUpdates(false);
    // A copy: the listing is rebuilt below.
    const FileListItem item = host_.ListItems()[static_cast<std::size_t>(row)];
    const QString oldPath = renameOldPath_.isEmpty() ? item.fullPath() : renameOldPath_;
    renameOldPath_.clear();
    // The caption is only the name's text: an edit that left it as it was renames nothing,
    // even when that text has U+FFFD where the real name has bytes that are not UTF-8.
    const bool edited = item.caption != renameOldCaption_;
    renameOldCaption_.clear();
    const QString newPath = Shown(IncludeTrailingSlash(Local(FolderOf(oldPath)))) + item.caption;
    const bool renamable = IsFileOrFolder(item) && IsValidName(item.caption) && edited;
    if (!renamable) {
        if (IsFileOrFolder(item) && edited)
            ShellMessage(QMessageBox::Critical, QStringLiteral("\"") + item.caption +
                                                    QStringLiteral("\" is not a valid name"));
    } else if (newPath.compare(oldPath, Qt::CaseInsensitive) != 0 && !TargetExists(newPath)) {
        const ListChangeScope scope(log_, ListChangeKind::Rename, Local(FolderOf(oldPath)),
                                    {{Local(oldPath), Local(newPath)}});
        ShellFileOperation(DialogOwner(), ShellFunc::Rename, {oldPath}, {newPath});
    }
    // Also when nothing was renamed (a change of letter case only, a name that exists):
    // the list then shows the name the entry really has.
    host_.Relist();
    if (renamable && item.kind().compare(kKindDir, Qt::CaseInsensitive) == 0 &&
        newPath.compare(oldPath, Qt::CaseInsensitive) != 0)
        TellTree(FolderOf(oldPath));
    host_.SetListUpdates(true);
}

void FileListOperations::CreateNewFolder() {
    const QString dir = host_.ListFolder();
    if (dir.compare(kDrivesFolder, Qt::CaseInsensitive) == 0 || !dir.startsWith(u'/')) {
        host_.ListStatusMessage(kNoNewFolderInDrives);
        return;
    }
    const QString base = dir + QStringLiteral("New Folder");
    QString name = base;
    // A file of that name blocks the folder just as well, so any entry counts as taken.
    for (int n = 2; PathExists(Local(name)); ++n)
        name = base + u'(' + QString::number(n) + u')';
    bool created = false;
    {
        const ListChangeScope scope(log_, ListChangeKind::NewFolder,
                                    ExcludeTrailingSlash(Local(dir)), {{{}, Local(name)}});
        created = CreateDir(Local(name));
    }
    if (!created) {
        host_.Relist();
        return;
    }
    host_.Relist();
    int row = -1;
    const std::vector<FileListItem>& items = host_.ListItems();
    for (std::size_t r = 0; r < items.size(); ++r) {
        if (items[r].fullPath() == name) {
            row = static_cast<int>(r);
            break;
        }
    }
    host_.SelectOnly(row);
    if (row >= 0) {
        renameOldPath_ = name;
        renameOldCaption_.clear(); // the default name is taken as it stands
        host_.OpenCaptionEditor(row);
    }
    TellTree(name);
}

void FileListOperations::ViewSelectedFile() {
    const QList<int> selected = host_.ListSelection();
    if (selected.isEmpty())
        return;
    const FileListItem& item = host_.ListItems()[static_cast<std::size_t>(selected.first())];
    if (item.kind() != kKindFile)
        return; // the viewers open files
    OpenWithViewer(LastComponent(item.fullPath()), FolderOf(item.fullPath()));
}

void FileListOperations::FindInFolder() {
    const QWidget* list = host_.ListWidget();
    const QWidget* focus = QApplication::focusWidget();
    if (!list || !focus || (focus != list && !list->isAncestorOf(focus)))
        return;
    ::kivo::ShellOpen(QStringLiteral("Find"), host_.ListFolder(), {}, {}, kShowNormal);
}

bool FileListOperations::DiskReady(const QString& root, bool showMessage) {
    return ::kivo::DiskReady(root, showMessage);
}

int FileListOperations::ShellOpen(const QString& verb, const QString& file,
                                  const QString& parameters, const QString& folder, int showMode) {
    return ::kivo::ShellOpen(verb, file, parameters, folder, showMode);
}

} // namespace kivo
