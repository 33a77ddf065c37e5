#pragma once
// The rows a grid shows, kept compact: each cell is a small fixed record
// (its type and number, or where its text lies in one shared buffer), and a
// value is made into a QVariant only when it is asked for. A grid of a year's
// items is read again at every save and every sort; read this way it costs
// little more than the engine's own stepping, and dropping the old rows is
// freeing a few buffers rather than every cell.
//
// A value set on a cell (an edit, a value shown) is kept apart from the
// read cells, under the cell, and wins over them.

#include "database.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

struct sqlite3_stmt;

namespace tendro {

class GridRows {
public:
    GridRows() = default;
    // Rows read elsewhere, as a query gives them.
    static GridRows fromResultSet(const ResultSet &rs);

    int count() const { return rows_; }
    const QStringList &columns() const { return columns_; }
    bool hasColumn(const QString &name) const;
    // Throws DbError for a column the rows do not have, as ResultSet does.
    int columnIndex(const QString &name) const;

    QVariant value(int row, int column) const;
    QVariant value(int row, const QString &column) const { return value(row, columnIndex(column)); }
    void setValue(int row, int column, const QVariant &v);
    QVector<QVariant> row(int r) const;
    void setRow(int r, const QVector<QVariant> &values);

    // Puts the rows in the order of `order` (old row numbers, one each).
    void reorder(const QVector<int> &order);

private:
    friend class Database;
    enum Type : quint8 { Null, Integer, Float, Text, Other };
    struct Cell {
        qint64 bits = 0;     // the integer, the double's bits, or where the text starts
        quint32 length = 0;  // the text's bytes
        Type type = Null;
    };
    void setColumns(QStringList columns);
    // Reads the statement's current row into a new row of cells.
    void appendRow(sqlite3_stmt *st);
    void appendValue(const QVariant &v);
    qint64 key(int row, int column) const { return qint64(row) * columns_.size() + column; }

    QStringList columns_;
    QHash<QString, int> index_;
    int rows_ = 0;
    QVector<Cell> cells_;       // row after row
    QByteArray text_;           // every text cell's UTF-8, one after another
    QVector<QVariant> others_;  // blobs and values no cell holds (by Cell::bits)
    QHash<qint64, QVariant> set_;   // values set on cells since they were read
};

} // namespace tendro
