#include "password.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/database.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace tendro {

namespace {

const char *const kHashTag = "pbkdf2-sha256";

// An empty result when the rounds are out of bounds or the library fails.
QByteArray derive(const QByteArray &pw, const QByteArray &salt, int rounds)
{
    QByteArray out(32, '\0');
    if (rounds <= 0 || rounds > kMostPasswordRounds
        || PKCS5_PBKDF2_HMAC(pw.constData(), pw.size(), reinterpret_cast<const unsigned char *>(salt.constData()),
                             salt.size(), rounds, EVP_sha256(), out.size(), reinterpret_cast<unsigned char *>(out.data()))
               != 1)
        return QByteArray();
    return out;
}

// Tag, rounds, salt and hash of a stored value; no rounds when it is no hash.
struct StoredHash {
    int rounds = 0;
    QByteArray salt, hash;
};

StoredHash parseHash(const QString &stored)
{
    const QStringList parts = stored.split(QLatin1Char('$'));
    StoredHash h;
    if (parts.size() != 4 || parts.at(0) != QLatin1String(kHashTag))
        return h;
    bool ok = false;
    h.rounds = parts.at(1).toInt(&ok);
    if (!ok || h.rounds <= 0)
        h.rounds = -1;   // a hash that cannot be checked
    h.salt = QByteArray::fromHex(parts.at(2).toLatin1());
    h.hash = QByteArray::fromHex(parts.at(3).toLatin1());
    return h;
}

QLineEdit *maskedField(QWidget *parent, const char *name, int maxLength)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setEchoMode(QLineEdit::Password);
    e->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));   // "*"
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QLabel *label(QWidget *parent, const char *name, const QString &caption)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

namespace {

int roundsOfNewHashes = kPasswordRounds;

} // namespace

int passwordRounds() { return roundsOfNewHashes; }

void setPasswordRounds(int rounds) { roundsOfNewHashes = rounds; }

QString passwordText(const QString &typed)
{
    QString t = typed.normalized(QString::NormalizationForm_C);
    for (const auto &[cedilla, comma] : {std::pair{u'\u015F', u'\u0219'}, {u'\u015E', u'\u0218'},
                                         {u'\u0163', u'\u021B'}, {u'\u0162', u'\u021A'}})
        t.replace(QChar(cedilla), QChar(comma));
    return t;
}

QString hashPassword(const QString &password, int rounds)
{
    QByteArray salt(16, '\0');
    RAND_bytes(reinterpret_cast<unsigned char *>(salt.data()), salt.size());
    return QLatin1String(kHashTag) + QLatin1Char('$') + QString::number(rounds) + QLatin1Char('$')
        + QString::fromLatin1(salt.toHex()) + QLatin1Char('$')
        + QString::fromLatin1(derive(passwordText(password).toUtf8(), salt, rounds).toHex());
}

bool passwordMatches(const QString &typed, const QString &stored)
{
    const StoredHash h = parseHash(stored);
    if (h.rounds == 0)
        return passwordText(typed) == passwordText(stored);
    const auto same = [&h](const QString &text) {
        const QByteArray got = derive(text.toUtf8(), h.salt, h.rounds);
        return !got.isEmpty() && h.hash.size() == got.size()
            && CRYPTO_memcmp(h.hash.constData(), got.constData(), size_t(got.size())) == 0;
    };
    // A hash made before passwords were normalised holds the text as it was typed.
    return same(passwordText(typed)) || (passwordText(typed) != typed && same(typed));
}

bool needsNewHash(const QString &stored)
{
    const int rounds = parseHash(stored).rounds;
    return !stored.isEmpty() && rounds >= 0 && rounds < passwordRounds();
}

bool blankAtEnds(const QString &password) { return password != password.trimmed(); }

QString storedPassword(Database &db)
{
    const ResultSet rs = db.query(QStringLiteral("Select parola FROM valid"));
    return rs.isEmpty() ? QString() : rs.text(0, QStringLiteral("parola"));
}

void storePassword(Database &db, const QString &password)
{
    const QString value = password.isEmpty() ? QString(QLatin1String("")) : hashPassword(password);
    // A file whose `valid` lost its row would otherwise keep no password at all.
    if (db.query(QStringLiteral("Select parola FROM valid")).isEmpty())
        db.exec(QStringLiteral("INSERT INTO valid (parola) VALUES(?)"), {value});
    else
        db.exec(QStringLiteral("UPDATE valid SET parola=?"), {value});
}

void passwordEntry(AppContext &ctx, QWidget *parent)
{
    QString stored;
    try {
        stored = storedPassword(ctx.db());
    } catch (const DbError &e) {
        ctx.messages.engineError(parent, e);
        return;
    }
    if (stored.isEmpty()) {
        Par1 w(ctx, parent);
        w.exec();
    } else {
        Par2 w(ctx, parent);
        w.exec();
    }
}

