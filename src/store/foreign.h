#pragma once
// Files the program did not write itself (an import source, a sub-unit's
// file taken in by the directorate, a dated copy to restore, a working file
// at start) are read by a short-lived child process, the reader, on a fenced
// connection: only plain tables, no view, trigger or virtual table, text and
// row lengths capped, only reads of the tables asked for. The child writes
// the rows as plain values; a crash, a hang or garbage there is one error
// here, and nothing of the program's own files changes.

#include "database.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

namespace tendro {

// " Fisierul ales nu este un fisier TENDRO valid (contine obiecte necunoscute). "
extern const char *const kUnknownObjectsMessage;
// " Fisierul ales nu poate fi citit. "
extern const char *const kUnreadableMessage;

class ForeignFileError : public std::runtime_error {
public:
    enum class Kind {
        UnknownObjects,   // refused: a view, trigger or virtual table
        Unreadable,       // the reader crashed, hung, said nothing sensible, or a value was over the cap
        Engine            // the engine's own failure (wrong password, a missing table, a damaged page),
                          // or no reader to start
    };
    ForeignFileError(Kind kind, const DbError &engine);
    Kind kind() const { return kind_; }
    const DbError &engine() const { return engine_; }
    // What users are told.
    QString message() const;

private:
    Kind kind_;
    DbError engine_;
};

// The reader program; beside the running executable unless set.
QString readerProgram();
void setReaderProgram(const QString &path);
// How long a reader may take before it counts as hung: a minute unless set.
int readerTimeoutMs();
void setReaderTimeout(int milliseconds);

struct ForeignRead {
    QString path;
    QString password;
    std::optional<int> idos;       // program and realiz rows of this sub-unit only
    QStringList tables{QStringLiteral("program"), QStringLiteral("realiz"), QStringLiteral("cpv")};
    QStringList optionalTables{QStringLiteral("setare"), QStringLiteral("praguri"), QStringLiteral("aprobari")};
    int timeoutMs = readerTimeoutMs();
};

class ForeignTables {
public:
    // A table asked for; an optional one the file lacks reads with no columns and no rows.
    const ResultSet &operator[](const QString &table) const;
    bool has(const QString &table) const { return present_.contains(table); }

private:
    friend ForeignTables readForeignFile(const ForeignRead &request);
    QMap<QString, ResultSet> tables_;
    QStringList present_;
};

// The tables of a file from outside: program and realiz in key order (only
// the sub-unit's rows when `idos` is set), the rest in file order; every
// text cut at the length its box takes. A required table the file lacks
// fails as the engine's "no such table". Throws ForeignFileError.
ForeignTables readForeignFile(const ForeignRead &request);

// What a check of a whole file found.
struct FileCheck {
    enum class Verdict {
        Whole,            // opens, passes the checks asked for, holds every table
        Plain,            // no database password, reads without one (asked for only)
        UnknownObjects,   // a view, trigger or virtual table
        MissingTables,    // `missing` names them
        Damaged,          // not a database with this password, a bad page, a value over the cap
        Unreadable,       // the reader crashed, hung or said nothing sensible
        Failed            // the engine refused for another reason (`error`): the disk, a lock; or no
                          // reader to start
    };
    Verdict verdict = Verdict::Unreadable;
    QStringList missing;
    DbError error{0, QString()};
    QMap<QString, qint64> rows;   // by table, when rows were read through
    bool whole() const { return verdict == Verdict::Whole; }
};

struct CheckRequest {
    QStringList paths;
    QString password;
    QStringList tables;       // every one required
    bool integrity = true;    // the engine's integrity check
    bool rows = true;         // every row read through, under the length cap, and counted
    bool plain = false;       // tell a file without password apart
    int timeoutMs = readerTimeoutMs();
};
// One verdict per path, in order; a file that brings the reader down is
// Unreadable and the others are checked still.
QList<FileCheck> checkForeignFiles(const CheckRequest &request);

} // namespace tendro
