#pragma once
// Splash window shown while the program starts.

#include <QDialog>

class QTimer;

namespace tendro {

class AppContext;

class Init : public QDialog {
    Q_OBJECT
public:
    explicit Init(AppContext &ctx, QWidget *parent = nullptr);
    QTimer *timp() const { return timp_; }

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QTimer *timp_;
};

} // namespace tendro
