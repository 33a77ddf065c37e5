// The legal thresholds: the band of an item by its class total, the thresholds
// window, the editor line and its split warning, the grid marks and the report.

#include "fakes.h"
#include "app/mnu.h"
#include "app/startup.h"
#include "catalogue/browser.h"
#include "programme/liste.h"
#include "realizations/realiz.h"
#include "reports/document.h"
#include "shell/praguri.h"
#include "shell/setare.h"
#include "store/database.h"
#include "store/querymodel.h"
#include "store/schema.h"
#include "thresholds/legalsql.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QRegularExpression>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

const qint64 kSoy = 3111100, kPeanut = 3111200, kBuilding = 45211000, kWorkIn0311 = 3119000;

struct Office : Env {
    Office() : Env(u"O.S. ARAD"_s)
    {
        db().exec(u"INSERT INTO cpv (cod,den,fel,cod2) VALUES('03119000-0','Lucrari de proba',3,3119000)"_s);
    }
    QString band(qint64 idp, const QString &year = u"2026"_s)
    {
        return legalProcedures(db(), year + u"0101"_s, year + u"1231"_s).value(idp, u"<none>"_s);
    }
};

void typeCell(QTableView *view, int row, int column, const QString &text)
{
    const QPoint at = view->visualRect(view->model()->index(row, column)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::keyClicks(view, text.left(1));   // a key opens the cell's editor, which takes it and the rest
    QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    settle();
}

} // namespace

class TestThresholds : public QObject {
    Q_OBJECT
private slots:
    void bandAtEachThreshold_data();
    void bandAtEachThreshold();
    void classTotalsAndMarks();
    void splitWarning_data();
    void splitWarning();
    void thresholdsWindow();
    void editorLineAndReport();
    void defaultRowsInAnExistingFile();
};

void TestThresholds::bandAtEachThreshold_data()
{
    QTest::addColumn<qint64>("cod2");
    QTest::addColumn<QString>("start");
    QTest::addColumn<double>("lei");
    QTest::addColumn<QString>("band");
    const QString d = u"achizitie directa"_s, s = u"procedura simplificata"_s, o = u"licitatie deschisa"_s;
    QTest::newRow("PS 2026 under direct") << kSoy << u"01.03.2026"_s << 270119.0 << d;
    QTest::newRow("PS 2026 at direct") << kSoy << u"01.03.2026"_s << 270120.0 << s;
    QTest::newRow("PS 2026 under ceiling") << kSoy << u"01.03.2026"_s << 698459.0 << s;
    QTest::newRow("PS 2026 at ceiling") << kSoy << u"01.03.2026"_s << 698460.0 << o;
    QTest::newRow("L 2026 under direct") << kBuilding << u"01.03.2026"_s << 900399.0 << d;
    QTest::newRow("L 2026 at direct") << kBuilding << u"01.03.2026"_s << 900400.0 << s;
    QTest::newRow("L 2026 under ceiling") << kBuilding << u"01.03.2026"_s << 26960555.0 << s;
    QTest::newRow("L 2026 at ceiling") << kBuilding << u"01.03.2026"_s << 26960556.0 << o;
    QTest::newRow("PS day before the law") << kSoy << u"09.09.2022"_s << 135060.0 << s;
    QTest::newRow("PS day of the law") << kSoy << u"10.09.2022"_s << 135060.0 << d;
    QTest::newRow("PS day of the law, at direct") << kSoy << u"10.09.2022"_s << 270120.0 << s;
    QTest::newRow("L day before the law") << kBuilding << u"09.09.2022"_s << 450199.0 << d;
    QTest::newRow("L day before, at direct") << kBuilding << u"09.09.2022"_s << 450200.0 << s;
    QTest::newRow("L day of the law") << kBuilding << u"10.09.2022"_s << 900399.0 << d;
    QTest::newRow("PS old ceiling") << kSoy << u"31.12.2021"_s << 649895.0 << o;
    QTest::newRow("PS new ceiling") << kSoy << u"01.01.2022"_s << 649895.0 << s;
    QTest::newRow("before any threshold") << kSoy << u"25.05.2016"_s << 10.0 << QString();
}

