#include "photoops/exif_date_model.h"

#include <utility>

#include <QFont>

#include "platform/gui/path_text.h"

namespace kivo {

namespace {

constexpr int kColNewValue = 2;
constexpr int kColExif = 3;

} // namespace

ExifDateModel::ExifDateModel(const ExifDateTable& table, QStringList headers, QObject* parent)
    : RowsModel(std::move(headers), parent), table_(table) {
    ShowAdded();
}

QVariant ExifDateModel::data(const QModelIndex& index, int role) const {
    if (!Holds(index))
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
        if (column >= kColExif && column < kColExif + 3)
            return DisplayText(row.exif[static_cast<std::size_t>(column - kColExif)]);
        return {};
    }
}

} // namespace kivo
