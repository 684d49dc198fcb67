#pragma once
// The rows of a list view over a table model as the user sees them, and selecting them as
// a click does.

#include <QAbstractItemView>
#include <QFont>
#include <QItemSelectionModel>
#include <QString>

namespace kivo::test {

inline int RowCount(const QAbstractItemView& list) {
    return list.model()->rowCount();
}

inline QString CellText(const QAbstractItemView& list, int row, int column,
                        int role = Qt::DisplayRole) {
    return list.model()->index(row, column).data(role).toString();
}

inline bool CellBold(const QAbstractItemView& list, int row, int column) {
    return list.model()->index(row, column).data(Qt::FontRole).value<QFont>().bold();
}

inline bool RowSelected(const QAbstractItemView& list, int row) {
    return list.selectionModel()->isRowSelected(row, {});
}

inline void SelectRow(QAbstractItemView& list, int row) {
    list.selectionModel()->select(list.model()->index(row, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace kivo::test
