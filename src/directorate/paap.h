#pragma once
// The directorate's legal annual procurement programme: its approval (number,
// date, initial version or update), remembered per year, and its rows, one
// per purchase and procedure of the approved items, as the report prints them.

#include "store/database.h"
#include "thresholds/purchases.h"

#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

class QLineEdit;
class QRadioButton;

namespace tendro {

class AppContext;

struct PaapApproval {
    QString numar;           // the approval's number
    QString data;            // its date, dd.mm.yyyy
    bool actualizare = false;
    QString nractualizare;   // the update's number
};

// The approval last given for the year; empty fields when none.
PaapApproval loadPaap(Database &db, int year);
void savePaap(Database &db, int year, const PaapApproval &approval);

// The block right above the title: "APROBAT", the head's title and name,
// "Nr. 12 din 15.01.2027".
QStringList paapApprovalLines(const PaapApproval &approval, const QString &headTitle, const QString &head);
// "Varianta initiala" or "Actualizarea nr. 2 din 15.03.2027".
QString paapVersionLine(const PaapApproval &approval);

// The catalogue's codes of class, group and division level (cod2 a multiple
// of 10 000), each with its text code and name: what names a purchase that is
// not a work.
struct LevelCode {
    QString cod, den;
};
using LevelCodes = QHash<qint64, LevelCode>;
LevelCodes loadLevelCodes(Database &db);
// The entry naming a class, group or division purchase; null for a work or a code the catalogue lacks.
const LevelCode *levelCodeOf(const LevelCodes &codes, const Purchase &p);

// Section and kind captions of the programme's rows.
extern const char *const kPaapMain;     // "Achizitii publice"
extern const char *const kPaapDirect;   // "Anexa - Achizitii directe"
QString paapKindCaption(const QString &kind);

// The rows of the year's programme over the sub-units given: one per
// purchase (by the thresholds' rules, summed over the sub-units) and
// procedure of its approved items; those with another procedure than a
// direct purchase first, then the direct purchases; within each, by kind,
// then by CPV code. Columns "achizitie.<field>" for the report.
ResultSet legalProgrammeRows(Database &db, int year, const QVector<int> &idos);

// "APROBAREA PROGRAMULUI": the approval asked for before the programme is
// printed, offered again as last given for the year.
class PaapDate : public QDialog {
    Q_OBJECT
public:
    PaapDate(AppContext &ctx, int year, QWidget *parent = nullptr);
    // What was typed, once "Continuare" took it.
    PaapApproval approval() const { return taken_; }

private:
    void proceed();

    AppContext &ctx_;
    int year_;
    QLineEdit *text1_, *text2_, *text3_;
    QRadioButton *option1_, *option2_;
    PaapApproval taken_;
};

} // namespace tendro
