// Reports: the criteria turned into formulas, the formula, date and
// definition rules, the laid-out pages of every report, the
// "Centralizatoare" window, and reports written out and read back.

#include "fakes.h"
#include "app/mnu.h"
#include "programme/liste.h"
#include "reports/cen.h"
#include "reports/criteria.h"
#include "reports/definition.h"
#include "reports/document.h"
#include "reports/engine.h"
#include "reports/formula.h"
#include "reports/render.h"
#include "services/romanian.h"
#include "steps.h"
#include "store/database.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPdfWriter>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

const QString kPassword = u"w8$Kd!3Zq^%x7&Hm#2*|"_s;

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
    void rules_data();
    void rules();
    void layoutKeepsEverything_data();
    void layoutKeepsEverything();
    void cenOpensByTheClock();
    void cenWindow();
    void reportsAsPrinted();
    void failuresAreShownNotCrashed();
    void qtDialogsSpeakRomanian();
};

void TestReports::requestFromCriteria_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("selection");   // after the base condition
    QTest::addColumn<QString>("criteria");    // formula 1 is always "crit='" + criteria + "'"
    QTest::addColumn<QString>("title");
    const QString year = u"PROGRAM ACHIZITII PE ANUL 2026"_s, crit = u"Criterii selectie : "_s;
    QTest::newRow("approved, nothing else") << "" << "rapproga.rpt" << "" << "" << year;
    // A narrowed proposals list says so too.
    QTest::newRow("proposals") << "prop;fund=proprii" << "rapprog.rpt" << " and {program.fond}='proprii'"
                               << crit + "din fonduri proprii" << "PROPUNERI " + year;
    QTest::newRow("kind and funds") << "kind=2;fund=bugetare" << "rapproga.rpt" << " and {cpv.fel}=2 and {program.fond}='bugetare'"
                                    << crit + "achizitia de servicii,din fonduri bugetare" << year;
    QTest::newRow("activity and person") << "activity=proiectare;person=POP ION" << "rapproga.rpt"
                                         << " and {program.activit}='proiectare' and {program.resp}='POP ION'"
                                         << crit + "activitatea proiectare,responsabil POP ION" << year;
    QTest::newRow("lower value only") << "value=1500|0" << "rapproga.rpt" << " and {program.lei}>=1500"
                                      << crit + "cu valoarea estimata >= 1500" << year;
    QTest::newRow("both values 0") << "value=0|0" << "rapproga.rpt" << " and {program.lei}<=0"
                                   << crit + "cu valoarea estimata <= 0" << year;
    QTest::newRow("comma stops the number") << "value=2,5|10.5" << "rapproga.rpt" << " and {program.lei}>=2 and {program.lei}<=10.5"
                                            << crit + "cu valoarea estimata cuprinsa intre 2,5 si 10.5" << year;
    QTest::newRow("start dates") << "start=01.03.2026|30.06.2026" << "rapproga.rpt"
                                 << " and {program.datainc2}>='20260301' and {program.datainc2}<='20260630'"
                                 << crit + "data inceperii procedurii cuprinsa intre 01.03.2026 si 30.06.2026" << year;
    QTest::newRow("end date, second box only") << "end=|30.06.2026" << "rapproga.rpt" << " and {program.datafin2}<='20260630'"
                                               << crit + "data finalizarii procedurii <= 30.06.2026" << year;
    // Ticked in any order, they come in the fixed one.
    QTest::newRow("fixed order") << "procedure=licitatie;activity=productie;grouped" << "rapprogagrup.rpt"
                                 << " and {program.activit}='productie' and {program.proced}='licitatie'"
                                 << crit + "activitatea productie,tip procedura licitatie" << year + ", grupat pe coduri CPV";
    QTest::newRow("proposals grouped") << "prop;grouped" << "rapprogagrup.rpt" << "" << ""
                                       << "PROPUNERI " + year + ", grupat pe coduri CPV";
}

