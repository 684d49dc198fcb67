#pragma once
// The item model of the file list: rows are the listing's items, columns its columns.
// Both views of the list (details and icons) show this one model; an edited caption is
// announced by CaptionEdited for whoever renames the entry.

#include <functional>
#include <vector>

#include <QAbstractTableModel>
#include <QModelIndexList>

#include "browser/file_list_listing.h"

namespace kivo {

class FileListItemModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Role {
        FullPathRole = Qt::UserRole + 1,
        KindRole,
    };

    explicit FileListItemModel(FileListing& listing, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

    // A listing change that replaces every row.
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    // A reordering of the rows (a sort); selection and focus follow their items.
    void BeginReorder();
    void EndReorder(const std::vector<int>& newToOld);
    // Brings the rows to a fresh listing of the same folder with the same columns, row by
    // row: gone entries are removed, new ones inserted, changed ones updated and moved, so
    // that selection, current item and scroll position stay with their entries. `rowsBefore`
    // is the fresh listing's RowsBefore when it was made from these rows.
    void Update(std::vector<FileListItem> fresh, const std::vector<int>& rowsBefore = {});

    // A picture shown instead of the type icon (a thumbnail); an invalid value keeps the icon.
    void SetDecorationSource(std::function<QVariant(int row)> source) {
        decorationSource_ = std::move(source);
    }
    void DecorationChanged(int row);

signals:
    // An in-place edit stored a new caption in the row (after dataChanged). Connect it
    // directly: the receiver runs before setData returns.
    void CaptionEdited(int row, const QString& caption);

private:
    FileListing& listing_;
    QModelIndexList reorderPersistent_;
    std::function<QVariant(int row)> decorationSource_;
};

} // namespace kivo
