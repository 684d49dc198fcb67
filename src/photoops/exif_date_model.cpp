#include "photoops/exif_date_model.h"

#include <utility>

#include <QFont>

#include "platform/gui/path_text.h"

namespace kivo {

namespace {

constexpr int kColumns = 6;
constexpr int kColNewValue = 2;
constexpr int kColExif = 3;

} // namespace

ExifDateModel::ExifDateModel(const ExifDateTable& table, QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), table_(table), headers_(std::move(headers)),
      shown_(static_cast<int>(table.size())) {}

int ExifDateModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int ExifDateModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ExifDateModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_ ||
        static_cast<std::size_t>(index.row()) >= table_.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::FontRole)
        return {};
    const ExifDateRow& row = table_.row(static_cast<std::size_t>(index.row()));
    const int column = index.column();
    if (override_)
        if (const std::optional<Cell> cell = override_(row, column)) {
            if (role == Qt::DisplayRole)
                return cell->text;
            if (role == Qt::ToolTipRole)
                return cell->toolTip.isEmpty() ? QVariant() : QVariant(cell->toolTip);
            if (!cell->bold)
                return {};
            QFont bold;
            bold.setBold(true);
            return bold;
        }
    if (role == Qt::FontRole)
        return {};
    if (role == Qt::ToolTipRole) // why the new value could not be written
        return column == kColNewValue && !row.reason.empty() ? QVariant(DisplayText(row.reason))
                                                             : QVariant();
    // Names that are not UTF-8 get U+FFFD here; the table keeps their bytes.
    switch (column) {
    case 0:
        return DisplayText(row.name);
    case 1:
        return DisplayText(row.current);
    case kColNewValue:
        return DisplayText(row.newValue);
    default:
        if (column >= kColExif && column < kColumns)
            return DisplayText(row.exif[static_cast<std::size_t>(column - kColExif)]);
        return {};
    }
}

QVariant ExifDateModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headers_.size())
        return headers_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ExifDateModel::ShowAdded() {
    const int count = static_cast<int>(table_.size());
    if (count <= shown_)
        return;
    beginInsertRows({}, shown_, count - 1);
    shown_ = count;
    endInsertRows();
}

void ExifDateModel::Refresh() {
    const int count = static_cast<int>(table_.size());
    if (count < shown_) {
        beginRemoveRows({}, count, shown_ - 1);
        shown_ = count;
        endRemoveRows();
    }
    ShowAdded();
    if (shown_ > 0)
        emit dataChanged(index(0, 0), index(shown_ - 1, kColumns - 1));
}

} // namespace kivo
