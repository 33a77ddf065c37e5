// Odd texts typed into the entry fields, as a user types them: each is
// refused with the field's own message, or stored exactly as the field
// keeps it (within its limit, in its case), never either; no statement
// breaks.

#include "steps.h"
#include "catalogue/browser.h"
#include "programme/liste.h"
#include "realizations/entrychecks.h"
#include "realizations/realiz.h"
#include "reports/criteria.h"
#include "store/numbers.h"
#include "shell/password.h"
#include "shell/setare2.h"
#include "store/database.h"

#include <QtTest>
#include <cmath>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

class TestInput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { setPasswordRounds(1000); }   // the full rounds are the password test's to check
    void programmeEditor_data();
    void programmeEditor();
    void signatoriesAndPassword_data();
    void signatoriesAndPassword();
    void amountsTypedTheRomanianWay();
};

void TestInput::programmeEditor_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refusal");   // the message; empty when the item is saved
    QTest::addColumn<QString>("stored");    // the item's row: lei|euro|datainc1|resp|detal|proiect
    const QString refused = u" Nu se accepta caracterul apostrof ( ' ) "_s;
    const QString row = u"1500|0|01.03.2026|POP|D|"_s;
    QTest::newRow("apostrophe in resp") << "resp" << "O'NEIL" << refused << "";
    QTest::newRow("apostrophe in detal") << "detal" << "LA D'ANA" << refused << "";
    QTest::newRow("apostrophe in project") << "proiect" << "P'1" << refused << "";
    QTest::newRow("quotes and emoji") << "detal" << "a\"b 😀" << "" << "1500|0|01.03.2026|POP|A\"B 😀|";
    QTest::newRow("diacritics upper-cased") << "resp" << "ţăran ştefan" << "" << "1500|0|01.03.2026|ŢĂRAN ŞTEFAN|D|";
    QTest::newRow("detal past its 200") << "detal" << QString(230, u'x') << "" << u"1500|0|01.03.2026|POP|"_s + QString(200, u'X') + u"|"_s;
    QTest::newRow("resp past its 40") << "resp" << QString(45, u'q') << "" << u"1500|0|01.03.2026|"_s + QString(40, u'Q') + u"|D|"_s;
    QTest::newRow("project trimmed") << "proiect" << "  la margini " << "" << row + u"LA MARGINI"_s;
    QTest::newRow("value with exponent") << "vallei" << "-12.5e3" << " Specificati valoarea in lei a achizitiei ! " << "";
    QTest::newRow("value in letters") << "vallei" << "abc" << " Specificati valoarea in lei a achizitiei ! " << "";
    QTest::newRow("value rounded") << "vallei" << "1499.5" << "" << row;
    QTest::newRow("day with a letter") << "zi1" << "1o" << " Nu exista aceasta zi ! " << "";
    QTest::newRow("month with a sign") << "luna1" << "+3" << " Nu exista aceasta luna ! " << "";
}

// Typed, then "Salvare" clicked straight away: the focus still in the field.
void TestInput::programmeEditor()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    QFETCH(QString, stored);
    Env env(u"O.S. ARAD"_s);
    Liste w(*env.ctx);
    activate(&w);
    // A project belongs to research and design items.
    QList<Step> steps{click(field == "proiect"_L1 ? u"act1"_s : u"act3"_s), type(u"cod"_s, u"03111100"_s),
                      key({}, Qt::Key_Return)};
    const QList<std::pair<QString, QString>> item{{u"vallei"_s, u"1500"_s}, {u"valeuro"_s, u"0"_s}, {u"zi1"_s, u"01"_s},
                                                  {u"luna1"_s, u"03"_s},   {u"zi2"_s, u"30"_s},    {u"luna2"_s, u"06"_s},
                                                  {u"resp"_s, u"POP"_s},   {u"detal"_s, u"D"_s}};
    for (const auto &[name, text] : item)
        if (name != field)
            steps << type(name, text) << key({}, Qt::Key_Tab);
    steps << type(field, typed) << click(u"Command2"_s);
    steps << message(refusal.isEmpty() ? u" Datele au fost salvate "_s : refusal);
    steps << expectRows(u"SELECT lei,euro,datainc1,resp,detal,proiect FROM program"_s,
                        stored.isEmpty() ? QStringList() : QStringList{stored});
    RUN_STEPS(env, &w, steps);
}

