// The legal thresholds: the band of an item by its class total, the thresholds
// window, the editor line and its split warning, the grid marks and the report.

#include "steps.h"
#include "app/mnu.h"
#include "app/startup.h"
#include "programme/liste.h"
#include "realizations/realiz.h"
#include "reports/document.h"
#include "shell/praguri.h"
#include "shell/setare.h"
#include "store/querymodel.h"
#include "store/schema.h"
#include "thresholds/legalsql.h"

#include <QtWidgets>
#include <numeric>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

const qint64 kSoy = 3111100, kPeanut = 3111200, kBuilding = 45211000;
const QString kDirect = u"achizitie directa"_s, kSimplified = u"procedura simplificata"_s, kOpen = u"licitatie deschisa"_s;

struct Office : Env {
    Office() : Env(u"O.S. ARAD"_s) {}
    QString band(qint64 idp, const QString &y = u"2026"_s) { return legalProcedures(db(), y + u"0101"_s, y + u"1231"_s).value(idp); }
};

} // namespace

class TestThresholds : public QObject {
    Q_OBJECT
private slots:
    void bandsClassTotalsAndMarks(); void thresholdsWindow(); void editorLineAndReport();
};

void TestThresholds::bandsClassTotalsAndMarks()
{
    Office o;
    o.db().exec(u"INSERT INTO cpv (cod,den,fel,cod2) VALUES('03119000-0','Lucrari de proba',3,3119000)"_s);
    // One class of goods: projects and funds add up; other sub-units, kinds and years do not.
    const qint64 own = o.addItem({.lei = 100000, .proced = kDirect});
    const qint64 project = o.addItem({.cod2 = kPeanut, .lei = 100000, .proced = u"licitatie"_s, .proiect = u"P1"_s});
    const qint64 funds = o.addItem({.lei = 100000, .proced = u"proced.simplif."_s, .fond = u"bugetare"_s});
    const qint64 other = o.addItem({.lei = 100000, .proced = kDirect, .idos = 3});
    const qint64 works = o.addItem({.cod2 = 3119000, .lei = 500000, .proced = kDirect});
    const qint64 lastYear = o.addItem({.start = u"01.03.2025"_s, .lei = 100000});
    QCOMPARE((QStringList{o.band(own), o.band(project), o.band(funds), o.band(other), o.band(works), o.band(lastYear, u"2025"_s)}),
             (QStringList{kSimplified, kSimplified, kSimplified, kDirect, kDirect, kDirect}));
    // The mark: only a procedure lighter than the band, in both grids, with both named.
    Liste liste(*o.ctx);
    Realiz realiz(*o.ctx);
    QCOMPARE(liste.gridModel()->text(0, 14), kSimplified);   // the band's own column
    for (QueryTableModel *m : {liste.gridModel(), realiz.programmeModel()}) {
        QStringList marks;
        for (int r = 0; r < m->rowCount(); ++r)
            if (m->data(m->index(r, 1), Qt::BackgroundRole).isValid())
                marks << m->value(r, u"idp"_s).toString() + u":"_s + m->index(r, 0).data(Qt::ToolTipRole).toString();
        QCOMPARE(marks, QStringList{QString::number(own) + u":Procedura stabilita: achizitie directa; valoarea clasei"
                                                           " CPV pe an cere: procedura simplificata"_s});
    }
    QVERIFY(lighterThanBand(u"proced.simplif."_s, kOpen) && !lighterThanBand(u"negociere fara public."_s, kOpen));
    // The band at each threshold and one lei below, by the grids' SQL and the editor's rule alike.
    const qint64 S = kSoy, B = kBuilding; const QString &D = kDirect, &P = kSimplified, &O = kOpen;
    const char *y26 = "01.03.2026", *eve = "09.09.2022", *law = "10.09.2022";   // Legea 208/2022 from 10.09.2022
    const struct { qint64 cod2; const char *start; double lei; QString band; } cases[] = {
        {S, y26, 270119, D}, {S, y26, 270120, P}, {S, y26, 698459, P}, {S, y26, 698460, O}, {B, y26, 900399, D},
        {B, y26, 900400, P}, {B, y26, 26960555, P}, {B, y26, 26960556, O}, {S, eve, 135059, D}, {S, eve, 135060, P},
        {S, law, 270119, D}, {S, law, 270120, P}, {B, eve, 450199, D}, {B, eve, 450200, P}, {B, law, 900399, D},
        {B, law, 900400, P}, {S, "31.12.2021", 649895, O}, {S, "01.01.2022", 649895, P}, {S, "26.05.2016", 10, D},
        {S, "25.05.2016", 10, {}}};
    int idos = 100;   // each case a class of its own: its value decides
    for (const auto &c : cases) {
        const QString start = QLatin1String(c.start), date = start.mid(6, 4) + start.mid(3, 2) + start.left(2);
        const qint64 idp = o.addItem({.cod2 = c.cod2, .start = start, .lei = c.lei, .idos = ++idos});
        const Thresholds in = thresholdsInForce(o.db(), thresholdKind(c.cod2 == B ? 3 : 1), date);   // the editor's
        const QString got = o.band(idp, start.mid(6, 4)) + u"|"_s + bandText(bandOf(c.lei, in));
        QVERIFY2(got == c.band + u"|"_s + c.band, qPrintable(start + u" "_s + QString::number(c.lei) + u": "_s + got));
    }
    // A split purchase: the class over the direct-purchase threshold, each of its items under it.
    const struct { QList<double> items; bool warned; } splits[] = {
        {{77500, 77500, 77500, 77500}, true}, {{270119, 1}, true}, {{270120, 10}, false}, {{100000, 170119}, false}};
    for (const auto &c : splits)
        QCOMPARE(!splitWarning({9, u"0311"_s, u"PS"_s, 2026}, std::accumulate(c.items.begin(), c.items.end(), ClassTotal{},
                                                                          withItem), {270120, 698460}).isEmpty(), c.warned);
}

