#include "fakes.h"
#include "store/connections.h"
#include "store/database.h"
#include "store/schema.h"

#include <QDir>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace tendro::test {

void ScriptedMessages::show(QWidget *, const QString &text, const QString &title, MessageIcon icon)
{
    shown.append({text, title, icon, false});
}

bool ScriptedMessages::ask(QWidget *, const QString &text, const QString &title)
{
    shown.append({text, title, MessageIcon::None, true});
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

Env::Env()
{
    ctx = std::make_unique<AppContext>(dir.path(), messages, files, clock, platform);
    ctx->splashMilliseconds = 1;
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

void Env::installReports()
{
    for (const char *name : {"rapprog.rpt", "rapproga.rpt", "rapprogagrup.rpt", "raprealiz.rpt"})
        QFile::copy(QStringLiteral(TENDRO_SOURCE_DATA "/") + QLatin1String(name), path(QLatin1String(name)));
}

void settle()
{
    // Each pass runs what the previous one posted.
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
}

QString pdfText(const QString &path)
{
    QProcess p;
    p.start(u"pdftotext"_s, {u"-enc"_s, u"UTF-8"_s, path, u"-"_s});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
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

QStringList tableDump(Database &db, const QString &table)
{
    QStringList out;
    const ResultSet rs = db.query(u"SELECT * FROM "_s + table);
    for (int r = 0; r < rs.count(); ++r) {
        QStringList cells;
        for (const QVariant &v : rs.row(r))
            cells << (v.isNull() ? u"<null>"_s : v.toString());
        out << cells.join(QLatin1Char('|'));
    }
    out.sort();
    return out;
}

} // namespace tendro::test
