#include "database.h"
#include "connections.h"
#include "gridrows.h"
#include "numbers.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sqlcipher/sqlite3.h>

namespace tendro {

DbError::DbError(int code, const QString &text)
    : std::runtime_error(text.toStdString()), code_(code), text_(text) {}

DbError DbError::withDetail(const QString &detail) const
{
    DbError out(*this);
    out.detail_ = detail;
    return out;
}

QString engineErrorMessage(const DbError &e)
{
    return QStringLiteral("Eroarea ") + QString::number(e.code()) + QStringLiteral(" ") + e.text() + e.detail();
}

ResultSet::ResultSet(QStringList columns, QVector<QVector<QVariant>> rows)
    : columns_(std::move(columns)), rows_(std::move(rows))
{
    for (int i = 0; i < columns_.size(); ++i)
        if (!index_.contains(columns_.at(i)))
            index_.insert(columns_.at(i), i);
}

int columnNamed(const QStringList &columns, const QHash<QString, int> &index, const QString &name)
{
    const auto it = index.constFind(name);
    if (it != index.constEnd())
        return *it;
    // Column names are case-insensitive in SQL; look once more without case.
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int ResultSet::columnIndex(const QString &name) const
{
    const int i = columnNamed(columns_, index_, name);
    if (i < 0)
        throw DbError(SQLITE_ERROR, QStringLiteral("no such column: ") + name);
    return i;
}

bool ResultSet::hasColumn(const QString &name) const { return columnNamed(columns_, index_, name) >= 0; }

QVariant ResultSet::value(int row, const QString &column) const
{
    return rows_.at(row).at(columnIndex(column));
}

QString ResultSet::text(int row, const QString &column) const
{
    const QVariant v = value(row, column);
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double)
        return formatNumber(v.toDouble());
    return v.toString();
}

double ResultSet::number(int row, const QString &column) const
{
    const QVariant v = value(row, column);
    if (v.typeId() == QMetaType::QString)
        return leadingNumber(v.toString());
    return v.toDouble();
}

qint64 ResultSet::integer(int row, const QString &column) const
{
    const QVariant v = value(row, column);
    if (v.typeId() == QMetaType::QString)
        return qint64(leadingNumber(v.toString()));
    return v.toLongLong();
}

namespace {

sqlite3 *openHandle(const QString &path, int flags)
{
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        throw DbError(rc, msg);
    }
    sqlite3_extended_result_codes(db, 0);
    sqlite3_busy_timeout(db, 2000);
    return db;
}

// A wrong key or a file that is no database shows only at the first read.
void checkReadable(sqlite3 *db)
{
    const int rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const int code = sqlite3_errcode(db);
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        throw DbError(code, msg);
    }
}

// The engine derives a file's page key from its password at every open, with
// many rounds of PBKDF2 by design: tens of milliseconds each time. The program
// opens the same few files again and again (a copy and then its check, the
// working file after a restore), so the key derived here for a password and a
// file's salt is kept for the life of the process and given to the engine raw,
// with the salt. The engine's own derivation stays the rule: once it opens a
// file that a key derived here did not, none is derived here again, and a key
// derived here creates a file only after one has opened an existing file.
class KeyCache {
public:
    static KeyCache &instance()
    {
        static KeyCache cache;
        return cache;
    }
    bool inUse()
    {
        QMutexLocker lock(&mutex_);
        return !disagrees_;
    }
    bool trusted()
    {
        QMutexLocker lock(&mutex_);
        return trusted_ && !disagrees_;
    }
    // "x'<key><salt>'", as the engine takes a raw key; empty when it cannot be derived.
    QByteArray rawKey(const QByteArray &password, const QByteArray &salt)
    {
        QMutexLocker lock(&mutex_);
        const QByteArray id = password + '\0' + salt;
        if (const auto it = keys_.constFind(id); it != keys_.constEnd())
            return *it;
        if (!digest_)
            readEngineSettings();
        QByteArray key(32, '\0');
        if (PKCS5_PBKDF2_HMAC(password.constData(), int(password.size()),
                              reinterpret_cast<const unsigned char *>(salt.constData()), int(salt.size()), iterations_,
                              digest_, int(key.size()), reinterpret_cast<unsigned char *>(key.data()))
            != 1)
            return QByteArray();   // the engine derives it then
        const QByteArray raw = "x'" + (key + salt).toHex() + "'";
        keys_.insert(id, raw);
        return raw;
    }
    void opened()
    {
        QMutexLocker lock(&mutex_);
        trusted_ = true;
    }
    void failed(const QByteArray &password, const QByteArray &salt)
    {
        QMutexLocker lock(&mutex_);
        keys_.remove(password + '\0' + salt);
    }
    void engineDisagrees()
    {
        QMutexLocker lock(&mutex_);
        disagrees_ = true;
        keys_.clear();
    }

private:
    // The engine's defaults for new files: rounds and, from version 4 on, the hash (before it, SHA-1).
    void readEngineSettings()
    {
        sqlite3 *mem = nullptr;
        sqlite3_open(":memory:", &mem);
        const auto first = [mem](const char *sql) {
            QByteArray out;
            sqlite3_exec(
                mem, sql,
                [](void *o, int n, char **values, char **) {
                    if (n > 0 && values[0])
                        *static_cast<QByteArray *>(o) = values[0];
                    return 0;
                },
                &out, nullptr);
            return out;
        };
        const QByteArray rounds = first("PRAGMA cipher_default_kdf_iter");
        const QByteArray algorithm = first("PRAGMA cipher_default_kdf_algorithm");
        sqlite3_close(mem);
        iterations_ = rounds.toInt() > 0 ? rounds.toInt() : 64000;
        digest_ = algorithm.endsWith("SHA512")   ? EVP_sha512()
                  : algorithm.endsWith("SHA256") ? EVP_sha256()
                                                 : EVP_sha1();
    }

