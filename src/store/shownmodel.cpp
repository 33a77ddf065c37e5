#include "shownmodel.h"

namespace tendro {

void ShownQueryModel::shownChanged()
{
    const int rows = rowCount();
    if (rows == 0)
        return;
    for (auto it = shown_.constBegin(); it != shown_.constEnd(); ++it)
        emit dataChanged(index(0, it.key()), index(rows - 1, it.key()), {Qt::DisplayRole, Qt::ToolTipRole});
}

QVariant ShownQueryModel::data(const QModelIndex &index, int role) const
{
    if (index.isValid() && (role == Qt::DisplayRole || role == Qt::EditRole)) {
        const auto it = shown_.constFind(index.column());
        if (it != shown_.constEnd())
            return (*it)(index.row(), QueryTableModel::data(index, role));
    }
    if (index.isValid() && role == Qt::ToolTipRole && !isAppendRow(index.row())) {
        const auto it = tips_.constFind(index.column());
        if (it != tips_.constEnd())
            if (const QVariant tip = (*it)(index.row()); tip.isValid())
                return tip;
    }
    return QueryTableModel::data(index, role);
}

} // namespace tendro
