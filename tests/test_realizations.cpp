// Realizations: the approved programme, the entry grid with its cell and row
// checks typed as a user types, the totals and their report.

#include "fakes.h"
#include "app/mnu.h"
#include "realizations/entrychecks.h"
#include "realizations/realiz.h"
#include "realizations/totals.h"
#include "store/database.h"
#include "store/querymodel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

const EntryContext kItem{4, 9, QString(), u"2026"_s};

struct Window : Env {
    explicit Window(QDate today = QDate(2026, 5, 10)) : Env(u"O.S. ARAD"_s, today) { printToFolder(); }
    qint64 item(qint64 cod2, double lei, const QString &proced = u"licitatie"_s, const QString &proiect = QString(),
                int idos = 9, const QString &start = u"01.03.2026"_s)
    {
        addItem({.cod2 = cod2, .start = start, .lei = lei, .proced = proced, .proiect = proiect, .idos = idos});
        return cpvId(cod2);
    }
    void realization(qint64 id, double lei, const QString &proiect = u" "_s, int idos = 9)
    {
        db().exec(u"INSERT INTO realiz (id,lei,actdata2,idos,proiect) VALUES(?,?,'20260401',?,?)"_s, {id, lei, idos, proiect});
    }
    void open()
    {
        w = std::make_unique<Realiz>(*ctx);
        activate(w.get());
    }
    template <typename T> T *get(const char *name) const { return w->findChild<T *>(QLatin1String(name)); }
    QTableView *grid(int n) const { return get<QTableView>(n == 1 ? "DataGrid1" : "DataGrid2"); }
    QStringList column(int grid, int c) const
    {
        QueryTableModel *m = grid == 1 ? w->programmeModel() : w->entryModel();
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->text(r, c);
        return out;
    }
    void doubleClickItem(int row)
    {
        const QPoint at = row < 0 ? QPoint(10, 10) : grid(1)->visualRect(w->programmeModel()->index(row, 0)).center();
        QTest::mouseDClick(grid(1)->viewport(), Qt::LeftButton, {}, at);
    }
    // Types into a cell of the entry grid as a user does: F2, the text, Return.
    void type(int row, int column, const QString &text)
    {
        QTableView *g = grid(2);
        g->setFocus();
        g->setCurrentIndex(w->entryModel()->index(row, column));
        QTest::keyClick(g, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        settle();   // the commit and a refused cell's reopening are queued
    }
    // A complete row typed into the empty row at the end.
    void typeRow(const QStringList &cells)
    {
        const int row = w->entryModel()->rowCount() - 1;
        const int columns[] = {EFurniz, EDenumach, EActnr, EActdata1, ELei, ERefer};
        for (int i = 0; i < cells.size(); ++i)
            if (!cells.at(i).isEmpty())
                type(row, columns[i], cells.at(i));
    }
    // Down from the empty row at the end, as the user leaves a new row.
    void leaveRow()
    {
        QTest::keyClick(grid(2), Qt::Key_Down);
        settle();
    }
    void escapeEditor()
    {
        if (auto *e = qobject_cast<QLineEdit *>(QApplication::focusWidget()))
            QTest::keyClick(e, Qt::Key_Escape);
    }
    QStringList texts() const { return messages.texts(); }

    std::unique_ptr<Realiz> w;
};

} // namespace

class TestRealizations : public QObject {
    Q_OBJECT
private slots:
    void cellChecks_data();
    void cellChecks();
    void rowChecks_data();
    void rowChecks();
    void totals();

    void windowOpensByTheClock();
    void approvedProgrammeAndFilters();
    void entriesTypedInTheGrid();
    void refusedCellsAndRows();
    void sumReportAndExit();
};

