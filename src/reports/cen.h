#pragma once
// "Centralizatoare": the programme of a year chosen by criteria, printed as
// proposals or as the approved programme, plain or grouped by CPV code.

#include "criteria.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace tendro {

class AppContext;
class ReportJob;

class Cen : public QDialog {
    Q_OBJECT
public:
    explicit Cen(AppContext &ctx, QWidget *parent = nullptr);

    QString datamin() const { return datamin_; }
    QString datamax() const { return datamax_; }
    // What "Raport" would run with the window as it stands.
    CriteriaState state() const;
    ReportJob *job(const QString &reportFile) const;

private:
    void build();
    void load();
    void yearChosen();
    void approvedChosen();
    void proposalsChosen();
    void dateLostFocus(QLineEdit *box);
    // Every enabled date box passes its check; else the first refusal is shown.
    bool datesPass();
    // The value bounds read as amounts; a text that is none is said, and the report waits.
    bool amountsPass();
    void report();

    AppContext &ctx_;
    QListWidget *anul_, *fond_, *listp_, *listtip_;
    QRadioButton *aprob_, *prop_;
    QCheckBox *act_, *fel_, *sursa_, *lei_, *resp_, *incep_, *termin_, *proced_, *grupcpv_;
    QGroupBox *frame1_, *frame2_;
    QRadioButton *act1_, *act2_, *act3_, *prod_, *serv_, *lucr_;
    QLabel *label5_, *label10_, *label11_, *label12_, *label13_;
    QLineEdit *lei1_, *lei2_, *incep1_, *incep2_, *fin1_, *fin2_;
    QComboBox *reglaj_;
    QComboBox *subunit_ = nullptr;   // a directorate's: every sub-unit (empty entry) or one
    ReportJob *rapprog_, *rapproga_, *rapprogagrup_;
    QString datamin_, datamax_;
    QLineEdit *refusedBox_ = nullptr;   // the box whose leaving was just refused
};

} // namespace tendro
