#include "foreign.h"
#include "foreignwire.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstring>
#include <sqlcipher/sqlite3.h>

namespace tendro {

const char *const kUnknownObjectsMessage =
    " Fisierul ales nu este un fisier TENDRO valid (contine obiecte necunoscute). ";
const char *const kUnreadableMessage = " Fisierul ales nu poate fi citit. ";

ForeignFileError::ForeignFileError(Kind kind, const DbError &engine)
    : std::runtime_error(engine.what()), kind_(kind), engine_(engine) {}

QString ForeignFileError::message() const
{
    switch (kind_) {
    case Kind::UnknownObjects: return QLatin1String(kUnknownObjectsMessage);
    case Kind::Unreadable: return QLatin1String(kUnreadableMessage);
    case Kind::Engine: break;
    }
    return engineErrorMessage(engine_);
}

namespace {

QString &readerOverride()
{
    static QString path;
    return path;
}

int readerTimeout = 60000;

// No row the program writes comes near it; a larger one is no TENDRO file.
constexpr quint32 kMaxValueBytes = 100000;
// The most a reader may say about one request.
constexpr qint64 kMaxAnswerBytes = qint64(1) << 29;

// What the boxes that write each text take; a longer text from outside is cut there.
int textLimit(const QString &table, const QString &column)
{
    static const QMap<QString, int> limits{
        {QStringLiteral("program.activit"), 20},     {QStringLiteral("program.datainc1"), 10},
        {QStringLiteral("program.datainc2"), 8},     {QStringLiteral("program.datafin1"), 10},
        {QStringLiteral("program.datafin2"), 8},     {QStringLiteral("program.resp"), 40},
        {QStringLiteral("program.detal"), 200},      {QStringLiteral("program.fond"), 20},
        {QStringLiteral("program.proced"), 100},     {QStringLiteral("program.anunt"), 100},
        {QStringLiteral("program.proiect"), 50},     {QStringLiteral("program.uid"), 36},
        {QStringLiteral("program.modalitate"), 10},  {QStringLiteral("realiz.contrnr"), 15},
        {QStringLiteral("realiz.contrdata1"), 10},   {QStringLiteral("realiz.contrdata2"), 8},
        {QStringLiteral("realiz.actnr"), 15},        {QStringLiteral("realiz.actdata1"), 10},
        {QStringLiteral("realiz.actdata2"), 8},      {QStringLiteral("realiz.furniz"), 30},
        {QStringLiteral("realiz.refer"), 25},        {QStringLiteral("realiz.denumach"), 40},
        {QStringLiteral("realiz.proiect"), 50},      {QStringLiteral("realiz.uid"), 36},
        {QStringLiteral("realiz.uidp"), 36},         {QStringLiteral("cpv.cod"), 20},
        {QStringLiteral("aprobari.uid"), 36}};
    return limits.value(table + QLatin1Char('.') + column.toLower(), 255);
}

class Garbage {};

// The reader's answer, read with every length checked.
class Answer {
public:
    explicit Answer(const QByteArray &bytes) : b_(bytes) {}
    bool atEnd() const { return pos_ >= b_.size(); }
    quint8 u8()
    {
        need(1);
        return quint8(b_.at(pos_++));
    }
    quint32 u32()
    {
        need(4);
        const auto *p = reinterpret_cast<const unsigned char *>(b_.constData() + pos_);
        pos_ += 4;
        return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
    }
    qint64 i64()
    {
        const quint64 low = u32();
        return qint64(low | quint64(u32()) << 32);
    }
    QByteArray bytes()
    {
        const quint32 n = u32();
        need(qint64(n));
        const QByteArray out = b_.mid(pos_, qsizetype(n));
        pos_ += n;
        return out;
    }
    QString text() { return QString::fromUtf8(bytes()); }

private:
    void need(qint64 n) const
    {
        if (n < 0 || pos_ + n > b_.size())
            throw Garbage();
    }
    const QByteArray &b_;
    qint64 pos_ = 0;
};

class Request {
public:
    void u32(quint32 v)
    {
        const char b[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char((v >> 24) & 0xff)};
        out_.append(b, 4);
    }
    void i64(qint64 v)
    {
        u32(quint32(quint64(v)));
        u32(quint32(quint64(v) >> 32));
    }
    void text(const QByteArray &s)
    {
        u32(quint32(s.size()));
        out_.append(s);
    }
    const QByteArray &bytes() const { return out_; }

private:
    QByteArray out_{wire::kMagic, 4};
};

struct TableAsk {
    QString name;
    quint32 flags;
    QString order;
};

QByteArray encode(quint32 mode, const QString &password, std::optional<int> idos, quint32 checks,
                  const QList<TableAsk> &tables, const QStringList &paths)
{
    Request r;
    r.u32(wire::kVersion);
    r.u32(mode);
    r.text(password.toUtf8());
    r.u32(idos.has_value());
    r.i64(idos.value_or(0));
    r.u32(checks);
    r.u32(kMaxValueBytes);
    r.u32(quint32(tables.size()));
    for (const TableAsk &t : tables) {
        r.text(t.name.toUtf8());
        r.u32(t.flags);
        r.text(t.order.toUtf8());
    }
    r.u32(quint32(paths.size()));
    for (const QString &p : paths)
        r.text(QFile::encodeName(QFileInfo(p).absoluteFilePath()));
    return r.bytes();
}

// The reader run on one request: what it wrote, and whether it ended as it should.
struct Run {
    QByteArray answer;
    bool clean = false;
};

// A reader that cannot be started says nothing of the file: the program is not whole.
DbError readerMissing()
{
    return DbError(SQLITE_CANTOPEN, QStringLiteral("unable to start %1").arg(QDir::toNativeSeparators(readerProgram())))
        .withDetail(QStringLiteral("\n Instalarea programului nu este completa. "));
}

Run runReader(const QByteArray &request, int timeoutMs)
{
    Run run;
    QProcess p;
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(readerProgram(), QStringList());
    if (!p.waitForStarted(timeoutMs))
        throw readerMissing();
    p.write(request);
    p.closeWriteChannel();
    QElapsedTimer clock;
    clock.start();
    while (p.state() != QProcess::NotRunning) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || run.answer.size() > kMaxAnswerBytes) {
            p.kill();
            p.waitForFinished(5000);
            return run;
        }
        p.waitForReadyRead(int(std::min<qint64>(left, 200)));
        run.answer += p.readAllStandardOutput();
    }
    run.answer += p.readAllStandardOutput();
    run.clean = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return run;
}

