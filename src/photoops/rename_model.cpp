#include "photoops/rename_model.h"

#include <utility>

#include <QCoreApplication>

#include "platform/gui/path_text.h"

namespace kivo {

namespace {

constexpr int kColStatus = 3;

} // namespace

RenameModel::RenameModel(const std::vector<RenameRow>& rows, QStringList headers, QObject* parent)
    : RowsModel(std::move(headers), parent), rows_(&rows) {
    ShowAdded();
}

QVariant RenameModel::data(const QModelIndex& index, int role) const {
    if (!Holds(index))
        return {};
    const RenameRow& row = (*rows_)[static_cast<std::size_t>(index.row())];
    if (role == Qt::ToolTipRole) // why a row failed: the status alone says only "chyba"
        return index.column() == kColStatus && !row.reason.empty()
                   ? QVariant(DisplayText(row.reason))
                   : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 0:
        return QString::fromStdString(row.dateTimeText);
    case 1:
        return DisplayText(row.currentName);
    case 2:
        return DisplayText(row.newName);
    case kColStatus:
        // The statuses are the dialog's texts.
        return row.status.empty()
                   ? QString()
                   : QCoreApplication::translate("kivo::TFZmenaJ", row.status.c_str());
    default:
        return {};
    }
}

} // namespace kivo
