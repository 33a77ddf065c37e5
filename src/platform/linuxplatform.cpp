#include "platform.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

namespace tendro {

namespace {

// Ignores the frame's close request and the Escape key, which a dialog
// would otherwise take as "close".
class CloseGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close && event->spontaneous()) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && watched->isWidgetType()
            && qobject_cast<QDialog *>(watched)) {
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

const char *const kGuardName = "tendroCloseGuard";

} // namespace

void LinuxPlatform::loadKeyboardLayout(const QString &) {}

bool LinuxPlatform::setDecimalSeparator(const QString &)
{
    // The program writes and reads every number with "." itself, so the
    // user's regional settings are left as they are.
    return true;
}

void LinuxPlatform::removeCloseCommand(QWidget *window)
{
    if (window->findChild<QObject *>(QLatin1String(kGuardName), Qt::FindDirectChildrenOnly))
        return;
    window->setWindowFlag(Qt::WindowCloseButtonHint, false);
    auto *guard = new CloseGuard(window);
    guard->setObjectName(QLatin1String(kGuardName));
    window->installEventFilter(guard);
}

void LinuxPlatform::restoreCloseCommand(QWidget *window)
{
    window->setWindowFlag(Qt::WindowCloseButtonHint, true);
    delete window->findChild<QObject *>(QLatin1String(kGuardName), Qt::FindDirectChildrenOnly);
}

DisplayMode LinuxPlatform::currentDisplayMode()
{
    DisplayMode m;
    if (QScreen *s = QGuiApplication::primaryScreen()) {
        m.width = s->size().width();
        m.height = s->size().height();
        m.bitsPerPixel = s->depth();
    }
    return m;
}

void LinuxPlatform::applyDisplayMode(const DisplayMode &)
{
    // The user's display is never changed; the windows fit 1024 x 768.
}

void LinuxPlatform::endProgram()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace tendro
