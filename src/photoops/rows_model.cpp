#include "photoops/rows_model.h"

#include <utility>

namespace kivo {

RowsModel::RowsModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), headers_(std::move(headers)) {}

int RowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int RowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant RowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headers_.size())
        return headers_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool RowsModel::Holds(const QModelIndex& index) const {
    return index.isValid() && index.row() < shown_ && index.row() < TableRows();
}

void RowsModel::ShowAdded() {
    const int count = TableRows();
    if (count <= shown_)
        return;
    beginInsertRows({}, shown_, count - 1);
    shown_ = count;
    endInsertRows();
}

void RowsModel::Refresh() {
    const int count = TableRows();
    if (count < shown_) {
        beginRemoveRows({}, count, shown_ - 1);
        shown_ = count;
        endRemoveRows();
    }
    ShowAdded();
    if (shown_ > 0)
        emit dataChanged(index(0, 0), index(shown_ - 1, columnCount() - 1));
}

void RowsModel::ShowAnew() {
    beginResetModel();
    shown_ = TableRows();
    endResetModel();
}

} // namespace kivo