void TestRealizations::cellChecks_data()
{
    QTest::addColumn<QStringList>("row");      // the row before, by column
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("after");    // the row after a pass
    const QStringList empty(EColumnCount, QString());
    const auto with = [&empty](std::initializer_list<std::pair<int, const char *>> cells) {
        QStringList r = empty;
        for (const auto &[c, t] : cells)
            r[c] = QLatin1String(t);
        return r;
    };
    QTest::newRow("contract number") << empty << int(EContrnr) << "12" << "" << with({{EContrnr, "12"}});
    QTest::newRow("contract number with letters") << empty << int(EContrnr) << "12a" << "Introduceti doar numere !" << empty;
    QTest::newRow("contract number emptied") << with({{EContrnr, "12"}}) << int(EContrnr) << "" << "" << empty;
    QTest::newRow("act number of 16") << empty << int(EActnr) << "1234567890123456"
                                      << " Numarul maxim de caractere este 15 " << empty;
    QTest::newRow("contract date fills its compare form")
        << empty << int(EContrdata1) << "15.03.2026" << "" << with({{EContrdata1, "15.03.2026"}, {EContrdata2, "20260315"}});
    QTest::newRow("contract date in another year") << empty << int(EContrdata1) << "15.03.2025"
                                                   << "Anul trebuie sa fie 2026 " << empty;
    QTest::newRow("date too long") << empty << int(EActdata1) << "15.03.20266" << " Numarul maxim de caractere ce reprezinta"
                                                                                 " data este 10 " << empty;
    QTest::newRow("date format") << empty << int(EActdata1) << "15/03/2026" << "Formatul datei nu este zz.ll.aaaa " << empty;
    QTest::newRow("day") << empty << int(EActdata1) << "32.03.2026" << "Numarul zilei este necorespunzator " << empty;
    QTest::newRow("month") << empty << int(EActdata1) << "15.13.2026" << "Numarul lunii este necorespunzator " << empty;
    QTest::newRow("apostrophe in a date") << empty << int(EActdata1) << "1'.03.2026"
                                          << " Nu puteti introduce caracterul apostrof " << empty;
    QTest::newRow("act before contract") << with({{EContrdata1, "15.03.2026"}, {EContrdata2, "20260315"}}) << int(EActdata1)
                                         << "14.03.2026" << " Data achizitiei mai mica decat data contractului !!! "
                                         << with({{EContrdata1, "15.03.2026"}, {EContrdata2, "20260315"}});
    QTest::newRow("act without contract") << empty << int(EActdata1) << "04.03.2026" << ""
                                          << with({{EActdata1, "04.03.2026"}, {EActdata2, "20260304"}});
    QTest::newRow("supplier of 31") << empty << int(EFurniz) << QString(31, QLatin1Char('S'))
                                    << " Numarul maxim de caractere este 30 " << empty;
    QTest::newRow("31 already there, the name changed") << with({{EFurniz, "SSSSSSSSSSSSSSSSSSSSSSSSSSSSSSS"}})
                                                        << int(EDenumach) << "LEMN" << " Numarul maxim de caractere este 30 "
                                                        << with({{EFurniz, "SSSSSSSSSSSSSSSSSSSSSSSSSSSSSSS"}});
    QTest::newRow("supplier with apostrophe") << empty << int(EFurniz) << "O'BRAD" << " Nu puteti introduce caracterul apostrof "
                                              << empty;
    QTest::newRow("request after the act") << with({{EActdata1, "04.03.2026"}, {EActdata2, "20260304"}}) << int(ERefer)
                                           << "12/05.03.2026" << " Data referatului este mai mare decat data achizitiei !!! "
                                           << with({{EActdata1, "04.03.2026"}, {EActdata2, "20260304"}});
    QTest::newRow("request before any act") << empty << int(ERefer) << "12/05.03.2026"
                                            << " Data referatului este mai mare decat data achizitiei !!! " << empty;
    QTest::newRow("request of 26") << empty << int(ERefer) << "123456789012345/01.03.2026"
                                   << " Numarul maxim de caractere este 25 " << empty;
    QTest::newRow("complete: item, sub-unit, no project")
        << with({{EFurniz, "SC X"}, {EDenumach, "LEMN"}, {EActnr, "7"}, {EActdata1, "04.03.2026"}, {EActdata2, "20260304"},
                 {ERefer, "3/01.03.2026"}}) << int(ELei) << "250.5" << ""
        << with({{EFurniz, "SC X"}, {EDenumach, "LEMN"}, {EActnr, "7"}, {EActdata1, "04.03.2026"},
                 {EActdata2, "20260304"}, {ERefer, "3/01.03.2026"}, {ELei, "250.5"}, {EId, "4"}, {EIdos, "9"},
                 {EProiect, " "}});
}

void TestRealizations::cellChecks()
{
    QFETCH(QStringList, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QStringList, after);
    QCOMPARE(checkEntryCell(row, column, text, kItem), message);
    QCOMPARE(row, after);
    // Nothing is taken before an item is chosen.
    QStringList r(EColumnCount, QString());
    QVERIFY(checkEntryCell(r, column, text, EntryContext{}).startsWith(u" Faceti click pe sageata neagra"_s));
}

