#pragma once
// The EXIF date dialog's rows as its list shows them. The texts are made when the view asks
// for them, i.e. for the rows it paints, straight from the table: a list of 10,000 photos
// holds no text of its own.

#include <functional>
#include <optional>

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include "photoops/exif_date_table.h"

namespace kivo {

class ExifDateModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // What a cell shows instead of the table's text and the reason for its new value.
    struct Cell {
        QString text;
        QString toolTip;
        bool bold = false;
    };
    using Override = std::function<std::optional<Cell>(const ExifDateRow& row, int column)>;

    // `headers`: one caption per column (name, current, new value, the three stamps).
    ExifDateModel(const ExifDateTable& table, QStringList headers, QObject* parent = nullptr);

    void setOverride(Override cellOverride) { override_ = std::move(cellOverride); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The rows the table holds beyond those shown join the list, in one insertion.
    void ShowAdded();
    // The list follows the table after its rows changed or some left it; the rows that are
    // left are shown again in place, so the view keeps its place.
    void Refresh();

private:
    const ExifDateTable& table_;
    QStringList headers_;
    Override override_;
    int shown_ = 0;
};

} // namespace kivo
