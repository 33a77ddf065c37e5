// Reports: criteria turned into formulas, the formula, date and definition rules, the laid-out
// pages of every report, the "Centralizatoare" window, reports written out (PDF, workbook) and read back.

#include "app/mnu.h"
#include "programme/liste.h"
#include "reports/criteria.h"
#include "reports/definition.h"
#include "reports/document.h"
#include "reports/engine.h"
#include "reports/formula.h"
#include "reports/render.h"
#include "reports/workbook.h"
#include "services/romanian.h"
#include "steps.h"
#include "store/database.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

// A sub-unit with signatories whose reports go to a folder of the test's.
struct Office : Env {
    Office() : Env(u"O.S. ARAD"_s)
    {
        printToFolder();
        db().exec(u"UPDATE setare SET functiesef='SEF DE OCOL', sef='ION POP', contabil='ANA ION', intocmit='VASILE GH'"_s);
    }
    void item(qint64 cod2, double lei, const QString &start, const QString &resp = u"ANA"_s)
    {
        addItem({.cod2 = cod2, .start = start, .lei = lei, .proced = u"licitatie"_s, .resp = resp, .detal = u"DETALIU ŞCOALĂ"_s});
    }
};

// "+x": x checked (a button) or enabled; "-x": unchecked or disabled; "!x": disabled; "~x": enabled;
// "=x:t": t selected in the list x (nothing for an empty t). Of the modal window in front.
Step is(const QString &states)
{
    return call([states] {
        for (const QString &s : states.split(QLatin1Char(' '))) {
            auto *w = QApplication::activeModalWidget()->findChild<QWidget *>(s.mid(1).section(QLatin1Char(':'), 0, 0));
            auto *b = qobject_cast<QAbstractButton *>(w);
            if (auto *list = qobject_cast<QListWidget *>(w); list && s[0] == '='_L1)
                QCOMPARE(list->selectedItems().isEmpty() ? QString() : list->selectedItems().first()->text(),
                         s.section(':'_L1, 1));
            else
                QVERIFY2((s[0] == '!'_L1 ? !w->isEnabled() : s[0] == '~'_L1 || !b ? w->isEnabled() : b->isChecked())
                             == (s[0] != '-'_L1), qPrintable(s));
        }
    });
}

// A part of a workbook ("xl/worksheets/sheet1.xml") as unzip reads it.
QString part(const QString &book, const QString &name)
{
    QProcess unzip;
    unzip.start(u"unzip"_s, {u"-p"_s, book, name});
    return unzip.waitForFinished() ? QString::fromUtf8(unzip.readAllStandardOutput()) : QString();
}

// Whether a cell of the first sheet is shown in a bold font.
bool boldCell(const QString &book, const QString &cell)
{
    const QString styles = part(book, u"xl/styles.xml"_s);
    const auto all = [](const QString &text, const QString &pattern) {
        QStringList out;
        for (const auto &m : QRegularExpression(pattern).globalMatch(text))
            out << m.captured(1);
        return out;
    };
    const QString sheet = part(book, u"xl/worksheets/sheet1.xml"_s);
    const QString style = all(sheet, u"<c r=\""_s + cell + u"\" s=\"(\\d+)\""_s).value(0);
    const QString xfs = styles.section(u"<cellXfs"_s, 1).section(u"</cellXfs>"_s, 0, 0);
    const int font = all(xfs, u"<xf [^>]*fontId=\"(\\d+)\""_s).value(style.toInt()).toInt();
    const QString fonts = styles.section(u"<fonts"_s, 1).section(u"</fonts>"_s, 0, 0);
    return all(fonts, u"<font>([\\s\\S]*?)</font>"_s).value(font).contains(u"<b/>"_s);
}

} // namespace

class TestReports : public QObject {
    Q_OBJECT
private slots:
    void requestFromCriteria();
    void rules_data();
    void rules();
    void layoutKeepsEverything();
    void printing();
    void workbook();
    void cenWindow();
};

