// Navigation of the file list: up one level (from a volume root to the drives) and
// opening the selected item: a folder or volume is listed, a file goes to its application.

#include "browser/dir_tree_link.h"
#include "browser/file_list_view.h"
#include "platform/file_system.h"
#include "platform/gui/path_text.h"
#include "platform/gui/wait_cursor.h"

namespace kivo {

void TFileListView::GoUpOneLevel() {
    if (listing_.IsDrives())
        return;
    const QString dir = listing_.Directory();
    if (dir == QLatin1String("/")) {
        if (dirTreeCombo_)
            dirTreeCombo_->ShowRootNode();
        SetDirectory(kDrivesFolder);
        return;
    }
    const std::string without = ExcludeTrailingSlash(PathBytes(dir));
    const QString parent = PathText(IncludeTrailingSlash(ExtractFileDir(without)));
    SetDirectory(parent);
    if (dirTreeCombo_)
        dirTreeCombo_->OpenPath(parent);
}

void TFileListView::OpenSelectedItem() {
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    WaitCursor wait;
    const FileListItem item = Item(row); // a copy: the listing changes below
    if (item.isParent()) {
        GoUpOneLevel();
        return;
    }
    if (item.kind() == kKindDir || item.kind() == kKindDrive) {
        const QString path = PathText(IncludeTrailingSlash(PathBytes(item.fullPath())));
        if (item.kind() == kKindDrive && item.subItems[siSize] == VolumeTypeText(2) &&
            !DiskReady(path, true))
            return;
        SetDirectory(path);
        if (dirTreeCombo_)
            dirTreeCombo_->OpenPath(path);
        return;
    }
    if (item.kind() == kKindFile) {
        const std::string full = PathBytes(item.fullPath());
        ShellOpen(QStringLiteral("Open"), PathText(ExtractFileName(full)), QString(),
                  PathText(ExtractFileDir(full)), 5);
    }
}

} // namespace kivo
