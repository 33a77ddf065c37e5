#include "server.h"
#include "server/directorate.h"
#include "server/settings.h"
#include "server/subunit.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/database.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tendro {

namespace {

const char *const kNotAvailable = " Momentan nu este posibil ! ";

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

QString checkServerSettings(const ServerSettings &s)
{
    if (!s.configured())
        return QStringLiteral(" Completati adresa serverului. ");
    if (s.port < 1 || s.port > 65535)
        return QStringLiteral(" Portul trebuie sa fie un numar intre 1 si 65535. ");
    if (s.baza.trimmed().isEmpty() || s.cont.trimmed().isEmpty())
        return QStringLiteral(" Completati baza de date si contul. ");
    if (!s.ca.trimmed().isEmpty() && !QFileInfo(s.ca.trimmed()).isFile())
        return QStringLiteral(" Fisierul certificatului nu exista: ") + s.ca.trimmed() + QLatin1Char(' ');
    return QString();
}

void showServerError(AppContext &ctx, QWidget *parent, const ServerError &e, bool detail)
{
    if (e.fault() == ServerFault::Other) {
        ctx.messages.show(parent, serverErrorMessage(e), QStringLiteral("Eroare"), MessageIcon::Information);
        return;
    }
    QString text = serverErrorMessage(e);
    if (detail && !e.text().isEmpty())
        text += QLatin1Char('\n') + e.text();
    ctx.messages.show(parent, text);
}

std::unique_ptr<PgConnection> connectToServer(AppContext &ctx, QWidget *parent, const ServerSettings &settings,
                                              bool detail)
{
    const QString key = settings.key();
    QString password = ctx.serverPasswords.value(key);
    for (;;) {
        try {
            std::unique_ptr<PgConnection> pg;
            {
                BusyCursor busy;
                pg = PgConnection::open(settings, password);
            }
            if (!password.isEmpty())
                ctx.serverPasswords.insert(key, password);
            return pg;
        } catch (const ServerError &e) {
            if (e.fault() == ServerFault::NeedsPassword && password.isEmpty()) {
                ParolaServer ask(settings, parent);
                if (ask.exec() != QDialog::Accepted)
                    return nullptr;
                password = ask.password();
                continue;
            }
            if (e.fault() == ServerFault::Password || e.fault() == ServerFault::NeedsPassword)
                ctx.serverPasswords.remove(key);
            showServerError(ctx, parent, e, detail);
            return nullptr;
        }
    }
}

namespace {

// The local file's settings; false, and " Momentan nu este posibil ! " or the file's error shown, when there are none.
bool configuredSettings(AppContext &ctx, QWidget *parent, ServerSettings &settings)
{
    try {
        settings = loadServerSettings(ctx.db());
    } catch (const DbError &e) {
        ctx.messages.engineError(parent, e);
        return false;
    }
    if (!settings.configured())
        ctx.messages.show(parent, QLatin1String(kNotAvailable));
    return settings.configured();
}

} // namespace

std::unique_ptr<PgConnection> connectToConfiguredServer(AppContext &ctx, QWidget *parent)
{
    ServerSettings settings;
    if (!configuredSettings(ctx, parent, settings))
        return nullptr;
    return connectToServer(ctx, parent, settings);
}

void transmitToServer(AppContext &ctx, QWidget *parent)
{
    ServerSettings settings;
    if (!configuredSettings(ctx, parent, settings))
        return;
    if (!ctx.messages.ask(parent, QStringLiteral(" Se transmite programul subunitatii ") + ctx.subunitate.numeos
                                      + QStringLiteral(" pe server. Continuati ? ")))
        return;
    const auto pg = connectToServer(ctx, parent, settings);
    if (!pg)
        return;
    TransmitCounts counts;
    try {
        BusyCursor busy;
        counts = transmitProgramme(*pg, ctx.db(), ctx.subunitate.idos);
    } catch (const ServerError &e) {
        showServerError(ctx, parent, e);
        return;
    } catch (const DbError &e) {
        ctx.messages.engineError(parent, e);
        return;
    }
    ctx.messages.show(parent, transmitMessage(counts), QStringLiteral("Transmitere"), MessageIcon::Information);
}

void takeFromServer(AppContext &ctx, QWidget *parent)
{
    const auto pg = connectToConfiguredServer(ctx, parent);
    if (!pg)
        return;
    const int idos = ctx.subunitate.idos;
    TakeBackCounts counts;
    try {
        ServerProgramme server;
        QStringList only;
        {
            BusyCursor busy;
            server = readServerProgramme(*pg, idos);
            only = onlyOnServer(server, ctx.db(), idos);
        }
        const bool take =
            !only.isEmpty()
            && ctx.messages.ask(parent, QStringLiteral(" %1 pozitii exista doar pe server. Le preluati ? ").arg(only.size()));
        BusyCursor busy;
        counts = applyTakeBack(ctx.db(), server, idos, take);
    } catch (const ServerError &e) {
        showServerError(ctx, parent, e);
        return;
    } catch (const DbError &e) {
        ctx.messages.engineError(parent, e);
        return;
    }
    ctx.messages.show(parent, takeBackMessage(counts), QStringLiteral("Preluare date"), MessageIcon::Information);
}

ServerWindow::ServerWindow(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("server"));
    setWindowTitle(QStringLiteral("CONECTARE LA SERVER"));
    host_ = named(new QLineEdit(this), "Text1");
    port_ = named(new QLineEdit(this), "Text2");
    port_->setMaxLength(5);
    baza_ = named(new QLineEdit(this), "Text3");
    cont_ = named(new QLineEdit(this), "Text4");
    ca_ = named(new QLineEdit(this), "Text5");
    sslmode_ = named(new QComboBox(this), "Combo1");
    sslmode_->addItems({QStringLiteral("verify-full"), QStringLiteral("require")});
    for (QLineEdit *field : {host_, port_, baza_, cont_, ca_})
        selectAllOnFocus(field);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Server (adresa sau folderul socket-ului)"), host_);
    form->addRow(QStringLiteral("Port"), port_);
    form->addRow(QStringLiteral("Baza de date"), baza_);
    form->addRow(QStringLiteral("Cont"), cont_);
    form->addRow(QStringLiteral("Certificatul autoritatii (CA)"), ca_);
    form->addRow(QStringLiteral("Verificarea certificatului"), sslmode_);
    auto *verify = button(this, "Command1", QStringLiteral("Verificare"));
    auto *save = button(this, "Command2", QStringLiteral("Salvare"));
    auto *quit = button(this, "Command3", QStringLiteral("Iesire"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(verify);
    buttons->addWidget(save);
    buttons->addWidget(quit);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addLayout(buttons);
    resize(560, 260);
    connect(verify, &QPushButton::clicked, this, &ServerWindow::verify);
    connect(save, &QPushButton::clicked, this, &ServerWindow::save);
    connect(quit, &QPushButton::clicked, this, &QDialog::accept);

    ServerSettings s;
    try {
        s = loadServerSettings(ctx_.db());
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
    // The account named after the unit that this file is for.
    if (s.cont.isEmpty())
        s.cont = ctx_.subunitate.idos != 0 ? QStringLiteral("os%1").arg(ctx_.subunitate.idos)
                                            : QStringLiteral("ds%1").arg(ctx_.subunitate.idds);
    host_->setText(s.host);
    port_->setText(QString::number(s.port));
    baza_->setText(s.baza);
    cont_->setText(s.cont);
    ca_->setText(s.ca);
    sslmode_->setCurrentIndex(qMax(0, sslmode_->findText(s.sslmode)));
}

ServerSettings ServerWindow::typed() const
{
    ServerSettings s;
    s.host = host_->text().trimmed();
    bool number = false;
    s.port = port_->text().trimmed().toInt(&number);
    if (!number)
        s.port = 0;
    s.baza = baza_->text().trimmed();
    s.cont = cont_->text().trimmed();
    s.ca = ca_->text().trimmed();
    s.sslmode = sslmode_->currentText();
    return s;
}

void ServerWindow::verify()
{
    const ServerSettings s = typed();
    if (const QString wrong = checkServerSettings(s); !wrong.isEmpty()) {
        ctx_.messages.show(this, wrong);
        return;
    }
    const auto pg = connectToServer(ctx_, this, s, true);
    if (!pg)
        return;
    try {
        BusyCursor busy;
        if (ctx_.subunitate.idos != 0)
            checkSubunitAccount(*pg, ctx_.subunitate.idos);
        else
            checkDirectorateAccount(*pg, ctx_.subunitate.idds);
    } catch (const ServerError &e) {
        showServerError(ctx_, this, e, true);
        return;
    }
    ctx_.messages.show(this, QStringLiteral(" Conexiunea la server functioneaza. "));
}

void ServerWindow::save()
{
    const ServerSettings s = typed();
    // An empty address turns the server off; anything else must be whole.
    if (const QString wrong = checkServerSettings(s); s.configured() && !wrong.isEmpty()) {
        ctx_.messages.show(this, wrong);
        return;
    }
    try {
        saveServerSettings(ctx_.db(), s);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    ctx_.messages.show(this, QStringLiteral(" Datele au fost salvate "));
}

ParolaServer::ParolaServer(const ServerSettings &settings, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("parolaserver"));
    setWindowTitle(QStringLiteral("PAROLA SERVER"));
    auto *label = named(new QLabel(QStringLiteral("Parola contului %1 pe serverul %2")
                                       .arg(settings.cont.trimmed(), settings.host.trimmed()),
                                   this),
                        "Label1");
    password_ = named(new QLineEdit(this), "Text1");
    password_->setEchoMode(QLineEdit::Password);
    auto *ok = button(this, "Command1", QStringLiteral("Conectare"));
    auto *cancel = button(this, "Command2", QStringLiteral("Renunta"));
    ok->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(label);
    lay->addWidget(password_);
    lay->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (!password_->text().isEmpty())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString ParolaServer::password() const { return password_->text(); }

} // namespace tendro