void TestRealizations::rowChecks_data()
{
    QTest::addColumn<QString>("emptied");
    QTest::addColumn<QString>("message");
    QTest::newRow("complete, no contract") << "contract" << "";
    QTest::newRow("date without number") << "contrnr" << " Completati numarul contractului ";
    QTest::newRow("number without date") << "contrdata1" << " Completati data contractului ";
    QTest::newRow("supplier") << "furniz" << " Completati furnizorul ";
    QTest::newRow("name") << "denumach" << " Completati denumirea produsului/serviciului/lucrarii ";
    QTest::newRow("act number") << "actnr" << " Completati numarul actului de achizitie (factura / bon fiscal) ";
    QTest::newRow("act date") << "actdata1" << " Completati data actului de achizitie (factura / bon fiscal) ";
    QTest::newRow("value") << "lei" << " Completati valoarea actului de achizitie (factura / bon fiscal) ";
    QTest::newRow("request") << "refer" << " Completati numarul si data referatului ";
}

void TestRealizations::rowChecks()
{
    QFETCH(QString, emptied);
    QFETCH(QString, message);
    const QStringList names{"contrnr", "contrdata1", "contrdata2", "furniz", "denumach", "actnr", "actdata1", "lei",
                            "actdata2", "id", "idos", "refer", "proiect"};
    QStringList row{"1", "01.03.2026", "20260301", "SC X", "LEMN", "7", "04.03.2026", "10", "20260304", "4", "9",
                    "3/01.03.2026", " "};
    if (emptied == "contract"_L1)
        row[EContrnr] = row[EContrdata1] = QString();
    else
        row[names.indexOf(emptied)] = QString();
    QCOMPARE(checkEntryRow(row), message);
}

void TestRealizations::totals()
{
    Window t;
    const qint64 a = t.item(3111100, 1000), b = t.item(3111200, 100, u"licitatie"_s, u"P1"_s);
    const qint64 c = t.item(3111300, 500);
    t.item(3111100, 7, u"licitatie"_s, QString(), 3);   // another sub-unit's
    t.db().exec(u"UPDATE program SET realiz=77"_s);
    t.realization(a, 1000);
    t.realization(a, 250.5);
    t.realization(b, 40, u"P1"_s);
    t.realization(b, 1, u" "_s);   // no project: not P1's
    t.realization(a, 9, u" "_s, 3);
    recomputeTotals(t.db(), u"20260101"_s, u"20261231"_s, 9);
    const auto total = [&](qint64 id, int idos) {
        return t.db().query(u"SELECT realiz FROM program WHERE id=? and idos=?"_s, {id, idos}).number(0, u"realiz"_s);
    };
    QCOMPARE(total(a, 9), 1250.5);
    QCOMPARE(total(b, 9), 40.0);
    QCOMPARE(total(c, 9), 0.0);   // none of its own: 0, whatever it held
    QCOMPARE(total(a, 3), 77.0);  // another sub-unit is not touched
    // The only realization of an item deleted while others remain: back to 0.
    t.db().exec(u"DELETE FROM realiz WHERE id=? and idos=9"_s, {b});
    recomputeTotals(t.db(), u"20260101"_s, u"20261231"_s, 9);
    QCOMPARE(total(b, 9), 0.0);
    QCOMPARE(total(a, 9), 1250.5);
}

void TestRealizations::windowOpensByTheClock()
{
    for (const auto &[today, first] : {std::pair{QDate(2026, 12, 1), "2027"}, std::pair{QDate(2026, 11, 30), "2026"}}) {
        Window t(today);
        t.open();
        auto *anul = t.get<QListWidget>("anul");
        QCOMPARE(anul->currentItem()->text(), QLatin1String(first));
        QCOMPARE(anul->item(anul->count() - 1)->text(), u"2015"_s);
        QCOMPARE(t.w->windowTitle(), u"Achizitii de produse, servicii, lucrari"_s);
        QVERIFY(t.platform.closeRemoved.contains(t.w.get()));
        QTest::keyClick(t.w.get(), Qt::Key_Escape);
        QVERIFY(t.w->isVisible());
        QCOMPARE(t.get<QLabel>("DataGrid1Caption")->text(), u"PROGRAM APROBAT"_s);
    }
}

