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

namespace {

const QString kBase2026 = QStringLiteral("{program.datainc2}>='20260101' and {program.datainc2}<='20261231'");

CriteriaState base(bool proposals = false)
{
    CriteriaState s;
    s.proposals = proposals;
    s.year = QStringLiteral("2026");
    s.datamin = QStringLiteral("20260101");
    s.datamax = QStringLiteral("20261231");
    return s;
}

// A sub-unit with signatories, report files and a folder for the PDFs.
struct Office {
    Office()
    {
        env.installDefaultFile();
        env.installReports();
        env.configure(2, 9, QStringLiteral("ARAD"), QStringLiteral("O.S. ARAD"));
        db().exec(QStringLiteral("UPDATE setare SET functiesef='SEF DE OCOL', sef='ION POPESCU', contabil='MARIA"
                                 " IONESCU', intocmit='VASILE GHEORGHE'"));
        pdfDir = env.path(QStringLiteral("pdf"));
        qputenv("TENDRO_REPORT_DIR", pdfDir.toUtf8());
    }
    Database &db() { return env.ctx->db(); }
    void item(qint64 cod2, double lei, double euro, const QString &start, const QString &proced = QString(),
              const QString &resp = QStringLiteral("POP"), double realiz = 0)
    {
        db().exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,"
                                 "detal,fond,idos,proced,proiect,realiz) SELECT id,'productie',?,?,?,?,'31.12.2026',"
                                 "'20261231',?,'DETALIU ŞCOALĂ','proprii',9,?,'',? FROM cpv WHERE cod2=?"),
                  {lei, euro, start, start.mid(6, 4) + start.mid(3, 2) + start.mid(0, 2), resp, proced, realiz, cod2});
    }
    // The one PDF written since the folder was last emptied, as text.
    QString lastReport()
    {
        const QStringList pdfs = QDir(pdfDir).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
        if (pdfs.size() != 1)
            return QStringLiteral("<%1 PDFs>").arg(pdfs.size());
        const QString path = QDir(pdfDir).filePath(pdfs.first());
        const QString text = pdfText(path);
        QFile::remove(path);
        return text.simplified();
    }
    Env env;
    QString pdfDir;
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
    const QString approved = QStringLiteral("{program.proced}<>'' and ") + kBase2026;
    const QString proposed = QStringLiteral("{program.euro}=0 and ") + kBase2026;
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
    CriteriaState s = base(change.contains(QLatin1String("prop")));
    for (const QString &kv : change.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString k = kv.section(QLatin1Char('='), 0, 0), v = kv.section(QLatin1Char('='), 1);
        const auto pair = std::make_pair(v.section(QLatin1Char('|'), 0, 0), v.section(QLatin1Char('|'), 1));
        if (k == QLatin1String("activity")) s.activity = v;
        else if (k == QLatin1String("kind")) { s.kind = v.toInt(); s.kindCaption = QStringLiteral("servicii"); }
        else if (k == QLatin1String("fund")) s.fund = v;
        else if (k == QLatin1String("value")) s.value = pair;
        else if (k == QLatin1String("person")) s.person = v;
        else if (k == QLatin1String("start")) s.start = pair;
        else if (k == QLatin1String("end")) s.end = pair;
        else if (k == QLatin1String("procedure")) s.procedure = v;
        else if (k == QLatin1String("grouped")) s.grouped = true;
    }
    const ReportRequest r = buildRequest(s);
    QCOMPARE(r.reportFile, file);
    QCOMPARE(r.selection, selectionTail);
    QCOMPARE(r.criteria, criteria);
    QCOMPARE(r.formula0, formula0);
    QCOMPARE(r.formula1 ? *r.formula1 : QStringLiteral("-"), formula1);
    // Every formula the window builds is in the language.
    const SqlCondition c = parseSelection(r.selection);
    QCOMPARE(int(c.params.size()), int(r.selection.count(QLatin1Char('\'')) / 2
                                        + r.selection.count(QRegularExpression(QStringLiteral("[=><]-?\\d")))));
    QCOMPARE(parseFormulaValue(r.formula0).name, QStringLiteral("titlu"));
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
        if (formula.contains(QLatin1String("NEIL")))
            QCOMPARE(c.params, (QVariantList{QStringLiteral("O'NEIL"), 2.0}));
    } catch (const FormulaError &e) {
        QVERIFY2(where == QLatin1String("!"), qPrintable(e.message));
    }
    QCOMPARE(parseFormulaValue(QStringLiteral("crit='a'b'")).text, QStringLiteral("a'b"));
    QVERIFY_THROWS_EXCEPTION(FormulaError, parseFormulaValue(QStringLiteral("crit=abc")));
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
    const QString ok = QStringLiteral("column A | program.lei | 10 | money | total\n");
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
        o.env.clock.date = c.today;
        o.item(3111100, 10, 0, QStringLiteral("01.03.2026"), QString(), QStringLiteral("ANA"));
        Cen cen(*o.env.ctx);
        QCOMPARE(cen.windowTitle(), QStringLiteral("Centralizatoare"));
        auto *anul = cen.findChild<QListWidget *>(QStringLiteral("anul"));
        QCOMPARE(anul->currentItem()->text(), QLatin1String(c.first));
        QCOMPARE(anul->item(anul->count() - 1)->text(), QStringLiteral("2015"));
        QCOMPARE(cen.datamin(), QLatin1String(c.first) + QStringLiteral("0101"));
        QCOMPARE(cen.findChild<QRadioButton *>(QStringLiteral("prop"))->isChecked(), c.proposals);
        QCOMPARE(cen.findChild<QCheckBox *>(QStringLiteral("proced"))->isEnabled(), !c.proposals);
        QCOMPARE(cen.findChild<QListWidget *>(QStringLiteral("listp"))->count(), 1);
        QCOMPARE(cen.findChild<QListWidget *>(QStringLiteral("listtip"))->count(), 4);
        QCOMPARE(cen.findChild<QComboBox *>(QStringLiteral("reglaj"))->currentIndex(), -1);
        for (const char *off : {"Frame1", "Frame2", "fond", "lei1", "incep1", "Label12", "listtip", "listp"})
            QVERIFY2(!cen.findChild<QWidget *>(QLatin1String(off))->isEnabled(), off);
        QCOMPARE(cen.findChild<QLineEdit *>(QStringLiteral("lei1"))->text(), QStringLiteral("0"));
    }
}

