// Reports: the criteria turned into formulas, the formula language, the
// definition files, the "Centralizatoare" window, and reports rendered to
// PDF and read back as text.

#include "fakes.h"
#include "app/mnu.h"
#include "programme/liste.h"
#include "reports/cen.h"
#include "reports/criteria.h"
#include "reports/definition.h"
#include "reports/document.h"
#include "reports/engine.h"
#include "reports/formula.h"
#include "services/romanian.h"
#include "store/database.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

const QString kBase2026 = u"{program.datainc2}>='20260101' and {program.datainc2}<='20261231'"_s;

CriteriaState base(bool proposals = false)
{
    CriteriaState s;
    s.proposals = proposals;
    s.year = u"2026"_s;
    s.datamin = u"20260101"_s;
    s.datamax = u"20261231"_s;
    return s;
}

// A sub-unit with signatories whose reports go to a folder of the test's.
struct Office : Env {
    Office() : Env(u"O.S. ARAD"_s)
    {
        printToFolder();
        db().exec(u"UPDATE setare SET functiesef='SEF DE OCOL', sef='ION POPESCU', contabil='MARIA IONESCU',"
                  " intocmit='VASILE GHEORGHE'"_s);
    }
    void item(qint64 cod2, double lei, double euro, const QString &start, const QString &proced = QString(),
              const QString &resp = u"POP"_s)
    {
        addItem({.cod2 = cod2, .start = start, .lei = lei, .proced = proced, .resp = resp,
                 .detal = u"DETALIU ŞCOALĂ"_s, .euro = euro});
    }
};

} // namespace

class TestReports : public QObject {
    Q_OBJECT
private slots:
    void requestFromCriteria_data();
    void requestFromCriteria();
    void selectionLanguage_data();
    void selectionLanguage();
    void dateBoxes_data();
    void dateBoxes();
    void definitionsAreChecked_data();
    void definitionsAreChecked();

    void cenOpensByTheClock();
    void cenEnablingRules();
    void proposalsReportFromTheProgrammeWindow();
    void groupedApprovedReportWithCriteria();
    void failuresAreShownNotCrashed();
    void qtDialogsSpeakRomanian();
};

