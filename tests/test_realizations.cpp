// Realizations: the approved programme, the entry grid with its cell and row
// checks typed as a user types, the totals and their report.

#include "steps.h"
#include "realizations/entrychecks.h"
#include "realizations/realiz.h"
#include "store/database.h"
#include "store/querymodel.h"
#include "store/schema.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <QListWidget>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

using Steps = QList<Step>;

namespace {

const QString kL = u"licitatie"_s;   // approved
const QString kNoSignatories = u" Semnatarii rapoartelor nu sunt completati (SETARI). "_s;   // none in these files
// The realizations in the file, the item by its code: the scene's, A's of 2025 last.
const QString kRows = u"SELECT cpv.cod2,r.idos,r.proiect,contrnr,contrdata1,contrdata2,furniz,denumach,actnr,actdata1,"
                      "actdata2,r.lei,refer FROM realiz r JOIN cpv ON cpv.id=r.id ORDER BY idr"_s;
const QString kA = u"3111100|9| ||||SC A|LEMN|1|04.03.2026|20260304|10.5|1/01.03.2026"_s;
const QString kP9 = u"3111100|9|P9||||SC P|LEMN|1|04.03.2026|20260304|20|1/01.03.2026"_s;
const QString kOld = u"3111100|9| ||||SC A|LEMN|1|31.12.2025|20251231|5|1/01.03.2026"_s;
const QString kNoItem = u" Faceti click pe sageata neagra pentru selectarea randului, din tabelul de program aprobat, la "
                        "care se vor atasa realizari "_s;

// Key presses as the user makes them: once each, whatever widgets it passes (grid, cell editor, parents).
struct KeyCount : QObject {
    int presses = 0;
    bool armed = true;
    bool eventFilter(QObject *, QEvent *e) override
    {
        armed = armed || e->type() == QEvent::KeyRelease;
        presses += e->type() == QEvent::KeyPress && std::exchange(armed, false);
        return false;
    }
} keys;

struct Window;
Window *on = nullptr;   // the window the steps drive
struct Window : Env {
    explicit Window(const QList<Item> &items = {}, QDate today = QDate(2026, 5, 10)) : Env(u"O.S. ARAD"_s, today)
    {
        printToFolder();
        for (const Item &i : items)
            addItem(i);
    }
    // One of sub-unit 9 against entry A, its act dated `date`, naming A's item of that year and project.
    void realization(double lei, const QString &date = u"04.03.2026"_s, const QString &proiect = u" "_s,
                     const QString &furniz = u"SC A"_s)
    {
        db().exec(u"INSERT INTO realiz (id,lei,idos,proiect,furniz,denumach,actnr,actdata1,actdata2,refer,uidp) "
                  "VALUES(?1,?2,9,?3,?4,'LEMN','1',?5,?6,'1/01.03.2026',(SELECT uid FROM program WHERE id=?1 AND idos=9"
                  " AND proiect=trim(?3) AND substr(datainc2,1,4)=substr(?6,1,4)))"_s,
                  {cpvId(3111100), lei, proiect, furniz, date, date.mid(6) + date.mid(3, 2) + date.left(2)});
    }
    void open() { w = std::make_unique<Realiz>(*ctx); activate(w.get()); on = this; qApp->installEventFilter(&keys); }
    template <typename T> T *get(const char *name) const { return w->findChild<T *>(QLatin1String(name)); }
    std::unique_ptr<Realiz> w;
};

// A row's fields as typed, each left by `next`, the last by `last` (0: its editor stays open).
Steps typed(const QStringList &fields, int last = Qt::Key_Tab, int next = Qt::Key_Tab)
{
    Steps out;
    for (int i = 0; i < fields.size(); ++i) {
        out << (fields.at(i).isEmpty() ? Steps{} : Steps{type({}, fields.at(i))});
        if (const int k = i + 1 < fields.size() ? next : last)
            out << key({}, k);
    }
    return out;
}

// A column of the approved programme as listed.
Step upper(int column, const QStringList &texts)
{
    return call([=] {
        QStringList shown;
        for (int r = 0; r < on->w->programmeModel()->rowCount(); ++r)
            shown << on->w->programmeModel()->text(r, column);
        QCOMPARE(shown, texts);
    });
}

// The lower grid's rows and where its cursor is.
Step lower(int rows, int row = -1, int column = -1)
{
    return call([=] {
        QTableView *g = on->get<QTableView>("DataGrid2");
        QCOMPARE(g->model()->rowCount(), rows);
        QVERIFY(row < 0 || g->currentIndex() == g->model()->index(row, column));
    });
}

// Every amount of the grid's column shows whole, as drawn in the grid's font.
Step shownWhole(const char *grid, int column)
{
    return call([=] {
        QTableView *g = on->get<QTableView>(grid);
        for (int r = 0; r < g->model()->rowCount(); ++r) {
            const QString text = g->model()->index(r, column).data().toString();
            QVERIFY2(g->fontMetrics().horizontalAdvance(text) + 6 < g->columnWidth(column), qPrintable(text));
        }
    });
}

} // namespace