void TestThresholds::thresholdsWindow()
{
    Office o;
    const qint64 idp = o.addItem({.lei = 280000});   // in a file from before the thresholds, with the utility row
    o.db().execScript(u"DROP TABLE praguri; INSERT INTO cpv (cod,den,fel,cod2) "
                      "VALUES('30192120-COD INVALID','Utilitar',1,30192120);"_s);
    const QStringList before = tableDump(o.db(), u"program"_s) + tableDump(o.db(), u"cpv"_s);
    Setare setare(*o.ctx);
    QCOMPARE(runStartup(*o.ctx, setare), StartupResult::MainWindow);   // the default rows added, nothing else touched
    QCOMPARE(tableDump(o.db(), u"program"_s) + tableDump(o.db(), u"cpv"_s), before);
    Mnu mnu(*o.ctx);
    const QList<QAction *> bar = mnu.findChild<QMenuBar *>()->actions();   // "PRAGURI" after "CENTRALIZATOR"
    QCOMPARE(bar.value(bar.indexOf(mnu.action(u"mnucen"_s)) + 1), mnu.action(u"mnupraguri"_s));
    QCOMPARE(o.band(idp), kSimplified);
    Praguri w(*o.ctx);
    activate(&w);
    const QString g = u"DataGrid1"_s;
    // A cell typed and committed; a refused one says why, and Escape keeps what is stored.
    const auto cell = [&g](int row, int column, const QString &text, const char *why = nullptr) {
        QList<Step> s{clickCell(g, row, column), type({}, text), key({}, Qt::Key_Return)};
        return why ? s << message(QLatin1String(why)) << key({}, Qt::Key_Escape) : s;
    };
    RUN_STEPS(o, &w, QList<Step>{expectText(u"praguri"_s, u"PRAGURI VALORICE"_s), expectCell(g, 15, 1, u"PS"_s)}
        + cell(15, 2, u"300000"_s) + QList<Step>{key(g, Qt::Key_Up), call([&] { QCOMPARE(o.band(idp), kDirect); })}
        + cell(15, 0, u"30.02.2026"_s, kThresholdDateRefused) + cell(15, 1, u"X"_s, kThresholdKindRefused)
        + cell(15, 2, u"12.5"_s, kThresholdValueRefused) + cell(15, 3, u"-5"_s, kThresholdValueRefused)
        // A new row: a dd.mm.yyyy date, the kind in lower case.
        + cell(16, 0, u"01.01.2026"_s) + cell(16, 1, u"ps"_s) + cell(16, 2, u"700000"_s) + cell(16, 3, u"600000"_s)
        // The order is checked when the row is left, then the date and kind against the stored rows;
        // the refused row stays on screen.
        + QList<Step>{key(g, Qt::Key_Up), message(QLatin1String(kThresholdOrderRefused)), expectCell(g, -1, 1, u"PS"_s)}
        + cell(16, 3, u"800000"_s) + QList<Step>{key(g, Qt::Key_Up), message(QLatin1String(kThresholdDuplicate))}
        + cell(16, 0, u"31.12.2026"_s) + QList<Step>{key(g, Qt::Key_Up),
                      expectRows(u"SELECT * FROM praguri WHERE dela>='20260101' ORDER BY dela,tip"_s,
                                 {u"20260101|L|900400|26960556|Reg. (UE) 2025/2152"_s,
                                  u"20260101|PS|300000|698460|Reg. (UE) 2025/2152"_s, u"20261231|PS|700000|800000|"_s}),
                      clickCell(g, 16, 0), key(g, Qt::Key_Delete),
                      message(u" Sigur doriti stergerea pragurilor de tip PS de la 20261231 ? "_s, Answer::Yes),
                      // Rows the office deleted stay deleted: 16 defaults, one row added and removed, two deleted.
                      call([&] { o.db().exec(u"DELETE FROM praguri WHERE dela='20160526'"_s); ensureThresholds(o.db()); }),
                      expectRows(u"SELECT count(*) FROM praguri"_s, {u"14"_s})});
}