// The criteria ticked, as the report's file, its selection (after the base condition), criteria line and title.
void TestReports::requestFromCriteria()
{
    using S = CriteriaState;
    const QString year = u"PROGRAM ACHIZITII PE ANUL 2026"_s, grouped = year + u", grupat pe coduri CPV"_s, groups = u"rapprogagrup.rpt"_s;
    const struct { std::function<void(S &)> change; const char *selection, *criteria;
                   QString file = u"rapproga.rpt"_s, title = u"PROGRAM ACHIZITII PE ANUL 2026"_s; } cases[] = {
        {[](S &) {}, "", ""},
        // A narrowed proposals list says so too.
        {[](S &s) { s.proposals = true, s.fund = u"proprii"_s; }, " and {program.fond}='proprii'", "din fonduri proprii",
         u"rapprog.rpt"_s, u"PROPUNERI "_s + year},
        {[](S &s) { s.kind = 2, s.kindCaption = u"servicii"_s, s.fund = u"bugetare"_s; },
         " and {cpv.fel}=2 and {program.fond}='bugetare'", "achizitia de servicii,din fonduri bugetare"},
        {[](S &s) { s.activity = u"proiectare"_s, s.person = u"POP ION"_s; },
         " and {program.activit}='proiectare' and {program.resp}='POP ION'", "activitatea proiectare,responsabil POP ION"},
        // Bounds read the Romanian way and said as applied, in the reports' money form.
        {[](S &s) { s.value = {u"1500"_s, u"0"_s}; }, " and {program.lei}>=1500", "cu valoarea estimata >= 1.500,00"},
        {[](S &s) { s.value = {u"100.000"_s, u""_s}; }, " and {program.lei}>=100000", "cu valoarea estimata >= 100.000,00"},
        {[](S &s) { s.value = {u"0"_s, u"0"_s}; }, " and {program.lei}<=0", "cu valoarea estimata <= 0,00"},
        {[](S &s) { s.value = {u"2,5"_s, u"1.250,50"_s}; }, " and {program.lei}>=2.5 and {program.lei}<=1250.5",
         "cu valoarea estimata cuprinsa intre 2,50 si 1.250,50"},
        {[](S &s) { s.start = {u"01.03.2026"_s, u"30.06.2026"_s}; },
         " and {program.datainc2}>='20260301' and {program.datainc2}<='20260630'",
         "data inceperii procedurii cuprinsa intre 01.03.2026 si 30.06.2026"},
        {[](S &s) { s.end = {QString(), u"30.06.2026"_s}; }, " and {program.datafin2}<='20260630'",
         "data finalizarii procedurii <= 30.06.2026"},
        // Ticked in any order, they come in the fixed one.
        {[](S &s) { s.procedure = u"licitatie"_s, s.activity = u"productie"_s, s.grouped = true; },
         " and {program.activit}='productie' and {program.proced}='licitatie'",
         "activitatea productie,tip procedura licitatie", groups, grouped},
        {[](S &s) { s.proposals = s.grouped = true; }, "", "", groups, u"PROPUNERI "_s + grouped}};
    for (const auto &c : cases) {
        S s;
        std::tie(s.year, s.datamin, s.datamax) = std::tuple(u"2026"_s, u"20260101"_s, u"20261231"_s);
        c.change(s);
        const ReportRequest r = buildRequest(s);
        const QString criteria = *c.criteria ? u"Criterii selectie : "_s + QLatin1String(c.criteria) : QString();
        QCOMPARE(r.reportFile + u" "_s + r.formula0, c.file + u" titlu='"_s + c.title + u"'"_s);
        QCOMPARE(r.selection, (s.proposals ? u"{program.euro}=0"_s : u"{program.proced}<>''"_s)
                                  + u" and {program.datainc2}>='20260101' and {program.datainc2}<='20261231'"_s
                                  + QLatin1String(c.selection));
        QCOMPARE(r.criteria + u" | "_s + r.formula1.value_or(u"-"_s), criteria + u" | crit='"_s + criteria + u"'"_s);
        QCOMPARE(int(parseSelection(r.selection).params.size()),   // in the language, each value a parameter
                 int(r.selection.count(QLatin1Char('\'')) / 2 + r.selection.count(QRegularExpression(u"[=><]-?\\d"_s))));
    }
}

// Widget-free rules, one table: the selection language ("formula": the WHERE clause, "!" refused), the date
// boxes ("date": the refusal) and the definition files ("definition": the error).
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
    row("empty text", "formula", u"{program.proced}<>''"_s, u"program.proced<>?"_s), row("nothing", "formula", {}, {});
    for (const char *refused : {"{program.parola}='x'", "{valid.parola}='x'", "{program.lei}=1; DROP TABLE program",
                                "{program.lei}=1 or {program.lei}=2", "{program.lei}<5", "{program.resp}='abc",
                                "{program.lei}", "{program.lei}=1 and", "{program.lei}=1and{program.lei}=2", "{program.lei}="})
        row(refused, "formula", QString::fromLatin1(refused), u"!"_s);
    const QString format = u"Formatul datei nu este zz.ll.aaaa !!! "_s, day = u"Numarul zilei este necorespunzator !!! "_s;
    const QString month = u"Numarul lunii este necorespunzator !!! "_s, year = u"Anul este necorespunzator !!! "_s;
    for (const auto &[name, input, expected] :
         {std::tuple{"31 February", "31.02.2020", day}, {"29 February of a leap year", "29.02.2020", QString()},
          {"29 February of a common year", "29.02.2021", day}, {"31 April", "31.04.2021", day},
          {"30 April", "30.04.2021", QString()}, {"one-digit day", "1.02.2020", format},
          {"slashes", "01/02/2020", format}, {"empty date", "", format}, {"day 00", "00.05.2020", day},
          {"signed day", "+1.05.2020", day}, {"month 13", "12.13.2020", month}, {"month 00", "12.00.2020", month},
          {"31 December", "31.12.2020", QString()}, {"before 1991", "12.05.1990", year},
          {"next year", "12.05.2027", year}})
        row(name, "date", QString::fromLatin1(input), expected);
    const QString ok = u"column A | program.lei | 10 | money | total\n"_s;
    row("definition as shipped", "definition", u"title titlu\norder cpv.cod DESC\ngroup cpv.cod\nbold clasa.risc\n"_s + ok, {});
    row("bold on no column", "definition", u"bold program.parola\n"_s + ok,
        u"linia 1: coloana necunoscuta \"program.parola\""_s);
    row("unknown keyword", "definition", u"colour red\n"_s + ok, u"linia 1: cuvant necunoscut \"colour\""_s);
    row("unknown column", "definition", u"column A | program.parola | 10 | text"_s,
        u"linia 1: coloana necunoscuta \"program.parola\""_s);
    row("bad width", "definition", u"column A | program.lei | lat | text"_s, u"linia 1: latime invalida \"lat\""_s);
    row("total on text", "definition", u"column A | program.resp | 10 | text | total"_s,
        u"linia 1: doar o coloana \"money\" poate avea \"total\""_s);
    row("no columns", "definition", u"# nimic"_s, u"raportul nu are nicio coloana"_s);
    // Procedures print in full; any other text as stored.
    for (const auto &[stored, printed] :
         {std::pair{"licitatie", "licitatie deschisa"}, {"proced.simplif.", "procedura simplificata"},
          {"negociere fara public.", "negociere fara publicare prealabila"}, {"achizitie directa", "achizitie directa"},
          {"licitatie deschisa", "licitatie deschisa"}, {"Licitatie", "Licitatie"}, {"", ""}})
        row(stored, "procedure", QString::fromLatin1(stored), QString::fromLatin1(printed));
}

