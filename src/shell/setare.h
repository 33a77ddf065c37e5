#pragma once
// First-run choice of the directorate and sub-unit; its load is the start-up.

#include <QDialog>

class QCheckBox;
class QListWidget;
class QPushButton;

namespace tendro {

class AppContext;

class Setare : public QDialog {
    Q_OBJECT
public:
    explicit Setare(AppContext &ctx, QWidget *parent = nullptr);

    QListWidget *dir1() const { return dir1_; }
    QListWidget *ocol() const { return ocol_; }

    // Fills `dir1` with the directorates in name order and selects the first.
    void fillDirectorates();
    // `dir1` click: the sub-units of the chosen directorate.
    void directorateChosen();
    // "Continuare": stores the configuration; the caller opens the main window.
    void confirm();

private:
    void updateButton();
    // The configuration of a directorate's installation: sub-unit 0, named as the directorate.
    void confirmDirectorate();

    AppContext &ctx_;
    QListWidget *dir1_;
    QListWidget *ocol_;
    QCheckBox *chkdirectie_;
    QPushButton *butoninstal_;
};

} // namespace tendro
