#pragma once
// A thin RAII wrapper over the SQLCipher C API: one connection, prepared
// statements cached by their text, every value bound, errors as exceptions
// that carry the engine's number and text.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <QHash>
#include <functional>
#include <memory>
#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

namespace tendro {

class DbError : public std::runtime_error {
public:
    DbError(int code, const QString &text);
    int code() const { return code_; }
    QString text() const { return text_; }
    // What the engine's words leave out (which file, why the disk refused), said after them.
    QString detail() const { return detail_; }
    DbError withDetail(const QString &detail) const;

private:
    int code_;
    QString text_;
    QString detail_;
};

// The text users are shown for an engine failure: "Eroarea " + number + " " + description,
// then the detail when there is one.
QString engineErrorMessage(const DbError &e);

// The place of a column among `columns` (`index`: each name's first place), by
// its name as written or else without case, as SQL takes names; -1 for none.
int columnNamed(const QStringList &columns, const QHash<QString, int> &index, const QString &name);

// All rows of a query, read at once, so the row count is known immediately.
class ResultSet {
public:
    ResultSet() = default;
    // Rows read elsewhere (the directorate's server, the reader process), under the same column names.
    ResultSet(QStringList columns, QVector<QVector<QVariant>> rows);
    int count() const { return int(rows_.size()); }
    bool isEmpty() const { return rows_.isEmpty(); }
    const QStringList &columns() const { return columns_; }
    int columnIndex(const QString &name) const;
    bool hasColumn(const QString &name) const;
    QVariant value(int row, const QString &column) const;
    QVariant value(int row, int column) const { return rows_.at(row).at(column); }
    // Null reads as empty text; numbers read as their plain "." form.
    QString text(int row, const QString &column) const;
    double number(int row, const QString &column) const;
    qint64 integer(int row, const QString &column) const;
    const QVector<QVariant> &row(int r) const { return rows_.at(r); }
    QVector<QVector<QVariant>> &rows() { return rows_; }

private:
    friend class Database;
    QStringList columns_;
    QHash<QString, int> index_;
    QVector<QVector<QVariant>> rows_;
};

struct ConnectionSpec;
class GridRows;

class Database {
public:
    enum class Mode { ReadWrite, ReadOnly, Create };

    // Opens and keys the file (an empty password opens a plain file), then
    // reads sqlite_master so that a wrong key or a file that is no database
    // fails here (code 26), not later.
    static std::unique_ptr<Database> open(const ConnectionSpec &connection, Mode mode = Mode::ReadWrite);

    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    ResultSet query(const QString &sql, const QVariantList &params = {});
    // The same rows kept compact, for a grid that reads thousands at a time.
    GridRows queryRows(const QString &sql, const QVariantList &params = {});
    void exec(const QString &sql, const QVariantList &params = {});
    // Streams rows without keeping them; for whole-table copies.
    void forEach(const QString &sql, const QVariantList &params,
                 const std::function<void(const QStringList &columns, const QVector<QVariant> &row)> &fn);
    // Runs statements that take no values (schema, pragmas).
    void execScript(const QString &sql);
    int userVersion();

    QString path() const { return path_; }
    sqlite3 *handle() const { return db_; }

private:
    Database(sqlite3 *db, const QString &path);
    // Runs a query: `start` once with its column names, then `row` at each row, the statement on it.
    void run(const QString &sql, const QVariantList &params, const std::function<void(const QStringList &)> &start,
             const std::function<void(sqlite3_stmt *)> &row);
    sqlite3_stmt *prepare(const QString &sql);
    void bindAll(sqlite3_stmt *st, const QVariantList &params);
    [[noreturn]] void fail(int rc) const;

    sqlite3 *db_ = nullptr;
    QString path_;
    QHash<QString, sqlite3_stmt *> cache_;
};

// Commits when the work completes; rolls back when an error leaves the scope.
class Transaction {
public:
    explicit Transaction(Database &db);
    ~Transaction();
    void commit();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    Database &db_;
    bool done_ = false;
};

} // namespace tendro