void TestReports::rules()
{
    QFETCH(QString, kind);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    try {
        if (kind == "date"_L1)
            QCOMPARE(dateBoxRefusal(input, 2026), expected);
        else if (kind == "formula"_L1)
            QCOMPARE(parseSelection(input).where, expected);
        else if (kind == "procedure"_L1)
            QCOMPARE(procedureName(input), expected);
        else
            QVERIFY(parseDefinition(input).columns.size() == 1 && parseDefinition(input).columns.first().total
                    && expected.isEmpty());
    } catch (const FormulaError &e) {
        QVERIFY2(expected == "!"_L1, qPrintable(e.message));
    } catch (const DefinitionError &e) {
        QCOMPARE(e.message, expected);
    }
    QCOMPARE(parseSelection(u"{program.resp}='O'NEIL' and {cpv.fel}=2"_s).params, (QVariantList{u"O'NEIL"_s, 2.0}));
    QCOMPARE(parseFormulaValue(u"crit='a'b'"_s).text, u"a'b"_s);
    QVERIFY_THROWS_EXCEPTION(FormulaError, parseFormulaValue(u"crit=abc"_s));
}

// Every report over the widest values, 40 to 65 rows (the table ends at every height of a page), checked on the laid-out
// pages: each text inside its cell (measured in the font that paints it) and over no other, every line once and whole, a
// group continued under its heading, a subtotal with a row, the signatories with the total and rows, sums = printed rows.
void TestReports::layoutKeepsEverything()
{
    Office o;
    const ResultSet codes = o.db().query(u"SELECT cod2 FROM cpv ORDER BY length(den) DESC, cod2 LIMIT 21"_s);
    for (int i = 0; i < 65; ++i)   // keys 1 to 65
        o.addItem({.cod2 = codes.integer(i % 21, u"cod2"_s), .lei = 9999999.995 - i * 1234.567,
                  .proced = u"negociere fara public."_s, .proiect = u"PN-III-P2-2.1-PED-2021-%1"_s.arg(i),
                  .fond = u"nerambursabile(UE)"_s, .activit = u"proiectare"_s, .resp = u"CONSTANTINESCU-DUMITRESCU ALEXANDRU"_s,
                  .detal = (i % 7 ? u"lucrări de întreţinere "_s.repeated(9) : u"Ş"_s.repeated(200)).left(200),
                  .euro = 2222222.225 + i});
    o.db().exec(u"UPDATE program SET realiz=lei*1.25+0.005"_s);
    const auto flat = [](QString t) { return t.remove(QLatin1Char(' ')); };
    // Each definition with a criteria line of that length (15 000 characters fill more than two pages).
    for (const auto &[file, criteria] : {std::pair{u"rapprog.rpt"_s, 5000}, {u"rapproga.rpt"_s, 0},
                                         {u"rapprogagrup.rpt"_s, 15000}, {u"raprealiz.rpt"_s, 0}, {u"rapdivizare.rpt"_s, 0}}) {
        for (int items = 40; items <= 65; ++items) {
            const QString crit = (u"Criterii selectie : "_s + u"activitatea proiectare,"_s.repeated(700)).left(criteria);
            ReportDocument doc = buildDocument(o.db(), loadDefinition(QStringLiteral(TENDRO_SOURCE_DATA "/") + file),
                                               parseSelection(u"{program.idp}<=%1"_s.arg(items)), u"T"_s, crit);
            doc.drawnUp = o.clock.date;
            const bool grouped = doc.lines.first().kind == ReportLine::Group;
            QPdfWriter writer(o.path(u"l.pdf"_s));
            writer.setPageLayout(reportPage());
            const ReportLayout layout(doc, &writer);
            QMap<QPair<int, int>, QString> printed;   // by line and column
            QString above;
            int totalPage = -1, signatoriesPage = -1, placed = 0;
            for (int p = 0; p < layout.pageCount(); ++p) {
                const LaidPage &page = layout.pages().at(p);
                QList<QRectF> inks;
                QString running, continued;
                for (const LaidText &t : page.texts) {
                    const QFontMetricsF m(t.font, &writer);
                    inks << QRectF(t.origin.x(), t.origin.y() - m.ascent(), m.horizontalAdvance(t.text), m.height());
                    QVERIFY2(t.cell.adjusted(-0.5, -0.5, 0.5, 0.5).contains(inks.last()), qPrintable(t.text));
                    QVERIFY(QRectF(-0.5, -0.5, layout.pageWidth() + 1, layout.pageHeight() + 1).contains(t.cell));
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
                    QVERIFY(kind != ReportLine::Subtotal || (k > 0 && doc.lines.at(placed - 1).kind == ReportLine::Item));
                    if (k == 0 && (kind == ReportLine::Item || kind == ReportLine::Subtotal) && grouped)
                        QVERIFY2(continued.endsWith(u"(continuare)"_s), qPrintable(continued));
                }
                signatoriesPage = page.signatories ? p : signatoriesPage;
            }
            QCOMPARE(QPair(placed, signatoriesPage), QPair(int(doc.lines.size()), totalPage));
            QVERIFY(layout.pages().at(totalPage).lines.size() > 1);   // the total stands with rows
            QVERIFY(flat(above).contains(u"Dataintocmirii:15.03.2026"_s + flat(crit)));
            static const QRegularExpression money(u"^-?\\d{1,3}(\\.\\d{3})*,\\d\\d$"_s);
            QVector<qint64> groupSum(doc.columns.size()), sum(doc.columns.size());
            for (int l = 0; l < doc.lines.size(); ++l) {
                const ReportLine &line = doc.lines.at(l);
                for (int c = 0; c < line.cells.size(); ++c) {
                    const QString text = printed.value({l, c});
                    QCOMPARE(flat(text), flat(line.cells.at(c) + line.under.value(c)));
                    if (!doc.columns.at(c).total || line.kind == ReportLine::Group)
                        continue;
                    QVERIFY2(money.match(text).hasMatch(), qPrintable(text));
                    const qint64 cents = QString(text).remove(QLatin1Char('.')).remove(QLatin1Char(',')).toLongLong();
                    if (line.kind == ReportLine::Item)
                        groupSum[c] += cents, sum[c] += cents;
                    else
                        QCOMPARE(cents, line.kind == ReportLine::Total ? sum.at(c) : std::exchange(groupSum[c], 0));
                }
            }
        }
    }
}

