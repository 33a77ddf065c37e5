#pragma once
// A grid model over one query, re-run on every refresh. Editable columns
// keep the user's changes until the row is left, then write them back in
// one UPDATE keyed by the row's key column.

#include "database.h"

#include <QAbstractTableModel>
#include <QSet>
#include <functional>

class QTableView;

namespace tendro {

struct GridColumn {
    QString caption;
    QString column;       // column of the query's rows
    bool editable = false;
    bool hidden = false;
    int maxLength = 0;    // 0: no limit on what the cell's editor takes
    int width = 0;        // pixels; 0: the view's default
};

class QueryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    QueryTableModel(Database &db, QVector<GridColumn> columns, QObject *parent = nullptr);

    void setQuery(const QString &sql, const QVariantList &params = {});
    // Re-runs the query; throws DbError.
    void refresh();

    // Where edited rows are written: table and key column (present in the query).
    void setWriteBack(const QString &table, const QString &keyColumn);
    // Called once for a failed write-back; the row then shows the stored values.
    void setErrorHandler(std::function<void(const DbError &)> handler) { onError_ = std::move(handler); }
    // Asked before an edited cell is taken: false refuses the edit (the
    // check says why); the check may also change the value taken.
    using CellCheck = std::function<bool(int row, int column, QVariant &value)>;
    void setCellCheck(CellCheck check) { cellCheck_ = std::move(check); }
    // Writes every accepted edit at once instead of when the row is left.
    void setWriteAtOnce(bool atOnce) { writeAtOnce_ = atOnce; }
    // Writes the row's pending changes; true when nothing failed.
    bool submitRow(int row);
    bool submitAll();
    bool hasPendingChanges() const { return !dirty_.isEmpty(); }

    const QVector<GridColumn> &gridColumns() const { return columns_; }
    QVariant value(int row, const QString &column) const;
    // The shown text of a grid column, as the user reads it.
    QString text(int row, int gridColumn) const;
    // The model's current query, re-run by refresh().
    QString sql() const { return sql_; }
    QVariantList params() const { return params_; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    int sourceIndex(int gridColumn) const { return sourceIndex_.value(gridColumn, -1); }

    Database &db_;
    QVector<GridColumn> columns_;
    QString sql_;
    QVariantList params_;
    ResultSet rows_;
    QVector<int> sourceIndex_;
    QString table_, keyColumn_;
    QHash<int, QSet<int>> dirty_;   // row -> edited grid columns
    std::function<void(const DbError &)> onError_;
    CellCheck cellCheck_;
    bool writeAtOnce_ = false;
};

// Hides the hidden columns and writes a row back when the user leaves it.
void bindGrid(QTableView *view, QueryTableModel *model);

} // namespace tendro