void TestReports::requestFromCriteria()
{
    QFETCH(QString, change);
    QFETCH(QString, criteria);
    CriteriaState s;
    s.proposals = change.contains("prop"_L1);
    std::tie(s.year, s.datamin, s.datamax) = std::tuple(u"2026"_s, u"20260101"_s, u"20261231"_s);
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
    QTEST(r.reportFile, "file");
    QFETCH(QString, selection);
    QCOMPARE(r.selection, (s.proposals ? u"{program.euro}=0"_s : u"{program.proced}<>''"_s)
                              + u" and {program.datainc2}>='20260101' and {program.datainc2}<='20261231'"_s + selection);
    QCOMPARE(r.criteria, criteria);
    QFETCH(QString, title);
    QCOMPARE(r.formula0, u"titlu='"_s + title + u"'"_s);
    QCOMPARE(r.formula1.value_or(u"-"_s), u"crit='"_s + criteria + u"'"_s);
    // Every formula the window builds is in the language.
    QCOMPARE(int(parseSelection(r.selection).params.size()),
             int(r.selection.count(QLatin1Char('\'')) / 2 + r.selection.count(QRegularExpression(u"[=><]-?\\d"_s))));
}

// Widget-free rules, one table: the selection language ("formula": the
// WHERE clause, "!" refused), the date boxes ("date": the refusal) and the
// definition files ("definition": the error).
void TestReports::rules_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *kind, const QString &input, const QString &expected) {
        QTest::newRow(name) << QString::fromLatin1(kind) << input << expected;
    };
    row("column to column", "formula", u"{program.realiz}>{program.lei}"_s, u"program.realiz>program.lei"_s);
    row("text, number, and", "formula", u"{program.resp}='O'NEIL' and {cpv.fel}=2"_s, u"program.resp=? AND cpv.fel=?"_s);
    row("empty text", "formula", u"{program.proced}<>''"_s, u"program.proced<>?"_s);
    row("nothing", "formula", u""_s, u""_s);
    for (const char *refused : {"{program.parola}='x'", "{valid.parola}='x'", "{program.lei}=1; DROP TABLE program",
                                "{program.lei}=1 or {program.lei}=2", "{program.lei}<5", "{program.resp}='abc",
                                "{program.lei}", "{program.lei}=1 and", "{program.lei}=1and{program.lei}=2", "{program.lei}="})
        row(refused, "formula", QString::fromLatin1(refused), u"!"_s);
    const QString format = u"Formatul datei nu este zz.ll.aaaa !!! "_s, day = u"Numarul zilei este necorespunzator !!! "_s;
    row("31 February passes", "date", u"31.02.2020"_s, u""_s);
    row("one-digit day", "date", u"1.02.2020"_s, format);
    row("slashes", "date", u"01/02/2020"_s, format);
    row("empty date", "date", u""_s, format);
    row("day 00", "date", u"00.05.2020"_s, day);
    row("signed day", "date", u"+1.05.2020"_s, day);
    row("month 13", "date", u"12.13.2020"_s, u"Numarul lunii este necorespunzator !!! "_s);
    row("before 1991", "date", u"12.05.1990"_s, u"Anul este necorespunzator !!! "_s);
    row("next year", "date", u"12.05.2027"_s, u"Anul este necorespunzator !!! "_s);
    const QString ok = u"column A | program.lei | 10 | money | total\n"_s;
    row("definition as shipped", "definition", u"title titlu\norder cpv.cod DESC\ngroup cpv.cod\n"_s + ok, u""_s);
    row("unknown keyword", "definition", u"colour red\n"_s + ok, u"linia 1: cuvant necunoscut \"colour\""_s);
    row("unknown column", "definition", u"column A | program.parola | 10 | text"_s,
        u"linia 1: coloana necunoscuta \"program.parola\""_s);
    row("bad width", "definition", u"column A | program.lei | lat | text"_s, u"linia 1: latime invalida \"lat\""_s);
    row("total on text", "definition", u"column A | program.resp | 10 | text | total"_s,
        u"linia 1: doar o coloana \"money\" poate avea \"total\""_s);
    row("no columns", "definition", u"# nimic"_s, u"raportul nu are nicio coloana"_s);
}

void TestReports::rules()
{
    QFETCH(QString, kind);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    if (kind == "date"_L1) {
        QCOMPARE(dateBoxRefusal(input, 2026), expected);
    } else if (kind == "formula"_L1) {
        try {
            const SqlCondition c = parseSelection(input);
            QCOMPARE(c.where, expected);
            if (input.contains("NEIL"_L1))
                QCOMPARE(c.params, (QVariantList{u"O'NEIL"_s, 2.0}));
        } catch (const FormulaError &e) {
            QVERIFY2(expected == "!"_L1, qPrintable(e.message));
        }
        QCOMPARE(parseFormulaValue(u"crit='a'b'"_s).text, u"a'b"_s);
        QVERIFY_THROWS_EXCEPTION(FormulaError, parseFormulaValue(u"crit=abc"_s));
    } else {
        try {
            const ReportDefinition d = parseDefinition(input);
            QVERIFY(expected.isEmpty() && d.columns.size() == 1 && d.columns.first().total);
        } catch (const DefinitionError &e) {
            QCOMPARE(e.message, expected);
        }
        for (const char *f : {"rapprog.rpt", "rapproga.rpt", "rapprogagrup.rpt", "raprealiz.rpt"})
            QVERIFY(!loadDefinition(QStringLiteral(TENDRO_SOURCE_DATA "/") + QLatin1String(f)).columns.isEmpty());
    }
}

