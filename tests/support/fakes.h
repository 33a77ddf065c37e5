#pragma once
// Scripted stand-ins for the services, and a per-test working folder.

#include "platform/platform.h"
#include "services/context.h"
#include "services/services.h"

#include <QDate>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace tendro::test {

struct ShownMessage {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
};

class ScriptedMessages : public MessageService {
public:
    void show(QWidget *, const QString &text, const QString &title, MessageIcon icon) override;
    bool ask(QWidget *, const QString &text, const QString &title) override;

    QList<ShownMessage> shown;
    QList<bool> answers;   // answers to questions, in order; No when empty
    bool realBoxes = false;   // recorded, then shown as real modal boxes (the step runner answers them)
    QStringList texts() const;
    QString last() const { return shown.isEmpty() ? QString() : shown.last().text; }
};

class ScriptedFiles : public FileDialogService {
public:
    QString saveFileName(QWidget *, const QString &title, const QString &filter) override;
    QString openFileName(QWidget *, const QString &title, const QString &filter) override;
    QString saveFileNameAs(QWidget *parent, const QString &title, const QString &filter,
                           const QString &suggested) override
    {
        lastSuggested = suggested;
        return saveFileName(parent, title, filter);
    }

    QStringList openFileNames(QWidget *, const QString &title, const QString &filter) override;
    QString folder(QWidget *, const QString &title) override;

    QString nextPath;   // empty: the user cancels
    QStringList nextPaths;   // the files chosen at once; empty: the user cancels
    QString nextFolder;      // empty: the user cancels
    QString lastTitle, lastFilter, lastSuggested;
};

class FixedClock : public Clock {
public:
    QDate today() const override { return date; }
    QDateTime now() const override { return QDateTime(date, time); }
    QDate date{2026, 3, 15};
    QTime time{10, 0, 0};
};

class TestPlatform : public LinuxPlatform {
public:
    bool setDecimalSeparator(const QString &) override { return !refuseSeparator; }
    DisplayMode currentDisplayMode() override { return display; }
    void applyDisplayMode(const DisplayMode &mode) override { applied.append(mode); }
    void endProgram() override { ++ended; }
    void removeCloseCommand(QWidget *w) override
    {
        closeRemoved.append(w);
        LinuxPlatform::removeCloseCommand(w);
    }

    bool refuseSeparator = false;
    DisplayMode display{1280, 1024, 32};
    QList<DisplayMode> applied;
    int ended = 0;
    QList<QWidget *> closeRemoved;
};

// A programme item as tests write it straight into the file; the
// comparison forms of the dates follow from the display forms.
struct Item {
    qint64 cod2 = 3111100;
    QString start = QStringLiteral("01.03.2026"), end = QStringLiteral("31.12.2026");   // dd.mm.yyyy
    double lei = 100;
    QString proced = QString(), proiect = QString();
    int idos = 9;
    QString fond = QStringLiteral("proprii"), activit = QStringLiteral("productie");
    QString resp = QStringLiteral("POP"), detal = QStringLiteral("D");
    double euro = 0;
};

// A temporary program folder with its own services and context.
class Env {
public:
    Env();
    // The shipped file with sub-unit 9 of directorate 2 (ARAD) configured.
    explicit Env(const QString &numeos, QDate today = QDate(2026, 3, 15));
    QString path(const QString &name) const;
    QString workingFile() const;
    // The shipped default file, made once per test run and copied in.
    void installDefaultFile();
    // The report definitions the build puts beside the executable.
    void installReports();
    // Stores a configured sub-unit and fills the context's record.
    void configure(int idds, int idos, const QString &numeds, const QString &numeos);
    Database &db();
    // count(*) of "table WHERE ..."
    qint64 count(const QString &from);
    qint64 cpvId(qint64 cod2);
    // Inserts the item; its key (idp).
    qint64 addItem(const Item &item);
    // Report files beside the program, and reports written as PDF to a folder of the test's.
    void printToFolder();
    // The text of the newest report of that name ("rapprog", ...) as pdftotext reads it, which is then removed;
    // "<none>" when there is none.
    QString takeReport(const QString &stem);

    QTemporaryDir dir;
    ScriptedMessages messages;
    ScriptedFiles files;
    FixedClock clock;
    TestPlatform platform;
    std::unique_ptr<AppContext> ctx;
};

// Shows a window and makes it the active one, so that focus moves as a user's do.
void activate(QWidget *window);

// Runs `fn` once a modal window of that name is shown (polled, since a
// splash may come first).
void whenModal(const QString &name, std::function<void(QWidget *)> fn);

// The text of a PDF as pdftotext reads it, pages separated by form feeds.
QString pdfText(const QString &path);

// A keyed copy of the test's working file made hostile, as a file from outside may be: "view" (a view named
// program calling a helper no read may call), "virtual" (realiz a virtual table), "trigger", "schema" (the
// schema text rewritten so that the engine crashes on opening it: never open it in the test's process),
// "long" (a text of 1 MB in an item); "empty" (0 bytes), "norealiz" (the table dropped).
QString hostileFile(Env &env, const QString &name, const QString &kind);

// Row values of a whole table, ordered, for before/after comparisons;
// without the random identities when `identities` is false.
QStringList tableDump(Database &db, const QString &table, bool identities = true);

} // namespace tendro::test
