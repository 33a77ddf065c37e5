#include "gridrows.h"

#include <sqlcipher/sqlite3.h>

#include <cstring>

namespace tendro {

namespace {

qint64 bitsOf(double d)
{
    qint64 b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

double doubleOf(qint64 b)
{
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

} // namespace

GridRows GridRows::fromResultSet(const ResultSet &rs)
{
    GridRows g;
    g.setColumns(rs.columns());
    g.cells_.reserve(rs.count() * g.columns_.size());
    for (int r = 0; r < rs.count(); ++r) {
        const QVector<QVariant> &row = rs.row(r);
        for (int c = 0; c < g.columns_.size(); ++c)
            g.appendValue(row.value(c));
        ++g.rows_;
    }
    return g;
}

void GridRows::setColumns(QStringList columns)
{
    columns_ = std::move(columns);
    index_.clear();
    for (int i = 0; i < columns_.size(); ++i)
        if (!index_.contains(columns_.at(i)))
            index_.insert(columns_.at(i), i);
}

bool GridRows::hasColumn(const QString &name) const { return columnNamed(columns_, index_, name) >= 0; }

int GridRows::columnIndex(const QString &name) const
{
    const int i = columnNamed(columns_, index_, name);
    if (i < 0)
        throw DbError(SQLITE_ERROR, QStringLiteral("no such column: ") + name);
    return i;
}

void GridRows::appendRow(sqlite3_stmt *st)
{
    const int n = int(columns_.size());
    for (int i = 0; i < n; ++i) {
        sqlite3_value *v = sqlite3_column_value(st, i);
        Cell cell;
        switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            cell.type = Integer;
            cell.bits = sqlite3_value_int64(v);
            break;
        case SQLITE_FLOAT:
            cell.type = Float;
            cell.bits = bitsOf(sqlite3_value_double(v));
            break;
        case SQLITE_TEXT: {
            const char *text = reinterpret_cast<const char *>(sqlite3_value_text(v));
            const int bytes = sqlite3_value_bytes(v);
            if (!text && bytes > 0)
                throw DbError(SQLITE_NOMEM, QString::fromUtf8(sqlite3_errstr(SQLITE_NOMEM)));
            cell.type = Text;
            cell.bits = text_.size();
            cell.length = quint32(bytes);
            text_.append(text, bytes);
            break;
        }
        case SQLITE_BLOB:
            cell.type = Other;
            cell.bits = others_.size();
            others_.append(QByteArray(static_cast<const char *>(sqlite3_value_blob(v)), sqlite3_value_bytes(v)));
            break;
        default:
            break;
        }
        cells_.append(cell);
    }
    ++rows_;
}

void GridRows::appendValue(const QVariant &v)
{
    Cell cell;
    if (!v.isValid()) {
        // Null already; a typed null is kept below, with its type.
    } else if (v.typeId() == QMetaType::LongLong) {
        cell.type = Integer;
        cell.bits = v.toLongLong();
    } else if (v.typeId() == QMetaType::Double) {
        cell.type = Float;
        cell.bits = bitsOf(v.toDouble());
    } else {
        // Kept as it was given (a text, an int, a date): read back the same, and a
        // text made by the caller is shared rather than converted.
        cell.type = Other;
        cell.bits = others_.size();
        others_.append(v);
    }
    cells_.append(cell);
}

QVariant GridRows::value(int row, int column) const
{
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_.size())
        return {};
    if (!set_.isEmpty()) {
        const auto it = set_.constFind(key(row, column));
        if (it != set_.constEnd())
            return *it;
    }
    const Cell &c = cells_.at(key(row, column));
    switch (c.type) {
    case Integer: return QVariant(qlonglong(c.bits));
    case Float: return QVariant(doubleOf(c.bits));
    // A non-null pointer even for an empty text, so that it reads as empty, not null, as the engine gave it.
    case Text: return QVariant(QString::fromUtf8(c.length ? text_.constData() + c.bits : "", qsizetype(c.length)));
    case Other: return others_.at(c.bits);
    case Null: break;
    }
    return QVariant();
}

void GridRows::setValue(int row, int column, const QVariant &v)
{
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_.size())
        return;
    set_.insert(key(row, column), v);
}

QVector<QVariant> GridRows::row(int r) const
{
    QVector<QVariant> out(columns_.size());
    for (int c = 0; c < columns_.size(); ++c)
        out[c] = value(r, c);
    return out;
}

void GridRows::setRow(int r, const QVector<QVariant> &values)
{
    for (int c = 0; c < columns_.size(); ++c)
        setValue(r, c, values.value(c));
}

void GridRows::reorder(const QVector<int> &order)
{
    Q_ASSERT(order.size() == rows_);
    const int n = int(columns_.size());
    QVector<Cell> cells;
    cells.reserve(cells_.size());
    QVector<int> newRowOf(rows_);
    for (int to = 0; to < order.size(); ++to) {
        const int from = order.at(to);
        newRowOf[from] = to;
        cells.append(cells_.mid(qsizetype(from) * n, n));
    }
    cells_ = std::move(cells);
    QHash<qint64, QVariant> set;
    for (auto it = set_.constBegin(); it != set_.constEnd(); ++it)
        set.insert(key(newRowOf.at(int(it.key() / n)), int(it.key() % n)), it.value());
    set_ = std::move(set);
}

} // namespace tendro
