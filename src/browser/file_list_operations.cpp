// File operations of the file list: internal clipboard, delete, rename, new folder,
// viewers and find. Placeholders until the operations are written; they change nothing.

#include "browser/file_list_view.h"

namespace kivo {

void TFileListView::CopySelection() {}
void TFileListView::CutSelection() {}
void TFileListView::PasteClipboard() {}
void TFileListView::DeleteSelectedItems() {}
void TFileListView::StartRename() {}
void TFileListView::FinishRename(int) {}
void TFileListView::CreateNewFolder() {}
void TFileListView::ViewSelectedFile() {}
void TFileListView::FindInFolder() {}
bool TFileListView::DiskReady(const QString&, bool) { return true; }
int TFileListView::ShellOpen(const QString&, const QString&, const QString&, const QString&, int)
{
    return 33;
}

} // namespace kivo
