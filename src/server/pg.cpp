#include "pg.h"
#include <QLocale>
#include <QStringList>
#include <libpq-fe.h>
#include <vector>

namespace tendro {

ServerError::ServerError(ServerFault fault, const QString &sqlstate, const QString &text)
    : std::runtime_error(text.toStdString()), fault_(fault), sqlstate_(sqlstate), text_(text) {}

QString serverErrorMessage(const ServerError &e)
{
    switch (e.fault()) {
    case ServerFault::Unreachable:
        return QStringLiteral(" Serverul nu raspunde. Verificati adresa, portul si legatura la retea. ");
    case ServerFault::NeedsPassword:
    case ServerFault::Password:
        return QStringLiteral(" Serverul nu a acceptat parola contului. ");
    case ServerFault::Certificate:
        return QStringLiteral(" Certificatul serverului nu corespunde adresei sau autoritatii de certificare."
                              " Conexiunea a fost refuzata. ");
    case ServerFault::NoTls:
        return QStringLiteral(" Conexiunea la server nu este criptata (TLS) si a fost refuzata. ");
    case ServerFault::WrongAccount:
        return QStringLiteral(" Contul de pe server nu apartine acestei unitati. Verificati setarile serverului. ");
    case ServerFault::Cut:
        return QStringLiteral(" Legatura cu serverul s-a intrerupt. Operatia a fost anulata: nu s-a modificat nimic. ");
    case ServerFault::Denied:
        return QStringLiteral(" Serverul a refuzat operatia pentru acest cont: ") + e.text().trimmed()
               + QLatin1Char(' ');
    case ServerFault::Moved:
        return QStringLiteral(" Pozitia a fost modificata de subunitate intre timp. Preluati din nou. ");
    case ServerFault::Other:
        break;
    }
    return QStringLiteral("Eroarea ") + e.sqlstate() + QLatin1Char(' ') + e.text().trimmed();
}

QString ServerSettings::key() const
{
    return cont.trimmed() + QLatin1Char('@') + host.trimmed() + QLatin1Char(':') + QString::number(port)
           + QLatin1Char('/') + baza.trimmed();
}

namespace {

struct ResultFree {
    void operator()(PGresult *r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

bool mentions(const QString &text, std::initializer_list<const char *> words)
{
    for (const char *w : words)
        if (text.contains(QLatin1String(w), Qt::CaseInsensitive))
            return true;
    return false;
}

// A failed connection says what failed only in its text (libpq's, OpenSSL's
// or the server's own); what cannot be told apart stays Other, with that text.
ServerFault connectFault(PGconn *conn, const QString &text)
{
    if (PQconnectionNeedsPassword(conn))
        return ServerFault::NeedsPassword;
    if (mentions(text, {"password authentication failed", "authentication failed"}))
        return ServerFault::Password;
    if (mentions(text, {"does not support SSL", "SSL was required"}))
        return ServerFault::NoTls;
    if (mentions(text, {"certificat", "SSL error", "SSL SYSCALL"}))
        return ServerFault::Certificate;
    if (mentions(text, {"Connection refused", "could not translate host name", "timeout expired", "No route to host",
                        "Network is unreachable", "could not connect", "No such file or directory",
                        "Connection timed out", "the database system is starting up",
                        "the database system is shutting down", "server closed the connection unexpectedly"}))
        return ServerFault::Unreachable;
    return ServerFault::Other;
}

// A statement's failure: a broken connection is a cut whatever the server last said.
[[noreturn]] void failStatement(PGconn *conn, const PGresult *r)
{
    const QString state = r ? QString::fromLatin1(PQresultErrorField(r, PG_DIAG_SQLSTATE)) : QString();
    const QString text = QString::fromUtf8(r && *PQresultErrorMessage(r) ? PQresultErrorMessage(r) : PQerrorMessage(conn));
    ServerFault fault = ServerFault::Other;
    if (PQstatus(conn) == CONNECTION_BAD || state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        fault = ServerFault::Cut;
    else if (state == QLatin1String("42501"))
        fault = ServerFault::Denied;
    throw ServerError(fault, state, text.trimmed());
}

QByteArray parameterText(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? "t" : "f";
    case QMetaType::Double:
    case QMetaType::Float:
        // The shortest text that reads back as the same double.
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest).toLatin1();
    case QMetaType::QVariantList:
        return arrayLiteral(v.toList());
    case QMetaType::QStringList: {
        QVariantList list;
        for (const QString &s : v.toStringList())
            list << s;
        return arrayLiteral(list);
    }
    default:
        return v.toString().toUtf8();
    }
}

QVariant fieldValue(const PGresult *r, int row, int column)
{
    if (PQgetisnull(r, row, column))
        return QVariant();
    const char *text = PQgetvalue(r, row, column);
    switch (PQftype(r, column)) {
    case 20:   // int8
    case 21:   // int2
    case 23:   // int4
        return QVariant(qlonglong(QByteArray(text).toLongLong()));
    case 700:    // float4
    case 701:    // float8
    case 1700:   // numeric
        return QVariant(QByteArray(text).toDouble());
    case 16:   // bool
        return QVariant(text[0] == 't');
    default:
        return QVariant(QString::fromUtf8(text, PQgetlength(r, row, column)));
    }
}

} // namespace

QByteArray arrayLiteral(const QVariantList &values)
{
    QByteArray out("{");
    for (int i = 0; i < values.size(); ++i) {
        if (i)
            out += ',';
        const QVariant &v = values.at(i);
        if (v.isNull()) {
            out += "NULL";
            continue;
        }
        out += '"';
        for (char c : parameterText(v)) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    out += '}';
    return out;
}

std::unique_ptr<PgConnection> PgConnection::open(const ServerSettings &s, const QString &password)
{
    const bool socket = s.socketFolder();
    if (!socket && s.sslmode != QLatin1String("verify-full") && s.sslmode != QLatin1String("require"))
        throw ServerError(ServerFault::NoTls, QString(), QStringLiteral("sslmode ") + s.sslmode);
    std::vector<std::pair<const char *, QByteArray>> params{
        {"host", s.host.trimmed().toUtf8()},
        {"port", QByteArray::number(s.port)},
        {"dbname", s.baza.trimmed().toUtf8()},
        {"user", s.cont.trimmed().toUtf8()},
        // A socket on this machine carries no TLS; everything else must.
        {"sslmode", socket ? QByteArray("disable") : s.sslmode.toUtf8()},
        {"connect_timeout", "10"},
        // A server that vanishes without a word is noticed within about half a minute.
        {"keepalives", "1"},
        {"keepalives_idle", "10"},
        {"keepalives_interval", "5"},
        {"keepalives_count", "3"},
        {"tcp_user_timeout", "30000"},
        {"application_name", "tendro"},
        {"client_encoding", "UTF8"}};
    if (!password.isEmpty())
        params.push_back({"password", password.toUtf8()});
    if (!s.ca.trimmed().isEmpty())
        params.push_back({"sslrootcert", s.ca.trimmed().toUtf8()});
    std::vector<const char *> keys, values;
    for (const auto &p : params) {
        keys.push_back(p.first);
        values.push_back(p.second.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);

    PGconn *conn = PQconnectdbParams(keys.data(), values.data(), 0);
    if (!conn)
        throw ServerError(ServerFault::Other, QString(), QStringLiteral("out of memory"));
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString text = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        const ServerFault fault = connectFault(conn, text);
        PQfinish(conn);
        throw ServerError(fault, QString(), text);
    }
    if (!socket && !PQsslInUse(conn)) {
        PQfinish(conn);
        throw ServerError(ServerFault::NoTls, QString(), QStringLiteral("no TLS"));
    }
    return std::unique_ptr<PgConnection>(new PgConnection(conn, s.cont.trimmed()));
}

PgConnection::~PgConnection() { PQfinish(conn_); }

namespace {

Result run(PGconn *conn, const QString &sql, const QVariantList &params)
{
    std::vector<QByteArray> texts;
    std::vector<const char *> values;
    texts.reserve(params.size());
    for (const QVariant &v : params) {
        if (v.isNull()) {
            values.push_back(nullptr);
            continue;
        }
        texts.push_back(parameterText(v));
        values.push_back(texts.back().constData());
    }
    Result r(PQexecParams(conn, sql.toUtf8().constData(), int(values.size()), nullptr, values.data(), nullptr,
                          nullptr, 0));
    const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        failStatement(conn, r.get());
    return r;
}

} // namespace

ResultSet PgConnection::query(const QString &sql, const QVariantList &params)
{
    const Result r = run(conn_, sql, params);
    QStringList columns;
    const int width = PQnfields(r.get());
    for (int c = 0; c < width; ++c)
        columns << QString::fromUtf8(PQfname(r.get(), c));
    QVector<QVector<QVariant>> rows;
    const int count = PQntuples(r.get());
    rows.reserve(count);
    for (int row = 0; row < count; ++row) {
        QVector<QVariant> values(width);
        for (int c = 0; c < width; ++c)
            values[c] = fieldValue(r.get(), row, c);
        rows.append(std::move(values));
    }
    return ResultSet(std::move(columns), std::move(rows));
}

qint64 PgConnection::exec(const QString &sql, const QVariantList &params)
{
    const Result r = run(conn_, sql, params);
    return QByteArray(PQcmdTuples(r.get())).toLongLong();
}

void PgConnection::execScript(const QString &sql)
{
    const Result r(PQexec(conn_, sql.toUtf8().constData()));
    const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        failStatement(conn_, r.get());
}

PgTransaction::PgTransaction(PgConnection &pg, const QString &begin) : pg_(pg) { pg_.exec(begin); }

PgTransaction::~PgTransaction()
{
    if (done_ || PQstatus(pg_.handle()) != CONNECTION_OK)
        return;
    PGresult *r = PQexec(pg_.handle(), "ROLLBACK");
    PQclear(r);
}

void PgTransaction::commit()
{
    pg_.exec(QStringLiteral("COMMIT"));
    done_ = true;
}

} // namespace tendro