void TestThresholds::bandAtEachThreshold()
{
    QFETCH(qint64, cod2);
    QFETCH(QString, start);
    QFETCH(double, lei);
    QFETCH(QString, band);
    Office o;
    const qint64 idp = o.addItem({.cod2 = cod2, .start = start, .lei = lei});
    const QString date = start.mid(6, 4) + start.mid(3, 2) + start.left(2);
    // The grid's SQL and the editor's rule agree.
    QCOMPARE(o.band(idp, start.mid(6, 4)), band);
    QCOMPARE(bandText(bandOf(lei, thresholdsInForce(o.db(), thresholdKind(cod2 == kBuilding ? 3 : 1), date))), band);
}

void TestThresholds::classTotalsAndMarks()
{
    Office o;
    // One class of goods: projects and funds add up; other sub-units, kinds and years do not.
    const qint64 own = o.addItem({.lei = 100000, .proced = u"achizitie directa"_s});
    const qint64 project = o.addItem({.cod2 = kPeanut, .lei = 100000, .proced = u"licitatie"_s, .proiect = u"P1"_s,
                                      .fond = u"cercetare"_s});
    const qint64 funds = o.addItem({.lei = 100000, .fond = u"bugetare"_s});
    const qint64 other = o.addItem({.lei = 100000, .proced = u"achizitie directa"_s, .idos = 3});
    const qint64 works = o.addItem({.cod2 = kWorkIn0311, .lei = 500000, .proced = u"achizitie directa"_s});
    const qint64 lastYear = o.addItem({.start = u"01.03.2025"_s, .lei = 100000});
    const ClassTotal t = classTotal(o.db(), {9, u"0311"_s, u"PS"_s, 2026});
    QCOMPARE(QList<double>({t.total, double(t.count), t.largest}), QList<double>({300000, 3, 100000}));
    const QStringList bands{o.band(own), o.band(project), o.band(funds), o.band(other), o.band(works),
                            o.band(lastYear, u"2025"_s)};
    QCOMPARE(bands, (QStringList{u"procedura simplificata"_s, u"procedura simplificata"_s, u"procedura simplificata"_s,
                                 u"achizitie directa"_s, u"achizitie directa"_s, u"achizitie directa"_s}));
    // The mark: only a lighter procedure than the band, in both grids.
    Liste liste(*o.ctx);
    QueryTableModel *grid = liste.gridModel();
    QCOMPARE(grid->headerData(14, Qt::Horizontal).toString(), u"Procedura legala"_s);
    o.db().exec(u"UPDATE program SET proced='proced.simplif.' WHERE idp=?"_s, {funds});
    Realiz realiz(*o.ctx);
    for (QueryTableModel *m : {grid, realiz.programmeModel()}) {
        m->refresh();
        QStringList marks;
        for (int r = 0; r < m->rowCount(); ++r)
            marks << m->value(r, u"idp"_s).toString() + u":"_s + m->data(m->index(r, 0), Qt::ToolTipRole).toString();
        const QString tip = u"Procedura stabilita: achizitie directa; valoarea clasei CPV pe an cere: procedura simplificata"_s;
        QCOMPARE(marks.filter(u"Procedura"_s), QStringList{QString::number(own) + u":"_s + tip});
        QVERIFY(m->data(m->index(0, 1), Qt::BackgroundRole).isValid());
    }
    QCOMPARE(liste.gridModel()->text(0, 14), u"procedura simplificata"_s);
    QVERIFY(lighterThanBand(u"proced.simplif."_s, u"licitatie deschisa"_s));
    QVERIFY(!lighterThanBand(u"negociere fara public."_s, u"licitatie deschisa"_s));
}

void TestThresholds::splitWarning_data()
{
    QTest::addColumn<QList<double>>("items");
    QTest::addColumn<bool>("warned");
    QTest::newRow("four small crossing") << QList<double>{77500, 77500, 77500, 77500} << true;
    QTest::newRow("total exactly at threshold") << QList<double>{270119, 1} << true;
    QTest::newRow("one item at threshold") << QList<double>{270120, 10} << false;
    QTest::newRow("total under threshold") << QList<double>{100000, 170119} << false;
}

void TestThresholds::splitWarning()
{
    QFETCH(QList<double>, items);
    QFETCH(bool, warned);
    ClassTotal t;
    for (double v : items)
        t = withItem(t, v);
    const ClassKey key{9, u"0311"_s, u"PS"_s, 2026};
    const QString text = tendro::splitWarning(key, t, {270120, 698460});
    QCOMPARE(!text.isEmpty(), warned);
    if (items.size() == 4)
        QCOMPARE(text, u"Atentie: clasa CPV 0311 insumeaza 310.000 lei pe 2026, peste pragul achizitiei directe de "
                       "270.120 lei, din 4 pozitii sub prag. Verificati divizarea achizitiei (art. 11 din Legea 98/2016)."_s);
}

