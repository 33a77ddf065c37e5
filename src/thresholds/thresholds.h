#pragma once
// The legal value thresholds of public procurement and the procedure a
// purchase's value calls for. The thresholds are rows of table `praguri`, by
// kind and the date they came into force, so the office corrects them
// without a new program. What one purchase is (and so which total is
// compared with them) is in purchases.h.

#include <QString>
#include <QVector>
#include <optional>

namespace tendro {

class Database;

// The kinds of `praguri`: goods and services, works, and the social and other
// specific services of Annex 2 of Legea 98/2016 (their own upper threshold).
extern const char *const kGoodsAndServices;   // "PS"
extern const char *const kWorks;              // "L"
extern const char *const kAnnex2Services;     // "S2"

enum class Band { None, Direct, Simplified, Open, Annex2 };
// "achizitie directa", "procedura simplificata", "licitatie deschisa",
// "procedura pentru servicii sociale si alte servicii specifice"; empty for None.
QString bandText(Band band);
// The procedure the directorate stores for a band: "achizitie directa",
// "proced.simplif.", "licitatie" (the open procedures, Annex 2's above its
// threshold included); empty for None.
QString storedProcedure(Band band);

// One row of `praguri`.
struct Thresholds {
    QString kind;              // "PS", "L" or "S2"
    QString dela;              // in force from (yyyymmdd)
    qint64 directa = 0;        // direct purchase below it
    qint64 simplificata = 0;   // simplified procedure below it; above it the open
                               // procedure (for S2: the Annex 2 procedure)
    bool known() const { return directa > 0; }
};

// None when no thresholds are known.
Band bandOf(double value, const Thresholds &t);

// The thresholds a total can reach while each item stays under it.
enum class Crossed { None, Direct, Upper };
// "pragul achizitiei directe", "plafonul procedurii simplificate" or, for
// S2, "pragul pentru servicii sociale si alte servicii specifice".
QString thresholdName(Crossed which, const QString &kind);

// Every row of `praguri`, read once; the row in force is found in memory.
class ThresholdTable {
public:
    static ThresholdTable load(Database &db);
    // The row of the kind with the latest valid-from date not after `date`
    // (yyyymmdd); an unknown one (known() false) when there is none.
    Thresholds inForce(const QString &kind, const QString &date) const;
    void add(const Thresholds &row);

private:
    QVector<Thresholds> rows_;   // by kind, then date
};

// How heavy a procedure is: "achizitie directa" 1, "proced.simplif." and
// "procedura simplificata" 2, "licitatie", "negociere fara public." and any
// other procedure 3 (they stand with the open ones); empty text 0 (not
// approved). The band names weigh as their procedures.
int procedureWeight(const QString &proced);
// True when the stored procedure is lighter than the band.
bool lighterThanBand(const QString &proced, const QString &band);
// The tooltip of a marked row: both procedures.
QString lighterProcedureTip(const QString &proced, const QString &band);

// The thresholds window's checks. A date typed as yyyymmdd or dd.mm.yyyy,
// in its yyyymmdd form; nothing when it is no calendar date.
std::optional<QString> thresholdDate(const QString &text);
// "PS", "L" or "S2" in upper case; nothing for any other text.
std::optional<QString> thresholdKindText(const QString &text);
// A whole positive number of lei, typed the Romanian way ("270.120" is
// 270 120); nothing otherwise.
std::optional<qint64> thresholdValue(const QString &text);
// A yyyymmdd date as dd.mm.yyyy; any other text as it is.
QString shownDate(const QString &yyyymmdd);

extern const char *const kThresholdDateRefused;
extern const char *const kThresholdKindRefused;
extern const char *const kThresholdValueRefused;
extern const char *const kThresholdOrderRefused;
extern const char *const kThresholdIncomplete;
extern const char *const kThresholdDuplicate;
extern const char *const kNoThresholds;   // " Nu exista praguri in tabel pentru aceasta data "

} // namespace tendro
