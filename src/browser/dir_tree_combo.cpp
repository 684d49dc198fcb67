#include "browser/dir_tree_combo.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QToolButton>

#include "browser/file_list_view.h"
#include "platform/file_system.h"
#include "platform/gui/path_text.h"
#include "platform/gui/shell_open.h"

namespace kivo {

namespace {

constexpr int kButtonWidth = 17;
constexpr int kIconSpace = 23;

bool SameText(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

TDirTreeCombo::TDirTreeCombo(QWidget* parent)
    : QLineEdit(parent), btn_(new QToolButton(this)), tree_(new TDirTreeView(*this, this)) {
    setReadOnly(true);
    resize(216, 21);
    btn_->setArrowType(Qt::DownArrow);
    btn_->setCursor(Qt::ArrowCursor);
    btn_->setFocusPolicy(Qt::NoFocus);
    btn_->setAutoRaise(false);
    connect(btn_, &QToolButton::clicked, this, &TDirTreeCombo::ToggleDropDown);
    tree_->resize(width(), treeHeight_);
    InitialBuild();
    LayoutButton();
}

TDirTreeCombo::~TDirTreeCombo() {
    if (fileList_)
        fileList_->UnlinkDirTreeCombo(this);
}

DirTreeModel* TDirTreeCombo::Model() const {
    return tree_->Model();
}

void TDirTreeCombo::InitialBuild() {
    tree_->setUpdatesEnabled(false);
    Model()->Build();
    tree_->setUpdatesEnabled(true);
    SetExpandRoot(true);
    tree_->setEnabled(false);
    tree_->hide();
    if (!tree_->currentIndex().isValid())
        ShowNode(Model()->RootIndex());
}

void TDirTreeCombo::SetVolumeSource(DirTreeVolumeSource source) {
    Model()->SetVolumeSource(std::move(source));
    InitialBuild();
}

// --- properties -------------------------------------------------------------------------

void TDirTreeCombo::SetSelectedPath(const QString& path) {
    if (!SameText(path, selectedPath_))
        selectedPath_ = path;
    // The list is told even when nothing changed; it decides whether to re-list.
    if (fileList_)
        fileList_->SetDirectory(selectedPath_);
}

void TDirTreeCombo::SetInitialDir(const QString& dir) {
    if (dir.isEmpty() || SameText(dir, initialDir_))
        return;
    const QString withSlash = PathText(IncludeTrailingSlash(PathBytes(dir)));
    if (!DirectoryExists(PathBytes(withSlash)))
        return;
    initialDir_ = withSlash;
    OpenPath(withSlash);
    if (fileList_)
        fileList_->SetDirectory(withSlash);
}

void TDirTreeCombo::SetFileList(TFileListView* list) {
    // The link is two-way: the list keeps its side and calls SetLinkedFileList back.
    if (list && list->DirTreeCombo() != this) {
        list->SetDirTreeCombo(this);
        return;
    }
    if (!list && fileList_ && fileList_->DirTreeCombo() == this) {
        fileList_->SetDirTreeCombo(nullptr);
        return;
    }
    SetLinkedFileList(list);
}

void TDirTreeCombo::SetLinkedFileList(TFileListView* list) {
    fileList_ = list;
    if (fileList_ && !selectedPath_.isEmpty()) {
        fileList_->SetDirectory(selectedPath_);
        fileList_->RefreshListing();
    }
}

void TDirTreeCombo::SetExpandRoot(bool expand) {
    expandRoot_ = expand;
    const QModelIndex root = Model()->RootIndex();
    if (expand && root.isValid())
        tree_->expand(root);
}

void TDirTreeCombo::SetTreeHeight(int height) {
    treeHeight_ = std::max(0, height);
    tree_->resize(tree_->width(), treeHeight_);
}

// --- nodes ------------------------------------------------------------------------------

QString TDirTreeCombo::CommitPathOf(const QModelIndex& node) const {
    return Model()->Kind(node) == DirNodeKind::Root ? kDrivesFolder : Model()->NodePath(node);
}

void TDirTreeCombo::ShowNode(const QModelIndex& node) {
    shownIcon_ = node.data(Qt::DecorationRole).value<QIcon>();
    setText(node.data(Qt::DisplayRole).toString());
    setCursorPosition(0);
    LayoutButton();
    update();
}

void TDirTreeCombo::OpenPath(const QString& path) {
    // A relative text has no folder to open here; "/" is a volume root like any other.
    if (path.isEmpty() || !path.startsWith(u'/') || !DirectoryExists(PathBytes(path)))
        return;
    const QString c = PathText(IncludeTrailingSlash(PathBytes(path)));

    tree_->setUpdatesEnabled(false);
    DirTreeModel* m = Model();
    const QModelIndex root = m->RootIndex();
    if (root.isValid() && tree_->isExpanded(root))
        tree_->collapseAll();

    auto select = [&](const QModelIndex& node) {
        for (QModelIndex p = node.parent(); p.isValid(); p = p.parent())
            tree_->ExpandNode(p); // a selected node is always visible
        tree_->setCurrentIndex(node);
        tree_->ExpandNode(node);
    };
    QModelIndex node = m->VolumeForPath(c);
    if (!node.isValid()) {
        tree_->setUpdatesEnabled(true);
        return;
    }
    select(node);
    const QString rest = c.mid(node.data(DirTreeModel::RootRole).toString().size());
    for (const auto& piece : rest.split(u'/', Qt::SkipEmptyParts)) {
        const QModelIndex child = m->ChildNamed(node, piece);
        if (!child.isValid()) {
            tree_->setUpdatesEnabled(true);
            return;
        }
        node = child;
        select(node);
    }
    tree_->setUpdatesEnabled(true);
    tree_->scrollTo(node);

    ShowNode(node);
    if (!SameText(c, selectedPath_))
        selectedPath_ = c;
    emit PathChange(selectedPath_);
}

void TDirTreeCombo::ShowRootNode() {
    const QModelIndex root = Model()->RootIndex();
    if (!root.isValid())
        return;
    tree_->setCurrentIndex(root);
    ShowNode(root);
}

void TDirTreeCombo::ReloadTree() {
    tree_->setUpdatesEnabled(false);
    tree_->clearSelection();
    Model()->Build();
    tree_->setUpdatesEnabled(true);
}

// --- drop-down --------------------------------------------------------------------------

QRect TDirTreeCombo::DropDownGeometry(const QRect& combo, int treeHeight, const QRect& screen) {
    int top = combo.y() + combo.height();
    if (top + treeHeight > screen.y() + screen.height())
        top = combo.y() - treeHeight;
    return QRect(combo.x(), top, combo.width(), treeHeight);
}

void TDirTreeCombo::ToggleDropDown() {
    const QRect onScreen(mapToGlobal(QPoint(0, 0)), size());
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = s ? s->geometry() : QRect(0, 0, 1 << 20, 1 << 20);
    tree_->setGeometry(DropDownGeometry(onScreen, treeHeight_, screenRect));
    if (tree_->isEnabled() && tree_->isVisible()) {
        HideTree();
        return;
    }
    tree_->SetKeyboardInTree(false);
    tree_->setEnabled(true);
    tree_->show();
    tree_->raise();
    if (tree_->currentIndex().isValid())
        tree_->scrollTo(tree_->currentIndex());
}

void TDirTreeCombo::HideTree() {
    tree_->setEnabled(false);
    tree_->hide();
}

void TDirTreeCombo::CloseDropDown() {
    if (tree_->isEnabled() || tree_->isVisible())
        HideTree();
}

bool TDirTreeCombo::IsTreeVisible() const {
    return tree_->isVisible();
}

void TDirTreeCombo::FocusTree() {
    tree_->SetKeyboardInTree(true);
    tree_->setFocus(Qt::OtherFocusReason);
}

// --- commit -----------------------------------------------------------------------------

void TDirTreeCombo::CommitNode(const QModelIndex& node) {
    const QPersistentModelIndex keep(node);
    const QString path = CommitPathOf(node);
    selectedPath_ = path;
    SetSelectedPath(path);
    if (!keep.isValid())
        return;
    ShowNode(keep);
    emit PathChange(selectedPath_);
    HideTree();
    // A card reader without a card: the warning comes after the commit, as before.
    if (Model()->IsRemovableVolume(keep))
        DiskReady(keep.data(DirTreeModel::RootRole).toString(), true);
}

bool TDirTreeCombo::CommitSelectedNode() {
    const QPersistentModelIndex node(tree_->currentIndex());
    if (!node.isValid())
        return false;
    const QString path = CommitPathOf(node);
    selectedPath_ = path;
    SetSelectedPath(path);
    emit PathChange(selectedPath_);
    HideTree();
    if (!node.isValid())
        return false;
    if (Model()->IsRemovableVolume(node) &&
        !DiskReady(node.data(DirTreeModel::RootRole).toString(), true))
        return true;
    ShowNode(node);
    return false;
}

// --- the drop-down's requests -------------------------------------------------------------

void TDirTreeCombo::TreeCloseRequested() {
    CloseDropDown();
}

void TDirTreeCombo::TreeTakeFocus() {
    setFocus(Qt::MouseFocusReason);
}

void TDirTreeCombo::TreeNodePressed(const QModelIndex& node) {
    CommitNode(node);
}

void TDirTreeCombo::TreeEnterPressed() {
    CommitSelectedNode();
}

void TDirTreeCombo::TreeKeyForOwner(QKeyEvent* event) {
    keyPressEvent(event);
}

// --- keys -------------------------------------------------------------------------------

bool TDirTreeCombo::HandleKey(int key) {
    DirTreeModel* m = Model();
    const QModelIndex sel = tree_->currentIndex();
    const QModelIndex root = m->RootIndex();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return CommitSelectedNode();
    case Qt::Key_Escape:
        CloseDropDown();
        return false;
    case Qt::Key_Left: {
        if (!sel.isValid())
            return true;
        if (tree_->isExpanded(sel))
            tree_->collapse(sel);
        const QModelIndex before = tree_->indexAbove(sel);
        if (sel == root || before == root || !before.isValid())
            return true;
        tree_->setCurrentIndex(before);
        return false;
    }
    case Qt::Key_Up: {
        if (!sel.isValid() || sel == root)
            return true;
        const QModelIndex before = tree_->indexAbove(sel);
        if (!before.isValid())
            return true;
        tree_->setCurrentIndex(before);
        return false;
    }
    case Qt::Key_Right:
        if (sel.isValid())
            tree_->ExpandNode(sel);
        return false;
    case Qt::Key_Down: {
        // Without a selection the first node (the root) is the one to go to.
        const QModelIndex next = sel.isValid() ? tree_->indexBelow(sel) : root;
        if (!next.isValid())
            return true;
        tree_->setCurrentIndex(next);
        return false;
    }
    case Qt::Key_F4:
        ToggleDropDown();
        if (tree_->isVisible())
            FocusTree();
        return false;
    default:
        return false;
    }
}

void TDirTreeCombo::keyPressEvent(QKeyEvent* event) {
    static const int handled[] = {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Left,
                                  Qt::Key_Up,     Qt::Key_Right, Qt::Key_Down,   Qt::Key_F4};
    const int key = event->key();
    const bool inTable =
        std::find(std::begin(handled), std::end(handled), key) != std::end(handled);
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (!inTable || mods != Qt::NoModifier) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!HandleKey(key))
        emit KeyDown(key, event->modifiers());
}

// --- painting and layout ----------------------------------------------------------------

void TDirTreeCombo::LayoutButton() {
    btn_->setGeometry(width() - kButtonWidth - 4, 1, kButtonWidth, std::max(0, height() - 4));
    setTextMargins(shownIcon_.isNull() ? 0 : kIconSpace, 0, kButtonWidth + 4 + 2, 0);
}

void TDirTreeCombo::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    LayoutButton();
}

void TDirTreeCombo::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (shownIcon_.isNull())
        return;
    QPainter p(this);
    shownIcon_.paint(&p, QRect(5, height() / 2 - 8, 16, 16));
}

} // namespace kivo