void TestThresholds::thresholdsWindow()
{
    Office o;
    Mnu mnu(*o.ctx);
    const QList<QAction *> bar = mnu.findChild<QMenuBar *>()->actions();
    QCOMPARE(bar.indexOf(mnu.action(u"mnupraguri"_s)), bar.indexOf(mnu.action(u"mnucen"_s)) + 1);
    QCOMPARE(mnu.action(u"mnupraguri"_s)->text(), u"PRAGURI"_s);
    const qint64 idp = o.addItem({.lei = 280000});
    QCOMPARE(o.band(idp), u"procedura simplificata"_s);
    Praguri w(*o.ctx);
    activate(&w);
    QCOMPARE(w.windowTitle(), u"PRAGURI VALORICE"_s);
    auto *grid = w.findChild<QTableView *>(u"DataGrid1"_s);
    QCOMPARE(grid->model()->rowCount(), 17);   // the 16 rows and the empty one
    QCOMPARE(w.model()->text(15, 0) + w.model()->text(15, 1), u"20260101PS"_s);
    typeCell(grid, 15, 2, u"300000"_s);
    QTest::keyClick(grid, Qt::Key_Up);   // leaving the row writes it
    settle();
    QCOMPARE(o.band(idp), u"achizitie directa"_s);
    // Refused cells: each says why and keeps the stored value.
    const QList<std::tuple<int, QString, const char *>> refused{
        {0, u"30.02.2026"_s, kThresholdDateRefused}, {1, u"X"_s, kThresholdKindRefused},
        {2, u"12.5"_s, kThresholdValueRefused}, {3, u"-5"_s, kThresholdValueRefused}};
    for (const auto &[column, text, message] : refused) {
        typeCell(grid, 3, column, text);
        QCOMPARE(o.messages.last(), QString::fromLatin1(message));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);   // the cell opened again gives up
    }
    QCOMPARE(tableDump(o.db(), u"praguri WHERE dela='20180101' AND tip='PS'"_s), QStringList{u"20180101|PS|132519|648288|Reg. (UE) 2017/2365"_s});
    // A new row in the empty line: the date as dd.mm.yyyy, the kind in lower case; the order is checked on leaving.
    const QStringList typed{u"31.12.2026"_s, u"ps"_s, u"700000"_s, u"600000"_s};
    for (int c = 0; c < typed.size(); ++c)
        typeCell(grid, 16, c, typed.at(c));
    QTest::keyClick(grid, Qt::Key_Up);
    settle();
    QCOMPARE(o.messages.last(), QString::fromLatin1(kThresholdOrderRefused));
    QCOMPARE(grid->currentIndex().row(), 16);
    QCOMPARE(w.model()->text(16, 0) + u"|"_s + w.model()->text(16, 1), u"20261231|PS"_s);
    typeCell(grid, 16, 3, u"800000"_s);
    QTest::keyClick(grid, Qt::Key_Up);
    settle();
    QCOMPARE(tableDump(o.db(), u"praguri WHERE dela>='20260101'"_s),
             (QStringList{u"20260101|L|900400|26960556|Reg. (UE) 2025/2152"_s,
                          u"20260101|PS|300000|698460|Reg. (UE) 2025/2152"_s, u"20261231|PS|700000|800000|"_s}));
    // Deleting a row asks first.
    o.messages.answers = {true};
    grid->setCurrentIndex(w.model()->index(16, 0));
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(o.messages.last(), u" Sigur doriti stergerea pragurilor de tip PS de la 20261231 ? "_s);
    QCOMPARE(o.count(u"praguri"_s), 16);
}

