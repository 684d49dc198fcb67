#pragma once
// TDirTreeCombo: the read-only edit with a drop-down button across the top of the main
// window. Its drop-down (TDirTreeView) shows the computer, its volumes and their folders;
// committing a node sets the linked file list's folder, and the list asks the combo to
// show the folders it navigates to (DirTreeLink).

#include <QIcon>
#include <QLineEdit>
#include <QPointer>

#include "browser/dir_tree_link.h"
#include "browser/dir_tree_model.h"
#include "browser/dir_tree_view.h"
#include "browser/file_list_view.h"

class QToolButton;

namespace kivo {

class TDirTreeCombo : public QLineEdit, public DirTreeLink, private DirTreeViewOwner {
    Q_OBJECT

public:
    explicit TDirTreeCombo(QWidget* parent = nullptr);
    ~TDirTreeCombo() override;

    // --- properties ---------------------------------------------------------------
    // The committed path: "Drives" for the root node, a volume root ("/", "/media/x/"),
    // or a folder without a trailing "/". Writing it sets the linked list's folder.
    QString SelectedPath() const { return selectedPath_; }
    void SetSelectedPath(const QString& path);
    QString InitialDir() const { return initialDir_; }
    void SetInitialDir(const QString& dir);
    TFileListView* FileList() const { return fileList_; }
    void SetFileList(TFileListView* list);
    bool ExpandRoot() const { return expandRoot_; }
    void SetExpandRoot(bool expand);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool hide) { hideSelection_ = hide; }
    int TreeHeight() const { return treeHeight_; }
    void SetTreeHeight(int height);
    QString About() const { return QStringLiteral("Version 2.8.5.0"); }
    void SetAbout(const QString&) {}

    TDirTreeView* Tree() const { return tree_; }
    QToolButton* Btn() const { return btn_; }
    DirTreeModel* Model() const;
    // The icon drawn in the edit (null when none).
    QIcon ShownIcon() const { return shownIcon_; }
    // Replaces where the volumes come from and rebuilds the tree as at creation.
    void SetVolumeSource(DirTreeVolumeSource source);

    // --- DirTreeLink ---------------------------------------------------------------
    void OpenPath(const QString& path) override;
    void ShowRootNode() override;
    void ReloadTree() override;
    void ToggleDropDown() override;
    void CloseDropDown() override;
    bool IsTreeVisible() const override;
    void FocusTree() override;
    void SetLinkedFileList(TFileListView* list) override;

    // Where the drop-down goes: below the combo, or above it when it would reach past the
    // bottom of the screen; as wide as the combo.
    static QRect DropDownGeometry(const QRect& comboOnScreen, int treeHeight, const QRect& screen);

    // The committed path a node stands for ("Drives" for the root).
    QString CommitPathOf(const QModelIndex& node) const;

signals:
    // OnPathChange: a path was committed or opened.
    void PathChange(const QString& selectedPath);
    // The ordinary key-down event, after the key table's action.
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // --- DirTreeViewOwner ------------------------------------------------------------
    void TreeCloseRequested() override;
    void TreeTakeFocus() override;
    void TreeNodePressed(const QModelIndex& node) override;
    void TreeEnterPressed() override;
    void TreeKeyForOwner(QKeyEvent* event) override;

    // Returns true when the key is not passed on.
    bool HandleKey(int key);
    // A press on a node of the open drop-down.
    void CommitNode(const QModelIndex& node);
    // Enter: commits the tree's selection; true when the key is not passed on.
    bool CommitSelectedNode();
    void ShowNode(const QModelIndex& node);
    void HideTree();
    void LayoutButton();
    void InitialBuild();

    QToolButton* btn_;
    TDirTreeView* tree_;
    QPointer<TFileListView> fileList_;
    QString selectedPath_;
    QString initialDir_;
    bool expandRoot_ = true;
    bool hideSelection_ = true;
    int treeHeight_ = 240;
    QIcon shownIcon_;
};

} // namespace kivo
