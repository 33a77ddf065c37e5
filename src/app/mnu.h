#pragma once
// The main window: the sub-unit in its caption and every menu entry.

#include <QDialog>

class QAction;

namespace tendro {

class AppContext;
struct Subunitate;

// "TENDRO", blanks, the directorate and the sub-unit, spread over the title bar.
QString mainCaption(const Subunitate &s);

class Mnu : public QDialog {
    Q_OBJECT
public:
    explicit Mnu(AppContext &ctx, QWidget *parent = nullptr);
    QAction *action(const QString &name) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QAction *addEntry(QMenu *menu, const char *name, const QString &caption, void (Mnu::*handler)());
    void openProgram();
    void openRealizations();
    void openCentralizer();
    void openThresholds();
    void transmitServer();
    void takeServer();
    void exportManual();
    void importManual();
    void openSignatories();
    void openPassword();
    void openRestore();
    void exitProgram();
    // A directorate's installation.
    void openTakeIn();
    void openApproval();
    void openReturn();

    AppContext &ctx_;
};

} // namespace tendro