void TestInput::signatoriesAndPassword_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("apostrophe") << "O'NEIL";
    QTest::newRow("quotes, emoji, diacritics") << "A\"B 😀 ŞEF";
    QTest::newRow("blanks at both ends") << "  LA MARGINI  ";
    QTest::newRow("long") << QString(60, u'z');
}

// Signatories and the password keep any text exactly as typed (the password's blanks at its ends aside).
void TestInput::signatoriesAndPassword()
{
    QFETCH(QString, typed);
    Env env(u"O.S. ARAD"_s);
    {
        Setare2 w(*env.ctx);
        activate(&w);
        QList<Step> steps;
        for (int c = 2; c < 6; ++c)
            steps << clickCell(u"DataGrid1"_s, 0, c) << key({}, Qt::Key_F2) << type({}, typed) << key({}, Qt::Key_Return);
        steps << click(u"Command1"_s)
              << expectRows(u"SELECT functiesef,sef,contabil,intocmit FROM setare"_s, {QStringList(4, typed).join(u'|')});
        RUN_STEPS(env, &w, steps);
    }
    Par1 p(*env.ctx);
    activate(&p);
    // A password is the one exception: blanks at its ends, which no one sees typing it, are refused.
    const bool blanks = typed != typed.trimmed();
    QList<Step> steps{type(u"pass"_s, typed), type(u"passc"_s, typed), click(u"Command2"_s)};
    if (blanks)
        steps << message(u" Parola nu poate incepe sau se termina cu spatiu "_s);
    RUN_STEPS(env, &p, steps);
    QVERIFY(passwordMatches(blanks ? QString() : typed.left(30), storedPassword(env.db())));
}

