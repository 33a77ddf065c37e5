#pragma once
// A grid model some of whose columns show a text worked out from the row
// rather than the query's value as it is: a column computed elsewhere (the
// procedure a purchase calls for), or a stored value in the form users read
// (a yyyymmdd date as dd.mm.yyyy, an amount grouped). What is written back
// is still the stored value, as the cell check leaves it.

#include "querymodel.h"

#include <QHash>
#include <functional>

namespace tendro {

class ShownQueryModel : public QueryTableModel {
    Q_OBJECT
public:
    using QueryTableModel::QueryTableModel;

    // The display and edit text of the column's cells, from the row and the
    // value the query (or an edit) left in the cell.
    using Shown = std::function<QVariant(int row, const QVariant &stored)>;
    void setShown(int gridColumn, Shown shown) { shown_.insert(gridColumn, std::move(shown)); }
    // The tooltip of the column's cells; an invalid one leaves the row's own.
    void setTip(int gridColumn, std::function<QVariant(int row)> tip) { tips_.insert(gridColumn, std::move(tip)); }
    // The computed columns changed (their source is not the query): repaint them.
    void shownChanged();

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QHash<int, Shown> shown_;
    QHash<int, std::function<QVariant(int)>> tips_;
};

} // namespace tendro