void TestReports::requestFromCriteria_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("selectionTail");
    QTest::addColumn<QString>("criteria");
    QTest::addColumn<QString>("formula0");
    QTest::addColumn<QString>("formula1");   // "-" when not set
    const QString approved = u"{program.proced}<>'' and "_s + kBase2026;
    const QString proposed = u"{program.euro}=0 and "_s + kBase2026;
    QTest::newRow("approved, nothing else") << "" << "rapproga.rpt" << approved << "" << "titlu='PROGRAM ACHIZITII PE ANUL 2026'"
                                            << "crit=''";
    QTest::newRow("proposals: no formula 1") << "prop;fund=proprii" << "rapprog.rpt" << proposed + " and {program.fond}='proprii'"
                                             << "Criterii selectie : din fonduri proprii"
                                             << "titlu='PROPUNERI PROGRAM ACHIZITII PE ANUL 2026'" << "-";
    QTest::newRow("kind and funds") << "kind=2;fund=bugetare" << "rapproga.rpt"
                                    << approved + " and {cpv.fel}=2 and {program.fond}='bugetare'"
                                    << "Criterii selectie : achizitia de servicii,din fonduri bugetare"
                                    << "titlu='PROGRAM ACHIZITII PE ANUL 2026'"
                                    << "crit='Criterii selectie : achizitia de servicii,din fonduri bugetare'";
    QTest::newRow("activity and person") << "activity=proiectare;person=POP ION" << "rapproga.rpt"
                                         << approved + " and {program.activit}='proiectare' and {program.resp}='POP ION'"
                                         << "Criterii selectie : activitatea proiectare,responsabil POP ION"
                                         << "titlu='PROGRAM ACHIZITII PE ANUL 2026'"
                                         << "crit='Criterii selectie : activitatea proiectare,responsabil POP ION'";
    QTest::newRow("lower value only") << "value=1500|0" << "rapproga.rpt" << approved + " and {program.lei}>=1500"
                                      << "Criterii selectie : cu valoarea estimata >= 1500"
                                      << "titlu='PROGRAM ACHIZITII PE ANUL 2026'"
                                      << "crit='Criterii selectie : cu valoarea estimata >= 1500'";
    QTest::newRow("both values 0") << "value=0|0" << "rapproga.rpt" << approved + " and {program.lei}<=0"
                                   << "Criterii selectie : cu valoarea estimata <= 0"
                                   << "titlu='PROGRAM ACHIZITII PE ANUL 2026'"
                                   << "crit='Criterii selectie : cu valoarea estimata <= 0'";
    QTest::newRow("comma stops the number") << "value=2,5|10.5" << "rapproga.rpt"
                                            << approved + " and {program.lei}>=2 and {program.lei}<=10.5"
                                            << "Criterii selectie : cu valoarea estimata cuprinsa intre 2,5 si 10.5"
                                            << "titlu='PROGRAM ACHIZITII PE ANUL 2026'"
                                            << "crit='Criterii selectie : cu valoarea estimata cuprinsa intre 2,5 si 10.5'";
    QTest::newRow("start dates") << "start=01.03.2026|30.06.2026" << "rapproga.rpt"
                                 << approved + " and {program.datainc2}>='20260301' and {program.datainc2}<='20260630'"
                                 << "Criterii selectie : data inceperii procedurii cuprinsa intre 01.03.2026 si 30.06.2026"
                                 << "titlu='PROGRAM ACHIZITII PE ANUL 2026'"
                                 << "crit='Criterii selectie : data inceperii procedurii cuprinsa intre 01.03.2026 si 30.06.2026'";
    QTest::newRow("end date, second box only") << "end=|30.06.2026" << "rapproga.rpt"
                                               << approved + " and {program.datafin2}<='20260630'"
                                               << "Criterii selectie : data finalizarii procedurii <= 30.06.2026"
                                               << "titlu='PROGRAM ACHIZITII PE ANUL 2026'"
                                               << "crit='Criterii selectie : data finalizarii procedurii <= 30.06.2026'";
    // Ticked in any order, they come in the fixed one.
    QTest::newRow("fixed order") << "procedure=licitatie;activity=productie;grouped" << "rapprogagrup.rpt"
                                 << approved + " and {program.activit}='productie' and {program.proced}='licitatie'"
                                 << "Criterii selectie : activitatea productie,tip procedura licitatie"
                                 << "titlu='PROGRAM ACHIZITII PE ANUL 2026, grupat pe coduri CPV'"
                                 << "crit='Criterii selectie : activitatea productie,tip procedura licitatie'";
    QTest::newRow("proposals grouped") << "prop;grouped" << "rapprogagrup.rpt" << proposed << ""
                                       << "titlu='PROPUNERI PROGRAM ACHIZITII PE ANUL 2026, grupat pe coduri CPV'"
                                       << "crit=''";
}

void TestReports::requestFromCriteria()
{
    QFETCH(QString, change);
    QFETCH(QString, file);
    QFETCH(QString, selectionTail);
    QFETCH(QString, criteria);
    QFETCH(QString, formula0);
    QFETCH(QString, formula1);
    CriteriaState s = base(change.contains("prop"_L1));
    for (const QString &kv : change.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString k = kv.section(QLatin1Char('='), 0, 0), v = kv.section(QLatin1Char('='), 1);
        const auto pair = std::make_pair(v.section(QLatin1Char('|'), 0, 0), v.section(QLatin1Char('|'), 1));
        if (k == "activity"_L1) s.activity = v;
        else if (k == "kind"_L1) { s.kind = v.toInt(); s.kindCaption = u"servicii"_s; }
        else if (k == "fund"_L1) s.fund = v;
        else if (k == "value"_L1) s.value = pair;
        else if (k == "person"_L1) s.person = v;
        else if (k == "start"_L1) s.start = pair;
        else if (k == "end"_L1) s.end = pair;
        else if (k == "procedure"_L1) s.procedure = v;
        else if (k == "grouped"_L1) s.grouped = true;
    }
    const ReportRequest r = buildRequest(s);
    QCOMPARE(r.reportFile, file);
    QCOMPARE(r.selection, selectionTail);
    QCOMPARE(r.criteria, criteria);
    QCOMPARE(r.formula0, formula0);
    QCOMPARE(r.formula1 ? *r.formula1 : u"-"_s, formula1);
    // Every formula the window builds is in the language.
    const SqlCondition c = parseSelection(r.selection);
    QCOMPARE(int(c.params.size()), int(r.selection.count(QLatin1Char('\'')) / 2
                                        + r.selection.count(QRegularExpression(u"[=><]-?\\d"_s))));
    QCOMPARE(parseFormulaValue(r.formula0).name, u"titlu"_s);
}