// One rule for every amount box and cell: "," decimal, "." groups thousands, "." alone a decimal point only
// where it cannot group; anything else refused with the box's own message. Whole-lei boxes round the value.
void TestInput::amountsTypedTheRomanianWay()
{
    // The amount read, or NaN for a text refused everywhere. A sign is a credit note's, taken by a realization only.
    const double no = std::nan("");
    const struct { const char *typed; double value; } rule[] = {
        {"125.000", 125000}, {"1.250,50", 1250.5}, {"2500,50", 2500.5}, {"1.250", 1250},   {"2500.5", 2500.5},
        {"12.50", 12.5},     {"1250", 1250},       {"0,5", 0.5},        {"0,49", 0.49},    {"1.234.567,89", 1234567.89},
        {"12.5000", 12.5},   {"1.25.0", no},       {"1,2,3", no},       {"1 250", no},     {"1.", no},
        {"1,", no},          {"1e3", no},          {"-250,40", -250.4}, {"", no}};
    // Whole-lei boxes: the value rounded, above 0, without a sign; else -1 (refused).
    const auto whole = [](double v) { return std::isnan(v) || v < 0 || std::round(v) <= 0 ? -1.0 : std::round(v); };
    Env env(u"O.S. ARAD"_s);
    env.printToFolder();
    env.addItem({.lei = 100, .proced = u"licitatie"_s});
    // The programme grid's LEI cell: the value rounded, or " Data invalida ! " (as for 0: a value above 0).
    {
        Liste w(*env.ctx);
        activate(&w);
        QList<Step> steps;
        for (const auto &r : rule) {
            const double stored = whole(r.value);
            steps << clickCell(u"DataGrid1"_s, 0, 2) << clickCell(u"DataGrid1"_s, 0, 4) << key(u"DataGrid1"_s, Qt::Key_F2)
                  << (*r.typed ? type({}, QLatin1String(r.typed)) : key({}, Qt::Key_Backspace)) << key({}, Qt::Key_Return)
                  << (stored < 0 ? QList<Step>{message(u" Data invalida ! "_s), key({}, Qt::Key_Escape)}
                                 : QList<Step>{expectRows(u"SELECT lei FROM program"_s, {formatNumber(stored)})});
        }
        RUN_STEPS(env, &w, steps);
    }
    // The realization's value: as typed, a credit note too, or "Introduceti doar numere !".
    {
        Realiz w(*env.ctx);
        activate(&w);
        QList<Step> steps{doubleClickCell(u"DataGrid1"_s, 0)};
        for (const auto &r : rule) {
            if (!*r.typed)
                continue;   // nothing typed into an empty cell is no change
            steps << clickCell(u"DataGrid2"_s, -1, ELei) << type({}, QLatin1String(r.typed)) << key({}, Qt::Key_Return);
            if (std::isnan(r.value)) {
                steps << message(u"Introduceti doar numere !"_s) << key({}, Qt::Key_Escape) << key(u"DataGrid2"_s, Qt::Key_Escape);
                continue;
            }
            const QStringList cells{u"SC A"_s, u"LEMN"_s, u"7"_s, u"04.03.2026"_s, u"1/01.03.2026"_s};
            const QList<int> columns{EFurniz, EDenumach, EActnr, EActdata1, ERefer};
            for (int i = 0; i < cells.size(); ++i)
                steps << clickCell(u"DataGrid2"_s, -1, columns.at(i)) << type({}, cells.at(i)) << key({}, Qt::Key_Return);
            steps << key(u"DataGrid2"_s, Qt::Key_Down)
                  << expectRows(u"SELECT lei FROM realiz ORDER BY idr DESC LIMIT 1"_s,
                                {formatNumber(r.value)});
        }
        RUN_STEPS(env, &w, steps);
    }
    // The editor's LEI box: the value rounded, saved; what is no value (or rounds to 0) is asked for again.
    {
        Liste w(*env.ctx);
        activate(&w);
        QList<Step> steps{type(u"cod"_s, u"03111200"_s), key({}, Qt::Key_Return)};
        for (const auto &[box, text] : {std::pair{"zi1", "01"}, {"luna1", "03"}, {"zi2", "30"}, {"luna2", "06"}, {"resp", "POP"},
                                        {"detal", "D"}})
            steps << type(QLatin1String(box), QLatin1String(text));
        bool first = true;
        for (const auto &r : rule) {
            const double stored = whole(r.value);
            steps << type(u"vallei"_s, QLatin1String(r.typed)) << click(u"Command2"_s);
            if (stored < 0) {
                steps << message(u" Specificati valoarea in lei a achizitiei ! "_s);
                continue;
            }
            if (!first)
                steps << message(u" Codul CPV %1 - %2 , este deja introdus pe anul 2026 la fonduri proprii\r\n Doriti "
                                 "scrierea peste vechile date ? "_s
                                     .arg(env.cpvId(3111200))
                                     .arg(env.db().query(u"SELECT den FROM cpv WHERE cod2=3111200"_s).text(0, u"den"_s)),
                                 Answer::Yes);
            first = false;
            steps << message(u" Datele au fost salvate "_s) << type(u"resp"_s, u"POP"_s) << type(u"detal"_s, u"D"_s)
                  << expectRows(u"SELECT lei FROM program WHERE idp>1"_s, {formatNumber(stored)});
        }
        RUN_STEPS(env, &w, steps);
    }
    // The report's value bounds: the bound applied, said in the money form; or the box's message.
    for (const auto &r : rule) {
        CriteriaState s;
        s.value = std::pair{QLatin1String(r.typed), QString()};
        const QString refusal = amountBoxRefusal(QLatin1String(r.typed));
        QCOMPARE(refusal.isEmpty(), (!std::isnan(r.value) && r.value >= 0) || !*r.typed);
        if (r.value > 0)
            QVERIFY2(buildRequest(s).criteria.endsWith(u">= "_s + moneyText(r.value)), r.typed);
    }
}

QTEST_MAIN(TestInput)
#include "test_input.moc"
