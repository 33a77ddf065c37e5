#pragma once
// A grid model over one query, re-run on every refresh. Editable columns
// keep the user's changes until the row is left, then write them back in
// one statement keyed by the row's key column. A grid may end with an empty
// row where a new row is typed; it is inserted when the user leaves it.

#include "database.h"
#include "gridrows.h"

#include <QAbstractTableModel>
#include <QSet>
#include <functional>

class QTableView;

namespace tendro {

struct GridColumn {
    // Amounts show as the reports print them, right-aligned: whole lei as
    // "1.234.567" (with the cents when a value has any), money as "1.234,50".
    enum Format { Text, Lei, Money };
    QString caption;
    QString column;       // column of the query's rows
    bool editable = false;
    bool hidden = false;
    int maxLength = 0;    // 0: no limit on what the cell's editor takes
    int width = 0;        // pixels; 0: the view's default
    Format format = Text;
};

class QueryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    QueryTableModel(Database &db, QVector<GridColumn> columns, QObject *parent = nullptr);

    void setQuery(const QString &sql, const QVariantList &params = {});
    // Re-runs the query, dropping unsaved changes; throws DbError. Rows
    // given with setRows() and no query stay.
    void refresh();
    // Rows made by the caller (not read by a query), in the grid's columns.
    void setRows(ResultSet rows);

    // Where edited rows are written: table and key column (present in the query).
    void setWriteBack(const QString &table, const QString &keyColumn);
    // Writes an edited row in place of the UPDATE (the edited columns and
    // their values); false when it refused the row and said why, DbError when
    // the file did. Either way the row shows the stored values again.
    using RowWriter = std::function<bool(int row, const QStringList &columns, const QVariantList &values)>;
    void setRowWriter(RowWriter writer) { rowWriter_ = std::move(writer); }
    // Called once for a failed write-back; the row then shows the stored values.
    void setErrorHandler(std::function<void(const DbError &)> handler) { onError_ = std::move(handler); }
    // Asked before an edited cell is taken: false refuses the edit (the
    // check says why); the check may also change the value taken.
    using CellCheck = std::function<bool(int row, int column, QVariant &value)>;
    void setCellCheck(CellCheck check) { cellCheck_ = std::move(check); }
    // Asked before a changed or new row is written: false keeps it unsaved.
    void setRowCheck(std::function<bool(int row)> check) { rowCheck_ = std::move(check); }
    // Writes every accepted edit at once instead of when the row is left.
    void setWriteAtOnce(bool atOnce) { writeAtOnce_ = atOnce; }
    // The grid ends with an empty row; what is typed there is inserted.
    void setAppendRow(bool on);
    // A refused edit opens its cell again with the refused text.
    void setReopenRefused(bool on) { reopenRefused_ = on; }
    bool reopenRefused() const { return reopenRefused_; }

    // The colour and tooltip of a whole row (background, foreground and
    // tooltip roles), asked as the grid paints it.
    using RowHint = std::function<QVariant(int row, int role)>;
    void setRowHint(RowHint hint) { rowHint_ = std::move(hint); }

    // Writes the row's pending changes; true when it is stored (or had none).
    bool submitRow(int row);
    bool submitAll();
    bool hasPendingChanges() const { return !dirty_.isEmpty(); }
    bool rowHasChanges(int row) const { return dirty_.contains(row); }
    // Drops the row's unsaved changes.
    void revertRow(int row);
    bool isAppendRow(int row) const { return appendRow_ && row == rows_.count(); }
    // Sets a cell without the cell check, as a check fills the columns that
    // follow from another; it is written with the row.
    void setCell(int row, int gridColumn, const QVariant &value);
    // A value of a row as it now stands elsewhere (counted again, written by
    // other means): shown at once, never written back.
    void setShown(int row, const QString &column, const QVariant &value);
    // The row of the last refused edit, until the edit is taken up again.
    int refusedRow() const { return refusedRow_; }
    void clearRefusedRow() { refusedRow_ = -1; }

    const QVector<GridColumn> &gridColumns() const { return columns_; }
    QVariant value(int row, const QString &column) const;
    // The shown text of a grid column, as the user reads it.
    QString text(int row, int gridColumn) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // Orders the rows by the column's values (amounts by value, not by their
    // text); the new row stays last. Rows with unsaved changes are stored or
    // dropped first by the caller: nothing is sorted while any is pending.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    int sourceIndex(int gridColumn) const { return sourceIndex_.value(gridColumn, -1); }
    QVariant stored(int row, int src) const;
    void setStored(int row, int src, const QVariant &value);
    void setGridRows(GridRows rows);
    void markChanged(int row, int gridColumn);

    Database &db_;
    QVector<GridColumn> columns_;
    QString sql_;
    QVariantList params_;
    GridRows rows_;
    QVector<QVariant> newRow_;          // the trailing empty row, by source column
    QVector<int> sourceIndex_;
    QString table_, keyColumn_;
    QHash<int, QSet<int>> dirty_;       // row -> edited grid columns
    QHash<int, QVector<QVariant>> original_;   // row as stored, for a revert
    std::function<void(const DbError &)> onError_;
    CellCheck cellCheck_;
    RowHint rowHint_;
    RowWriter rowWriter_;
    std::function<bool(int)> rowCheck_;
    bool writeAtOnce_ = false;
    bool appendRow_ = false;
    bool reopenRefused_ = false;
    int refusedRow_ = -1;
};

// Hides the hidden columns, gives the cells their editors and writes a row
// back when the user leaves it; a row that cannot be stored is made current
// again.
void bindGrid(QTableView *view, QueryTableModel *model);

// The pixels an amount column needs for `digits` whole digits with their
// groups, and the cents when `cents`, in the view's font.
int amountWidth(const QTableView *view, int digits, bool cents);

} // namespace tendro
