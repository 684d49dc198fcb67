#pragma once
// TDirTreeView: the drop-down tree of the directory tree combo. A top-level popup that
// holds the pointer while it is open (a click outside closes it); the selection follows
// the pointer and a press on a node commits it through its owner (the combo).

#include <QTreeView>

#include "browser/dir_tree_model.h"

class QKeyEvent;

namespace kivo {

// What the drop-down tree asks of the widget it drops down from; TDirTreeCombo
// implements it.
class DirTreeViewOwner {
public:
    // Esc or F4 in the tree, or a press outside it.
    virtual void TreeCloseRequested() = 0;
    // A press inside the tree: the keyboard focus goes back to the owner.
    virtual void TreeTakeFocus() = 0;
    // A left press on a node's icon or label.
    virtual void TreeNodePressed(const QModelIndex& node) = 0;
    // Enter in the tree: the selected node is committed.
    virtual void TreeEnterPressed() = 0;
    // A key while the tree does not have the keyboard for itself.
    virtual void TreeKeyForOwner(QKeyEvent* event) = 0;

protected:
    ~DirTreeViewOwner() = default;
};

class TDirTreeView : public QTreeView {
    Q_OBJECT

public:
    TDirTreeView(DirTreeViewOwner& owner, QWidget* parent);

    DirTreeModel* Model() const { return model_; }
    // Loads the node's sub-folders, then expands it.
    void ExpandNode(const QModelIndex& index);
    // Open = enabled and visible.
    bool IsOpen() const { return isEnabled() && isVisible(); }
    // Whether keys go to the tree itself (after F4 gave it the focus) or to the combo.
    bool KeyboardInTree() const { return keyboardInTree_; }
    void SetKeyboardInTree(bool inTree) { keyboardInTree_ = inTree; }
    // Whether the pointer is over the tree.
    bool Inside() const { return inside_; }
    // Whether a viewport point lies on a node's icon or label.
    QModelIndex NodeAt(const QPoint& viewportPos) const;

protected:
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    DirTreeViewOwner& owner_;
    DirTreeModel* model_;
    bool keyboardInTree_ = false;
    bool inside_ = false;
};

} // namespace kivo