void TestRealizations::approvedProgrammeAndFilters()
{
    Window t;
    t.item(3111100, 10, u"licitatie"_s, u"PX"_s);
    t.item(50111000, 20, u"licitatie"_s, u"PX"_s);   // services
    t.item(50112000, 30, u"licitatie"_s);
    t.item(3111200, 40, QString());                                              // a proposal
    t.item(3111300, 50, u"licitatie"_s, QString(), 3);             // another sub-unit
    t.item(3111400, 60, u"licitatie"_s, QString(), 9, u"01.03.2025"_s);
    // Opened, double-clicked on an empty year first.
    t.clock.date = QDate(2026, 5, 10);
    t.open();
    QCOMPARE(t.column(1, 7), (QStringList{"10", "20", "30", "50"}));   // every sub-unit's approved items
    t.get<QRadioButton>("serv")->click();
    QCOMPARE(t.column(1, 7), (QStringList{"20", "30"}));
    auto *proiect = t.get<QComboBox>("proiect");
    proiect->setFocus();
    QCOMPARE(proiect->count(), 1);
    proiect->setCurrentIndex(0);
    emit proiect->activated(0);
    QCOMPARE(t.column(1, 7), QStringList{"20"});   // the project's services
    // Another year: kind and project cleared, every approved item listed.
    QTest::mouseClick(t.get<QListWidget>("anul")->viewport(), Qt::LeftButton, {},
                      t.get<QListWidget>("anul")->visualItemRect(t.get<QListWidget>("anul")->item(1)).center());
    QVERIFY(!t.get<QRadioButton>("serv")->isChecked() && proiect->currentText().isEmpty() && proiect->count() == 0);
    QCOMPARE(t.column(1, 7), QStringList{"60"});
    QCOMPARE(t.w->entryModel()->rowCount(), 1);   // only the empty row
    // A year with nothing approved: the double-click says so.
    QTest::mouseClick(t.get<QListWidget>("anul")->viewport(), Qt::LeftButton, {},
                      t.get<QListWidget>("anul")->visualItemRect(t.get<QListWidget>("anul")->item(2)).center());
    t.doubleClickItem(-1);
    QCOMPARE(t.texts(), QStringList{u" Nu aveti program aprobat la care sa adaugati realizari ! "_s});
    QCOMPARE(t.w->idsel(), 0);
}

void TestRealizations::entriesTypedInTheGrid()
{
    Window t;
    const qint64 id = t.item(3111100, 1000, u"licitatie"_s, u"PX"_s);
    t.open();
    // Before an item is chosen every cell says how to choose one.
    t.type(0, EFurniz, u"SC X"_s);
    QVERIFY(t.messages.last().startsWith(u" Faceti click pe sageata neagra"_s));
    t.escapeEditor();
    t.messages.shown.clear();
    t.doubleClickItem(0);
    QCOMPARE(t.w->idsel(), id);
    QCOMPARE(t.w->proiectsel(), u"PX"_s);
    QVERIFY(t.get<QLabel>("DataGrid2Caption")->text().startsWith(u"Realizari la codul CPV : 03111100-"_s));
    // A row without contract: stored with its filled columns when left.
    t.typeRow({u"SC LEMN SRL"_s, u"SCANDURI"_s, u"77"_s, u"04.03.2026"_s, u"1000"_s, u"12/01.03.2026"_s});
    QVERIFY2(t.messages.shown.isEmpty(), qPrintable(t.texts().join(QLatin1Char('|'))));
    QCOMPARE(t.count(u"realiz"_s), 0);   // not before the row is left
    t.leaveRow();
    const ResultSet rs = t.db().query(u"SELECT * FROM realiz"_s);
    QCOMPARE(rs.count(), 1);
    QStringList got;
    for (const char *c : {"id", "idos", "proiect", "contrnr", "contrdata2", "actdata2", "lei", "furniz", "refer"})
        got << rs.text(0, QLatin1String(c));
    QCOMPARE(got, (QStringList{QString::number(id), "9", "PX", "", "", "20260304", "1000", "SC LEMN SRL", "12/01.03.2026"}));
    QCOMPARE(t.w->entryModel()->rowCount(), 2);   // the stored row and a new empty one
    QVERIFY(t.grid(2)->isColumnHidden(EActdata2) && t.grid(2)->isColumnHidden(EId) && t.grid(2)->isColumnHidden(EProiect));
    // An existing row changed and left is written back.
    t.type(0, ELei, u"1250.5"_s);
    QTest::keyClick(t.grid(2), Qt::Key_Down);
    settle();
    QCOMPARE(t.count(u"realiz WHERE lei=1250.5"_s), 1);
    // The Delete key asks first.
    t.grid(2)->setCurrentIndex(t.w->entryModel()->index(0, 0));
    QTest::keyClick(t.grid(2), Qt::Key_Delete);
    QCOMPARE(t.count(u"realiz"_s), 1);
    t.messages.answers = {true};
    QTest::keyClick(t.grid(2), Qt::Key_Delete);
    QCOMPARE(t.count(u"realiz"_s), 0);
}

