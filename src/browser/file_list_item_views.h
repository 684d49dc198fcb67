#pragma once
// The two Qt views of the file list and its header. They only route input to their
// owner (FileListItemViewOwner); all behaviour lives there.

#include <QHeaderView>
#include <QListView>
#include <QPixmap>
#include <QTreeView>

#include "browser/file_list_item_view_owner.h"

namespace kivo {

inline const QString kBmpUp = QStringLiteral("Bmp_Up");
inline const QString kBmpDown = QStringLiteral("Bmp_Down");

// The header images by name: "Bmp_Up" (blue triangle up) and "Bmp_Down" (green triangle
// down), 16x16, on a transparent ground so that they sit on the header's own face
// colour. Null for any other name.
QPixmap HeaderBitmap(const QString& name);

// Header that draws the sort image to the right of the sort column's caption.
class FileListHeader : public QHeaderView {
    Q_OBJECT

public:
    explicit FileListHeader(QWidget* parent = nullptr);
    // The column showing an image (-1 for none) and which image.
    void SetSortImage(int column, bool up);
    int ImageColumn() const { return imageColumn_; }
    bool ImageUp() const { return imageUp_; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    int imageColumn_ = -1;
    bool imageUp_ = true;
    // Loaded with the header, freed with it.
    QPixmap bmpUp_;
    QPixmap bmpDown_;
};

class FileListTreeView : public QTreeView {
    Q_OBJECT

public:
    FileListTreeView(FileListItemViewOwner& owner, QWidget* parent);
    bool IsEditing() const { return state() == EditingState; }
    // Opens the in-place editor on the index (the list's check before editing applies).
    bool StartEdit(const QModelIndex& index) { return edit(index, AllEditTriggers, nullptr); }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    FileListItemViewOwner& owner_;
};

class FileListIconView : public QListView {
    Q_OBJECT

public:
    FileListIconView(FileListItemViewOwner& owner, QWidget* parent);
    bool IsEditing() const { return state() == EditingState; }
    // Opens the in-place editor on the index (the list's check before editing applies).
    bool StartEdit(const QModelIndex& index) { return edit(index, AllEditTriggers, nullptr); }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    FileListItemViewOwner& owner_;
};

} // namespace kivo