Par::Par(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("par"));
    setWindowTitle(QString());
    passconf_ = maskedField(this, "passconf", 0);
    selectAllOnFocus(passconf_);
    auto *ok = button(this, "Command2", QStringLiteral("OK"));
    auto *cancel = button(this, "Command1", QStringLiteral("Revocare"));
    auto *lay = new QGridLayout(this);
    lay->addWidget(label(this, "label1", QStringLiteral("Parola")), 0, 0);
    lay->addWidget(passconf_, 0, 1, 1, 2);
    lay->addWidget(ok, 1, 1);
    lay->addWidget(cancel, 1, 2);
    ctx_.platform.removeCloseCommand(this);
    connect(ok, &QPushButton::clicked, this, &Par::tryPassword);
    connect(passconf_, &QLineEdit::returnPressed, this, &Par::tryPassword);
    connect(cancel, &QPushButton::clicked, this, [this] {
        ctx_.platform.endProgram();
        reject();
    });
    passconf_->setFocus();
}

void Par::tryPassword()
{
    QString stored;
    try {
        stored = storedPassword(ctx_.db());
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    if (passwordMatches(passconf_->text(), stored)) {
        // Known now, the password is hashed anew: plain text from an older file, or too few rounds.
        if (needsNewHash(stored)) {
            try {
                storePassword(ctx_.db(), passconf_->text());
            } catch (const DbError &) {
                // The old value still lets the user in; the next login tries again.
            }
        }
        accept();
        return;
    }
    if (ctx_.incercari != 3) {
        ctx_.messages.show(this, QStringLiteral(" Parola nu corespunde !!! "));
        ++ctx_.incercari;
        passconf_->setFocus();
        passconf_->selectAll();
        return;
    }
    ctx_.messages.show(this, QStringLiteral(" Va rugam nu mai insistati.Sunteti un intrus !!! "));
    ctx_.platform.endProgram();
    reject();
}

Par1::Par1(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("par1"));
    setWindowTitle(QStringLiteral("Introducere parola"));
    pass_ = maskedField(this, "pass", 30);
    passc_ = maskedField(this, "passc", 30);
    auto *save = button(this, "Command2", QStringLiteral("Salvare"));
    auto *quit = button(this, "Command1", QStringLiteral("Iesire"));
    auto *lay = new QGridLayout(this);
    lay->addWidget(label(this, "label1", QStringLiteral("Parola")), 0, 0);
    lay->addWidget(pass_, 0, 1, 1, 2);
    lay->addWidget(label(this, "Label2", QStringLiteral("Confirmare parola")), 1, 0);
    lay->addWidget(passc_, 1, 1, 1, 2);
    lay->addWidget(save, 2, 1);
    lay->addWidget(quit, 2, 2);
    ctx_.platform.removeCloseCommand(this);
    connect(save, &QPushButton::clicked, this, &Par1::save);
    connect(quit, &QPushButton::clicked, this, &QDialog::reject);
}

namespace {

const char *const kBlankAtEnds = " Parola nu poate incepe sau se termina cu spatiu ";

} // namespace

void Par1::save()
{
    // What the boxes show is what is compared and stored.
    if (blankAtEnds(pass_->text()) || blankAtEnds(passc_->text())) {
        ctx_.messages.show(this, QLatin1String(kBlankAtEnds));
        pass_->clear();
        passc_->clear();
        return;
    }
    if (passwordText(passc_->text()) != passwordText(pass_->text())) {
        ctx_.messages.show(this, QStringLiteral("Parola nu a fost confirmata !!! "));
        pass_->clear();
        passc_->clear();
        return;
    }
    try {
        storePassword(ctx_.db(), pass_->text());
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    accept();
}

Par2::Par2(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("par2"));
    setWindowTitle(QStringLiteral("Modificare parola"));
    passold_ = maskedField(this, "passold", 30);
    pass_ = maskedField(this, "pass", 30);
    passc_ = maskedField(this, "passc", 30);
    auto *save = button(this, "Command2", QStringLiteral("Salvare"));
    auto *quit = button(this, "Command1", QStringLiteral("Iesire"));
    auto *lay = new QGridLayout(this);
    lay->addWidget(label(this, "label3", QStringLiteral("Parola veche")), 0, 0);
    lay->addWidget(passold_, 0, 1, 1, 2);
    lay->addWidget(label(this, "label1", QStringLiteral("Parola noua")), 1, 0);
    lay->addWidget(pass_, 1, 1, 1, 2);
    lay->addWidget(label(this, "Label2", QStringLiteral("Confirmare parola noua")), 2, 0);
    lay->addWidget(passc_, 2, 1, 1, 2);
    lay->addWidget(save, 3, 1);
    lay->addWidget(quit, 3, 2);
    ctx_.platform.removeCloseCommand(this);
    connect(save, &QPushButton::clicked, this, &Par2::save);
    connect(quit, &QPushButton::clicked, this, &QDialog::reject);
}

void Par2::save()
{
    try {
        Database &db = ctx_.db();
        if (!passwordMatches(passold_->text(), storedPassword(db))) {
            ctx_.messages.show(this, QStringLiteral(" Parola veche nu corespunde !!! "));
            passold_->clear();
            pass_->clear();
            passc_->clear();
            return;
        }
        if (blankAtEnds(pass_->text()) || blankAtEnds(passc_->text())) {
            ctx_.messages.show(this, QLatin1String(kBlankAtEnds));
            pass_->clear();
            passc_->clear();
            return;
        }
        if (passwordText(passc_->text()) != passwordText(pass_->text())) {
            ctx_.messages.show(this, QStringLiteral(" Parola nu a fost confirmata !!! "));
            pass_->clear();
            passc_->clear();
            return;
        }
        storePassword(db, pass_->text());
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    accept();
}

} // namespace tendro
