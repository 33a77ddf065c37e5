#include "services.h"
#include "store/database.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace tendro {

const char *const kAppTitle = "TENDRO";

void MessageService::engineError(QWidget *parent, const DbError &e)
{
    show(parent, engineErrorMessage(e), QStringLiteral("Eroare"), MessageIcon::Information);
}

void BoxMessages::show(QWidget *parent, const QString &text, const QString &title, MessageIcon icon)
{
    QMessageBox::Icon i = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::None: break;
    case MessageIcon::Information: i = QMessageBox::Information; break;
    case MessageIcon::Warning: i = QMessageBox::Warning; break;
    case MessageIcon::Critical: i = QMessageBox::Critical; break;
    }
    QMessageBox box(i, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool BoxMessages::ask(QWidget *parent, const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

namespace {

// The file the user chose; empty text when the dialog was cancelled.
QString chosenFile(QFileDialog &dialog)
{
    dialog.setObjectName(QStringLiteral("transmit"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

namespace {

// A save dialog that adds `suffix` before its own overwrite question runs.
QString savedFile(QWidget *parent, const QString &title, const QString &filter, const QString &suggested,
                  const QString &suffix)
{
    QFileDialog dialog(parent, title, suggested, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    return chosenFile(dialog);
}

} // namespace

QString QtFileDialogs::saveFileName(QWidget *parent, const QString &title, const QString &filter)
{
    return savedFile(parent, title, filter, QString(), QStringLiteral("mdb"));
}

QString QtFileDialogs::saveFileNameAs(QWidget *parent, const QString &title, const QString &filter,
                                      const QString &suggested)
{
    return savedFile(parent, title, filter, suggested, QFileInfo(suggested).suffix());
}

QString QtFileDialogs::openFileName(QWidget *parent, const QString &title, const QString &filter)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return chosenFile(dialog);
}

QStringList QtFileDialogs::openFileNames(QWidget *parent, const QString &title, const QString &filter)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setObjectName(QStringLiteral("transmit"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

QString QtFileDialogs::folder(QWidget *parent, const QString &title)
{
    QFileDialog dialog(parent, title);
    dialog.setObjectName(QStringLiteral("transmit"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    return chosenFile(dialog);
}

BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }

} // namespace tendro
