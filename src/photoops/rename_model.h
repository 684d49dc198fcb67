#pragma once
// The rename dialog's rows as its list shows them, straight from the table.

#include <vector>

#include "photoops/rename_table.h"
#include "photoops/rows_model.h"

namespace kivo {

class RenameModel : public RowsModel {
    Q_OBJECT
public:
    // `headers`: one caption per column (date-time, current name, new name, status). The
    // rows `rows` holds already are shown.
    RenameModel(const std::vector<RenameRow>& rows, QStringList headers, QObject* parent = nullptr);

    // The same rows from another place, such as a copy while the table is away.
    void ShowFrom(const std::vector<RenameRow>& rows) { rows_ = &rows; }

    QVariant data(const QModelIndex& index, int role) const override;

protected:
    int TableRows() const override { return static_cast<int>(rows_->size()); }

private:
    const std::vector<RenameRow>* rows_;
};

} // namespace kivo