void TestReports::selectionLanguage_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QString>("where");   // "!" when refused
    QTest::newRow("column to column") << "{program.realiz}>{program.lei}" << "program.realiz>program.lei";
    QTest::newRow("text, number, and") << "{program.resp}='O'NEIL' and {cpv.fel}=2" << "program.resp=? AND cpv.fel=?";
    QTest::newRow("empty text") << "{program.proced}<>''" << "program.proced<>?";
    QTest::newRow("nothing") << "" << "";
    QTest::newRow("unknown column") << "{program.parola}='x'" << "!";
    QTest::newRow("unknown table") << "{valid.parola}='x'" << "!";
    QTest::newRow("injection") << "{program.lei}=1; DROP TABLE program" << "!";
    QTest::newRow("or") << "{program.lei}=1 or {program.lei}=2" << "!";
    QTest::newRow("less than") << "{program.lei}<5" << "!";
    QTest::newRow("open text") << "{program.resp}='abc" << "!";
    QTest::newRow("no operator") << "{program.lei}" << "!";
    QTest::newRow("dangling and") << "{program.lei}=1 and" << "!";
    QTest::newRow("and glued") << "{program.lei}=1and{program.lei}=2" << "!";
    QTest::newRow("no value") << "{program.lei}=" << "!";
}

void TestReports::selectionLanguage()
{
    QFETCH(QString, formula);
    QFETCH(QString, where);
    try {
        const SqlCondition c = parseSelection(formula);
        QCOMPARE(c.where, where);
        if (formula.contains("NEIL"_L1))
            QCOMPARE(c.params, (QVariantList{u"O'NEIL"_s, 2.0}));
    } catch (const FormulaError &e) {
        QVERIFY2(where == "!"_L1, qPrintable(e.message));
    }
    QCOMPARE(parseFormulaValue(u"crit='a'b'"_s).text, u"a'b"_s);
    QVERIFY_THROWS_EXCEPTION(FormulaError, parseFormulaValue(u"crit=abc"_s));
}

void TestReports::dateBoxes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("31 February passes") << "31.02.2020" << "";
    QTest::newRow("one-digit day") << "1.02.2020" << "Formatul datei nu este zz.ll.aaaa !!! ";
    QTest::newRow("slashes") << "01/02/2020" << "Formatul datei nu este zz.ll.aaaa !!! ";
    QTest::newRow("empty") << "" << "Formatul datei nu este zz.ll.aaaa !!! ";
    QTest::newRow("day 00") << "00.05.2020" << "Numarul zilei este necorespunzator !!! ";
    QTest::newRow("month 13") << "12.13.2020" << "Numarul lunii este necorespunzator !!! ";
    QTest::newRow("before 1991") << "12.05.1990" << "Anul este necorespunzator !!! ";
    QTest::newRow("next year") << "12.05.2027" << "Anul este necorespunzator !!! ";
}

void TestReports::dateBoxes()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    QCOMPARE(dateBoxRefusal(text, 2026), message);
}

void TestReports::definitionsAreChecked_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    const QString ok = u"column A | program.lei | 10 | money | total\n"_s;
    QTest::newRow("shipped form") << "title titlu\norder cpv.cod DESC\ngroup cpv.cod\n" + ok << "";
    QTest::newRow("unknown keyword") << "colour red\n" + ok << "linia 1: cuvant necunoscut \"colour\"";
    QTest::newRow("unknown column") << "column A | program.parola | 10 | text\n" << "linia 1: coloana necunoscuta \"program.parola\"";
    QTest::newRow("bad width") << "column A | program.lei | lat | text\n" << "linia 1: latime invalida \"lat\"";
    QTest::newRow("total on text") << "column A | program.resp | 10 | text | total\n"
                                   << "linia 1: doar o coloana \"money\" poate avea \"total\"";
    QTest::newRow("no columns") << "# nimic\n" << "raportul nu are nicio coloana";
}

void TestReports::definitionsAreChecked()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    try {
        const ReportDefinition d = parseDefinition(text);
        QVERIFY(error.isEmpty());
        QCOMPARE(d.columns.size(), 1);
        QVERIFY(d.columns.first().total);
    } catch (const DefinitionError &e) {
        QCOMPARE(e.message, error);
    }
    // The shipped files are all readable.
    for (const char *f : {"rapprog.rpt", "rapproga.rpt", "rapprogagrup.rpt", "raprealiz.rpt"})
        QVERIFY(!loadDefinition(QStringLiteral(TENDRO_SOURCE_DATA "/") + QLatin1String(f)).columns.isEmpty());
}