void TestReports::cenEnablingRules()
{
    Office o;
    o.item(3111100, 10, 0, QStringLiteral("01.03.2026"), QString(), QStringLiteral("ANA"));
    Cen cen(*o.env.ctx);
    cen.show();
    QApplication::setActiveWindow(&cen);
    QVERIFY(QTest::qWaitForWindowActive(&cen));
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
    QCOMPARE(list("fond")->currentItem()->text(), QStringLiteral("proprii"));
    QTest::mouseClick(box("resp"), Qt::LeftButton);
    QCOMPARE(list("listp")->selectedItems().size(), 1);
    QTest::mouseClick(box("resp"), Qt::LeftButton);
    QVERIFY(list("listp")->selectedItems().isEmpty() && !list("listp")->isEnabled());
    // Unticking the value keeps its boxes' texts.
    auto *lei1 = cen.findChild<QLineEdit *>(QStringLiteral("lei1"));
    QTest::mouseClick(box("lei"), Qt::LeftButton);
    lei1->setText(QStringLiteral("1500"));
    QTest::mouseClick(box("lei"), Qt::LeftButton);
    QVERIFY(!lei1->isEnabled());
    QCOMPARE(lei1->text(), QStringLiteral("1500"));
    // "propuse" unticks and disables the procedure; "aprobate" enables it unticked.
    QTest::mouseClick(box("proced"), Qt::LeftButton);
    QCOMPARE(list("listtip")->currentItem()->text(), QStringLiteral("licitatie"));
    QTest::mouseClick(option("prop"), Qt::LeftButton);
    QVERIFY(!box("proced")->isChecked() && !box("proced")->isEnabled() && !list("listtip")->isEnabled());
    QVERIFY(list("listtip")->selectedItems().isEmpty());
    QTest::mouseClick(option("aprob"), Qt::LeftButton);
    QVERIFY(box("proced")->isEnabled() && !box("proced")->isChecked());
    // A date box is checked when left; an empty one too.
    QTest::mouseClick(box("incep"), Qt::LeftButton);
    auto *incep1 = cen.findChild<QLineEdit *>(QStringLiteral("incep1"));
    incep1->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(incep1, Qt::Key_Tab);
    QCOMPARE(o.env.messages.texts(), QStringList{QStringLiteral("Formatul datei nu este zz.ll.aaaa !!! ")});
    QCOMPARE(QApplication::focusWidget(), incep1);
    QTest::keyClicks(incep1, QStringLiteral("01.03.2026"));
    QTest::keyClick(incep1, Qt::Key_Tab);
    QCOMPARE(o.env.messages.shown.size(), 1);
    QCOMPARE(cen.state().start->first, QStringLiteral("01.03.2026"));
}

