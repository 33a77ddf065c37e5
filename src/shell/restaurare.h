#pragma once
// The way back to a dated copy of the working file.

#include "backups.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace tendro {

class AppContext;

class Restaurare : public QDialog {
    Q_OBJECT
public:
    explicit Restaurare(AppContext &ctx, QWidget *parent = nullptr);

private:
    void fill();
    void restore();

    AppContext &ctx_;
    QListWidget *list_;
    QPushButton *restore_;
    QList<DatedCopy> copies_;   // in the list's order
};

} // namespace tendro
