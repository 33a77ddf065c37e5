#include "fields.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

namespace tendro {

namespace {

class SelectAllOnFocus : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn)
            // After the click that brought the focus has placed the cursor.
            QTimer::singleShot(0, static_cast<QLineEdit *>(watched), &QLineEdit::selectAll);
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void selectAllOnFocus(QLineEdit *field)
{
    field->installEventFilter(new SelectAllOnFocus(field));
}

} // namespace tendro