void TestReports::layoutKeepsEverything_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("criteria");   // the criteria line's length
    QTest::newRow("proposals") << "rapprog.rpt" << 5000;
    QTest::newRow("approved") << "rapproga.rpt" << 0;
    QTest::newRow("grouped, criteria over two pages") << "rapprogagrup.rpt" << 15000;
    QTest::newRow("realizations") << "raprealiz.rpt" << 0;
}

// Every report over the widest values, with every count of rows from 40 to
// 65 so that the table ends at every height of a page, checked on the
// laid-out pages: each text inside its cell (measured in the font that
// paints it), none over another, every row and its whole text printed, the
// signatories beside the total, sums equal to the printed rows.
void TestReports::layoutKeepsEverything()
{
    QFETCH(QString, file);
    QFETCH(int, criteria);
    Office o;
    const ResultSet codes = o.db().query(u"SELECT cod2 FROM cpv ORDER BY length(den) DESC, cod2 LIMIT 21"_s);
    QList<qint64> ids;
    for (int i = 0; i < 65; ++i)
        ids << o.addItem({.cod2 = codes.integer(i % 21, u"cod2"_s), .lei = 9999999.995 - i * 1234.567,
                          .proced = u"negociere fara public."_s, .proiect = u"PN-III-P2-2.1-PED-2021-%1"_s.arg(i),
                          .fond = u"nerambursabile(UE)"_s, .activit = u"proiectare"_s,
                          .resp = u"CONSTANTINESCU-DUMITRESCU ALEXANDRU"_s,
                          .detal = (i % 7 ? u"lucrări de întreţinere "_s.repeated(9) : u"Ş"_s.repeated(200)).left(200),
                          .euro = 2222222.225 + i});
    o.db().exec(u"UPDATE program SET realiz=lei*1.25+0.005"_s);
    const QString crit = (u"Criterii selectie : "_s + u"activitatea proiectare,"_s.repeated(700)).left(criteria);
    const QString flat = QString(crit).remove(QLatin1Char(' '));
    for (int items = 40; items <= 65; ++items) {
        ReportDocument doc = buildDocument(o.db(), loadDefinition(o.path(file)),
                                           parseSelection(u"{program.idp}<="_s + QString::number(ids.at(items - 1))),
                                           u"PROGRAM ACHIZITII PE ANUL 2026"_s, crit);
        doc.drawnUp = o.clock.date;
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QPdfWriter writer(&out);
        writer.setPageLayout(reportPage());
        writer.setResolution(300);
        const ReportLayout layout(doc, &writer);
        QMap<QPair<int, int>, QString> printed;
        QString above;
        int totalPage = -1, signatoriesPage = -1, placed = 0;
        for (int p = 0; p < layout.pageCount(); ++p) {
            const LaidPage &page = layout.pages().at(p);
            QList<QRectF> inks;
            QString running, continued;
            for (const LaidText &t : page.texts) {
                const QFontMetricsF m(t.font, &writer);
                inks << QRectF(t.origin.x(), t.origin.y() - m.ascent(), m.horizontalAdvance(t.text), m.ascent() + m.descent());
                QVERIFY2(t.cell.adjusted(-0.5, -0.5, 0.5, 0.5).contains(inks.last()), qPrintable(t.text));
                QVERIFY(QRectF(0, 0, layout.pageWidth(), layout.pageHeight()).contains(t.cell));
                if (t.line >= 0)   // a heading repeated "(continuare)" is no line of the page's
                    (page.lines.contains(t.line) ? printed[{t.line, t.column}] : continued) += t.text;
                else
                    (t.column == -2 ? running : above) += t.text + u" "_s;
            }
            std::sort(inks.begin(), inks.end(), [](const QRectF &a, const QRectF &b) { return a.top() < b.top(); });
            for (int i = 0; i < inks.size(); ++i)
                for (int j = i + 1; j < inks.size() && inks.at(j).top() < inks.at(i).bottom() - 0.5; ++j)
                    QVERIFY(inks.at(i).intersected(inks.at(j)).width() < 0.5);
            QVERIFY2(running.endsWith(u"pagina %1 / %2 "_s.arg(p + 1).arg(layout.pageCount())), qPrintable(running));
            for (int k = 0; k < page.lines.size(); ++k, ++placed) {
                QCOMPARE(page.lines.at(k), placed);   // each line once, in order
                const ReportLine::Kind kind = doc.lines.at(placed).kind;
                totalPage = kind == ReportLine::Total ? p : totalPage;
                if (kind == ReportLine::Subtotal)
                    QVERIFY(k > 0 && doc.lines.at(page.lines.at(k - 1)).kind == ReportLine::Item);
            }
            const int first = page.lines.value(0, -1);
            if (first >= 0 && (doc.lines.at(first).kind == ReportLine::Item || doc.lines.at(first).kind == ReportLine::Subtotal) && file == "rapprogagrup.rpt"_L1)
                QVERIFY2(continued.endsWith(u"(continuare)"_s), qPrintable(continued));
            signatoriesPage = page.signatories ? p : signatoriesPage;
        }
        QCOMPARE(placed, int(doc.lines.size()));
        QCOMPARE(signatoriesPage, totalPage);
        QVERIFY(layout.pages().at(totalPage).lines.size() > 1);   // the total stands with rows
        QVERIFY(above.remove(QLatin1Char(' ')).contains(u"Dataintocmirii:15.03.2026"_s + flat));
        QVector<qint64> groupSum(doc.columns.size()), sum(doc.columns.size());
        for (int l = 0; l < doc.lines.size(); ++l) {
            const ReportLine &line = doc.lines.at(l);
            for (int c = 0; c < line.cells.size(); ++c) {
                QCOMPARE(printed.value({l, c}).remove(QLatin1Char(' ')),
                         QString(line.cells.at(c) + line.under.value(c)).remove(QLatin1Char(' ')));
                if (!doc.columns.at(c).total || (line.kind != ReportLine::Item && c == 0) || line.kind == ReportLine::Group)
                    continue;
                static const QRegularExpression money(u"^-?\\d{1,3}(\\.\\d{3})*,\\d\\d$"_s);
                QVERIFY2(money.match(printed.value({l, c})).hasMatch(), qPrintable(printed.value({l, c})));
                const qint64 cents = QString(printed.value({l, c})).remove(QLatin1Char('.')).remove(QLatin1Char(',')).toLongLong();
                if (line.kind == ReportLine::Item) {
                    groupSum[c] += cents;
                    sum[c] += cents;
                } else {
                    QCOMPARE(cents, line.kind == ReportLine::Total ? sum.at(c) : groupSum.at(c));
                    groupSum[c] = 0;
                }
            }
        }
    }
}

