#pragma once
// The legal value thresholds of public procurement and the procedure an
// item's value calls for. The thresholds are rows of table `praguri`, by the
// date they came into force, so the office corrects them without a new
// program. The value that decides is the total of the item's CPV class (its
// first four digits) for the same sub-unit, kind and year, because the law
// adds up purchases of similar use; a class of one item is that item.

#include <QString>
#include <optional>

namespace tendro {

class Database;

// "L" for works (cpv.fel 3), "PS" for goods and services.
QString thresholdKind(int fel);
// The class of a CPV code: its first four digits.
QString cpvClass(const QString &cod);

enum class Band { None, Direct, Simplified, Open };
// "achizitie directa", "procedura simplificata", "licitatie deschisa"; empty for None.
QString bandText(Band band);

struct Thresholds {
    qint64 directa = 0;        // direct purchase below it
    qint64 simplificata = 0;   // simplified procedure below it; open procedures from it up
    bool known() const { return directa > 0; }
};

// None when no thresholds were in force.
Band bandOf(double value, const Thresholds &t);

// How heavy a procedure stored by the directorate is: "achizitie directa" 1,
// "proced.simplif." 2, "licitatie", "negociere fara public." and any other
// procedure 3 (they stand with the open ones); empty text 0 (not approved).
// The band names themselves weigh as their procedures.
int procedureWeight(const QString &proced);
// True when the stored procedure is lighter than the band of the item's class.
bool lighterThanBand(const QString &proced, const QString &band);
// The tooltip of a marked row: both procedures.
QString lighterProcedureTip(const QString &proced, const QString &band);

// The row of the kind with the latest valid-from date not after `date` (yyyymmdd).
Thresholds thresholdsInForce(Database &db, const QString &kind, const QString &date);

struct ClassKey {
    int idos = 0;
    QString clasa;   // four digits
    QString kind;    // "PS" or "L"
    int year = 0;
};

struct ClassTotal {
    double total = 0;
    int count = 0;
    double largest = 0;   // the largest single item
};

// The class's items of the year (by datainc2), projects and funds included,
// in one query; `leaveOut` is an item left out (the one being edited).
ClassTotal classTotal(Database &db, const ClassKey &key, qint64 leaveOut = 0);
// The same total with one more item of that value.
ClassTotal withItem(ClassTotal t, double value);

// A whole lei value with "." between thousands: 310000 gives "310.000".
QString groupedLei(double value);

// "Clasa CPV 0311 pe 2026: 310.000 lei cu aceasta pozitie - procedura
// simplificata (prag achizitie directa 270.120 lei)"
QString classLine(const ClassKey &key, const ClassTotal &t, const Thresholds &th);
// The class crossed the direct-purchase threshold while each of its items stays under it.
bool splitRisk(const ClassTotal &t, const Thresholds &th);
// The warning of a split purchase; empty when there is no risk.
QString splitWarning(const ClassKey &key, const ClassTotal &t, const Thresholds &th);

// The thresholds window's checks. A date typed as yyyymmdd or dd.mm.yyyy,
// in its yyyymmdd form; nothing when it is no calendar date.
std::optional<QString> thresholdDate(const QString &text);
// "PS" or "L" in upper case; nothing for any other text.
std::optional<QString> thresholdKindText(const QString &text);
// A whole positive number of lei; nothing otherwise.
std::optional<qint64> thresholdValue(const QString &text);

extern const char *const kThresholdDateRefused;
extern const char *const kThresholdKindRefused;
extern const char *const kThresholdValueRefused;
extern const char *const kThresholdOrderRefused;
extern const char *const kThresholdIncomplete;
extern const char *const kThresholdDuplicate;

} // namespace tendro
