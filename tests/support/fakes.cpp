#include "fakes.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/filecopy.h"
#include "store/foreign.h"
#include "store/schema.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace tendro::test {

void ScriptedMessages::show(QWidget *parent, const QString &text, const QString &title, MessageIcon icon)
{
    shown.append({text, title, icon});
    if (realBoxes)
        BoxMessages().show(parent, text, title, icon);
}

bool ScriptedMessages::ask(QWidget *parent, const QString &text, const QString &title)
{
    shown.append({text, title, MessageIcon::None});
    if (realBoxes)
        return BoxMessages().ask(parent, text, title);
    return answers.isEmpty() ? false : answers.takeFirst();
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const ShownMessage &m : shown)
        out << m.text;
    return out;
}

QString ScriptedFiles::saveFileName(QWidget *, const QString &title, const QString &filter)
{
    lastTitle = title;
    lastFilter = filter;
    return nextPath;
}

QString ScriptedFiles::openFileName(QWidget *, const QString &title, const QString &filter)
{
    lastTitle = title;
    lastFilter = filter;
    return nextPath;
}

QStringList ScriptedFiles::openFileNames(QWidget *, const QString &title, const QString &filter)
{
    lastTitle = title;
    lastFilter = filter;
    return nextPaths;
}

QString ScriptedFiles::folder(QWidget *, const QString &title)
{
    lastTitle = title;
    return nextFolder;
}

Env::Env()
{
    setReaderProgram(QStringLiteral(TENDRO_READER));
    ctx = std::make_unique<AppContext>(dir.path(), messages, files, clock, platform);
    ctx->splashMilliseconds = 1;
}

Env::Env(const QString &numeos, QDate today) : Env()
{
    installDefaultFile();
    configure(2, 9, u"ARAD"_s, numeos);
    clock.date = today;
}

Database &Env::db() { return ctx->db(); }

qint64 Env::count(const QString &from)
{
    return db().query(u"SELECT count(*) AS n FROM "_s + from).integer(0, u"n"_s);
}

qint64 Env::cpvId(qint64 cod2)
{
    return db().query(u"SELECT id FROM cpv WHERE cod2=?"_s, {cod2}).integer(0, u"id"_s);
}

qint64 Env::addItem(const Item &i)
{
    const auto compare = [](const QString &d) { return d.mid(6, 4) + d.mid(3, 2) + d.mid(0, 2); };
    db().exec(u"INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,idos,"
              "proced,proiect,uid) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"_s,
              {cpvId(i.cod2), i.activit, i.lei, i.euro, i.start, compare(i.start), i.end, compare(i.end), i.resp,
               i.detal, i.fond, i.idos, i.proced, i.proiect, newUid()});
    return db().query(u"SELECT max(idp) AS m FROM program"_s).integer(0, u"m"_s);
}

void Env::installReports()
{
    const QDir data(QStringLiteral(TENDRO_SOURCE_DATA));
    for (const QString &name : data.entryList({QStringLiteral("*.rpt")}, QDir::Files))
        QFile::copy(data.filePath(name), path(name));
}

void Env::printToFolder()
{
    installReports();
    qputenv("TENDRO_REPORT_DIR", path(u"pdf"_s).toUtf8());
}

QString pdfText(const QString &path)
{
    QProcess pdftotext;
    pdftotext.start(u"pdftotext"_s, {u"-enc"_s, u"UTF-8"_s, path, u"-"_s});
    pdftotext.waitForFinished(30000);
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

QString Env::takeReport(const QString &stem)
{
    const QDir folder(path(u"pdf"_s));
    const QStringList pdfs = folder.entryList({stem + u"-*.pdf"_s}, QDir::Files, QDir::Time);
    if (pdfs.isEmpty())
        return u"<none>"_s;
    const QString text = pdfText(folder.filePath(pdfs.first())).simplified();
    QFile::remove(folder.filePath(pdfs.first()));
    return text;
}

void activate(QWidget *window)
{
    window->show();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
}

QString Env::path(const QString &name) const { return QDir(dir.path()).filePath(name); }

QString Env::workingFile() const { return workingFilePath(dir.path()); }

void Env::installDefaultFile()
{
    static QTemporaryDir cache;
    static QString made;
    if (made.isEmpty()) {
        made = QDir(cache.path()).filePath(u"template.mdb"_s);
        createDefaultFile(made);
    }
    QFile::remove(workingFile());
    QFile::copy(made, workingFile());
    QFile::setPermissions(workingFile(), QFile::ReadOwner | QFile::WriteOwner);
}

void Env::configure(int idds, int idos, const QString &numeds, const QString &numeos)
{
    ctx->db().exec(u"INSERT INTO setare (idds,idos,numeds,numeos) VALUES(?,?,?,?)"_s,
                   {idds, idos, numeds, numeos});
    ctx->subunitate = {idds, idos, numeds, numeos};
}

void whenModal(const QString &name, std::function<void(QWidget *)> fn)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, name, fn] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || w->objectName() != name)
            return;
        timer->stop();
        timer->deleteLater();
        fn(w);
    });
    timer->start();
}

QString hostileFile(Env &env, const QString &name, const QString &kind)
{
    static const QMap<QString, QString> changes{
        {u"view"_s, u"ALTER TABLE program RENAME TO program0;"
                    "CREATE VIEW program AS SELECT *, hex(fts3_tokenizer('simple')) AS t FROM program0;"_s},
        {u"virtual"_s, u"DROP TABLE realiz; CREATE VIRTUAL TABLE realiz USING rtree(idr, a, b);"_s},
        {u"trigger"_s, u"CREATE TRIGGER t AFTER INSERT ON cpv BEGIN DELETE FROM program; END;"_s},
        {u"schema"_s, u"PRAGMA writable_schema=ON;"
                      "UPDATE sqlite_master SET sql='CREATE TABLE program AS SELECT 1' WHERE name='program';"_s},
        {u"long"_s, u"UPDATE program SET detal=hex(randomblob(500000)) WHERE idp=(SELECT min(idp) FROM program);"_s},
        {u"norealiz"_s, u"DROP TABLE realiz;"_s}};
    const QString path = env.path(name);
    if (kind == "empty"_L1) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        return path;
    }
    copyDatabase(env.db(), path, QLatin1String(kDatabasePassword));
    Database::open(conexiuneC(path))->execScript(changes.value(kind));
    return path;
}

QStringList tableDump(Database &db, const QString &table, bool identities)
{
    QStringList out;
    const ResultSet rs = db.query(u"SELECT * FROM "_s + table);
    for (int r = 0; r < rs.count(); ++r) {
        QStringList cells;
        for (int c = 0; c < rs.columns().size(); ++c) {
            if (!identities && rs.columns().at(c).startsWith(u"uid"_s))
                continue;
            const QVariant &v = rs.value(r, c);
            cells << (v.isNull() ? u"<null>"_s : v.toString());
        }
        out << cells.join(QLatin1Char('|'));
    }
    out.sort();
    return out;
}

} // namespace tendro::test