void TestReports::cenOpensByTheClock()
{
    for (const auto &[today, first, proposals] : {std::tuple{QDate(2026, 10, 15), "2027", false},
                                                  std::tuple{QDate(2026, 2, 15), "2026", true}}) {
        Office o;
        o.clock.date = today;
        o.item(3111100, 10, 0, u"01.03.2026"_s, QString(), u"ANA"_s);
        Cen cen(*o.ctx);
        QCOMPARE(cen.windowTitle(), u"Centralizatoare"_s);
        auto *anul = cen.findChild<QListWidget *>(u"anul"_s);
        QCOMPARE(anul->currentItem()->text() + anul->item(anul->count() - 1)->text(), QLatin1String(first) + u"2015"_s);
        QCOMPARE(cen.datamin(), QLatin1String(first) + u"0101"_s);
        QCOMPARE(cen.findChild<QRadioButton *>(u"prop"_s)->isChecked(), proposals);
        QCOMPARE(cen.findChild<QCheckBox *>(u"proced"_s)->isEnabled(), !proposals);
        QCOMPARE(cen.findChild<QListWidget *>(u"listp"_s)->count() + cen.findChild<QListWidget *>(u"listtip"_s)->count(), 5);
        QCOMPARE(cen.findChild<QComboBox *>(u"reglaj"_s)->currentIndex(), -1);
        for (const char *off : {"Frame1", "Frame2", "fond", "lei1", "incep1", "Label12", "listtip", "listp"})
            QVERIFY2(!cen.findChild<QWidget *>(QLatin1String(off))->isEnabled(), off);
        QCOMPARE(cen.findChild<QLineEdit *>(u"lei1"_s)->text(), u"0"_s);
    }
}