void TestReports::cenOpensByTheClock()
{
    const struct {
        QDate today;
        const char *first;
        bool proposals;
    } cases[] = {{QDate(2026, 10, 15), "2027", false}, {QDate(2026, 2, 15), "2026", true}};
    for (const auto &c : cases) {
        Office o;
        o.clock.date = c.today;
        o.item(3111100, 10, 0, u"01.03.2026"_s, QString(), u"ANA"_s);
        Cen cen(*o.ctx);
        QCOMPARE(cen.windowTitle(), u"Centralizatoare"_s);
        auto *anul = cen.findChild<QListWidget *>(u"anul"_s);
        QCOMPARE(anul->currentItem()->text(), QLatin1String(c.first));
        QCOMPARE(anul->item(anul->count() - 1)->text(), u"2015"_s);
        QCOMPARE(cen.datamin(), QLatin1String(c.first) + u"0101"_s);
        QCOMPARE(cen.findChild<QRadioButton *>(u"prop"_s)->isChecked(), c.proposals);
        QCOMPARE(cen.findChild<QCheckBox *>(u"proced"_s)->isEnabled(), !c.proposals);
        QCOMPARE(cen.findChild<QListWidget *>(u"listp"_s)->count(), 1);
        QCOMPARE(cen.findChild<QListWidget *>(u"listtip"_s)->count(), 4);
        QCOMPARE(cen.findChild<QComboBox *>(u"reglaj"_s)->currentIndex(), -1);
        for (const char *off : {"Frame1", "Frame2", "fond", "lei1", "incep1", "Label12", "listtip", "listp"})
            QVERIFY2(!cen.findChild<QWidget *>(QLatin1String(off))->isEnabled(), off);
        QCOMPARE(cen.findChild<QLineEdit *>(u"lei1"_s)->text(), u"0"_s);
    }
}

void TestReports::cenEnablingRules()
{
    Office o;
    o.item(3111100, 10, 0, u"01.03.2026"_s, QString(), u"ANA"_s);
    Cen cen(*o.ctx);
    activate(&cen);
    const auto box = [&](const char *n) { return cen.findChild<QCheckBox *>(QLatin1String(n)); };
    const auto option = [&](const char *n) { return cen.findChild<QRadioButton *>(QLatin1String(n)); };
    const auto list = [&](const char *n) { return cen.findChild<QListWidget *>(QLatin1String(n)); };
    QTest::mouseClick(box("act"), Qt::LeftButton);
    QVERIFY(option("act1")->isChecked() && option("act3")->isEnabled());
    QTest::mouseClick(box("act"), Qt::LeftButton);
    QVERIFY(!option("act1")->isChecked() && !option("act1")->isEnabled());
    QTest::mouseClick(box("fel"), Qt::LeftButton);
    QVERIFY(option("prod")->isChecked());
    QTest::mouseClick(box("sursa"), Qt::LeftButton);
    QCOMPARE(list("fond")->currentItem()->text(), u"proprii"_s);
    QTest::mouseClick(box("resp"), Qt::LeftButton);
    QCOMPARE(list("listp")->selectedItems().size(), 1);
    QTest::mouseClick(box("resp"), Qt::LeftButton);
    QVERIFY(list("listp")->selectedItems().isEmpty() && !list("listp")->isEnabled());
    // Unticking the value keeps its boxes' texts.
    auto *lei1 = cen.findChild<QLineEdit *>(u"lei1"_s);
    QTest::mouseClick(box("lei"), Qt::LeftButton);
    lei1->setText(u"1500"_s);
    QTest::mouseClick(box("lei"), Qt::LeftButton);
    QVERIFY(!lei1->isEnabled());
    QCOMPARE(lei1->text(), u"1500"_s);
    // "propuse" unticks and disables the procedure; "aprobate" enables it unticked.
    QTest::mouseClick(box("proced"), Qt::LeftButton);
    QCOMPARE(list("listtip")->currentItem()->text(), u"licitatie"_s);
    QTest::mouseClick(option("prop"), Qt::LeftButton);
    QVERIFY(!box("proced")->isChecked() && !box("proced")->isEnabled() && !list("listtip")->isEnabled());
    QVERIFY(list("listtip")->selectedItems().isEmpty());
    QTest::mouseClick(option("aprob"), Qt::LeftButton);
    QVERIFY(box("proced")->isEnabled() && !box("proced")->isChecked());
    // A date box is checked when left; an empty one too.
    QTest::mouseClick(box("incep"), Qt::LeftButton);
    auto *incep1 = cen.findChild<QLineEdit *>(u"incep1"_s);
    incep1->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(incep1, Qt::Key_Tab);
    QCOMPARE(o.messages.texts(), QStringList{u"Formatul datei nu este zz.ll.aaaa !!! "_s});
    QCOMPARE(QApplication::focusWidget(), incep1);
    QTest::keyClicks(incep1, u"01.03.2026"_s);
    QTest::keyClick(incep1, Qt::Key_Tab);
    QCOMPARE(o.messages.shown.size(), 1);
    QCOMPARE(cen.state().start->first, u"01.03.2026"_s);
}

