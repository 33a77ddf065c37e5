#pragma once
// A thin wrapper over libpq for the directorate's server, in the manner of
// the store's wrapper over SQLCipher: one connection, every value bound,
// rows read at once into a ResultSet, transactions by RAII, and errors as
// exceptions carrying the server's SQLSTATE and text. Which fault it was
// (no answer, a refused password, a certificate, a cut) is sorted here, so
// that each has one message a user can act on.

#include "store/database.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <stdexcept>

struct pg_conn;

namespace tendro {

enum class ServerFault {
    Unreachable,    // nothing answers at that address and port
    NeedsPassword,  // the server asks for a password and none was found
    Password,       // the password was refused
    Certificate,    // the server's certificate does not match or cannot be checked
    NoTls,          // the connection would not be encrypted
    WrongAccount,   // the account is not the sub-unit's (or the directorate's)
    Cut,            // the connection broke during the work
    Denied,         // the server refused the statement to this account
    Moved,          // the item changed on the server since it was taken in
    Other
};

class ServerError : public std::runtime_error {
public:
    ServerError(ServerFault fault, const QString &sqlstate, const QString &text);
    ServerFault fault() const { return fault_; }
    QString sqlstate() const { return sqlstate_; }
    QString text() const { return text_; }

private:
    ServerFault fault_;
    QString sqlstate_;
    QString text_;
};

// The one message a user is shown for it.
QString serverErrorMessage(const ServerError &e);

// Where the server is, as kept in the local table `server`; never the password.
struct ServerSettings {
    QString host;
    int port = 5432;
    QString baza = QStringLiteral("tendro");
    QString cont;
    QString ca;   // the certificate of the authority that signed the server's
    QString sslmode = QStringLiteral("verify-full");

    bool configured() const { return !host.trimmed().isEmpty(); }
    // A Unix socket folder on this machine: the only way in without TLS.
    bool socketFolder() const { return host.trimmed().startsWith(QLatin1Char('/')); }
    // What a remembered password belongs to.
    QString key() const;
};

class PgConnection {
public:
    // Connects with TLS ("verify-full" or "require"; a socket folder goes
    // without). An empty password leaves libpq to find one (~/.pgpass,
    // PGPASSFILE); when none is found the fault is NeedsPassword.
    static std::unique_ptr<PgConnection> open(const ServerSettings &settings, const QString &password);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // Values go as text parameters: null, numbers, booleans, text, and lists
    // (QVariantList or QStringList) as arrays.
    ResultSet query(const QString &sql, const QVariantList &params = {});
    // The number of rows the statement touched.
    qint64 exec(const QString &sql, const QVariantList &params = {});
    // Statements that take no values, several at once.
    void execScript(const QString &sql);

    QString account() const { return account_; }
    pg_conn *handle() const { return conn_; }

private:
    PgConnection(pg_conn *conn, QString account) : conn_(conn), account_(std::move(account)) {}
    pg_conn *conn_;
    QString account_;
};

// Commits when the work completes; the server rolls back when an error
// leaves the scope, and by itself when the connection breaks.
class PgTransaction {
public:
    explicit PgTransaction(PgConnection &pg, const QString &begin = QStringLiteral("BEGIN"));
    ~PgTransaction();
    void commit();
    PgTransaction(const PgTransaction &) = delete;
    PgTransaction &operator=(const PgTransaction &) = delete;

private:
    PgConnection &pg_;
    bool done_ = false;
};

// A list as the text of an array parameter ({"a","b",NULL}).
QByteArray arrayLiteral(const QVariantList &values);

} // namespace tendro