// Driven as a user does: a criterion ticked enables its controls with a
// default, unticked clears them; a date box is checked when left; "Raport"
// runs only when every enabled date box passes (the refusal said once,
// the focus in the box, nothing printed).
void TestReports::cenWindow()
{
    Office o;
    o.item(3111100, 10, 0, u"01.03.2026"_s, QString(), u"ANA"_s);
    Cen cen(*o.ctx);
    activate(&cen);
    // "+x": x checked (a button) or enabled; "-x": unchecked or disabled; "!x": disabled, "~x" enabled.
    const auto is = [&cen](const QString &states) {
        return call([&cen, states] {
            for (const QString &s : states.split(QLatin1Char(' '))) {
                auto *w = cen.findChild<QWidget *>(s.mid(1));
                auto *b = qobject_cast<QAbstractButton *>(w);
                const QChar k = s.at(0);
                const bool on = k == QLatin1Char('!') ? !w->isEnabled()
                                : k == QLatin1Char('~') || !b ? w->isEnabled() : b->isChecked();
                QVERIFY2(on == (k != QLatin1Char('-')), qPrintable(s));
            }
        });
    };
    const auto selected = [&cen](const char *list, const QString &text) {
        return call([&cen, list, text] {
            const QList<QListWidgetItem *> items = cen.findChild<QListWidget *>(QLatin1String(list))->selectedItems();
            QCOMPARE(items.isEmpty() ? QString() : items.first()->text(), text);
        });
    };
    const auto printed = [&o](const QString &expected) {
        return call([&o, expected] {
            const QString text = o.takeReport(u"rapproga"_s);
            QVERIFY2(expected.isEmpty() ? text == "<none>"_L1 : text.contains(expected), qPrintable(text));
        });
    };
    const QString format = u"Formatul datei nu este zz.ll.aaaa !!! "_s;
    RUN_STEPS(o, &cen, {click(u"act"_s), is(u"+act1 +Frame2"_s), click(u"act"_s), is(u"-act1 !Frame2"_s),
                        click(u"fel"_s), is(u"+prod"_s), click(u"sursa"_s), selected("fond", u"proprii"_s),
                        click(u"resp"_s), selected("listp", u"ANA"_s), click(u"resp"_s), selected("listp", QString()),
                        is(u"!listp"_s),
                        // Unticking the value keeps its boxes' texts.
                        click(u"lei"_s), type(u"lei1"_s, u"1500"_s), click(u"lei"_s), is(u"!lei1"_s),
                        expectText(u"lei1"_s, u"1500"_s),
                        // "propuse" unticks and disables the procedure; "aprobate" enables it unticked.
                        click(u"proced"_s), selected("listtip", u"licitatie"_s), click(u"prop"_s),
                        is(u"-proced !proced !listtip"_s), selected("listtip", QString()), click(u"aprob"_s),
                        is(u"-proced ~proced !listtip"_s),
                        click(u"incep"_s), type(u"incep1"_s, QString()), key(QString(), Qt::Key_Tab), message(format),
                        expectFocus(u"incep1"_s), type(u"incep1"_s, u"01.03.2026"_s), key(QString(), Qt::Key_Tab),
                        click(u"Command1"_s), message(format), expectFocus(u"incep2"_s), printed(QString()),
                        type(u"incep2"_s, u"1.02.2026"_s), click(u"Command1"_s), message(format), expectFocus(u"incep2"_s),
                        printed(QString()), type(u"incep2"_s, u"+1.05.2026"_s), click(u"Command1"_s),
                        message(u"Numarul zilei este necorespunzator !!! "_s), expectFocus(u"incep2"_s), printed(QString()),
                        type(u"incep2"_s, u"30.06.2026"_s), click(u"Command1"_s), printed(u"intre 01.03.2026 si 30.06.2026"_s),
                        click(u"termin"_s), click(u"Command1"_s), message(format), expectFocus(u"fin1"_s), printed(QString())});
}