void TestReports::proposalsReportFromTheProgrammeWindow()
{
    Office o;
    o.item(3111100, 1500.5, 0, QStringLiteral("01.03.2026"));
    o.item(3111200, 200, 0, QStringLiteral("31.12.2026"), QStringLiteral("licitatie"));
    o.item(3111300, 999, 50, QStringLiteral("01.03.2026"));   // euro: not a proposal
    o.item(3111400, 888, 0, QStringLiteral("01.01.2027"));   // next year
    Liste liste(*o.env.ctx);
    liste.findChild<QPushButton *>(QStringLiteral("Command5"))->click();
    QVERIFY(o.env.messages.shown.isEmpty());
    const QString text = o.lastReport();
    for (const QString &expected : {QStringLiteral("DIRECTIA SILVICA ARAD"), QStringLiteral("O.S. ARAD"),
                                    QStringLiteral("PROPUNERI PROGRAM ACHIZITII PE ANUL 2026"),
                                    QStringLiteral("Sursa de finantare"), QStringLiteral("DETALIU ŞCOALĂ"),
                                    QStringLiteral("1500.50"), QStringLiteral("200.00"), QStringLiteral("TOTAL GENERAL 1700.50 0.00"),
                                    QStringLiteral("SEF DE OCOL"), QStringLiteral("ION POPESCU"), QStringLiteral("CONTABIL SEF"),
                                    QStringLiteral("MARIA IONESCU"), QStringLiteral("INTOCMIT"), QStringLiteral("VASILE GHEORGHE"),
                                    QStringLiteral("1 / 1")})
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" not in: ") + text));
    QVERIFY(!text.contains(QStringLiteral("999.00")) && !text.contains(QStringLiteral("888.00")));
    QVERIFY(!text.contains(QStringLiteral("Criterii")));

    // Many rows: several pages, numbered, none split.
    for (int i = 0; i < 60; ++i)
        o.item(3111100, 10, 0, QStringLiteral("02.03.2026"));
    liste.findChild<QPushButton *>(QStringLiteral("Command5"))->click();
    const QString many = o.lastReport();
    const int pages = int(many.count(QRegularExpression(QStringLiteral("\\b\\d+ / (\\d+)\\b"))));
    QVERIFY2(pages >= 3, qPrintable(many.right(300)));
    QVERIFY(many.contains(QStringLiteral("%1 / %1").arg(pages)));
    QVERIFY(many.contains(QStringLiteral("TOTAL GENERAL 2300.50")));
}

