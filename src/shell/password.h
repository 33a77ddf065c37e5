#pragma once
// The user's own password: login at start, set and change from the menu.
// It is kept as a salted key-derivation hash, never as the typed text.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tendro {

class AppContext;
class Database;

// Rounds of the key derivation behind a new hash, and the most a stored
// hash may ask for (a file from elsewhere could ask for years of work).
constexpr int kPasswordRounds = 600000;
constexpr int kMostPasswordRounds = 5000000;
// The rounds new hashes get: kPasswordRounds, unless a test of many
// passwords lowers them for its own process.
int passwordRounds();
void setPasswordRounds(int rounds);

// The text a password is hashed and compared as: Unicode NFC, and the
// cedilla forms of s and t as their comma forms, so that a letter typed on
// one keyboard or another, composed or not, is the same letter.
QString passwordText(const QString &typed);
QString hashPassword(const QString &password, int rounds = passwordRounds());
// Exact comparison (case and blanks count). A stored value that is not a
// hash comes from an older file and is compared as plain text; a hash that
// asks for more rounds than the most allowed matches nothing.
bool passwordMatches(const QString &typed, const QString &stored);
// A stored value that should be hashed anew once its password is known:
// plain text, or a hash of fewer rounds than new ones get.
bool needsNewHash(const QString &stored);
// The stored value; null reads as empty text (no password).
QString storedPassword(Database &db);
// Stores a password as typed; empty text means no password.
void storePassword(Database &db, const QString &password);
// Blanks at either end of a new password are refused: they cannot be seen.
bool blankAtEnds(const QString &password);

// "PAROLA": opens `par1` when no password is set, `par2` otherwise.
void passwordEntry(AppContext &ctx, QWidget *parent);

class Par : public QDialog {
    Q_OBJECT
public:
    explicit Par(AppContext &ctx, QWidget *parent = nullptr);
    void tryPassword();

private:
    AppContext &ctx_;
    QLineEdit *passconf_;
};

class Par1 : public QDialog {
    Q_OBJECT
public:
    explicit Par1(AppContext &ctx, QWidget *parent = nullptr);
    void save();

private:
    AppContext &ctx_;
    QLineEdit *pass_;
    QLineEdit *passc_;
};

class Par2 : public QDialog {
    Q_OBJECT
public:
    explicit Par2(AppContext &ctx, QWidget *parent = nullptr);
    void save();

private:
    AppContext &ctx_;
    QLineEdit *passold_;
    QLineEdit *pass_;
    QLineEdit *passc_;
};

} // namespace tendro