void expectHeader(Answer &a)
{
    char magic[4];
    for (char &c : magic)
        c = char(a.u8());
    if (std::memcmp(magic, wire::kMagic, 4) != 0 || a.u32() != wire::kVersion)
        throw Garbage();
}

QVariant cell(Answer &a)
{
    switch (a.u8()) {
    case wire::Null: return QVariant();
    case wire::Integer: return QVariant(qlonglong(a.i64()));
    case wire::Real: {
        const qint64 bits = a.i64();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return QVariant(d);
    }
    case wire::Text: return QVariant(a.text());
    case wire::Blob: return QVariant(a.bytes());
    default: throw Garbage();
    }
}

struct Failure {
    quint32 why;
    DbError error;
};

Failure failure(Answer &a)
{
    const quint32 why = a.u32();
    const int code = int(a.u32());
    return {why, DbError(code, a.text())};
}

} // namespace

QString readerProgram()
{
    if (!readerOverride().isEmpty())
        return readerOverride();
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tendro-reader"));
}

void setReaderProgram(const QString &path) { readerOverride() = path; }

int readerTimeoutMs() { return readerTimeout; }

void setReaderTimeout(int milliseconds) { readerTimeout = milliseconds; }

const ResultSet &ForeignTables::operator[](const QString &table) const
{
    static const ResultSet none;
    const auto it = tables_.constFind(table);
    return it == tables_.constEnd() ? none : *it;
}