Q_DECLARE_METATYPE(Steps)

class TestRealizations : public QObject {
    Q_OBJECT
private slots:
    void cellAndRowChecks();
    void yearsAndApprovedProgramme();
    void entries_data();
    void entries();
    void eachRealizationBelongsToOneItem();
};

void TestRealizations::cellAndRowChecks()
{
    const QStringList empty(EColumnCount, QString());
    const auto with = [&empty](std::initializer_list<std::pair<int, const char *>> cells) {
        QStringList r = empty;
        for (const auto &[c, t] : cells)
            r[c] = QLatin1String(t);
        return r;
    };
    const QString numbers = u"Introduceti doar numere !"_s, format = u"Formatul datei nu este zz.ll.aaaa "_s;
    const QString requestLate = u" Data referatului este mai mare decat data achizitiei !!! "_s;
    const QString apostrophe = u" Nu puteti introduce caracterul apostrof "_s;
    const QStringList act = with({{EActdata1, "04.03.2026"}, {EActdata2, "20260304"}});
    const QStringList contract = with({{EContrdata1, "15.03.2026"}, {EContrdata2, "20260315"}});
    // The row before, the cell and the text typed into it: the message, the row after (a refusal leaves it).
    const struct { QStringList before; int column; QString text, message; QStringList after = {}; } cases[] = {
        {empty, EContrnr, u" 12 "_s, {}, with({{EContrnr, "12"}})},   // blanks dropped
        {with({{EContrnr, "12"}}), EContrnr, u""_s, {}, empty},
        {empty, EContrnr, u"12a"_s, numbers}, {empty, EContrnr, u"1e400"_s, numbers}, {empty, ELei, u"1e400"_s, numbers},
        {empty, EActnr, u"123456789012345"_s, {}, with({{EActnr, "123456789012345"}})},
        {empty, EActnr, u"1234567890123456"_s, u" Numarul maxim de caractere este 15 "_s},
        // Amounts the Romanian way; more digits or decimals than a stored value keeps: refused.
        {empty, ELei, u"-250,40"_s, {}, with({{ELei, "-250,40"}})}, {empty, ELei, u"-1.5e3"_s, numbers},
        {empty, ELei, u"1.250"_s, {}, with({{ELei, "1.250"}})}, {empty, ELei, u"1.25.0"_s, numbers},
        {empty, ELei, u"123456789.12"_s, {}, with({{ELei, "123456789.12"}})},
        {empty, ELei, u"12345678901234567890"_s, numbers}, {empty, ELei, u"0.10000000000000000001"_s, numbers},
        {empty, EContrdata1, u"15.03.2026"_s, {}, contract},   // the compare form filled
        {empty, EContrdata1, u"15.03.2025"_s, u"Anul trebuie sa fie 2026 "_s},
        {empty, EContrdata1, u"04. 3.2026"_s, format}, {empty, EActdata1, u"04.1a.2026"_s, format},
        {empty, EActdata1, u"+1.02.2026"_s, format},   {act, ERefer, u"3/+1.02.2026"_s, format},
        {empty, EActdata1, u"15.03.20266"_s, u" Numarul maxim de caractere ce reprezinta data este 10 "_s},
        {empty, EActdata1, u"32.03.2026"_s, u"Numarul zilei este necorespunzator "_s},
        {empty, EActdata1, u"15.13.2026"_s, u"Numarul lunii este necorespunzator "_s},
        {empty, EActdata1, u"15.00.2026"_s, u"Numarul lunii este necorespunzator "_s},
        {empty, EActdata1, u"00.03.2026"_s, u"Numarul zilei este necorespunzator "_s},
        {empty, EContrdata1, u"31.12.2026"_s, {}, with({{EContrdata1, "31.12.2026"}, {EContrdata2, "20261231"}})},
        // No day past its month's end.
        {empty, EActdata1, u"31.04.2026"_s, u"Numarul zilei este necorespunzator "_s},
        {empty, EActdata1, u"29.02.2026"_s, u"Numarul zilei este necorespunzator "_s},
        {empty, EContrdata1, u"30.04.2026"_s, {}, with({{EContrdata1, "30.04.2026"}, {EContrdata2, "20260430"}})},
        {empty, EActdata1, u"1'.03.2026"_s, apostrophe}, {empty, EFurniz, u"O'BRAD"_s, apostrophe},
        {contract, EActdata1, u"14.03.2026"_s, u" Data achizitiei mai mica decat data contractului !!! "_s},
        {contract, EActdata1, u"15.03.2026"_s, {},
         with({{EContrdata1, "15.03.2026"}, {EContrdata2, "20260315"}, {EActdata1, "15.03.2026"}, {EActdata2, "20260315"}})},
        {empty, EActdata1, u"04.03.2026"_s, {}, act},   // no contract
        // 31 already there, the name changed
        {with({{EFurniz, "SSSSSSSSSSSSSSSSSSSSSSSSSSSSSSS"}}), EDenumach, u"LEMN"_s, u" Numarul maxim de caractere este 30 "_s},
        {act, ERefer, u"12/05.03.2026"_s, requestLate}, {empty, ERefer, u"12/05.03.2026"_s, requestLate},   // no act yet
        {empty, ERefer, u"123456789012345/01.03.2026"_s, u" Numarul maxim de caractere este 25 "_s},
    };
    for (const auto &c : cases) {
        QStringList row = c.before;
        const QString said = checkEntryCell(row, c.column, c.text, {4, u"2026"_s});
        QVERIFY2(said == c.message && row == (said.isEmpty() ? c.after : c.before), qPrintable(c.text + u": "_s + said));
        row = empty;   // nothing is taken before an item is chosen
        QCOMPARE(checkEntryCell(row, c.column, c.text, EntryContext{}), kNoItem);
    }
    // The row's checks: "column=text" over a complete row without contract: the message, and the cell it sends the user to.
    const std::tuple<QStringList, const char *, int> rows[] = {
        {{}, "", -1}, {{"0=1", "1=01.03.2026", "2=20260301"}, "", -1},
        {{"0=1", "1=04.03.2026", "2=20260304"}, "", -1},   // the act on the contract's day
        {{"1=01.03.2026", "2=20260301"}, " Completati numarul contractului ", 0},
        {{"0=1"}, " Completati data contractului ", 1}, {{"3="}, " Completati furnizorul ", 3},
        {{"4="}, " Completati denumirea produsului/serviciului/lucrarii ", 4},
        {{"5="}, " Completati numarul actului de achizitie (factura / bon fiscal) ", 5},
        {{"6=", "8="}, " Completati data actului de achizitie (factura / bon fiscal) ", 6},
        {{"7=0"}, " Completati valoarea actului de achizitie (factura / bon fiscal) ", 7},
        {{"11="}, " Completati numarul si data referatului ", 11},
        // Dates changed after the act date was taken: the order holds for the row.
        {{"0=1", "1=05.03.2026", "2=20260305"}, " Data achizitiei mai mica decat data contractului !!! ", 6},
        {{"11=3/05.03.2026"}, " Data referatului este mai mare decat data achizitiei !!! ", 11},
    };
    for (const auto &[changes, message, cell] : rows) {
        QStringList row{"", "", "", "SC X", "LEMN", "7", "04.03.2026", "-10", "20260304", "", "", "3/01.03.2026", ""};
        for (const QString &c : changes)
            row[c.section(u'=', 0, 0).toInt()] = c.section(u'=', 1);
        int refused = -1;
        QCOMPARE(checkEntryRow(row, &refused), QLatin1String(message));
        QCOMPARE(refused, cell);
    }
}