void TestReports::groupedApprovedReportWithCriteria()
{
    Office o;
    o.item(3111100, 100, 0, QStringLiteral("01.03.2026"), QStringLiteral("licitatie"), QStringLiteral("ANA"));
    o.item(3111100, 50, 0, QStringLiteral("02.03.2026"), QStringLiteral("licitatie"), QStringLiteral("ANA"));
    o.item(3111200, 7, 0, QStringLiteral("03.03.2026"), QStringLiteral("licitatie"), QStringLiteral("ANA"));
    o.item(3111300, 1000, 0, QStringLiteral("03.03.2026"), QStringLiteral("licitatie"), QStringLiteral("BOB"));
    o.item(3111400, 1000, 0, QStringLiteral("03.03.2026"), QString(), QStringLiteral("ANA"));   // not approved
    Mnu mnu(*o.env.ctx);
    whenModal(QStringLiteral("cen"), [&](QWidget *w) {
        auto *resp = w->findChild<QCheckBox *>(QStringLiteral("resp"));
        resp->setChecked(true);
        auto *listp = w->findChild<QListWidget *>(QStringLiteral("listp"));
        listp->setCurrentItem(listp->findItems(QStringLiteral("ANA"), Qt::MatchExactly).first());
        w->findChild<QCheckBox *>(QStringLiteral("grupcpv"))->setChecked(true);
        w->findChild<QComboBox *>(QStringLiteral("reglaj"))->setCurrentIndex(2);
        w->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        QVERIFY(w->isVisible());   // the window stays for another report
        w->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    });
    mnu.action(QStringLiteral("mnucen"))->trigger();
    const QString text = o.lastReport();
    for (const QString &expected : {QStringLiteral("PROGRAM ACHIZITII PE ANUL 2026, grupat pe coduri CPV"),
                                    QStringLiteral("Criterii selectie : responsabil ANA"),
                                    QStringLiteral("Total 03111100-"), QStringLiteral("150.00"),
                                    QStringLiteral("TOTAL GENERAL 157.00")})
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" not in: ") + text));
    QVERIFY(!text.contains(QStringLiteral("1000.00")));
    // The group's subtotal follows its two rows.
    QVERIFY(text.indexOf(QStringLiteral("Total 03111100-")) > text.lastIndexOf(QStringLiteral("50.00 0.00 licitatie")));
}

void TestReports::failuresAreShownNotCrashed()
{
    Office o;
    ReportJob job(o.env.messages, o.env.clock);
    const auto run = [&](const QString &file, const QString &selection, const QString &password = QStringLiteral("w8$Kd!3Zq^%x7&Hm#2*|")) {
        o.env.messages.shown.clear();
        job.setReportFile(o.env.path(file));
        job.setDataFile(0, o.env.workingFile());
        job.setConnect(QStringLiteral(";PWD=") + password);
        job.setSelectionFormula(selection);
        job.setFormula(0, QStringLiteral("titlu='T'"));
        return job.setAction(1, nullptr);
    };
    QVERIFY(run(QStringLiteral("rapproga.rpt"), QStringLiteral("{program.lei}>0")));
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
                     f.password ? QLatin1String(f.password) : QStringLiteral("w8$Kd!3Zq^%x7&Hm#2*|")));
        QCOMPARE(o.env.messages.shown.size(), 1);
        QVERIFY2(o.env.messages.last().contains(QLatin1String(f.cause)), qPrintable(o.env.messages.last()));
        QCOMPARE(o.env.messages.shown.first().title, QStringLiteral("Eroare"));
    }
    // The programme window's report without its file says so and stays.
    QFile::remove(o.env.path(QStringLiteral("rapprog.rpt")));
    Liste liste(*o.env.ctx);
    o.env.messages.shown.clear();
    liste.findChild<QPushButton *>(QStringLiteral("Command5"))->click();
    QVERIFY(o.env.messages.last().startsWith(QStringLiteral(" Raportul rapprog.rpt nu a putut fi afisat: ")));
}

void TestReports::qtDialogsSpeakRomanian()
{
    RomanianQtTexts romanian;
    QApplication::installTranslator(&romanian);
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("TENDRO"), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Da"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Nu"));
    QFileDialog dialog(nullptr, QStringLiteral("t"), QDir::tempPath(), QStringLiteral("Baza de date Access (*.mdb)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList labels;
    for (QLabel *l : dialog.findChildren<QLabel *>())
        labels << l->text();
    QVERIFY2(labels.contains(QStringLiteral("&Nume fisier:")), qPrintable(labels.join(QLatin1Char('|'))));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?").arg(QStringLiteral("a.mdb")),
             QStringLiteral("a.mdb exista deja.\nDoriti sa il inlocuiti?"));
    QCOMPARE(QCoreApplication::translate("QPrintPreviewDialog", "Print"), QStringLiteral("Tipareste"));
    QApplication::removeTranslator(&romanian);
}

QTEST_MAIN(TestReports)
#include "test_reports.moc"