// The proposals from the programme window and a grouped approved programme
// from "Centralizatoare", written out and read back.
void TestReports::reportsAsPrinted()
{
    Office o;
    o.item(3111100, 1500.5, 0, u"01.03.2026"_s, u"licitatie"_s, u"ANA"_s);
    o.item(3111100, 50, 0, u"02.03.2026"_s, u"licitatie"_s, u"ANA"_s);
    o.item(3111200, 200, 0, u"31.12.2026"_s, u"licitatie"_s, u"ANA"_s);
    o.item(3111300, 999, 50, u"01.03.2026"_s, u"licitatie"_s, u"BOB"_s);   // euro: not a proposal; another person
    o.item(3111400, 888, 0, u"01.01.2027"_s);   // next year
    o.item(3111500, 777, 0, u"01.03.2026"_s, QString(), u"ANA"_s);   // not approved
    const auto check = [](const QString &text, const QStringList &present, const QStringList &absent) {
        for (const QString &p : present)
            QVERIFY2(text.contains(p), qPrintable(p + u" not in: "_s + text));
        for (const QString &a : absent)
            QVERIFY2(!text.contains(a), qPrintable(a + u" in: "_s + text));
    };
    Liste liste(*o.ctx);
    liste.findChild<QPushButton *>(u"Command5"_s)->click();
    QVERIFY(o.messages.shown.isEmpty());
    check(o.takeReport(u"rapprog"_s),
          {u"DIRECTIA SILVICA ARAD O.S. ARAD PROPUNERI PROGRAM ACHIZITII PE ANUL 2026 Data intocmirii: 15.03.2026"_s,
           u"Sursa de finantare"_s, u"DETALIU ŞCOALĂ"_s, u"1.500,50"_s, u"TOTAL GENERAL"_s, u"2.527,50"_s,
           u"SEF DE OCOL CONTABIL SEF INTOCMIT ION POPESCU MARIA IONESCU VASILE GHEORGHE"_s, u"pagina 1 / 1"_s},
          {u"999,00"_s, u"888,00"_s, u"Criterii"_s});
    Mnu mnu(*o.ctx);
    RUN_STEPS(o, &mnu, {click(u"mnucen"_s), click(u"resp"_s), clickCell(u"listp"_s, 0), click(u"grupcpv"_s),
                        choose(u"reglaj"_s, u"400"_s), click(u"Command1"_s), call([] {
                            // The window stays for another report.
                            QVERIFY(QApplication::activeModalWidget()->objectName() == "cen"_L1);
                        }),
                        click(u"Command2"_s)});
    const QString grouped = o.takeReport(u"rapprogagrup"_s);
    check(grouped, {u"PROGRAM ACHIZITII PE ANUL 2026, grupat pe coduri CPV"_s, u"Criterii selectie : responsabil ANA"_s,
                    u"Total 03111100-"_s, u"1.550,50"_s, u"TOTAL GENERAL 1.750,50"_s},
          {u"999,00"_s, u"777,00"_s});
    // The group's subtotal follows its two rows.
    QVERIFY(grouped.indexOf(u"Total 03111100-"_s) > grouped.lastIndexOf(u"50,00 0,00 licitatie"_s));
}

void TestReports::failuresAreShownNotCrashed()
{
    Office o;
    ReportJob job(o.messages, o.clock);
    const auto run = [&](const QString &file, const QString &selection, const QString &password) {
        o.messages.shown.clear();
        job.setReportFile(o.path(file));
        job.setDataFile(0, o.workingFile());
        job.setConnect(u";PWD="_s + password);
        job.setSelectionFormula(selection);
        job.setFormula(0, u"titlu='T'"_s);
        return job.setAction(1, nullptr);
    };
    QVERIFY(run(u"rapproga.rpt"_s, u"{program.lei}>0"_s, kPassword) && QFile::exists(job.lastPdf()));
    for (const auto &[file, selection, password, cause] :
         {std::tuple{"lipsa.rpt", "", kPassword, "lipsa.rpt nu a putut fi afisat: fisierul nu exista"},
          std::tuple{"rapproga.rpt", "{program.lei}>0 or 1=1", kPassword, "formula de selectie invalida"},
          std::tuple{"rapproga.rpt", "", u"alta"_s, "fisierul de date tendro.mdb: Eroarea 26"}}) {
        QVERIFY(!run(QLatin1String(file), QLatin1String(selection), password));
        QCOMPARE(o.messages.shown.size(), 1);
        QVERIFY2(o.messages.last().contains(QLatin1String(cause)), qPrintable(o.messages.last()));
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
    QCOMPARE(box.button(QMessageBox::Yes)->text() + box.button(QMessageBox::No)->text(), u"&Da&Nu"_s);
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