    QMutex mutex_;
    QHash<QByteArray, QByteArray> keys_;
    const EVP_MD *digest_ = nullptr;
    int iterations_ = 0;
    bool trusted_ = false;
    bool disagrees_ = false;
};

// The salt a keyed file begins with; empty for a new, empty file; null when there is none to read.
QByteArray fileSalt(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    if (f.size() == 0)
        return QByteArray("");
    const QByteArray salt = f.read(16);
    return salt.size() == 16 ? salt : QByteArray();
}

// The file opened with a key derived here; null when there is none or, then `refused` set, it does not read it.
sqlite3 *openWithKnownKey(const QString &path, int flags, const QByteArray &password, bool &refused)
{
    KeyCache &keys = KeyCache::instance();
    if (!keys.inUse())
        return nullptr;
    sqlite3 *db = openHandle(path, flags);
    QByteArray salt = fileSalt(path);
    const bool fresh = salt.isEmpty() && !salt.isNull();
    if (fresh && keys.trusted()) {
        salt = QByteArray(16, '\0');
        if (RAND_bytes(reinterpret_cast<unsigned char *>(salt.data()), int(salt.size())) != 1)
            salt.clear();
    }
    const QByteArray raw = salt.size() == 16 ? keys.rawKey(password, salt) : QByteArray();
    if (!raw.isEmpty()) {
        sqlite3_key(db, raw.constData(), int(raw.size()));
        if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK) {
            if (!fresh)
                keys.opened();
            return db;
        }
        keys.failed(password, salt);
        refused = true;
        // Only a key that does not fit says "not a database"; a locked or unreadable file says so itself.
        const int code = sqlite3_errcode(db);
        if (code != SQLITE_NOTADB) {
            const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_close(db);
            throw DbError(code, msg);
        }
    }
    sqlite3_close(db);
    return nullptr;
}

// A column's value read through its sqlite3_value: one locked call into the
// statement per value rather than one for its type and two for its text.
// The value is read at once, on the thread stepping the statement, as a
// connection is never used by two threads at a time.
QVariant valueOf(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_value_int64(v)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_value_double(v));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)), sqlite3_value_bytes(v)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_value_blob(v)), sqlite3_value_bytes(v)));
    default:
        return QVariant();
    }
}

QVariant columnValue(sqlite3_stmt *st, int i) { return valueOf(sqlite3_column_value(st, i)); }

// Resets a cached statement on every way out, so it can be reused.
struct StatementUse {
    sqlite3_stmt *st;
    ~StatementUse()
    {
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
    }
};

} // namespace

std::unique_ptr<Database> Database::open(const ConnectionSpec &connection, Mode mode)
{
    int flags = SQLITE_OPEN_FULLMUTEX;
    switch (mode) {
    case Mode::ReadWrite: flags |= SQLITE_OPEN_READWRITE; break;
    case Mode::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    case Mode::Create: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    }
    const QByteArray key = connection.password.toUtf8();
    bool refused = false;
    if (!key.isEmpty()) {
        if (sqlite3 *known = openWithKnownKey(connection.path, flags, key, refused))
            return std::unique_ptr<Database>(new Database(known, connection.path));
    }
    sqlite3 *db = openHandle(connection.path, flags);
    if (!key.isEmpty())
        sqlite3_key(db, key.constData(), key.size());
    checkReadable(db);
    if (refused)
        KeyCache::instance().engineDisagrees();   // it read what a key derived here could not
    return std::unique_ptr<Database>(new Database(db, connection.path));
}