void TestRealizations::yearsAndApprovedProgramme()
{
    // Services; a proposal, another sub-unit's, another year's.
    Window t({{.lei = 10, .proced = kL, .proiect = u"PX"_s}, {.cod2 = 50111000, .lei = 20, .proced = kL, .proiect = u"PX"_s},
              {.cod2 = 50112000, .lei = 30, .proced = kL}, {.cod2 = 3111200, .lei = 40},
              {.cod2 = 3111300, .lei = 50, .proced = kL, .idos = 3},
              {.cod2 = 3111400, .start = u"01.03.2025"_s, .lei = 60, .proced = kL}}, QDate(2026, 11, 30));
    t.open();   // the years follow the clock: this one first until December
    RUN_STEPS(t, t.w.get(), {expectCell(u"anul"_s, 0, 0, u"2026"_s), upper(7, {"10", "20", "30", "50"}),   // all approved
               click(u"serv"_s), upper(7, {"20", "30"}),
               call([&t] { t.get<QComboBox>("proiect")->setFocus(); }),   // its entries come with the focus
               choose(u"proiect"_s, u"PX"_s), upper(7, {"20"}),   // the project's services
               choose(u"proiect"_s, QString()), upper(7, {"20", "30"}),   // the empty entry: every project
               // Another year: kind and project cleared, every approved item listed.
               clickCell(u"anul"_s, 1), upper(7, {"60"}), expectText(u"proiect"_s, QString()),
               call([&t] { QVERIFY(!t.get<QRadioButton>("serv")->isChecked()); })});
    t.clock.date = QDate(2026, 12, 1);
    t.open();   // A year with nothing approved: choosing an item says so. No way out but "Iesire".
    RUN_STEPS(t, t.w.get(), {expectCell(u"anul"_s, 0, 0, u"2027"_s), expectCell(u"anul"_s, -1, 0, u"2015"_s),
                             key(u"DataGrid1"_s, Qt::Key_Return),
                             message(u" Nu aveti program aprobat la care sa adaugati realizari ! "_s), lower(1),
                             key(u"realiz"_s, Qt::Key_Escape)});
    QVERIFY(t.platform.closeRemoved.contains(t.w.get()) && t.w->isVisible());
}

