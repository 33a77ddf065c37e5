// Odd texts typed into the entry fields, as a user types them: each is
// refused with the field's own message, or stored exactly as the field
// keeps it (within its limit, in its case), never either; no statement
// breaks.

#include "steps.h"
#include "catalogue/browser.h"
#include "programme/liste.h"
#include "shell/password.h"
#include "shell/setare2.h"
#include "store/database.h"

#include <QtTest>

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

QTEST_MAIN(TestInput)
#include "test_input.moc"
