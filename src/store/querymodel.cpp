#include "querymodel.h"
#include "numbers.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableView>
#include <memory>

namespace tendro {

namespace {

// The cell editor takes no more characters than the column allows.
class LimitedDelegate : public QStyledItemDelegate {
public:
    LimitedDelegate(QueryTableModel *model, QObject *parent) : QStyledItemDelegate(parent), model_(model) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *w = QStyledItemDelegate::createEditor(parent, option, index);
        const int limit = model_->gridColumns().value(index.column()).maxLength;
        if (auto *line = qobject_cast<QLineEdit *>(w); line && limit > 0)
            line->setMaxLength(limit);
        return w;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        // Numbers are edited as the grid shows them, in their "." form.
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            line->setText(index.data(Qt::EditRole).toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            model->setData(index, line->text(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    QueryTableModel *model_;
};

} // namespace

QueryTableModel::QueryTableModel(Database &db, QVector<GridColumn> columns, QObject *parent)
    : QAbstractTableModel(parent), db_(db), columns_(std::move(columns)) {}

void QueryTableModel::setQuery(const QString &sql, const QVariantList &params)
{
    sql_ = sql;
    params_ = params;
}

void QueryTableModel::refresh()
{
    ResultSet fresh = db_.query(sql_, params_);
    beginResetModel();
    rows_ = std::move(fresh);
    dirty_.clear();
    sourceIndex_.clear();
    for (const GridColumn &c : columns_) {
        int idx = -1;
        try {
            idx = rows_.columnIndex(c.column);
        } catch (const DbError &) {
        }
        sourceIndex_.append(idx);
    }
    endResetModel();
}

void QueryTableModel::setWriteBack(const QString &table, const QString &keyColumn)
{
    table_ = table;
    keyColumn_ = keyColumn;
}

QVariant QueryTableModel::value(int row, const QString &column) const
{
    return rows_.value(row, column);
}

QString QueryTableModel::text(int row, int gridColumn) const
{
    const QVariant v = data(index(row, gridColumn));
    return v.isNull() ? QString() : v.toString();
}

int QueryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows_.count();
}

int QueryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant QueryTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const int src = sourceIndex(index.column());
    if (src < 0)
        return {};
    const QVariant v = rows_.value(index.row(), src);
    if (v.typeId() == QMetaType::Double)
        return formatNumber(v.toDouble());
    return v;
}

QVariant QueryTableModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (o == Qt::Horizontal)
        return section >= 0 && section < columns_.size() ? columns_.at(section).caption : QVariant();
    return section + 1;
}

Qt::ItemFlags QueryTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && !table_.isEmpty() && columns_.at(index.column()).editable)
        f |= Qt::ItemIsEditable;
    return f;
}

bool QueryTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const int src = sourceIndex(index.column());
    if (src < 0)
        return false;
    QVariant taken = value;
    if (cellCheck_ && !cellCheck_(index.row(), index.column(), taken))
        return false;
    rows_.rows()[index.row()][src] = taken;
    dirty_[index.row()].insert(index.column());
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    if (writeAtOnce_)
        return submitRow(index.row());
    return true;
}

bool QueryTableModel::submitRow(int row)
{
    auto it = dirty_.find(row);
    if (it == dirty_.end())
        return true;
    const QSet<int> edited = *it;
    dirty_.erase(it);
    QStringList sets;
    QVariantList values;
    for (int c = 0; c < columns_.size(); ++c) {
        if (!edited.contains(c))
            continue;
        sets << columns_.at(c).column + QStringLiteral("=?");
        values << rows_.value(row, sourceIndex(c));
    }
    values << rows_.value(row, keyColumn_);
    try {
        db_.exec(QStringLiteral("UPDATE ") + table_ + QStringLiteral(" SET ") + sets.join(QLatin1Char(','))
                     + QStringLiteral(" WHERE ") + keyColumn_ + QStringLiteral("=?"),
                 values);
        return true;
    } catch (const DbError &e) {
        if (onError_)
            onError_(e);
        try {
            refresh();
        } catch (const DbError &) {
        }
        return false;
    }
}

bool QueryTableModel::submitAll()
{
    bool ok = true;
    const QList<int> rows = dirty_.keys();
    for (int r : rows)
        ok = submitRow(r) && ok;
    return ok;
}

void bindGrid(QTableView *view, QueryTableModel *model)
{
    view->setModel(model);
    view->setItemDelegate(new LimitedDelegate(model, view));
    // A refresh resets the header; the widths the user gave stay.
    auto widths = std::make_shared<QVector<int>>();
    for (const GridColumn &c : model->gridColumns())
        widths->append(c.width);
    auto apply = [view, model, widths] {
        for (int c = 0; c < model->gridColumns().size(); ++c) {
            view->setColumnHidden(c, model->gridColumns().at(c).hidden);
            if (widths->value(c) > 0)
                view->setColumnWidth(c, widths->value(c));
        }
    };
    apply();
    QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, view, [view, model, widths] {
        for (int c = 0; c < model->gridColumns().size(); ++c)
            if (!view->isColumnHidden(c))
                (*widths)[c] = view->columnWidth(c);
    });
    QObject::connect(model, &QAbstractItemModel::modelReset, view, apply);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
                     [model](const QModelIndex &current, const QModelIndex &previous) {
                         if (previous.isValid() && previous.row() != current.row())
                             model->submitRow(previous.row());
                     });
}

} // namespace tendro