void TestRealizations::entries_data()
{
    QTest::addColumn<Steps>("steps");
    const QString grid = u"DataGrid2"_s, b = u"3111100|9| ||||SC B|CUIE|34|06.03.2026|20260306|"_s;
    const Steps chooseA{doubleClickCell(u"DataGrid1"_s, 0)};
    const auto rows = [](const QStringList &typed) { return expectRows(kRows, QStringList{kA, kP9, kOld} + typed); };
    // An invoice of item A typed by keyboard alone, one key after each field; the next row waits.
    const QStringList first{"12", "05.03.2026", "SC B", "CUIE", "34", "06.03.2026", "123456789.12", "2/05.03.2026"};
    const int text = int(first.join(QString()).size());
    QTest::newRow("invoice by Tab")
        << Steps{clickCell(u"DataGrid1"_s, 0), key(u"DataGrid1"_s, Qt::Key_Return), call([] { keys.presses = 0; })}
               + typed(first) + Steps{call([text] { QCOMPARE(keys.presses, text + 8); }), lower(3, 2, EContrnr),
                 rows({u"3111100|9| |12|05.03.2026|20260305|SC B|CUIE|34|06.03.2026|20260306|123456789.12|2/05.03.2026"_s}),
                 shownWhole("DataGrid2", ELei), click(u"Command3"_s), upper(8, {"123.456.799,62", "0,00", "20,00"}),
                 shownWhole("DataGrid1", 8)};
    // A row whose last cell is still open is stored before the lower grid is
    // read again; a refused one stays on screen and the action does not happen.
    QStringList done{"", "", "SC B", "CUIE", "34", "06.03.2026", "7", "2/05.03.2026"}, noValue = done;
    noValue[6].clear();
    for (const auto &[name, action] : {std::pair{"another item", doubleClickCell(u"DataGrid1"_s, 1)},
                                       std::pair{"year", clickCell(u"anul"_s, 1)}, std::pair{"Iesire", click(u"Command1"_s)}}) {
        if (action.kind != Step::Kind::Click)
            QTest::addRow("open cell, %s: stored", name)
                << chooseA + typed(done, 0) + Steps{action, lower(1), rows({b + "7|2/05.03.2026"})};
        QTest::addRow("open cell, %s: refused", name)
            << chooseA + typed(noValue, 0)
                   + Steps{action, message(u" Completati valoarea actului de achizitie (factura / bon fiscal) "_s),
                           expectCell(grid, 1, EFurniz, u"SC B"_s), expectCell(grid, 1, ERefer, u"2/05.03.2026"_s),
                           lower(2, 1, ELei), expectFocus(grid), rows({}), call([] {
                               QVERIFY(on->w->isVisible() && on->get<QListWidget>("anul")->currentRow() == 0);
                               QCOMPARE(on->w->idsel(), on->cpvId(3111100)); })};
    }
    // A row the file does not take (a full disk; here a trigger) stays on screen, and is stored by the next action.
    QTest::newRow("insert fails") << chooseA + Steps{call([] {
        on->db().exec(u"CREATE TRIGGER plin BEFORE INSERT ON realiz BEGIN SELECT RAISE(ABORT,'disc plin'); END"_s); })}
        + typed(done) + Steps{message(u"Eroarea 19 disc plin"_s), expectCell(grid, 1, EFurniz, u"SC B"_s),
                              expectCell(grid, 1, ELei, u"7,00"_s), call([] { on->db().exec(u"DROP TRIGGER plin"_s); }),
                              click(u"Command3"_s), rows({b + "7|2/05.03.2026"})};
    // After a year click, or a kind that hides the chosen item, rows belong to no item until one is chosen.
    for (const auto &[name, action] : {std::pair{"year", clickCell(u"anul"_s, 1)}, std::pair{"kind", click(u"serv"_s)}})
        QTest::addRow("%s click forgets the item", name)
            << chooseA + Steps{action, clickCell(grid, 0, EFurniz), type({}, u"SC X"_s), key({}, Qt::Key_Tab),
                               message(kNoItem), key({}, Qt::Key_Escape), rows({})};
    // A credit note is stored with its item and lowers its total. Return goes from cell to cell too.
    done[6] = u"-4"_s;
    QTest::newRow("negative value") << chooseA + typed(done, Qt::Key_Return, Qt::Key_Return)
               + Steps{click(u"Command3"_s), rows({b + "-4|2/05.03.2026"}),
                       expectRows(u"SELECT proiect,realiz FROM program WHERE idos=9 and datainc2>'2026' ORDER BY idp"_s,
                                  {u"|6.5"_s, u"|0"_s, u"P9|20"_s})};
    // Only this year's rows of the item: the same entry under project P9 is another item, not listed, not touched.
    QTest::newRow("another project's row")
        << chooseA + Steps{lower(2, 1, EContrnr), expectCell(grid, 0, EFurniz, u"SC A"_s), clickCell(grid, 0, ELei),
                           type({}, u"15"_s), key({}, Qt::Key_Down),
                           expectRows(kRows, {QString(kA).replace(u"|10.5|"_s, u"|15|"_s), kP9, kOld}),
                           // Delete on a stored row asks first.
                           clickCell(grid, 0, EFurniz), key({}, Qt::Key_Delete),
                           message(u" Doriti stergerea realizarii selectate ? "_s, Answer::Yes), expectRows(kRows, {kP9, kOld})};
    // Delete on the row being typed empties the cell only, without a question.
    QTest::newRow("Delete on the new row") << chooseA + typed({"", "", "SC D", "LEMN"})
               + Steps{key({}, Qt::Key_Backtab), key({}, Qt::Key_Delete), expectCell(grid, 1, EDenumach, QString()),
                       expectCell(grid, 1, EFurniz, u"SC D"_s), rows({})};
    // "Suma" lists the sub-unit's own items with their totals: an item's own realizations of the year, to its last day
    // (A's and P9's apart), 0 for none; other years and sub-units untouched. "Raport" prints them, "Iesire" recomputes.
    const Step overA = call([] { on->realization(2000, u"31.12.2026"_s); });
    // Totals to the cent: 10.5 + 110.82 + 877.83 + 0.85 added as binary fractions would exceed 1000.
    QTest::newRow("Suma to the cent") << Steps{call([] { on->realization(110.82), on->realization(877.83), on->realization(0.85); }),
                                               click(u"Command3"_s), upper(8, {"1.000,00", "0,00", "20,00"})};
    QTest::newRow("Suma, Raport, Iesire")
        << Steps{upper(8, {"77,00", "77,00", "77,00", "77,00"}), click(u"Command3"_s), upper(8, {"10,50", "0,00", "20,00"}),
                 expectRows(u"SELECT realiz FROM program WHERE lei IN (60,800)"_s, {u"77"_s, u"77"_s}), overA,
                 call([] { on->db().exec(u"UPDATE program SET realiz=900 WHERE idos=3"_s); }),   // over, but not ours
                 click(u"Command2"_s),
                 message(u" Doriti afisarea doar a pozitiilor din program care au fost depasite ? "_s, Answer::Yes),
                 message(kNoSignatories), call([] {
                     const QString text = on->takeReport(u"raprealiz"_s);
                     QVERIFY(text.contains(u"SITUATIA REALIZARILOR PE ANUL 2026, CARE AU DEPASIT PROGRAMUL APROBAT"_s));
                     QVERIFY(text.contains(u"2.010,50"_s) && !text.contains(u"300,00"_s) && !text.contains(u"800,00"_s)); }),
                 overA, click(u"Command1"_s), expectRows(u"SELECT realiz FROM program WHERE lei=1000"_s, {u"4010.5"_s}),
                 call([] { QVERIFY(!on->w->isVisible()); })};
    // "Depasite": a total equal to the programme value is not over it; one ban more is.
    const QString overOnly = u" Doriti afisarea doar a pozitiilor din program care au fost depasite ? "_s;
    QTest::newRow("exceeded: equal is not over")
        << Steps{call([] { on->realization(989.5); }), click(u"Command2"_s), message(overOnly, Answer::Yes), call([] {
                     QVERIFY(on->takeReport(u"raprealiz"_s).simplified().contains(
                         u"Nu exista pozitii care sa corespunda criteriilor"_s));
                 })};
    QTest::newRow("exceeded: a ban over")
        << Steps{call([] { on->realization(989.51); }), click(u"Command2"_s), message(overOnly, Answer::Yes),
                 message(kNoSignatories), call([] { QVERIFY(on->takeReport(u"raprealiz"_s).contains(u"1.000,01"_s)); })};
    // A header click sorts by value (9 before 10.000); the row being typed is stored first, or refused and kept,
    // and the cursor stays in the new row, where the next typing goes.
    const auto header = [](int column) {
        return call([column] {
            QHeaderView *h = on->get<QTableView>("DataGrid2")->horizontalHeader();
            QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(column) + 5, 5));
        });
    };
    const Step moreActs = call([] { on->realization(10000, u"04.03.2026"_s, u" "_s, u"SC Z"_s), on->realization(9); });
    QTest::newRow("header click sorts by value") << Steps{moreActs} + chooseA + typed(done, 0)
        + Steps{header(ELei), rows({u"3111100|9| ||||SC Z|LEMN|1|04.03.2026|20260304|10000|1/01.03.2026"_s,
                                    u"3111100|9| ||||SC A|LEMN|1|04.03.2026|20260304|9|1/01.03.2026"_s,
                                    b + "-4|2/05.03.2026"}),
                expectCell(grid, 0, ELei, u"-4,00"_s), expectCell(grid, 1, ELei, u"9,00"_s),
                expectCell(grid, 3, ELei, u"10.000,00"_s), lower(5, 4, EContrnr), header(ELei),
                expectCell(grid, 0, ELei, u"10.000,00"_s), lower(5, 4, EContrnr)};
    QTest::newRow("header click with a refused row") << chooseA + typed(noValue, 0)
        + Steps{header(EFurniz), message(u" Completati valoarea actului de achizitie (factura / bon fiscal) "_s),
                lower(2, 1, ELei), rows({}), expectCell(grid, 0, EFurniz, u"SC A"_s)};
    // A cell opened and closed as it shows stores nothing new; Escape twice empties the new row; Ctrl+V pastes
    // into a closed cell; Ctrl+Tab goes up; Alt+S is "Suma".
    QTest::newRow("keyboard") << chooseA + Steps{clickCell(grid, 0, ELei), key(grid, Qt::Key_F2), key({}, Qt::Key_Return),
                                                 rows({}), clickCell(grid, 1, EContrnr)}
        + typed({"12", "05.03.2026", "", "SC B"}, 0)
        + Steps{key({}, Qt::Key_Escape), key(grid, Qt::Key_Escape), lower(2, 1, EContrnr),
                expectCell(grid, 1, EFurniz, QString()), expectCell(grid, 1, EContrdata1, QString()),
                call([] { QGuiApplication::clipboard()->setText(u"SC LIPIT"_s); }), clickCell(grid, 1, EFurniz),
                key(grid, Qt::Key_V, Qt::ControlModifier), expectCell(grid, 1, EFurniz, u"SC LIPIT"_s),
                key(grid, Qt::Key_Escape), key(grid, Qt::Key_Tab, Qt::ControlModifier), expectFocus(u"DataGrid1"_s),
                // (A button's shortcut clicks it the way a mouse does, a moment later.)
                key(u"DataGrid1"_s, Qt::Key_S, Qt::AltModifier),
                call([] { QTRY_COMPARE(on->w->programmeModel()->rowCount(), 3); }), upper(8, {"10,50", "0,00", "20,00"})};
}