void TestReports::proposalsReportFromTheProgrammeWindow()
{
    Office o;
    o.item(3111100, 1500.5, 0, u"01.03.2026"_s);
    o.item(3111200, 200, 0, u"31.12.2026"_s, u"licitatie"_s);
    o.item(3111300, 999, 50, u"01.03.2026"_s);   // euro: not a proposal
    o.item(3111400, 888, 0, u"01.01.2027"_s);   // next year
    Liste liste(*o.ctx);
    liste.findChild<QPushButton *>(u"Command5"_s)->click();
    QVERIFY(o.messages.shown.isEmpty());
    const QString text = o.takeReport(u"rapprog"_s);
    for (const QString &expected : {u"DIRECTIA SILVICA ARAD"_s, u"O.S. ARAD"_s,
                                    u"PROPUNERI PROGRAM ACHIZITII PE ANUL 2026"_s,
                                    u"Sursa de finantare"_s, u"DETALIU ŞCOALĂ"_s,
                                    u"1500.50"_s, u"200.00"_s, u"TOTAL GENERAL 1700.50 0.00"_s,
                                    u"SEF DE OCOL"_s, u"ION POPESCU"_s, u"CONTABIL SEF"_s,
                                    u"MARIA IONESCU"_s, u"INTOCMIT"_s, u"VASILE GHEORGHE"_s, u"1 / 1"_s})
        QVERIFY2(text.contains(expected), qPrintable(expected + u" not in: "_s + text));
    QVERIFY(!text.contains(u"999.00"_s) && !text.contains(u"888.00"_s));
    QVERIFY(!text.contains(u"Criterii"_s));

    // Many rows: several pages, numbered, none split.
    for (int i = 0; i < 60; ++i)
        o.item(3111100, 10, 0, u"02.03.2026"_s);
    liste.findChild<QPushButton *>(u"Command5"_s)->click();
    const QString many = o.takeReport(u"rapprog"_s);
    const int pages = int(many.count(QRegularExpression(u"\\b\\d+ / (\\d+)\\b"_s)));
    QVERIFY2(pages >= 3, qPrintable(many.right(300)));
    QVERIFY(many.contains(u"%1 / %1"_s.arg(pages)));
    QVERIFY(many.contains(u"TOTAL GENERAL 2300.50"_s));
}

