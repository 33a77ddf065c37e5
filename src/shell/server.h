#pragma once
// The directorate's server as the user meets it: where it is (`server`,
// from SETARI), its password asked once per run (`parolaserver`), the
// connection with one message per fault, and the sub-unit's two menu
// entries TRANSMITERE > Pe server and PRELUARE > De pe server.

#include "server/pg.h"

#include <QDialog>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;

namespace tendro {

class AppContext;
class ServerError;

// What is wrong with the settings before any connection is tried; empty when nothing.
QString checkServerSettings(const ServerSettings &settings);

// Shows the fault's one message; with `detail`, the server's own text under it.
void showServerError(AppContext &ctx, QWidget *parent, const ServerError &e, bool detail = false);

// Connects to the server, asking for the password (`parolaserver`) when
// libpq finds none and none was typed this run; a password the server takes
// is kept in memory for the rest of the run, one it refuses is forgotten.
// A fault is shown and null returned; so is "Renunta".
std::unique_ptr<PgConnection> connectToServer(AppContext &ctx, QWidget *parent, const ServerSettings &settings,
                                              bool detail = false);
// The same with the local file's settings; with none, " Momentan nu este
// posibil ! " is shown and null returned.
std::unique_ptr<PgConnection> connectToConfiguredServer(AppContext &ctx, QWidget *parent);

// TRANSMITERE > Pe server and PRELUARE > De pe server.
void transmitToServer(AppContext &ctx, QWidget *parent);
void takeFromServer(AppContext &ctx, QWidget *parent);

class ServerWindow : public QDialog {
    Q_OBJECT
public:
    explicit ServerWindow(AppContext &ctx, QWidget *parent = nullptr);
    ServerSettings typed() const;
    void verify();
    void save();

private:
    AppContext &ctx_;
    QLineEdit *host_, *port_, *baza_, *cont_, *ca_;
    QComboBox *sslmode_;
};

class ParolaServer : public QDialog {
    Q_OBJECT
public:
    ParolaServer(const ServerSettings &settings, QWidget *parent = nullptr);
    QString password() const;

private:
    QLineEdit *password_;
};

} // namespace tendro