ForeignTables readForeignFile(const ForeignRead &request)
{
    QList<TableAsk> asks;
    for (const QString &t : request.tables + request.optionalTables) {
        const bool ofSubunit = t == QLatin1String("program") || t == QLatin1String("realiz");
        asks.append({t, (request.tables.contains(t) ? quint32(wire::TableRequired) : 0u) | (ofSubunit ? quint32(wire::TableOfSubunit) : 0u),
                     t == QLatin1String("program") ? QStringLiteral("idp") : t == QLatin1String("realiz") ? QStringLiteral("idr") : QString()});
    }
    Run run;
    try {
        run = runReader(encode(wire::ReadTables, request.password, request.idos, 0, asks, {request.path}),
                        request.timeoutMs);
    } catch (const DbError &e) {
        throw ForeignFileError(ForeignFileError::Kind::Engine, e);
    }
    const auto unreadable = [] {
        return ForeignFileError(ForeignFileError::Kind::Unreadable, DbError(SQLITE_IOERR, QLatin1String(kUnreadableMessage)));
    };
    ForeignTables out;
    try {
        Answer a(run.answer);
        expectHeader(a);
        if (a.u8() != wire::FileStart || a.u32() != 0)
            throw Garbage();
        for (;;) {
            const quint8 tag = a.u8();
            if (tag == wire::FileEnd)
                break;
            if (tag == wire::Failure) {
                const Failure f = failure(a);
                switch (f.why) {
                case wire::UnknownObjects:
                    throw ForeignFileError(ForeignFileError::Kind::UnknownObjects, f.error);
                case wire::MissingTables:
                    // As the engine says it when a statement names the table.
                    throw ForeignFileError(ForeignFileError::Kind::Engine,
                                           DbError(SQLITE_ERROR, QStringLiteral("no such table: ") + f.error.text().section(QLatin1Char(' '), 0, 0)));
                case wire::TooBig:
                    throw ForeignFileError(ForeignFileError::Kind::Unreadable, f.error);
                default:
                    throw ForeignFileError(ForeignFileError::Kind::Engine, f.error);
                }
            }
            if (tag != wire::Table)
                throw Garbage();
            const QString name = a.text();
            const bool present = a.u32() != 0;
            const quint32 columns = a.u32();
            if (columns > 1000
                || std::none_of(asks.begin(), asks.end(), [&name](const TableAsk &t) { return t.name == name; }))
                throw Garbage();
            QStringList names;
            for (quint32 i = 0; i < columns; ++i)
                names << a.text();
            QList<int> limits;
            for (const QString &c : std::as_const(names))
                limits << textLimit(name, c);
            QVector<QVector<QVariant>> rows;
            for (quint8 t = a.u8(); t != wire::TableEnd; t = a.u8()) {
                if (t != wire::Row)
                    throw Garbage();
                QVector<QVariant> row(qsizetype{columns});
                for (int i = 0; i < int(columns); ++i) {
                    row[i] = cell(a);
                    if (row[i].typeId() == QMetaType::QString && row[i].toString().size() > limits.at(i))
                        row[i] = row[i].toString().left(limits.at(i));
                }
                rows.append(row);
            }
            out.tables_.insert(name, ResultSet(names, std::move(rows)));
            if (present)
                out.present_ << name;
        }
        if (a.u8() != wire::End || !a.atEnd() || !run.clean)
            throw Garbage();
    } catch (const Garbage &) {
        throw unreadable();
    }
    for (const TableAsk &t : std::as_const(asks))
        if (!out.tables_.contains(t.name))
            throw unreadable();
    return out;
}

QList<FileCheck> checkForeignFiles(const CheckRequest &request)
{
    QList<TableAsk> asks;
    for (const QString &t : request.tables)
        asks.append({t, quint32(wire::TableRequired), QString()});
    const quint32 checks = (request.integrity ? quint32(wire::CheckIntegrity) : 0u)
        | (request.rows ? quint32(wire::CheckRows) : 0u) | (request.plain ? quint32(wire::CheckPlain) : 0u);
    QList<FileCheck> out;
    // A file that brings the reader down is told so; the reader starts again on the ones after it.
    while (out.size() < request.paths.size()) {
        const QStringList rest = request.paths.mid(out.size());
        Run run;
        try {
            run = runReader(encode(wire::CheckFiles, request.password, std::nullopt, checks, asks, rest),
                            request.timeoutMs);
        } catch (const DbError &e) {
            while (out.size() < request.paths.size()) {
                FileCheck c;
                c.verdict = FileCheck::Verdict::Failed;
                c.error = e;
                out.append(c);
            }
            break;
        }
        try {
            Answer a(run.answer);
            expectHeader(a);
            for (qsizetype i = 0; i < rest.size(); ++i) {
                if (a.u8() != wire::FileStart || a.u32() != quint32(i))
                    throw Garbage();
                FileCheck c;
                c.verdict = FileCheck::Verdict::Whole;
                for (quint8 tag = a.u8(); tag != wire::FileEnd; tag = a.u8()) {
                    if (tag == wire::Counts) {
                        const quint32 n = a.u32();
                        for (quint32 k = 0; k < n && k < 1000; ++k) {
                            const QString table = a.text();
                            c.rows.insert(table, a.i64());
                        }
                        continue;
                    }
                    if (tag != wire::Failure)
                        throw Garbage();
                    const Failure f = failure(a);
                    c.error = f.error;
                    const int code = f.error.code() & 0xff;
                    switch (f.why) {
                    case wire::UnknownObjects: c.verdict = FileCheck::Verdict::UnknownObjects; break;
                    case wire::MissingTables:
                        c.verdict = FileCheck::Verdict::MissingTables;
                        c.missing = f.error.text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
                        break;
                    case wire::Plain: c.verdict = FileCheck::Verdict::Plain; break;
                    case wire::Damaged:
                    case wire::TooBig: c.verdict = FileCheck::Verdict::Damaged; break;
                    default:
                        c.verdict = code == SQLITE_NOTADB || code == SQLITE_CORRUPT ? FileCheck::Verdict::Damaged
                                                                                   : FileCheck::Verdict::Failed;
                    }
                }
                out.append(c);
            }
            if (a.u8() != wire::End || !a.atEnd())
                throw Garbage();
        } catch (const Garbage &) {
            // What was answered in full stands; the file being read when it stopped is unreadable.
            if (out.size() < request.paths.size()) {
                FileCheck c;
                c.error = DbError(SQLITE_IOERR, QLatin1String(kUnreadableMessage));
                out.append(c);
            }
        }
    }
    return out;
}

} // namespace tendro