void TestThresholds::editorLineAndReport()
{
    Office o;
    o.printToFolder();
    QFile::copy(QStringLiteral(TENDRO_SOURCE_DATA "/rapdivizare.rpt"), o.path(u"rapdivizare.rpt"_s));
    for (const auto &[fond, idos] : {std::pair{u"proprii"_s, 9}, {u"bugetare"_s, 9}, {u"bugetare"_s, 9}, {u"proprii"_s, 3}})
        o.addItem({.cod2 = kPeanut, .lei = 77500, .idos = idos, .fond = fond});   // both funds; another sub-unit's
    o.addItem({.cod2 = kBuilding, .lei = 950000});
    o.addItem({.cod2 = 3000000, .lei = 100});
    Liste w(*o.ctx);
    activate(&w);
    RUN_STEPS(o, &w, {type(u"cod"_s, u"03111100"_s), key(u"cod"_s, Qt::Key_Return), type(u"vallei"_s, u"77500"_s),
                      type(u"zi1"_s, u"1"_s), type(u"luna1"_s, u"3"_s), type(u"zi2"_s, u"30"_s), type(u"luna2"_s, u"6"_s),
                      type(u"detal"_s, u"S"_s), type(u"resp"_s, u"P"_s),
                      expectText(u"LabelPrag"_s, u"Clasa CPV 0311 pe 2026: 310.000 lei cu aceasta pozitie - procedura "
                                                 "simplificata (prag achizitie directa 270.120 lei)"_s),
                      // No box for the warning: the save is done, the line says it in red.
                      click(u"Command2"_s), message(u" Datele au fost salvate "_s),
                      expectText(u"LabelPrag"_s, u"Atentie: clasa CPV 0311 insumeaza 310.000 lei pe 2026, peste "
                                                 "pragul achizitiei directe de 270.120 lei, din 4 pozitii sub prag. "
                                                 "Verificati divizarea achizitiei (art. 11 din Legea 98/2016)."_s),
                      click(u"Command8"_s), message(u" Semnatarii rapoartelor nu sunt completati (SETARI). "_s)});
    QVERIFY(w.findChild<QLabel *>(u"LabelPrag"_s)->styleSheet().contains(u"red"_s));
    QVERIFY(o.takeReport(u"rapdivizare"_s).contains(u"VERIFICAREA PRAGURILOR PE ANUL 2026"_s));
    // The document: the class at risk first with its four items and total, then the others by code.
    QStringList lines;
    for (const ReportLine &l : buildDocument(o.db(), loadDefinition(o.path(u"rapdivizare.rpt"_s)),
             parseSelection(u"{program.datainc2}>='20260101' and {program.idos}=9"_s), u"T"_s, QString()).lines)
        lines << l.cells.join(u"|"_s).remove(QRegularExpression(u"\\|+$"_s));
    QCOMPARE(QString::number(lines.size()) + u"/"_s + lines.value(0) + u"/"_s + lines.value(5) + u"/"_s + lines.value(6),
             u"13/0311 produse si servicii - 4 pozitii - RISC DE DIVIZARE: fiecare pozitie sub pragul achizitiei directe, clasa "
             "peste prag/Total 0311 produse si servicii||||||310.000,00/0300 produse si servicii - 1 pozitii"_s);
    QVERIFY(lines.value(1).endsWith(u"|77.500,00|270.120,00|698.460,00|procedura simplificata"_s)
            && lines.value(10).endsWith(u"|950.000,00|900.400,00|26.960.556,00|procedura simplificata"_s));
    // Before the first threshold the table has none: its cells stay empty, not a limit of 0 lei.
    o.addItem({.cod2 = 3000000, .start = u"01.03.2015"_s, .end = u"30.06.2015"_s, .lei = 100});
    const ReportLine early = buildDocument(o.db(), loadDefinition(o.path(u"rapdivizare.rpt"_s)),
                                           parseSelection(u"{program.datainc2}<='20151231'"_s), u"T"_s, QString()).lines.value(1);
    QCOMPARE(early.cells.mid(6, 3), (QStringList{u"100,00"_s, QString(), QString()}));
}

QTEST_MAIN(TestThresholds)
#include "test_thresholds.moc"
