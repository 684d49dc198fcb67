#pragma once
// The EXIF date dialog's rows as its list shows them, straight from the table: a list of
// 10,000 photos holds no text of its own.

#include <functional>
#include <optional>

#include <QString>

#include "photoops/exif_date_table.h"
#include "photoops/rows_model.h"

namespace kivo {

class ExifDateModel : public RowsModel {
    Q_OBJECT
public:
    // What a cell shows instead of the table's text and the reason for its new value.
    struct Cell {
        QString text;
        QString toolTip;
        bool bold = false;
    };
    using Override = std::function<std::optional<Cell>(const ExifDateRow& row, int column)>;

    // `headers`: one caption per column (name, current, new value, the three stamps). The
    // rows the table holds already are shown.
    ExifDateModel(const ExifDateTable& table, QStringList headers, QObject* parent = nullptr);

    void setOverride(Override cellOverride) { override_ = std::move(cellOverride); }

    QVariant data(const QModelIndex& index, int role) const override;

protected:
    int TableRows() const override { return static_cast<int>(table_.size()); }

private:
    const ExifDateTable& table_;
    Override override_;
};

} // namespace kivo