Database::Database(sqlite3 *db, const QString &path) : db_(db), path_(path) {}

Database::~Database()
{
    for (sqlite3_stmt *st : std::as_const(cache_))
        sqlite3_finalize(st);
    sqlite3_close(db_);
}

void Database::fail(int rc) const
{
    Q_UNUSED(rc);
    throw DbError(sqlite3_errcode(db_), QString::fromUtf8(sqlite3_errmsg(db_)));
}

sqlite3_stmt *Database::prepare(const QString &sql)
{
    auto it = cache_.constFind(sql);
    if (it != cache_.constEnd())
        return *it;
    sqlite3_stmt *st = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db_, utf8.constData(), utf8.size(), &st, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
    cache_.insert(sql, st);
    return st;
}

void Database::bindAll(sqlite3_stmt *st, const QVariantList &params)
{
    const int expected = sqlite3_bind_parameter_count(st);
    if (expected != params.size())
        throw DbError(SQLITE_RANGE, QStringLiteral("statement expects %1 values, got %2")
                                        .arg(expected).arg(params.size()));
    for (int i = 0; i < params.size(); ++i) {
        const QVariant &v = params.at(i);
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(st, i + 1);
        } else {
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(st, i + 1, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(st, i + 1, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray b = v.toByteArray();
                rc = sqlite3_bind_blob(st, i + 1, b.constData(), b.size(), SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray t = v.toString().toUtf8();
                rc = sqlite3_bind_text(st, i + 1, t.constData(), t.size(), SQLITE_TRANSIENT);
            }
            }
        }
        if (rc != SQLITE_OK)
            fail(rc);
    }
}

void Database::run(const QString &sql, const QVariantList &params, const std::function<void(const QStringList &)> &start,
                   const std::function<void(sqlite3_stmt *)> &row)
{
    sqlite3_stmt *st = prepare(sql);
    StatementUse use{st};
    bindAll(st, params);
    QStringList columns;
    for (int i = 0, n = sqlite3_column_count(st); i < n; ++i)
        columns.append(QString::fromUtf8(sqlite3_column_name(st, i)));
    start(columns);
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            fail(rc);
        row(st);
    }
}

ResultSet Database::query(const QString &sql, const QVariantList &params)
{
    ResultSet rs;
    run(sql, params, [&rs](const QStringList &columns) { rs = ResultSet(columns, {}); },
        [&rs](sqlite3_stmt *st) {
            const int n = int(rs.columns_.size());
            QVector<QVariant> row(n);
            QVariant *out = row.data();
            for (int i = 0; i < n; ++i)
                out[i] = columnValue(st, i);
            rs.rows_.append(std::move(row));
        });
    return rs;
}

GridRows Database::queryRows(const QString &sql, const QVariantList &params)
{
    GridRows rows;
    run(sql, params, [&rows](const QStringList &columns) { rows.setColumns(columns); },
        [&rows](sqlite3_stmt *st) { rows.appendRow(st); });
    return rows;
}

void Database::forEach(const QString &sql, const QVariantList &params,
                       const std::function<void(const QStringList &, const QVector<QVariant> &)> &fn)
{
    QStringList cols;
    QVector<QVariant> row;
    run(sql, params,
        [&](const QStringList &columns) {
            cols = columns;
            row.resize(columns.size());
        },
        [&](sqlite3_stmt *st) {
            for (int i = 0; i < row.size(); ++i)
                row[i] = columnValue(st, i);
            fn(cols, row);
        });
}

void Database::exec(const QString &sql, const QVariantList &params)
{
    sqlite3_stmt *st = prepare(sql);
    StatementUse use{st};
    bindAll(st, params);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        fail(rc);
}

void Database::execScript(const QString &sql)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(err);
        throw DbError(rc, msg);
    }
}

int Database::userVersion()
{
    const ResultSet rs = query(QStringLiteral("PRAGMA user_version"));
    return rs.isEmpty() ? 0 : int(rs.value(0, 0).toLongLong());
}

Transaction::Transaction(Database &db) : db_(db) { db_.execScript(QStringLiteral("BEGIN IMMEDIATE")); }

Transaction::~Transaction()
{
    if (!done_) {
        try {
            db_.execScript(QStringLiteral("ROLLBACK"));
        } catch (const DbError &) {
            // The engine may already have rolled back on its own; nothing left to undo.
        }
    }
}

void Transaction::commit()
{
    db_.execScript(QStringLiteral("COMMIT"));
    done_ = true;
}

} // namespace tendro