void TestThresholds::editorLineAndReport()
{
    Office o;
    o.printToFolder();
    QFile::copy(QStringLiteral(TENDRO_SOURCE_DATA "/rapdivizare.rpt"), o.path(u"rapdivizare.rpt"_s));
    for (int i = 0; i < 3; ++i)
        o.addItem({.cod2 = kPeanut, .lei = 77500, .fond = i ? u"bugetare"_s : u"proprii"_s});
    o.addItem({.cod2 = kBuilding, .lei = 950000});
    o.addItem({.cod2 = 3000000, .lei = 100});
    Liste w(*o.ctx);
    activate(&w);
    w.browser()->searchCode(u"03111100"_s);
    auto *label = w.findChild<QLabel *>(u"LabelPrag"_s);
    const QList<std::pair<const char *, QString>> typed{{"vallei", u"77500"_s}, {"zi1", u"1"_s}, {"luna1", u"3"_s},
                                                        {"zi2", u"30"_s}, {"luna2", u"06"_s}, {"detal", u"SOIA"_s},
                                                        {"resp", u"POP"_s}};
    for (const auto &[name, text] : typed) {
        auto *field = w.findChild<QLineEdit *>(QLatin1String(name));
        field->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Tab);
    }
    settle();
    QCOMPARE(label->text(), u"Clasa CPV 0311 pe 2026: 310.000 lei cu aceasta pozitie - procedura simplificata "
                            "(prag achizitie directa 270.120 lei)"_s);
    QTest::mouseClick(w.findChild<QPushButton *>(u"Command2"_s), Qt::LeftButton);
    settle();
    QCOMPARE(o.messages.texts(), QStringList{u" Datele au fost salvate "_s});   // no box for the warning
    QVERIFY(label->text().startsWith(u"Atentie: clasa CPV 0311 insumeaza 310.000 lei pe 2026"_s));
    QVERIFY(label->styleSheet().contains(u"red"_s));
    QTest::mouseClick(w.findChild<QPushButton *>(u"Command8"_s), Qt::LeftButton);
    QVERIFY(o.takeReport(u"rapdivizare"_s).contains(u"VERIFICAREA PRAGURILOR PE ANUL 2026"_s));
    // The document: the class at risk first, its four items and its total, then the others by code.
    const ReportDocument doc =
        buildDocument(o.db(), loadDefinition(o.path(u"rapdivizare.rpt"_s)),
                      parseSelection(u"{program.datainc2}>='20260101' and {program.idos}=9"_s), u"T"_s, QString());
    QStringList lines;
    for (const ReportLine &l : doc.lines)
        lines << l.cells.join(u"|"_s).remove(QRegularExpression(u"\\|+$"_s));
    QCOMPARE(lines.size(), 13);
    QCOMPARE(lines.at(0), u"0311 produse si servicii - 4 pozitii - RISC DE DIVIZARE: fiecare pozitie sub pragul "
                          "achizitiei directe, clasa peste prag"_s);
    QVERIFY(lines.at(1).endsWith(u"|77500.00|270120.00|698460.00|procedura simplificata"_s));
    QCOMPARE(lines.at(5), u"Total 0311 produse si servicii||||||310000.00"_s);
    QCOMPARE(lines.at(6), u"0300 produse si servicii - 1 pozitii"_s);
    QCOMPARE(lines.at(9), u"4521 lucrari - 1 pozitii"_s);
    QVERIFY(lines.at(10).endsWith(u"|950000.00|900400.00|26960556.00|procedura simplificata"_s));
}

void TestThresholds::defaultRowsInAnExistingFile()
{
    Office o;
    o.addItem({.lei = 500});
    o.db().exec(u"DROP TABLE praguri"_s);   // a file from before the thresholds, its utility row added
    o.db().exec(u"INSERT INTO cpv (cod,den,fel,cod2) VALUES('30192120-COD INVALID','Produse pentru scris',1,30192120)"_s);
    QStringList before;
    for (const char *t : {"program", "cpv", "setare", "os", "valid"})
        before << tableDump(o.db(), QLatin1String(t));
    Setare setare(*o.ctx);
    QCOMPARE(runStartup(*o.ctx, setare), StartupResult::MainWindow);
    QStringList after;
    for (const char *t : {"program", "cpv", "setare", "os", "valid"})
        after << tableDump(o.db(), QLatin1String(t));
    QCOMPARE(after, before);
    QCOMPARE(o.count(u"praguri"_s), 16);
    QCOMPARE(tableDump(o.db(), u"praguri WHERE dela='20220910'"_s),
             (QStringList{u"20220910|L|900400|26093012|Legea 208/2022"_s, u"20220910|PS|270120|678748|Legea 208/2022"_s}));
    // Rows the office deleted stay deleted.
    o.db().exec(u"DELETE FROM praguri WHERE dela='20160526'"_s);
    QVERIFY(!ensureThresholds(o.db()));
    QCOMPARE(o.count(u"praguri"_s), 14);
}

QTEST_MAIN(TestThresholds)
#include "test_thresholds.moc"