void TestRealizations::refusedCellsAndRows()
{
    Window t;
    const qint64 id = t.item(3111100, 1000);
    t.db().exec(QStringLiteral("INSERT INTO realiz (id,lei,actnr,actdata1,actdata2,idos,furniz,refer,denumach,proiect)"
                               " VALUES(?,10,'1','04.03.2026','20260304',9,'SC A','1/01.03.2026','LEMN',' ')"),
                {id});
    t.open();
    t.doubleClickItem(0);
    QCOMPARE(t.w->entryModel()->rowCount(), 2);
    // A refused cell opens again with the refused text.
    t.type(1, EFurniz, QString(31, QLatin1Char('S')));
    QCOMPARE(t.texts(), QStringList{u" Numarul maxim de caractere este 30 "_s});
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QCOMPARE(editor->text(), QString(31, QLatin1Char('S')));
    t.escapeEditor();
    QVERIFY(t.w->entryModel()->text(1, EFurniz).isEmpty());
    // A stored row changed so that it is incomplete stays unsaved when left.
    t.messages.shown.clear();
    t.type(0, EContrnr, u"5"_s);
    QTest::keyClick(t.grid(2), Qt::Key_Down);
    settle();
    QCOMPARE(t.texts(), QStringList{u" Completati data contractului "_s});
    QCOMPARE(t.grid(2)->currentIndex().row(), 0);   // back on the refused row
    QCOMPARE(t.count(u"realiz WHERE contrnr<>''"_s), 0);
    // Escape drops its changes.
    QTest::keyClick(t.grid(2), Qt::Key_Escape);
    QVERIFY(t.w->entryModel()->text(0, EContrnr).isEmpty() && !t.w->entryModel()->hasPendingChanges());
    // Leaving for another control tries to store a new row too.
    t.messages.shown.clear();
    t.type(1, EFurniz, u"SC Y"_s);
    t.get<QComboBox>("proiect")->setFocus();
    QCOMPARE(t.texts(), QStringList{u" Completati denumirea produsului/serviciului/lucrarii "_s});
    // "Iesire" does not close over a row it cannot store.
    t.get<QPushButton>("Command1")->click();
    QVERIFY(t.w->isVisible());
    QCOMPARE(t.count(u"realiz"_s), 1);
}

void TestRealizations::sumReportAndExit()
{
    Window t;
    const qint64 a = t.item(3111100, 1000);
    const qint64 b = t.item(3111200, 500);
    t.item(3111300, 800, u"licitatie"_s, QString(), 3);   // another sub-unit's
    t.realization(a, 1000);
    t.realization(a, 250.5);
    t.realization(b, 100);
    t.open();
    QCOMPARE(t.column(1, 8), (QStringList{"", "", ""}));
    t.get<QPushButton>("Command3")->click();   // "Suma": the sub-unit's items, with totals
    QCOMPARE(t.column(1, 8), (QStringList{"1250.5", "100"}));
    // "Raport", Yes: only the items over their value, totals recomputed first.
    t.realization(a, 100);
    t.realization(b, 300);
    t.messages.answers = {true};
    t.get<QPushButton>("Command2")->click();
    QCOMPARE(t.messages.texts(), QStringList{u" Doriti afisarea doar a pozitiilor din program care au fost depasite ? "_s});
    const QString text = t.takeReport(u"raprealiz"_s);
    QVERIFY2(text.contains(u"SITUATIA REALIZARILOR PE ANUL 2026, CARE AU DEPASIT PROGRAMUL APROBAT"_s),
             qPrintable(text));
    QVERIFY(text.contains(u"1.350,50"_s));
    QVERIFY(!text.contains(u"400,00"_s) && !text.contains(u"800,00"_s));
    // "Iesire" recomputes and closes.
    t.db().exec(u"DELETE FROM realiz WHERE id=?"_s, {b});
    t.get<QPushButton>("Command1")->click();
    QVERIFY(!t.w->isVisible());
    QCOMPARE(t.db().query(u"SELECT realiz FROM program WHERE id=?"_s, {b}).number(0, u"realiz"_s), 0.0);
    // The main menu opens the window.
    Mnu mnu(*t.ctx);
    whenModal(u"realiz"_s, [](QWidget *w) { w->findChild<QPushButton *>(u"Command1"_s)->click(); });
    mnu.action(u"mnureal"_s)->trigger();
}

QTEST_MAIN(TestRealizations)
#include "test_realizations.moc"