// What the rows print: numbers from 1, the difference program minus realized, the top margin moving
// the title down by its height, and a first page that carries the report. Failures said plainly, once.
void TestReports::printing()
{
    Office o;
    o.item(3111100, 1000, u"01.03.2026"_s), o.item(3111200, 300, u"02.03.2026"_s);
    o.db().exec(u"UPDATE program SET realiz=1250.5 WHERE lei=1000"_s);
    ReportDocument doc = buildDocument(o.db(), loadDefinition(QStringLiteral(TENDRO_SOURCE_DATA "/raprealiz.rpt")),
                                       parseSelection(u"{program.lei}>0"_s), u"SITUATIA"_s, QString());
    QCOMPARE(doc.lines.size(), 3);
    const auto row = [&doc](int l) { return QStringList{doc.lines.at(l).cells.first()} + doc.lines.at(l).cells.mid(5); };
    QCOMPARE(row(0), (QStringList{u"1"_s, u"1.000,00"_s, u"1.250,50"_s, u"-250,50"_s}));
    QCOMPARE(row(1), (QStringList{u"2"_s, u"300,00"_s, u"0,00"_s, u"300,00"_s}));
    QCOMPARE(row(2), (QStringList{u"TOTAL GENERAL"_s, u"1.300,00"_s, u"1.250,50"_s, u"49,50"_s}));
    for (int i = 0; i < 6; ++i)   // 192 lines, over several pages
        doc.lines += doc.lines;
    const auto tops = [&](int twips) {   // in inches, where the first text of each page stands, the pages painted
        doc.topMarginTwips = twips;
        QPdfWriter writer(o.path(u"m%1.pdf"_s.arg(twips)));
        writer.setPageLayout(reportPage());
        const ReportLayout layout(doc, &writer);
        QPainter painter(&writer);
        layout.paint(painter, &writer);
        QList<int> out;
        for (const LaidPage &page : layout.pages())
            out << qRound(100 * std::min_element(page.texts.begin(), page.texts.end(), [](const auto &a, const auto &b) {
                                    return a.cell.top() < b.cell.top();
                                })->cell.top() / writer.resolution());
        return out;
    };
    const QList<int> plain = tops(0), margined = tops(1440);
    QVERIFY(plain.size() > 2 && margined.size() >= plain.size());
    QCOMPARE(margined, QList<int>(margined.size(), plain.first() + 100));   // an inch lower, every page
    QVERIFY(pdfText(o.path(u"m0.pdf"_s)).section(QLatin1Char('\f'), 0, 0).contains(u"SITUATIA"_s));   // on page 1
    ReportJob job(o.messages, o.clock);
    const QString kPassword = u"w8$Kd!3Zq^%x7&Hm#2*|"_s;
    const auto run = [&](const QString &file, const QString &selection, const QString &password) {
        o.messages.shown.clear(), job.setReportFile(o.path(file)), job.setDataFile(0, o.workingFile());
        job.setConnect(u";PWD="_s + password), job.setSelectionFormula(selection), job.setFormula(0, u"titlu='T'"_s);
        return job.setAction(1, nullptr);
    };
    QVERIFY(run(u"rapproga.rpt"_s, u"{program.lei}>0"_s, kPassword) && QFile::exists(job.lastPdf()));
    for (const auto &[file, selection, password, cause] :
         {std::tuple{"lipsa.rpt", "", kPassword, "lipsa.rpt nu a putut fi afisat: fisierul nu exista"},
          std::tuple{"rapproga.rpt", "{program.lei}>0 or 1=1", kPassword, "formula de selectie invalida"},
          std::tuple{"rapproga.rpt", "", u"alta"_s, "fisierul de date tendro.mdb: Eroarea 26"}})
        QVERIFY2(!run(QLatin1String(file), QLatin1String(selection), password) && o.messages.shown.size() == 1
                     && o.messages.last().contains(QLatin1String(cause)) && o.messages.shown.first().title == "Eroare"_L1,
                 qPrintable(o.messages.last()));
    // The disk fills up while the PDF is written: said, and no part of a file left.
    const QStringList pdfsBefore = QDir(o.path(u"pdf"_s)).entryList(QDir::Files);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{4096, limit.rlim_max};
    const auto signalBefore = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    const bool written = run(u"rapproga.rpt"_s, u"{program.lei}>0"_s, kPassword);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, signalBefore);
    QVERIFY2(!written && o.messages.last().contains(u"nu poate fi scris"_s), qPrintable(o.messages.last()));
    QCOMPARE(QDir(o.path(u"pdf"_s)).entryList(QDir::Files), pdfsBefore);
    // No name to sign with: said once, and printed all the same, every block captioned. One name is enough; a
    // report of no row says so under its captions and has nothing to sign.
    const QString signatories = u" Semnatarii rapoartelor nu sunt completati (SETARI). "_s;
    for (const auto &[names, selection, said, printed] :
         {std::tuple{"''", "{program.lei}>0", signatories, "SEF SUBUNITATE|CONTABIL SEF|INTOCMIT|TOTAL GENERAL"},
          std::tuple{"'VASILE GH'", "{program.lei}>0", QString(), "SEF SUBUNITATE|VASILE GH|TOTAL GENERAL"},
          std::tuple{"''", "{program.lei}=-1", QString(), "Proiect|Nu exista pozitii care sa corespunda criteriilor."}}) {
        o.db().exec(u"UPDATE setare SET functiesef='', sef='', contabil='', intocmit="_s + QLatin1String(names));
        QVERIFY(run(u"rapproga.rpt"_s, QLatin1String(selection), kPassword));
        QCOMPARE(o.messages.texts().join(QString()), said);
        const QString text = pdfText(job.lastPdf()).simplified();
        for (const QString &p : QString::fromLatin1(printed).split(u'|'))
            QVERIFY2(text.contains(p), qPrintable(p + u" not in: "_s + text));
        QCOMPARE(text.contains(u"INTOCMIT"_s), text.contains(u"TOTAL GENERAL"_s));
    }
    o.db().exec(u"UPDATE setare SET functiesef='SEF DE OCOL', sef='ION POP', contabil='ANA ION', intocmit='VASILE GH'"_s);
    // Written as a document to hand on (0644 under umask 022), never through a link planted under its name. A folder
    // others may change (writable by all and not sticky) or that is not the user's is refused.
    ::umask(022);
    const QString folder = o.path(u"pdf"_s), victim = o.path(u"victima"_s);
    for (const QString &f : QDir(folder).entryList(QDir::Files))
        QFile::remove(QDir(folder).filePath(f));
    QVERIFY(QFile::link(victim, QDir(folder).filePath(u"rapproga-20260315-100000.pdf"_s)));
    QVERIFY(run(u"rapproga.rpt"_s, u"{program.lei}>0"_s, kPassword));
    struct stat st {};
    QVERIFY(job.lastPdf().endsWith(u"rapproga-20260315-100000-2.pdf"_s) && !QFile::exists(victim)
            && ::stat(QFile::encodeName(job.lastPdf()).constData(), &st) == 0 && (st.st_mode & 0777) == 0644);
    const QByteArray at = QFile::encodeName(folder);
    for (const auto &[mode, owner, refusal] : {std::tuple{0777, 0, " poate fi modificat de orice utilizator"},
                                               {01777, 0, ""}, {0755, 1, " nu este al utilizatorului"}, {0755, 0, ""}}) {
        if (owner != 0 && ::geteuid() != 0)
            continue;   // only the superuser gives a folder away
        QVERIFY(::chmod(at.constData(), mode) == 0 && (::geteuid() != 0 || ::chown(at.constData(), owner, owner) == 0));
        QCOMPARE(run(u"rapproga.rpt"_s, u"{program.lei}>0"_s, kPassword), !*refusal);
        QCOMPARE(o.messages.texts().join(QString()), *refusal ? u" Raportul rapproga.rpt nu a putut fi afisat: folderul "_s
                                                                    + folder + QLatin1String(refusal) + u" "_s
                                                              : QString());
    }
    // "Excel" in the preview (which speaks Romanian) asks for the name; a file that cannot be written
    // says so once and leaves nothing behind.
    qunsetenv("TENDRO_REPORT_DIR");
    RomanianQtTexts romanian;
    QApplication::installTranslator(&romanian), job.setFileDialogs(&o.files);
    QDir(o.path(QString())).mkdir(u"dosar.xlsx"_s), QDir(o.path(QString())).mkdir(u"sub"_s);
    // The dialog opens where the last workbook went.
    QString suggested = u"rapproga-20260315.xlsx"_s;
    for (const auto &[target, cause] : {std::pair{u"lipsa/r.xlsx"_s, "folderul "}, {u"dosar.xlsx"_s, "Is a directory"},
                                        {u"sub/r.xlsx"_s, ""}, {u"r.xlsx"_s, ""}}) {
        o.files.nextPath = o.path(target);
        QStringList actions;
        whenModal(u"previzualizare"_s, [&actions](QWidget *w) {
            for (QAction *a : w->findChildren<QAction *>())
                actions << a->text();
            w->findChild<QAction *>(u"excel"_s)->trigger(), w->close();
        });
        QVERIFY(run(u"rapproga.rpt"_s, QString(), kPassword));
        QCOMPARE(o.files.lastSuggested, suggested);
        suggested = *cause ? suggested : QFileInfo(o.path(target)).dir().filePath(u"rapproga-20260315.xlsx"_s);
        QVERIFY2(actions.contains(u"Tipareste"_s), qPrintable(actions.join(QLatin1Char('|'))));
        QCOMPARE(o.messages.shown.size(), int(*cause != 0));
        QVERIFY(!*cause || o.messages.last().contains(u"nu a putut fi scris: "_s + QLatin1String(cause)));
        QCOMPARE(QFileInfo(o.path(target)).isFile(), *cause == 0);
        QCOMPARE(QDir(o.path(QString())).entryList({u".*"_s}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }
    // An empty preview says so before it opens.
    int saidBefore = -1;
    whenModal(u"previzualizare"_s, [&](QWidget *w) { saidBefore = int(o.messages.shown.size()), w->close(); });
    QVERIFY(run(u"rapproga.rpt"_s, u"{program.lei}=-1"_s, kPassword));
    QVERIFY(saidBefore == 1 && o.messages.texts() == QStringList{noRowsText()});
    // The programme window's proposals keep to the sub-unit's own items; without its file, it says so and stays.
    o.printToFolder();
    o.addItem({.start = u"01.03.2026"_s, .lei = 777, .idos = 10});
    Liste liste(*o.ctx);
    liste.findChild<QPushButton *>(u"Command5"_s)->click();
    const QString proposals = o.takeReport(u"rapprog"_s);
    QVERIFY2(proposals.contains(u"1.000,00"_s) && !proposals.contains(u"777,00"_s), qPrintable(proposals));
    QFile::remove(o.path(u"rapprog.rpt"_s));
    liste.findChild<QPushButton *>(u"Command5"_s)->click();
    QVERIFY(o.messages.last().startsWith(u" Raportul rapprog.rpt nu a putut fi afisat: "_s));
}

// A workbook as a user opens it: every text whole (header lines and criteria merged across the table, signatory blocks
// over a third each, the height of every row that wraps written, amount columns as wide as their widest total), the
// difference a formula of its row, the rows a definition marks in bold (here as in the PDF), printed as the PDF is
// (margins, running line, captions repeated with short criteria, sheet named after the title), readable by others. An
// empty selection says so, with no total and no signatories.
void TestReports::workbook()
{
    Office o;
    o.db().exec(u"UPDATE setare SET sef='CONSTANTINESCU-DUMITRESCU ALEXANDRU-MIHAI'"_s);
    const ResultSet codes = o.db().query(u"SELECT cod2 FROM cpv ORDER BY length(den) DESC LIMIT 5"_s);
    const QString detail = u"Lucrări de întreţinere şi reparaţii curente la clădirea sediului ocolului silvic "_s.repeated(2);
    for (int i = 0; i < 35; ++i)
        o.addItem({.cod2 = codes.integer(i % 5, u"cod2"_s), .lei = 999999999.99, .proced = u"proced.simplif."_s, .detal = detail});
    // Marks on both sides of "set and not 0": a number NULL, 0 or 0,01; a text '', '0' or 'P0'.
    o.db().exec(u"UPDATE program SET realiz=CASE idp % 3 WHEN 0 THEN NULL WHEN 1 THEN 0 ELSE 0.01 END,"
                " proiect=CASE idp % 3 WHEN 0 THEN '' WHEN 1 THEN '0' ELSE 'P0' END"_s);
    const QString columns = u"column Nr. crt. | # | 9 | center\ncolumn Cod CPV | cpv.cod | 21 | text\n"
                            "column Obiectul contractului | cpv.den / program.detal | 56 | text\n"
                            "column Procedura | program.proced | 18 | text\ncolumn Data inceperii | program.datainc1 | 17 | center\n"
                            "column Valoare (lei) | program.lei | 22 | money | total\n"
                            "column Realizat (lei) | program.realiz | 22 | money | total\n"
                            "column Diferenta (lei) | program.lei - program.realiz | 22 | money | total\n"_s;
    const QString title = u"PROGRAM 2026: LUCRARI/SERVICII [A] & B"_s;
    const auto document = [&](const QString &bold, const QString &selection, const QString &criteria) {
        ReportDocument doc = buildDocument(o.db(), parseDefinition(u"title titlu\nbold "_s + bold + u"\n"_s + columns),
                                           parseSelection(selection), title, criteria);
        doc.drawnUp = o.clock.date, doc.topMarginTwips = 720;
        return doc;
    };
    int byText = 0;
    for (const ReportLine &l : document(u"program.proiect"_s, u"{program.lei}>0"_s, {}).lines)
        byText += l.bold;
    QCOMPARE(byText, 12);   // idp 2, 5 ... 35
    const ReportDocument doc = document(u"program.realiz"_s, u"{program.lei}>0"_s, u"Criterii selectie : responsabil POP"_s);
    const QString book = o.path(u"r.xlsx"_s), empty = o.path(u"gol.xlsx"_s);
    ::umask(022);
    writeWorkbook(doc, book);
    const QString sheet = part(book, u"xl/worksheets/sheet1.xml"_s);
    const auto number = [&sheet](const QString &pattern) {   // the first capture of the pattern, as a number
        return QRegularExpression(pattern).match(sheet).captured(1).toDouble();
    };
    const auto width = [&](int column) { return number(u"<col min=\"%1\" max=\"%1\" width=\"([\\d.]+)\""_s.arg(column + 1)); };
    const auto height = [&](int row) { return number(u"<row r=\"%1\"[^>]* ht=\"([\\d.]+)\""_s.arg(row)); };
    // Rows 1-5 header, title, date, criteria; 7 captions; 8-42 items; 43 total; 46 and 48 the signatories.
    for (const char *merged : {"A1:H1", "A2:H2", "A3:H3", "A4:H4", "A5:H5", "A43:E43"})
        QVERIFY2(sheet.contains(u"<mergeCell ref=\""_s + QLatin1String(merged) + u"\"/>"_s), merged);
    // The signatory blocks side by side over the whole table, each caption over its name, the head's wide enough
    // for its name on one line (at a digit's width a capital) or as high as its lines.
    QStringList captions, names;   // "AC" for A46:C46
    for (const auto &m : QRegularExpression(u"<mergeCell ref=\"([A-H])(4[68]):([A-H])4[68]\"/>"_s).globalMatch(sheet))
        (m.captured(2) == "46"_L1 ? captions : names) << m.captured(1) + m.captured(3);
    const auto next = [](QChar c) { return QChar(c.unicode() + 1); };
    QVERIFY2(captions == names && names.size() == 3 && names[0][0] == u'A' && names[1][0] == next(names[0][1])
                 && names[2][0] == next(names[1][1]) && names[2][1] == u'H',
             qPrintable(names.join(u' ')));
    double head = 0;
    for (QChar c = u'A'; c <= names[0][1]; c = next(c))
        head += width(c.unicode() - u'A');
    // Heights at least what the longest text needs at 3/4 of a digit's width a character, 15 points a line.
    const auto lines = [](const QString &text, double columns) { return std::ceil(0.75 * text.size() / columns); };
    const QString object = doc.lines.first().cells.at(2);
    QVERIFY2(height(8) >= 15 * (lines(object, width(2)) + lines(detail, width(2))), qPrintable(sheet.left(3000)));
    QVERIFY(head >= 41 || height(48) >= 15 * lines(u"CONSTANTINESCU-DUMITRESCU ALEXANDRU-MIHAI"_s, head));
    QVERIFY(height(3) >= 17);   // the title's larger font
    for (int c : {5, 7})   // "34.999.999.999,65" in bold: 13 digits and 4 narrower marks
        QVERIFY2(width(c) >= 16.5, qPrintable(QString::number(width(c))));
    QVERIFY(width(1) * 0.75 >= u"12345678-9"_s.size());   // a CPV code on one line
    for (const char *cell : {"<c r=\"H8\" s=\"\\d+\"><f>F8-G8</f><v>999999999.99</v>", "<f>SUM\\(H8:H42\\)</f>",
                             "<oddFooter>&amp;L&amp;8O.S. ARAD&amp;C&amp;8PROGRAM 2026: LUCRARI/SERVICII \\[A\\] &amp;&amp; B"
                             "&amp;R&amp;8pagina &amp;P / &amp;N</oddFooter>",
                             "<pageMargins left=\"0.39\\d*\" right=\"0.39\\d*\" top=\"0.89\\d*\" bottom=\"0.70\\d*\""})
        QVERIFY2(sheet.contains(QRegularExpression(QLatin1String(cell))), cell);
    const QString workbookXml = part(book, u"xl/workbook.xml"_s);
    QVERIFY2(workbookXml.contains(u"<sheet name=\"PROGRAM 2026 LUCRARI SERVICII A\""_s)
                 && workbookXml.contains(u"'PROGRAM 2026 LUCRARI SERVICII A'!$5:$7</definedName>"_s),
             qPrintable(workbookXml));
    int bold = 0;
    for (int l = 0; l + 1 < doc.lines.size(); ++l) {
        QCOMPARE(doc.lines.at(l).bold, doc.lines.at(l).cells.at(6) == "0,01"_L1);
        QCOMPARE(boldCell(book, u"B%1"_s.arg(8 + l)), doc.lines.at(l).bold);
        bold += doc.lines.at(l).bold;
    }
    QCOMPARE(bold, 12);
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(book).constData(), &st) == 0 && (st.st_mode & 0777) == 0644);
    // The PDF marks the same rows.
    QPdfWriter writer(o.path(u"b.pdf"_s));
    writer.setPageLayout(reportPage());
    const ReportLayout marked(doc, &writer);
    for (const LaidPage &page : marked.pages())
        for (const LaidText &t : page.texts)
            if (t.line >= 0 && doc.lines.at(t.line).kind == ReportLine::Item)
                QCOMPARE(t.font.bold(), doc.lines.at(t.line).bold);

    // A row of exactly two lines (a short name over a short detail) is as high as two: at one line's height the
    // detail would be hidden.
    o.addItem({.cod2 = 3111100, .lei = 0.5, .detal = u"DRUM"_s});
    const QString two = o.path(u"doua.xlsx"_s);
    writeWorkbook(document(u"program.realiz"_s, u"{program.lei}<=0.5"_s, {}), two);
    const QString twoSheet = part(two, u"xl/worksheets/sheet1.xml"_s);
    const double twoLines = QRegularExpression(u"<row r=\"7\"[^>]* ht=\"([\\d.]+)\""_s).match(twoSheet).captured(1).toDouble();
    QVERIFY2(twoLines >= 30, qPrintable(twoSheet.left(2000)));

    // Nothing selected, criteria of many lines: the captions repeat alone; no total, no signatories.
    const ReportDocument none = document(u"program.realiz"_s, u"{program.lei}=-1"_s, u"responsabil POP,"_s.repeated(60));
    writeWorkbook(none, empty);
    const QString noneSheet = part(empty, u"xl/worksheets/sheet1.xml"_s), noneStrings = part(empty, u"xl/sharedStrings.xml"_s);
    QVERIFY(noneSheet.contains(u"<mergeCell ref=\"A8:H8\"/>"_s) && noneStrings.contains(noRowsText())
            && !noneStrings.contains(u"CONTABIL SEF"_s) && !noneStrings.contains(u"TOTAL"_s));
    QVERIFY(part(empty, u"xl/workbook.xml"_s).contains(u"!$7:$7</definedName>"_s));
    const ReportLayout layout(none, &writer);
    QString text;
    for (const LaidText &t : layout.pages().first().texts)
        text += t.text + u" "_s;
    QVERIFY2(layout.pageCount() == 1 && !layout.pages().first().signatories && text.contains(u"Nr. crt."_s)
                 && text.simplified().contains(noRowsText().simplified()) && !text.contains(u"TOTAL"_s),
             qPrintable(text));
}

