#pragma once
// TDirTreeView: the drop-down tree of the directory tree combo. A top-level popup that
// holds the pointer while it is open (a click outside closes it); the selection follows
// the pointer and a press on a node commits it through the combo.

#include <QTreeView>

#include "browser/dir_tree_model.h"

namespace kivo {

class TDirTreeCombo;

class TDirTreeView : public QTreeView {
    Q_OBJECT

public:
    explicit TDirTreeView(TDirTreeCombo* combo);

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
    TDirTreeCombo* combo_;
    DirTreeModel* model_;
    bool keyboardInTree_ = false;
    bool inside_ = false;
};

} // namespace kivo