void TestRealizations::entries()
{
    QFETCH(Steps, steps);
    // 2026: A, B, and A's entry under project P9, each with one realization
    // but B, and one of A's of 2025; A's entry in 2025 too; another sub-unit's item.
    Window t({{.lei = 1000, .proced = kL}, {.cod2 = 3111200, .lei = 500, .proced = kL},
              {.lei = 300, .proced = kL, .proiect = u"P9"_s}, {.start = u"01.03.2025"_s, .lei = 60, .proced = kL},
              {.cod2 = 3111300, .lei = 800, .proced = kL, .idos = 3}});
    t.realization(10.5);
    t.realization(20, u"04.03.2026"_s, u"P9"_s, u"SC P"_s);
    t.realization(5, u"31.12.2025"_s);
    t.db().exec(u"UPDATE program SET realiz=77"_s);
    t.open();
    RUN_STEPS(t, t.w.get(), steps);
}

// Two approved items of one entry, sub-unit and project (two funds), and an older file's realizations: one its
// old tie names alone, one it cannot tell between the two.
void TestRealizations::eachRealizationBelongsToOneItem()
{
    Window t({{.lei = 1000, .proced = kL}, {.lei = 2000, .proced = kL, .fond = u"bugetare"_s},
              {.cod2 = 3111200, .lei = 500, .proced = kL}});
    t.db().exec(u"INSERT INTO realiz (id,lei,idos,proiect,furniz,denumach,actnr,actdata1,actdata2,refer) VALUES"
                "(?1,40,9,' ','SC VECHI','LEMN','1','04.03.2026','20260304','1/01.03.2026'),"
                "(?2,60,9,' ','SC UNU','LEMN','2','04.03.2026','20260304','1/01.03.2026')"_s,
                {t.cpvId(3111100), t.cpvId(3111200)});
    upgradeSchema(t.db());   // as the start-up does with an older file
    const QString owners = u"SELECT r.lei,coalesce(p.lei,'-') FROM realiz r LEFT JOIN program p ON p.uid=r.uidp"
                           " ORDER BY r.idr"_s;
    t.open();
    const auto grey = [](int row, bool marked) {
        return call([=] {
            const QModelIndex at = on->w->entryModel()->index(row, EFurniz);
            QCOMPARE(at.data(Qt::ForegroundRole).value<QColor>() == QColor(Qt::gray), marked);
            QCOMPARE(at.data(Qt::ToolTipRole).toString(),
                     marked ? u" Realizare neatribuita: alegeti pozitia careia ii apartine "_s : QString());
        });
    };
    // The right-click's menu, answered by keyboard.
    const Step attribute = call([] {
        QTableView *g = on->get<QTableView>("DataGrid2");
        const QPoint at = g->visualRect(g->model()->index(0, EFurniz)).center();
        QTimer::singleShot(0, [] {
            QWidget *menu = QApplication::activePopupWidget();
            QVERIFY(menu && menu->findChild<QAction *>(u"mnuatribuire"_s)->text() == u"Atribuire la pozitia aleasa"_s);
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QTest::mouseClick(g->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, g->viewport()->mapToGlobal(at));
        QApplication::sendEvent(g->viewport(), &menu);
    });
    const QStringList invoice{"", "", "SC B", "CUIE", "7", "06.03.2026", "100", "2/05.03.2026"};
    QStringList second = invoice;
    second[6] = u"250"_s;
    RUN_STEPS(t, t.w.get(), Steps{expectRows(owners, {u"40|-"_s, u"60|500"_s}),   // the second attributed at start-up
                                  doubleClickCell(u"DataGrid1"_s, 0), lower(2), grey(0, true), grey(1, false)}
                                + typed(invoice)
                                + Steps{doubleClickCell(u"DataGrid1"_s, 1), lower(2), grey(0, true)} + typed(second)
                                + Steps{expectRows(owners, {u"40|-"_s, u"60|500"_s, u"100|1000"_s, u"250|2000"_s}),
                                        click(u"Command3"_s),
                                        message(u" Exista 1 realizari neatribuite, in valoare de 40,00 lei. "_s),
                                        upper(8, {"100,00", "250,00", "60,00"}), click(u"Command2"_s),
                                        message(u" Doriti afisarea doar a pozitiilor din program care au fost depasite ? "_s, Answer::No),
                                        message(kNoSignatories), call([] {
                                            const QString text = on->takeReport(u"raprealiz"_s);
                                            QVERIFY2(text.contains(u"410,00"_s) && text.contains(u"Realizari neatribuite: 1, in"
                                                                                                 " valoare de 40,00 lei"_s),
                                                     qPrintable(text));
                                        }),
                                        attribute, expectRows(owners, {u"40|2000"_s, u"60|500"_s, u"100|1000"_s, u"250|2000"_s}),
                                        grey(0, false), click(u"Command3"_s), upper(8, {"100,00", "290,00", "60,00"}),
                                        doubleClickCell(u"DataGrid1"_s, 0), lower(2), expectCell(u"DataGrid2"_s, 0, ELei, u"100,00"_s),
                                        click(u"Command2"_s),
                                        message(u" Doriti afisarea doar a pozitiilor din program care au fost depasite ? "_s, Answer::No),
                                        message(kNoSignatories), call([] {
                                            const QString text = on->takeReport(u"raprealiz"_s);
                                            QVERIFY2(text.contains(u"450,00"_s) && !text.contains(u"neatribuite"_s),
                                                     qPrintable(text));
                                        })});
}

QTEST_MAIN(TestRealizations)
#include "test_realizations.moc"