void TestReports::groupedApprovedReportWithCriteria()
{
    Office o;
    o.item(3111100, 100, 0, u"01.03.2026"_s, u"licitatie"_s, u"ANA"_s);
    o.item(3111100, 50, 0, u"02.03.2026"_s, u"licitatie"_s, u"ANA"_s);
    o.item(3111200, 7, 0, u"03.03.2026"_s, u"licitatie"_s, u"ANA"_s);
    o.item(3111300, 1000, 0, u"03.03.2026"_s, u"licitatie"_s, u"BOB"_s);
    o.item(3111400, 1000, 0, u"03.03.2026"_s, QString(), u"ANA"_s);   // not approved
    Mnu mnu(*o.ctx);
    whenModal(u"cen"_s, [&](QWidget *w) {
        auto *resp = w->findChild<QCheckBox *>(u"resp"_s);
        resp->setChecked(true);
        auto *listp = w->findChild<QListWidget *>(u"listp"_s);
        listp->setCurrentItem(listp->findItems(u"ANA"_s, Qt::MatchExactly).first());
        w->findChild<QCheckBox *>(u"grupcpv"_s)->setChecked(true);
        w->findChild<QComboBox *>(u"reglaj"_s)->setCurrentIndex(2);
        w->findChild<QPushButton *>(u"Command1"_s)->click();
        QVERIFY(w->isVisible());   // the window stays for another report
        w->findChild<QPushButton *>(u"Command2"_s)->click();
    });
    mnu.action(u"mnucen"_s)->trigger();
    const QString text = o.takeReport(u"rapprogagrup"_s);
    for (const QString &expected : {u"PROGRAM ACHIZITII PE ANUL 2026, grupat pe coduri CPV"_s,
                                    u"Criterii selectie : responsabil ANA"_s, u"Total 03111100-"_s, u"150.00"_s,
                                    u"TOTAL GENERAL 157.00"_s})
        QVERIFY2(text.contains(expected), qPrintable(expected + u" not in: "_s + text));
    QVERIFY(!text.contains(u"1000.00"_s));
    // The group's subtotal follows its two rows.
    QVERIFY(text.indexOf(u"Total 03111100-"_s) > text.lastIndexOf(u"50.00 0.00 licitatie"_s));
}

void TestReports::failuresAreShownNotCrashed()
{
    Office o;
    ReportJob job(o.messages, o.clock);
    const auto run = [&](const QString &file, const QString &selection, const QString &password = u"w8$Kd!3Zq^%x7&Hm#2*|"_s) {
        o.messages.shown.clear();
        job.setReportFile(o.path(file));
        job.setDataFile(0, o.workingFile());
        job.setConnect(u";PWD="_s + password);
        job.setSelectionFormula(selection);
        job.setFormula(0, u"titlu='T'"_s);
        return job.setAction(1, nullptr);
    };
    QVERIFY(run(u"rapproga.rpt"_s, u"{program.lei}>0"_s));
    QVERIFY(QFile::exists(job.lastPdf()));
    const struct {
        const char *file, *selection, *password, *cause;
    } failures[] = {
        {"lipsa.rpt", "", nullptr, "lipsa.rpt nu a putut fi afisat: fisierul nu exista"},
        {"rapproga.rpt", "{program.lei}>0 or 1=1", nullptr, "formula de selectie invalida"},
        {"rapproga.rpt", "", "alta", "fisierul de date tendro.mdb: Eroarea 26"},
    };
    for (const auto &f : failures) {
        QVERIFY(!run(QLatin1String(f.file), QLatin1String(f.selection),
                     f.password ? QLatin1String(f.password) : u"w8$Kd!3Zq^%x7&Hm#2*|"_s));
        QCOMPARE(o.messages.shown.size(), 1);
        QVERIFY2(o.messages.last().contains(QLatin1String(f.cause)), qPrintable(o.messages.last()));
        QCOMPARE(o.messages.shown.first().title, u"Eroare"_s);
    }
    // The programme window's report without its file says so and stays.
    QFile::remove(o.path(u"rapprog.rpt"_s));
    Liste liste(*o.ctx);
    o.messages.shown.clear();
    liste.findChild<QPushButton *>(u"Command5"_s)->click();
    QVERIFY(o.messages.last().startsWith(u" Raportul rapprog.rpt nu a putut fi afisat: "_s));
}

void TestReports::qtDialogsSpeakRomanian()
{
    RomanianQtTexts romanian;
    QApplication::installTranslator(&romanian);
    QMessageBox box(QMessageBox::NoIcon, u"TENDRO"_s, u"?"_s, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), u"&Da"_s);
    QCOMPARE(box.button(QMessageBox::No)->text(), u"&Nu"_s);
    QFileDialog dialog(nullptr, u"t"_s, QDir::tempPath(), u"Baza de date Access (*.mdb)"_s);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList labels;
    for (QLabel *l : dialog.findChildren<QLabel *>())
        labels << l->text();
    QVERIFY2(labels.contains(u"&Nume fisier:"_s), qPrintable(labels.join(QLatin1Char('|'))));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?").arg(u"a.mdb"_s),
             u"a.mdb exista deja.\nDoriti sa il inlocuiti?"_s);
    QCOMPARE(QCoreApplication::translate("QPrintPreviewDialog", "Print"), u"Tipareste"_s);
    QApplication::removeTranslator(&romanian);
}

QTEST_MAIN(TestReports)
#include "test_reports.moc"
