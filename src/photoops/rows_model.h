#pragma once
// A dialog's list model over rows that a table of its own holds: the model counts the rows
// the view knows of, and follows the table in as few change signals as the change allows.
// A subclass makes the texts, only for the cells the view asks for.

#include <QAbstractTableModel>
#include <QStringList>

namespace kivo {

class RowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The rows the table holds beyond those shown join the list, in one insertion.
    void ShowAdded();
    // The list follows the table after its rows changed in place or the last ones left it;
    // the rows that stay are shown again in place, so the view keeps its place.
    void Refresh();
    // The table holds other rows altogether (sorted, grouped).
    void ShowAnew();

protected:
    // `headers`: one caption per column.
    RowsModel(QStringList headers, QObject* parent);
    // The rows the table holds now.
    virtual int TableRows() const = 0;
    // Row `index` is one the view knows of and the table still holds.
    bool Holds(const QModelIndex& index) const;

private:
    QStringList headers_;
    int shown_ = 0;
};

} // namespace kivo