// Opened by the clock: the year and the option it picks. A grouped approved programme of one person printed, as a
// PDF and a workbook, read back; the window stays. Then a criterion ticked enables its controls with a default,
// unticked clears them; a date box is checked when left; "Raport" runs only when every enabled date box passes.
void TestReports::cenWindow()
{
    Office o;
    o.item(3111100, 1500.5, u"01.03.2026"_s), o.item(3111100, 50, u"02.03.2026"_s), o.item(3111200, 200, u"31.12.2026"_s);
    o.item(3111300, 999, u"01.03.2026"_s, u"BOB"_s);   // another person
    o.addItem({.cod2 = 3111100, .lei = 4321, .proced = u"licitatie"_s, .idos = 10, .resp = u"ANA"_s});   // another sub-unit's
    Mnu mnu(*o.ctx);
    qputenv("TENDRO_REPORT_FORMAT", "pdf,xlsx");
    const auto month = [&o](int m) { return call([&o, m] { o.clock.date = QDate(2026, m, 15); }); };
    const auto printed = [&o](const QString &t) { return call([&o, t] { QVERIFY(o.takeReport(u"rapproga"_s).contains(t)); }); };
    const QString format = u"Formatul datei nu este zz.ll.aaaa !!! "_s;
    const QString cen = u"mnucen"_s, close = u"Command2"_s, print = u"Command1"_s;
    // In November the next year's approved programme has no row yet: said under the captions, nothing to sign.
    const Step nothingYet = call([&o] {
        const QString text = o.takeReport(u"rapproga"_s);
        QVERIFY2(text.contains(u"PROGRAM ACHIZITII PE ANUL 2027"_s) && text.contains(noRowsText().simplified())
                     && !text.contains(u"CONTABIL SEF"_s),
                 qPrintable(text));
    });
    RUN_STEPS(o, &mnu, {month(11), click(cen), is(u"=anul:2027 +aprob"_s), click(print), nothingYet, click(close),
                        month(10), click(cen), is(u"=anul:2027 +aprob ~proced"_s), click(close), month(2), click(cen),
                        is(u"=anul:2026 +prop !proced"_s), click(close), month(3), click(cen),
                        expectText(u"lei1"_s, u"0"_s), expectText(u"reglaj"_s, {}),
                        is(u"=anul:2026 +aprob -proced ~proced !Frame1 !Frame2 !fond !lei1 !incep1 !Label12 !listtip !listp"_s),
                        click(u"resp"_s), is(u"=listp:ANA"_s), call([] {   // every fund shows without scrolling
                            auto *fond = QApplication::activeModalWidget()->findChild<QListWidget *>(u"fond"_s);
                            QVERIFY(fond->viewport()->rect().contains(fond->visualItemRect(fond->item(4))));
                        }), click(u"grupcpv"_s), choose(u"reglaj"_s, u"400"_s),
                        click(print), call([] { QCOMPARE(QApplication::activeModalWidget()->objectName(), u"cen"_s); }),
                        click(close), click(cen), click(u"resp"_s), click(u"resp"_s), is(u"=listp: !listp"_s),
                        click(u"act"_s), is(u"+act1 +Frame2"_s), click(u"act"_s), is(u"-act1 !Frame2"_s),
                        click(u"fel"_s), is(u"+prod"_s), click(u"sursa"_s), is(u"=fond:proprii"_s),
                        // Unticking the value keeps its boxes' texts.
                        click(u"lei"_s), type(u"lei1"_s, u"1500"_s), click(u"lei"_s), is(u"!lei1"_s),
                        expectText(u"lei1"_s, u"1500"_s),
                        // "propuse" unticks and disables the procedure; "aprobate" enables it unticked.
                        click(u"proced"_s), is(u"=listtip:licitatie"_s), click(u"prop"_s),
                        is(u"-proced !proced !listtip =listtip:"_s), click(u"aprob"_s),
                        is(u"-proced ~proced !listtip"_s), click(u"incep"_s), type(u"incep1"_s, {}),
                        key({}, Qt::Key_Tab), message(format), expectFocus(u"incep1"_s),
                        type(u"incep1"_s, u"01.03.2026"_s), key({}, Qt::Key_Tab), click(print), message(format),
                        expectFocus(u"incep2"_s), printed(u"<none>"_s), type(u"incep2"_s, u"30.06.2026"_s),
                        click(print), printed(u"intre 01.03.2026 si 30.06.2026"_s), click(u"termin"_s), click(print),
                        message(format), expectFocus(u"fin1"_s), printed(u"<none>"_s), key({}, Qt::Key_Escape)});
    qunsetenv("TENDRO_REPORT_FORMAT");
    const QString grouped = o.takeReport(u"rapprogagrup"_s);
    for (const QString &p : {u"DIRECTIA SILVICA ARAD O.S. ARAD PROGRAM ACHIZITII PE ANUL 2026, grupat pe coduri CPV "
                               "Data intocmirii: 15.03.2026 Criterii selectie : responsabil ANA"_s, u"DETALIU ŞCOALĂ"_s,
                             u"1.550,50"_s, u"TOTAL GENERAL 1.750,50"_s, u"pagina 1 / 1"_s,
                             u"SEF DE OCOL CONTABIL SEF INTOCMIT ION POP ANA ION VASILE GH"_s})
        QVERIFY2(grouped.contains(p), qPrintable(p + u" not in: "_s + grouped));
    // Not another person's nor another sub-unit's; procedures in full; the group's subtotal after its two rows.
    QVERIFY(!grouped.contains(u"999,00"_s) && !grouped.contains(u"4.321,00"_s)
            && grouped.indexOf(u"Total 03111100-"_s) > grouped.lastIndexOf(u"50,00 0,00 licitatie deschisa"_s));
    // The workbook: typed amounts and dates, sums as formulas over their rows, the captions frozen.
    const QString book = QDir(o.path(u"pdf"_s)).entryInfoList({u"rapprogagrup*.xlsx"_s}).value(0).filePath();
    for (const char *cell : {"<pane ySplit=\"7\" topLeftCell=\"A8\" activePane=\"bottomLeft\" state=\"frozen\"/>",
                             "<c r=\"F9\" s=\"\\d+\"><v>1500.5</v></c>", "<c r=\"I9\" s=\"\\d+\"><v>46082</v></c>",
                             "<f>SUM\\(F9:F10\\)</f><v>1550.5</v>", "<f>SUM\\(G13:G13\\)</f><v>0</v>",
                             "<c r=\"F15\" s=\"\\d+\"><f>SUM\\(F11,F14\\)</f><v>1750.5</v>"})
        QVERIFY2(part(book, u"xl/worksheets/sheet1.xml"_s).contains(QRegularExpression(QLatin1String(cell))), cell);
    QVERIFY(part(book, u"xl/sharedStrings.xml"_s).contains(u"<t>Boabe de soia\nDETALIU ŞCOALĂ</t>"_s));
}

QTEST_MAIN(TestReports)
#include "test_reports.moc"
