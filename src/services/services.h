#pragma once
// Messages, file dialogs and the clock, each behind a small interface so
// that tests can script them.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

class QWidget;

namespace tendro {

class DbError;

extern const char *const kAppTitle;   // "TENDRO"

enum class MessageIcon { None, Information, Warning, Critical };

class MessageService {
public:
    virtual ~MessageService() = default;
    // OK button only.
    virtual void show(QWidget *parent, const QString &text, const QString &title = QLatin1String(kAppTitle),
                      MessageIcon icon = MessageIcon::None) = 0;
    // Yes and No buttons; true only for Yes.
    virtual bool ask(QWidget *parent, const QString &text, const QString &title = QLatin1String(kAppTitle)) = 0;
    // "Eroarea " + number + " " + description, information icon, title "Eroare".
    void engineError(QWidget *parent, const DbError &e);
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // Empty text when the user cancels. The save dialog asks before overwriting.
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
    // The same, the dialog proposing `suggested` (a file name whose suffix is
    // added to a name typed without one).
    virtual QString saveFileNameAs(QWidget *parent, const QString &title, const QString &filter,
                                   const QString &suggested)
    {
        Q_UNUSED(suggested);
        return saveFileName(parent, title, filter);
    }
    virtual QString openFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
    // Several existing files at once; empty when the user cancels.
    virtual QStringList openFileNames(QWidget *parent, const QString &title, const QString &filter) = 0;
    // An existing folder; empty when the user cancels.
    virtual QString folder(QWidget *parent, const QString &title) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
    // Date and time to the second: names the dated copies of the working file.
    virtual QDateTime now() const = 0;
};

class BoxMessages : public MessageService {
public:
    void show(QWidget *parent, const QString &text, const QString &title, MessageIcon icon) override;
    bool ask(QWidget *parent, const QString &text, const QString &title) override;
};

class QtFileDialogs : public FileDialogService {
public:
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter) override;
    QString saveFileNameAs(QWidget *parent, const QString &title, const QString &filter,
                           const QString &suggested) override;
    QString openFileName(QWidget *parent, const QString &title, const QString &filter) override;
    QStringList openFileNames(QWidget *parent, const QString &title, const QString &filter) override;
    QString folder(QWidget *parent, const QString &title) override;
};

class SystemClock : public Clock {
public:
    QDate today() const override { return QDate::currentDate(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// The hourglass pointer for as long as the object lives.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace tendro
