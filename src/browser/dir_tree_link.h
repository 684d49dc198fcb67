#pragma once
// What the file list asks of the directory tree combo it is linked to. The combo
// implements this; the list holds it through TFileListView::SetDirTreeCombo.

#include <QString>

namespace kivo {

class TFileListView;

class DirTreeLink {
public:
    virtual ~DirTreeLink() = default;

    // Select the folder in the tree and show it in the combo (path with or without "/").
    virtual void OpenPath(const QString& path) = 0;
    // Select the root node (the computer) and show it; the committed path stays.
    virtual void ShowRootNode() = 0;
    // Rebuild the tree from the volumes (after file operations changed folders).
    virtual void ReloadTree() = 0;
    // Open or close the drop-down (F4).
    virtual void ToggleDropDown() = 0;
    // Close the drop-down when it is open (Esc).
    virtual void CloseDropDown() = 0;
    // Whether the drop-down tree is visible now.
    virtual bool IsTreeVisible() const = 0;
    // Give the drop-down tree the keyboard focus.
    virtual void FocusTree() = 0;

    // The combo's FileList link. The list sets it when the combo is linked and clears
    // it (nullptr) when the combo is unlinked or the list is destroyed.
    virtual void SetLinkedFileList(TFileListView* list) = 0;
};

} // namespace kivo
