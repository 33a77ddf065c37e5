// The programme window driven as tables of steps through its named controls:
// editor and save, grid and deletion, projects, year copy; the save checks directly.

#include "steps.h"
#include "programme/itemchecks.h"
#include "programme/liste.h"
#include "store/database.h"
#include "store/querymodel.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolTip>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;
using Steps = QList<Step>;

namespace {

struct Window : Env {
    explicit Window(const QString &numeos = u"O.S. ARAD"_s, const QList<Item> &items = {}, QDate today = {2026, 3, 15})
        : Env(numeos, today)
    {
        db().exec(u"INSERT INTO cpv (cod,den,fel,cod2) VALUES('30192120-COD INVALID','Produse pentru scris',1,30192120)"_s);
        for (const Item &i : items)
            addItem(i);
        liste = std::make_unique<Liste>(*ctx);
        activate(liste.get());
    }
    template <typename T> T *get(const char *name) const { return liste->findChild<T *>(QLatin1String(name)); }
    QListWidget *list(int level) const { return liste->findChild<QListWidget *>(u"list%1"_s.arg(level)); }
    QTableView *grid() const { return get<QTableView>("DataGrid1"); }
    QueryTableModel *model() const { return liste->gridModel(); }
    bool editing() const { return get<QPushButton>("Command3")->isVisible() && liste->idpsel() != 0; }
    void clickHeader(int section)
    {
        QHeaderView *h = grid()->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(section) + 5, 5));
    }
    QStringList gridColumn(int c) const
    {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r)
            out << model()->text(r, c);
        return out;
    }
    std::unique_ptr<Liste> liste;
};

// Every column of the items that a save, a load or a copy could change, by key.
const QString kRows = u"SELECT cpv.cod2,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,idos,"
                      "ifnull(proced,''),proiect FROM program JOIN cpv ON cpv.id=program.id ORDER BY idp"_s;
const QString kCount = u"SELECT count(*) FROM program"_s, kGrid = u"DataGrid1"_s, kSaved = u" Datele au fost salvate "_s;
const QString kGone = u" Inregistrarea nu mai exista in program. Datele nu au fost salvate. "_s;
const QString kNoDay = u" Nu exista aceasta zi ! "_s, kNoMonth = u" Nu exista aceasta luna ! "_s;
const QString kApostrophe = u" Nu se accepta caracterul apostrof ( ' ) "_s;
// "Stergere proiect" of project PX: the first question, then either road.
const QString kOnlyLinks = u" Doriti stergerea doar a legaturilor la codurile CPV, cu pastrarea acestora in program ? "_s;
const QString kUnlink = u" Confirmati stergerea legaturilor la proiectul '' PX '' ? "_s;
const QString kUnlinked = u" Stergerea legaturilor la codurile CPV, pentru proiectul '' PX '', a fost executata "_s;
const QString kDelete = u" Ati selectat stergerea proiectului '' PX '', impreuna cu codurile CPV aferente acestuia \r\n"
                        " Confirmati aceasta ? "_s;
const QString kDeleted = u" Stergerea codurilor CPV aferente proiectului '' PX '' a fost executata "_s;
// A change the engine refuses, then its message; the year copy's questions, into 2026.
const QString kRefuse = u"CREATE TRIGGER t%1 BEFORE %1 ON program WHEN %2.lei=20 BEGIN SELECT RAISE(ABORT,'x'); END"_s;
const QString kRefused = u"Eroarea 19 x"_s;
const QString kCopy = u" Ati activat optiunea de copiere a datelor din anul %1 in anul 2026 ! \n Sigur aceasta doriti ? "_s;
const QString kOverwrite = u" Aveti deja date introduse in anul 2026 ! \n Datele din anul %1 se vor suprascrie peste cele"
                           " din 2026.\n Se vor sterge %2 pozitii, dintre care %3 aprobate. \n Continuati ? "_s;

// The CPV entry found by its code, as the user types it.
Steps entry(const QString &code) { return {type(u"cod"_s, code), key(u"cod"_s, Qt::Key_Return)}; }

// A complete item typed into the editor's boxes, then saved when asked.
Steps typeItem(const QString &detal = u"BIROU"_s, bool save = false)
{
    Steps steps;
    for (const QString &f : {u"vallei=1500"_s, u"valeuro=0"_s, u"zi1=01"_s, u"luna1=03"_s, u"zi2=30"_s, u"luna2=06"_s,
                             u"detal="_s + detal, u"resp=pop ion"_s})
        steps << type(f.section(u'=', 0, 0), f.section(u'=', 1));
    return save ? steps << click(u"Command2"_s) << message(kSaved) : steps;
}

} // namespace

// Steps on the window; a failing one ends the test there.
#define RUN(w, ...) RUN_STEPS(w, (w).liste.get(), __VA_ARGS__)

class TestProgramme : public QObject {
    Q_OBJECT
private slots:
    void loadOptionsAndChecks();
    void saveRefusesThenWrites();
    void loadedValuesAreSavedUnchanged();
    void aNewItemGoesIntoTheYearShown();
    void gridQueriesSortingAndFit();
    void gridEditsAndDeletion();
    void projectDeletionAndTheLoadedItem();
    void yearCopy();
};

void TestProgramme::loadOptionsAndChecks()
{
    // The years follow the clock; activity and funds the sub-unit's name.
    for (const auto &[today, name, shown] :
         {std::tuple{QDate(2026, 10, 15), "O.S. ARAD", "2027|2015|20272027|2015|productie|proprii"},
          {QDate(2026, 9, 30), "B.E. VORIDA", "2026|2015|20262026|2015|cercetare|cercetare"},
          {QDate(2026, 3, 15), "B.E. MIHAESTI", "2026|2015|20262026|2015|productie|proprii"},
          {QDate(2026, 3, 15), "SEDIU", "2026|2015|20262026|2015|cercetare|cercetare"}}) {
        Window w(QLatin1String(name), {}, today);
        auto *anul = w.get<QListWidget>("anul");
        auto *an1 = w.get<QComboBox>("an1");
        QCOMPARE(u"%1|%2|%3%4|%5|%6|%7"_s.arg(anul->currentItem()->text(), anul->item(anul->count() - 1)->text(),
                                              an1->currentText(), w.get<QComboBox>("an2")->currentText(),
                                              an1->itemText(an1->count() - 1), w.liste->activ(),
                                              w.get<QListWidget>("fond")->currentItem()->text()), QLatin1String(shown));
    }
    // The save's checks on a filled form, one change at a time: the message and the field it sends the user to.
    using F = ItemField;
    const std::tuple<std::function<void(ItemForm &)>, const char *, ItemField> cases[] = {
        {[](ItemForm &f) { f.zi1 = u"00"_s; }, " Specificati ziua inceperii procedurii de achizitie ! ", F::Zi1},
        {[](ItemForm &f) { f.luna1.clear(); }, " Specificati luna inceperii procedurii de achizitie ! ", F::Luna1},
        {[](ItemForm &f) { f.zi2 = u"0"_s; }, " Specificati ziua finalizarii procedurii de achizitie ! ", F::Zi2},
        {[](ItemForm &f) { f.luna2 = u"00"_s; }, " Specificati luna finalizarii procedurii de achizitie ! ", F::Luna2},
        {[](ItemForm &f) { f.zi2 = u"14"_s, f.luna2 = u"03"_s; },
         " Data finalizarii procedurii nu poate mai mica decat data inceperii ! ", F::Luna2},
        {[](ItemForm &f) { f.detal.clear(); }, " Specificati detalii ale acestei achizitii ! ", F::Detal},
        {[](ItemForm &f) { f.detal.clear(), f.works = true; }, " Specificati obiectivul unde va fi efectuata lucrarea ! ",
         F::Detal},
        {[](ItemForm &f) { f.resp.clear(); }, " Specificati persoana responsabila de contractul acestei achizitii ! ",
         F::Resp},
        // Two faults: the field checks come first of all.
        {[](ItemForm &f) { f.zi1 = u"32"_s, f.vallei = u"0"_s; }, " Nu exista aceasta zi ! ", F::Zi1},
        {[](ItemForm &f) { f.zi2 = u"15"_s, f.luna2 = u"03"_s; }, nullptr, F::None},   // same day: passes
        {[](ItemForm &f) { f.valeuro.clear(); }, nullptr, F::None},
        // A day past its month's end, leap years included.
        {[](ItemForm &f) { f.zi2 = u"31"_s, f.luna2 = u"04"_s; }, " Nu exista aceasta zi ! ", F::Zi2},
        {[](ItemForm &f) { f.zi2 = u"30"_s, f.luna2 = u"04"_s; }, nullptr, F::None},
        {[](ItemForm &f) { f.zi1 = u"29"_s, f.luna1 = u"02"_s; }, " Nu exista aceasta zi ! ", F::Zi1},
        {[](ItemForm &f) { f.zi1 = u"29"_s, f.luna1 = u"02"_s, f.an1 = u"2028"_s, f.an2 = u"2028"_s; }, nullptr, F::None},
        // Amounts the Romanian way; one that fits no reading is no value.
        {[](ItemForm &f) { f.vallei = u"1.25.0"_s; }, " Specificati valoarea in lei a achizitiei ! ", F::Vallei},
        {[](ItemForm &f) { f.valeuro = u"1,2,3"_s; }, " Valoarea nu este scrisa corect (exemplu: 1.250,50) ! ", F::Valeuro},
        {[](ItemForm &f) { f.valeuro = u"1.250,5"_s; }, nullptr, F::None},
    };
    for (const auto &[change, message, focus] : cases) {
        ItemForm form{true,      QString(), 0,         u"1500"_s,  QString(), u"15"_s,   u"03"_s,
                      u"2026"_s, u"30"_s,   u"06"_s,   u"2026"_s,  u"BIROU"_s, u"POP"_s};
        change(form);
        const std::optional<Refusal> r = checkFields(form) ? checkFields(form) : checkItem(form);
        QCOMPARE(r ? r->message : QString(), QString::fromUtf8(message));
        QCOMPARE(r ? r->focus : F::None, focus);
    }
    // The same checks in the window, as each field is left.
    Window w(u"O.S. ARAD"_s, {{.resp = u"ION"_s}, {.start = u"01.03.2025"_s, .idos = 3, .resp = u"ION"_s}});
    struct Case { QString field, typed, shown, message; };
    QList<Case> left = {{"zi1", "32", "32", kNoDay},     {"zi1", "5", "05", ""},       {"zi1", "00", "00", ""},
                        {"luna1", "13", "13", kNoMonth}, {"luna1", "7", "07", ""},     {"zi2", "", "", ""},
                        {"vallei", "12.6", "13", ""},    {"vallei", "abc", "abc", ""}, {"valeuro", "99.4", "99", ""},
                        {"vallei", "125.000", "125000", ""}, {"vallei", "2500,50", "2501", ""},
                        {"vallei", "1.250,49", "1250", ""}, {"valeuro", "1.25.0", "1.25.0", ""},
                        {"resp", "pop o'neil", "POP O'NEIL", kApostrophe},             {"detal", "birou", "BIROU", ""}};
    // Day and month boxes take digits only.
    for (const QString box : {"zi1", "luna1", "zi2", "luna2"})
        for (const QString typed : {"1o", "o1", "+1", " 1"})
            left.append({box, typed, typed, box.startsWith(u'z') ? kNoDay : kNoMonth});
    Steps steps;
    for (const Case &c : left)   // a refused text is said, kept, then emptied so that leaving it again passes
        steps << type(c.field, c.typed) << key(QString(), Qt::Key_Tab)
              << (c.message.isEmpty() ? Steps{} : Steps{message(c.message), expectFocus(c.field)})
              << expectText(c.field, c.shown)
              << (c.message.isEmpty() ? Steps{} : Steps{type(c.field, QString()), key(c.field, Qt::Key_Backspace)});
    // Tab follows the form; the arrows move between the value and the date boxes.
    const QStringList order{"vallei", "valeuro", "zi1", "luna1", "an1", "zi2", "luna2", "an2", "resp", "detal", "Command2"};
    steps << type(u"vallei"_s, u"1"_s);
    for (int i = 1; i < order.size(); ++i)
        steps << key(QString(), Qt::Key_Tab) << expectFocus(order.at(i));
    for (const QString move : {"vallei>zi1", "zi1>luna1", "luna1<zi1", "zi1<vallei", "zi2>luna2", "luna2<zi2", "zi2<vallei"})
        steps << key(move.section(QRegularExpression(u"[<>]"_s), 0, 0), move.contains(u'>') ? Qt::Key_Right : Qt::Key_Left)
              << expectFocus(move.section(QRegularExpression(u"[<>]"_s), 1));
    RUN(w, steps);
    // The people already used, every sub-unit's; a click copies one; Escape keeps the window.
    RUN(w, {clickCell(u"listp"_s, 0), expectText(u"resp"_s, u"ION"_s), key(u"detal"_s, Qt::Key_Escape)});
    QVERIFY(w.get<QListWidget>("listp")->count() == 1 && w.liste->isVisible());
    auto *fond = w.get<QListWidget>("fond");
    auto *proiect = w.get<QComboBox>("proiect");
    auto *command7 = w.get<QPushButton>("Command7");
    // The chosen activity clicked again resets the funds and empties the project.
    RUN(w, {click(u"act1"_s), call([&] { fond->setCurrentRow(3), proiect->setEditText(u"P"_s); }), click(u"act1"_s),
           expectText(u"proiect"_s, QString())});
    QVERIFY(fond->currentRow() == 1 && proiect->isEnabled() && command7->isEnabled());
    RUN(w, {click(u"act3"_s)});
    QVERIFY(fond->currentRow() == 0 && !proiect->isEnabled() && !command7->isEnabled());
    // The chosen kind clicked again refills list I and cascades from its first entry.
    RUN(w, entry(u"03212211"_s) << click(u"prod"_s));
    QCOMPARE(w.list(2)->currentItem()->text(), w.db().query(u"SELECT den FROM cpv WHERE cod2=3100000"_s).text(0, u"den"_s));
    // A click on the entry already current in a level list goes deeper; a double-click ends the lists there.
    RUN(w, entry(u"03111000"_s));
    QCOMPARE(w.list(4)->currentRow() + w.list(5)->count(), 0);
    RUN(w, {clickCell(u"list4"_s, 0), call([&] { QCOMPARE(w.list(5)->currentRow(), 0); }), doubleClickCell(u"list4"_s, 0)});
    QCOMPARE(w.list(5)->count(), 0);
}

void TestProgramme::saveRefusesThenWrites()
{
    Window w(u"SEDIU"_s, {{.idos = 3}});   // research and its funds by default; another sub-unit's item
    // Return on the focused button presses it.
    RUN(w, {call([&w] { w.get<QPushButton>("Command2")->setFocus(); }), key(u"Command2"_s, Qt::Key_Return),
           message(u" Toate achizitiile din fonduri de cercetare se fac in cadrul unui proiect ! "_s),
           expectFocus(u"proiect"_s), clickCell(u"fond"_s, 0), type(u"proiect"_s, u"proiect a"_s), click(u"Command2"_s),
           message(u" Toate achizitiile in cadrul unui proiect se fac din fonduri de cercetare ! "_s),
           type(u"vallei"_s, u"0"_s), click(u"Command2"_s),   // the funds moved: the second press goes further
           message(u" Specificati valoarea in lei a achizitiei ! "_s), expectFocus(u"vallei"_s)});
    QCOMPARE(w.get<QListWidget>("fond")->currentRow(), 1);
    // Nothing at level I; the utility entry: refused, nothing written.
    RUN(w, Steps{click(u"lucr"_s), call([&] { w.list(2)->clear(); }), click(u"Command2"_s),
                      message(u"Selectati pana la cel putin lista de gradul II "_s), click(u"act3"_s), click(u"prod"_s)}
          + entry(u"30192120"_s) + typeItem() << click(u"Command2"_s)
          << message(u" Acest cod nu este un cod CPV ci este doar un utilitar ! "_s) << expectRows(kCount, {"1"}));
    // Written whole, beside the other sub-unit's; the editor ready for the next item, keeping what may repeat.
    RUN(w, entry(u"03111100"_s) + typeItem() << type(u"valeuro"_s, u"300"_s) << click(u"Command2"_s) << message(kSaved)
          << expectRows(kRows, {"3111100|productie|100|0|01.03.2026|20260301|31.12.2026|20261231|POP|D|proprii|3||",
                                "3111100|productie|1500|300|01.03.2026|20260301|30.06.2026|20260630|POP ION|BIROU|"
                                "proprii|9||"})
          << expectText(u"Command2"_s, u"Salveaza"_s) << expectFocus(u"cod"_s) << expectText(u"vallei"_s, u"0"_s)
          << expectText(u"detal"_s, {})
          << expectText(u"resp"_s, {}) << expectText(u"valeuro"_s, u"300"_s) << expectText(u"zi2"_s, u"30"_s));
    QCOMPARE(w.get<QListWidget>("listp")->currentItem()->text(), u"POP ION"_s);
    // Same entry, year, project and funds: No keeps file and editor, Yes overwrites the first match; works go by details.
    const auto same = [&](qint64 cod2, const QString &place, Answer a) {
        const QString den = w.db().query(u"SELECT den FROM cpv WHERE cod2=?"_s, {cod2}).text(0, u"den"_s);
        return message(u" Codul CPV %1 - %2 , este deja introdus pe anul 2026%3\r\n Doriti scrierea peste vechile date ? "_s
                           .arg(w.cpvId(cod2)).arg(den, place), a);
    };
    RUN(w, entry(u"03111100"_s) + typeItem(u"ALT DETALIU"_s)
          << click(u"Command2"_s) << same(3111100, u" la fonduri proprii"_s, Answer::No)
          << expectText(u"detal"_s, u"ALT DETALIU"_s) << click(u"Command2"_s)
          << same(3111100, u" la fonduri proprii"_s, Answer::Yes) << message(kSaved)
          << expectRows(u"SELECT euro,detal FROM program"_s, {"0|D", "0|ALT DETALIU"}) << entry(u"45111000"_s)
          << typeItem(u"CANTON 1"_s, true) << typeItem(u"CANTON 2"_s, true) << typeItem(u"CANTON 1"_s)
          << click(u"Command2"_s) << same(45111000, u" la obiectivul ,,CANTON 1,,"_s, Answer::No)
          << expectRows(kCount, {"4"}));
    // Another entry becomes the grid's last and current row; it goes by its code (14522000 shares its name).
    RUN(w, entry(u"14522200"_s) + typeItem(u"ALTUL"_s, true)
          << expectRows(u"SELECT cpv.cod2 FROM program JOIN cpv ON cpv.id=program.id WHERE idp>4"_s, {"14522200"}));
    QCOMPARE(w.grid()->currentIndex().row(), 4);
    // The project box, in research: the sub-unit's projects of every year and activity, another's.
    const auto research = [](const char *p, const QString &activit = u"cercetare"_s) {
        return Item{.proiect = QLatin1String(p), .fond = u"cercetare"_s, .activit = activit};
    };
    Item p2025 = research("P2025"), other = research("PALT");
    p2025.start = u"10.01.2025"_s, other.idos = 3;
    for (const Item &i : {research("P1"), research("PROIECT 12"), p2025, other, research("PPROIECTARE", u"proiectare"_s),
                          research("P1", u"proiectare"_s)})
        w.addItem(i);
    Steps steps{click(u"act1"_s), type(u"proiect"_s, QString(51, u'x')),
                      message(u" Numarul maxim de caractere este 50 !!! "_s), expectText(u"proiect"_s, QString(50, u'x'))};
    // What is typed stays, upper case and trimmed: no completion into a longer name.
    for (const auto &[typed, shown] : {std::pair{"p", "P"}, {"PROIECT 1", "PROIECT 1"}, {"  proiect nou ", "PROIECT NOU"}})
        steps << type(u"proiect"_s, QLatin1String(typed)) << key(QString(), Qt::Key_Tab)
              << expectText(u"proiect"_s, QLatin1String(shown));
    RUN(w, steps << type(u"proiect"_s, u"d'ana"_s) << key(QString(), Qt::Key_Tab) << message(kApostrophe)
                << expectFocus(u"proiect"_s) << expectText(u"proiect"_s, u"D'ANA"_s));
    // The list offers this year's projects of the activity and sub-unit; the typed text stays.
    auto *proiect = w.get<QComboBox>("proiect");
    proiect->setEditText(u"TASTAT"_s);
    RUN(w, {clickCell(u"listp"_s, 0), type(u"proiect"_s, QString())});
    QCOMPARE(u"%1|%2|%3|%4"_s.arg(proiect->count()).arg(proiect->itemText(0), proiect->itemText(1), proiect->currentText()),
             u"2|P1|PROIECT 12|TASTAT"_s);
    RUN(w, {choose(u"proiect"_s, u"P1"_s)});   // picked: the project's items of this activity only
    QCOMPARE(w.model()->rowCount(), 1);
}

void TestProgramme::loadedValuesAreSavedUnchanged()
{
    const QString longDetal(210, u'D'), longResp(45, u'R');
    Window w(u"O.S. ARAD"_s, {{.cod2 = 3111000, .start = u"05.04.2026"_s, .end = u"30.11.2026"_s, .lei = 12345678.5,
                               .proced = u"licitatie"_s, .fond = u"bugetare"_s, .activit = u"proiectare"_s,
                               .resp = u"VASILE"_s, .detal = longDetal, .euro = 462.88},
                              {.start = u"10.02.2026"_s, .lei = 60, .resp = longResp, .euro = 7}});
    RUN(w, {click(u"lucr"_s)});
    w.clickHeader(4);   // LEI, descending: the same order
    QStringList rows = queryRows(w.db(), kRows);
    // Only the changed field changes; every loaded value goes back whole, its decimals too, also after the
    // focus passed through its box.
    for (const auto &[row, change, was, now] :
         {std::tuple{0, type(u"resp"_s, u"ion"_s), u"|VASILE|"_s, u"|ION|"_s},
          {0, type(u"vallei"_s, u"12.345.678"_s), u"|12345678.5|"_s, u"|12345678|"_s},
          {1, type(u"vallei"_s, u"99"_s), u"|60|7|"_s, u"|99|7|"_s},
          {1, clickCell(u"fond"_s, 2), u"|proprii|"_s, u"|bugetare|"_s}}) {
        rows[row].replace(was, now);
        RUN(w, {doubleClickCell(kGrid, row), expectText(u"Command2"_s, u"Modifica"_s), change, click(u"Command2"_s),
               message(kSaved), expectRows(kRows, rows)});
        QCOMPARE(w.grid()->currentIndex().row(), row);   // the sort stays, the row is current again
    }
    // The row's kind and entry: the path selected, the lists below it empty.
    RUN(w, {doubleClickCell(kGrid, 0), expectText(u"vallei"_s, u"12.345.678"_s), expectText(u"valeuro"_s, u"462,88"_s),
           expectText(u"detal"_s, longDetal)});
    QVERIFY(w.get<QRadioButton>("act2")->isChecked() && w.get<QRadioButton>("prod")->isChecked());
    QCOMPARE(w.list(4)->currentRow() + w.list(5)->count() + w.list(6)->count() + w.list(7)->count(), 0);
    // "Inregistrare noua" keeps what may repeat.
    RUN(w, {click(u"Command4"_s), expectText(u"Command2"_s, u"Salvare"_s), expectText(u"vallei"_s, u"0"_s),
           expectText(u"valeuro"_s, u"0"_s), expectText(u"detal"_s, {}), expectText(u"luna2"_s, u"11"_s)});
    QVERIFY(!w.editing());
}

// From October the window shows next year: a new item goes there, may end the year after, and stays listed.
void TestProgramme::aNewItemGoesIntoTheYearShown()
{
    Window w(u"O.S. ARAD"_s, {{.start = u"01.03.2026"_s}}, QDate(2026, 10, 15));
    auto *an2 = w.get<QComboBox>("an2");
    const QString den = w.db().query(u"SELECT den FROM cpv WHERE cod2=3111100"_s).text(0, u"den"_s);
    RUN(w, entry(u"03111100"_s) + typeItem() + Steps{choose(u"an2"_s, u"2028"_s), click(u"Command2"_s), message(kSaved),
                                                     expectRows(u"SELECT datainc2,datafin2 FROM program ORDER BY idp"_s,
                                                                {"20260301|20261231", "20270301|20280630"})});
    QCOMPARE(u"%1|%2|%3"_s.arg(an2->count()).arg(an2->itemText(0), an2->itemText(1)), u"2|2027|2028"_s);
    w.clickHeader(4);
    QCOMPARE(w.gridColumn(7), QStringList{u"30.06.2028"_s});
    // The start moved to 2026 while 2027 is shown: the end follows, and the duplicate is looked for in the year saved.
    RUN(w, typeItem() + Steps{choose(u"an1"_s, u"2026"_s), expectText(u"an2"_s, u"2026"_s), click(u"Command2"_s),
                       message(u" Codul CPV %1 - %2 , este deja introdus pe anul 2026 la fonduri proprii\r\n Doriti "
                               "scrierea peste vechile date ? "_s.arg(w.cpvId(3111100)).arg(den), Answer::No),
                       expectRows(kCount, {"2"}), clickCell(u"anul"_s, 1), expectText(u"an1"_s, u"2026"_s)});
}

void TestProgramme::gridQueriesSortingAndFit()
{
    Window w(u"O.S. ARAD"_s, {{.start = u"10.01.2026"_s, .end = u"20.01.2026"_s, .lei = 50},
                              {.cod2 = 3000000, .start = u"10.12.2026"_s, .end = u"20.01.2027"_s, .lei = 12345678,
                               .proced = u"negociere fara public."_s},
                              {.cod2 = 3111200, .start = u"10.02.2026"_s, .end = u"20.02.2026"_s, .lei = 60, .idos = 3,
                               .fond = u"accesibilizare"_s},
                              {.start = u"10.02.2025"_s, .end = u"20.02.2025"_s, .lei = 70}});
    // At 1024 x 768 the columns up to "Procedura indicata" (beside "Procedura") show, all but the name whole; the
    // dates follow it.
    w.liste->resize(1024, 768);
    QCOMPARE(w.liste->width(), 1024);   // the window's least width is no wider
    RUN(w, {clickCell(kGrid, 1)});   // a row selected, as the user works
    QTableView *g = w.grid();
    for (int c : {0, 1, 2, 3, 4, 5, 14}) {
        QVERIFY(g->columnViewportPosition(c) + g->columnWidth(c) <= g->viewport()->width());
        QVERIFY(c == 1 || g->fontMetrics().horizontalAdvance(w.model()->text(1, c)) < g->columnWidth(c));
    }
    // The longest funds and procedure show whole too.
    QVERIFY(g->fontMetrics().horizontalAdvance(u"nerambursabile(UE)"_s) < g->columnWidth(3));
    QVERIFY(g->fontMetrics().horizontalAdvance(u"negociere fara public."_s) < g->columnWidth(5));
    // Amounts grouped, with their cents where they carry them, right-aligned.
    QVERIFY(g->fontMetrics().horizontalAdvance(u"123.456.789,12"_s) < g->columnWidth(12));
    QVERIFY(g->fontMetrics().horizontalAdvance(u"123.456.789"_s) < g->columnWidth(4));
    QCOMPARE(w.model()->index(1, 4).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight, Qt::AlignRight);
    auto *fond = w.liste->findChild<QListWidget *>(u"fond"_s);   // and every fund, without scrolling
    QVERIFY(fond->viewport()->rect().contains(fond->visualItemRect(fond->item(4))));
    // Every caption line shows, in the font of a selected row's header; a cut name shows whole in its tooltip.
    QHeaderView *h = g->horizontalHeader();
    QFont font = h->font();
    font.setBold(h->highlightSections());
    const QRect caption = QFontMetrics(font).boundingRect(QRect(0, 0, g->columnWidth(1) - 8, 500), Qt::TextWordWrap,
                                                          w.model()->headerData(1, Qt::Horizontal).toString());
    QVERIFY(caption.height() > QFontMetrics(font).height() && h->height() >= caption.height());
    QHelpEvent tip(QEvent::ToolTip, g->visualRect(w.model()->index(1, 1)).center(), QPoint(300, 300));
    QApplication::sendEvent(g->viewport(), &tip);
    QCOMPARE(QToolTip::text(), w.model()->text(1, 1));
    // The year: every sub-unit's items starting in it, the one ending next year too, also after a header
    // click; "Activitatea" does nothing; toggles add up, the last click decides the order.
    for (const auto &[clicks, column, shown] :
         {std::tuple{QList<int>{}, 4, QStringList{"50", "12.345.678", "60"}},
          {{3}, 3, {"accesibilizare", "proprii", "proprii"}}, {{3, 2}, 4, {"50", "12.345.678", "60"}},
          {{0, 4}, 4, {"12.345.678", "60", "50"}}}) {
        for (const int c : clicks)
            w.clickHeader(c);
        QCOMPARE(w.gridColumn(column), shown);
    }
    // Another year; the toggles stay.
    RUN(w, {clickCell(u"anul"_s, 1)});
    QCOMPARE(w.gridColumn(4), QStringList{"70"});
    QVERIFY(w.liste->toggles().ordcod && w.liste->toggles().ordlei && !w.liste->toggles().ordfond);
}

void TestProgramme::gridEditsAndDeletion()
{
    Window w(u"O.S. ARAD"_s, {{.start = u"10.01.2026"_s, .lei = 50, .proced = u"licitatie"_s},
                              {.cod2 = 3111200, .start = u"10.02.2026"_s, .lei = 60, .resp = u"pop ion"_s}});
    const QString cod = w.model()->text(0, 0), item = u"SELECT lei,resp,detal FROM program ORDER BY idp"_s;
    const QString question = u" Sigur doriti stergerea inregistrarii selectate ? \n Cod CPV : "_s + w.model()->text(1, 0)
                             + u", LEI : 1501"_s;
    const auto typeInCell = [](int row, int column, const QString &text) {
        return Steps{clickCell(kGrid, row, column), type(QString(), text), key(QString(), Qt::Key_Return)};
    };
    // LEI as the editor takes it (whole, above 0); the person upper case; the editor saves it unchanged.
    RUN(w, typeInCell(0, 4, u"0.4"_s) << message(u" Data invalida ! "_s) << typeInCell(1, 4, u"1500.5"_s)
          << expectRows(item, {"50|POP|D", "1501|POP ION|D"}) << clickCell(kGrid, 0) << typeInCell(1, 9, u"Gard nou"_s)
          << doubleClickCell(kGrid, 1) << click(u"Command2"_s) << message(kSaved)
          << expectRows(item, {"50|POP|D", "1501|POP ION|GARD NOU"}));
    // The Delete key and "Stergere": approved refused (the loaded item decides), a proposal asked about.
    // An item with realizations is refused too, by either way, with or without a procedure.
    const Step realized = call([&w] {
        w.db().exec(u"INSERT INTO realiz (lei,idos,uidp) SELECT 5,9,uid FROM program WHERE lei=1501"_s);
    });
    const QString hasRealizations = u" Pozitia are realizari inregistrate si nu poate fi stearsa. "_s;
    RUN(w, {clickCell(kGrid, 0), key(kGrid, Qt::Key_Delete),
           message(u" Aceasta achizitie a fost aprobata si nu poate fi stersa ! "_s), realized, clickCell(kGrid, 1),
           key(kGrid, Qt::Key_Delete), message(hasRealizations), doubleClickCell(kGrid, 1), click(u"Command3"_s),
           message(hasRealizations), call([&w] { w.db().exec(u"DELETE FROM realiz"_s); }), clickCell(kGrid, 1),
           key(kGrid, Qt::Key_Delete), message(question, Answer::No), doubleClickCell(kGrid, 0), clickCell(kGrid, 1),
           click(u"Command3"_s),
           message(u" La produsul cu codul CPV : "_s + cod + u", LEI : 50 a fost stabilita procedura de achizitie si nu"
                                                             " mai poate fi stears de dvs. ! "_s),
           doubleClickCell(kGrid, 1), click(u"Command3"_s), message(question, Answer::Yes),
           message(u" Stergerea a fost executata "_s), expectRows(u"SELECT lei FROM program"_s, {"50"}),
           expectText(u"zi1"_s, u"00"_s), expectText(u"Command2"_s, u"Salvare"_s)});
    QVERIFY(w.model()->rowCount() == 1 && !w.editing());

    // Values longer than a cell takes (an older file's) survive the cell being opened; a cell of the loaded
    // item changed in the grid is what "Modifica" saves; a cell still open is stored before a header sorts.
    const QString longText(210, u'D');
    Window v(u"O.S. ARAD"_s, {{.lei = 12345678, .detal = longText}, {.cod2 = 3111200, .lei = 60}});
    QHeaderView *header = v.grid()->horizontalHeader();
    // (F2 right after a click on the selected row waits for that click's own delayed editing: another row first.)
    RUN(v, {clickCell(kGrid, 0, 4), key(kGrid, Qt::Key_F2), key({}, Qt::Key_Return), clickCell(kGrid, 1, 9),
            clickCell(kGrid, 0, 9), key(kGrid, Qt::Key_F2), key({}, Qt::Key_End), key({}, Qt::Key_Backspace), key({}, Qt::Key_Return),
            expectRows(item, {u"12345678|POP|"_s + longText.left(209), u"60|POP|D"_s}),
            doubleClickCell(kGrid, 1), clickCell(kGrid, 0, 4), clickCell(kGrid, 1, 4), type({}, u"70"_s), key({}, Qt::Key_Return),
            click(u"Command2"_s), message(kSaved), expectRows(item, {u"12345678|POP|"_s + longText.left(209), u"70|POP|D"_s}),
            clickCell(kGrid, 0, 4), clickCell(kGrid, 1, 4), call([header] {   // typed, and the header clicked at once
                QTest::keyClick(QApplication::focusWidget(), '8');   // opens the editor
                QTest::keyClick(QApplication::focusWidget(), '0');
                QVERIFY(QApplication::focusWidget() != header->parentWidget());   // the cell's editor is open
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(4) + 5, 5));
            }),
            expectRows(item, {u"12345678|POP|"_s + longText.left(209), u"80|POP|D"_s}),
            // A second click on a cell opens it after the double-click interval; keys typed at once go into it,
            // not into a row found by their text (the 1 of 12345678).
            clickCell(kGrid, 0, 4), clickCell(kGrid, 1, 4), clickCell(kGrid, 1, 4), type({}, u"19"_s), key({}, Qt::Key_Return),
            expectRows(item, {u"12345678|POP|"_s + longText.left(209), u"19|POP|D"_s}),
            // A second click on a cell, then a click into another box within the interval: the typing is the
            // box's, and the cell does not open afterwards.
            clickCell(kGrid, 0, 8), clickCell(kGrid, 1, 8), clickCell(kGrid, 1, 8), type(u"resp"_s, u"ana"_s),
            call([&v] {
                QTest::qWait(QApplication::doubleClickInterval() + 150);
                QVERIFY(!v.grid()->indexWidget(v.grid()->currentIndex()));
            }),
            expectText(u"resp"_s, u"ana"_s), expectRows(item, {u"12345678|POP|"_s + longText.left(209), u"19|POP|D"_s}),
            // A press on a cell of the selected row dragged to the next cell and released there opens neither.
            clickCell(kGrid, 1, 8), call([&v] {
                QTableView *g = v.grid();
                const QPoint a = g->visualRect(g->model()->index(1, 8)).center();
                const QPoint b = g->visualRect(g->model()->index(1, 9)).center();
                QTest::mousePress(g->viewport(), Qt::LeftButton, {}, a);
                for (const QPoint &at : {(a + b) / 2, b}) {   // moved with the button held, as a hand drags
                    QMouseEvent move(QEvent::MouseMove, at, g->viewport()->mapToGlobal(at), Qt::NoButton,
                                     Qt::LeftButton, Qt::NoModifier);
                    QApplication::sendEvent(g->viewport(), &move);
                }
                QCOMPARE(g->currentIndex().column(), 9);
                // Released on that cell wherever the drag scrolled it.
                QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->currentIndex()).center());
                QTest::qWait(QApplication::doubleClickInterval() + 150);
                QVERIFY(!g->indexWidget(g->model()->index(1, 8)) && !g->indexWidget(g->model()->index(1, 9)));
            }),
            // A value the file refuses reaches neither the grid nor the editor of the loaded item.
            doubleClickCell(kGrid, 1), expectText(u"vallei"_s, u"19"_s),
            call([&v] { v.db().exec(u"CREATE TRIGGER t BEFORE UPDATE ON program BEGIN SELECT RAISE(ABORT,'x'); END"_s); }),
            clickCell(kGrid, 0, 4), clickCell(kGrid, 1, 4), type({}, u"555"_s), key({}, Qt::Key_Return), message(kRefused),
            expectText(u"vallei"_s, u"19"_s), clickCell(kGrid, 1, 4), clickCell(kGrid, 1, 4),
            call([&v] { QTRY_VERIFY(v.grid()->indexWidget(v.grid()->currentIndex())); })});
}

void TestProgramme::projectDeletionAndTheLoadedItem()
{
    QList<Item> items(3, Item{.proiect = u"PX"_s, .fond = u"cercetare"_s, .activit = u"cercetare"_s});
    items[0].lei = 10, items[1].lei = 20, items[1].start = u"10.01.2025"_s, items[1].activit = u"proiectare"_s;
    items[2].lei = 30, items[2].idos = 3;
    items << Item{.lei = 40};
    const QString caption = u"Achizitii cuprinse in proiectul : PX"_s;
    Window *w = nullptr;
    const Step gone = call([&] { w->db().exec(u"DELETE FROM program WHERE lei=10"_s); });   // by something else
    const Step refuse = call([&] {
        w->db().exec(kRefuse.arg(u"UPDATE"_s, u"OLD"_s)), w->db().exec(kRefuse.arg(u"DELETE"_s, u"OLD"_s));
    });
    // The road; then the rows (lei|proiect), whether the item stays loaded, the caption and the grid's LEI.
    const std::tuple<Steps, QStringList, bool, QString, QStringList> cases[] = {
        // Yes, No: nothing changes.
        {{click(u"Command7"_s), message(kOnlyLinks, Answer::Yes), message(kUnlink, Answer::No)},
         {"10|PX", "20|PX", "30|PX", "40|"}, true, caption, {"10", "30"}},
        // Yes, Yes: the sub-unit's items of every year keep their rows, without project; the item stays loaded.
        {{click(u"Command7"_s), message(kOnlyLinks, Answer::Yes), message(kUnlink, Answer::Yes), message(kUnlinked)},
         {"10|", "20|", "30|PX", "40|"}, true, QString(), {"10", "40"}},
        // No, Yes: the sub-unit's items of the project go, whatever their year or activity, the loaded one too.
        {{click(u"Command7"_s), message(kOnlyLinks, Answer::No), message(kDelete, Answer::Yes), message(kDeleted),
          click(u"Command7"_s), message(u" Selectati denumirea proiectului ! "_s)},
         {"30|PX", "40|"}, false, QString(), {"40"}},
        // The year copy empties this year; another year clears the caption.
        {{clickCell(u"anul"_s, 1), click(u"mnucopi"_s), message(kCopy.arg(2025), Answer::Yes),
          message(kOverwrite.arg(2025).arg(3).arg(0), Answer::Yes),
          message(u" Datele din anul 2025 au fost copiate in anul 2026"_s)},
         {"20|PX", "20|PX"}, false, QString(), {"20"}},
        // Gone by any other way: the save and the deletion say so and write nothing.
        {{gone, click(u"Command2"_s), message(kGone)}, {"20|PX", "30|PX", "40|"}, false, caption, {"30"}},
        {{gone, click(u"Command3"_s), message(kGone)}, {"20|PX", "30|PX", "40|"}, false, caption, {"30"}},
        // The engine refuses the second row of each change: the unlinking and the deletion change nothing.
        {{refuse, click(u"Command7"_s), message(kOnlyLinks, Answer::Yes), message(kUnlink, Answer::Yes),
          message(kRefused), click(u"Command7"_s), message(kOnlyLinks, Answer::No), message(kDelete, Answer::Yes),
          message(kRefused)}, {"10|PX", "20|PX", "30|PX", "40|"}, true, caption, {"10", "30"}},
    };
    // An approved item of the project, or one with realizations, is never deleted with it: it stays, unlinked.
    {
        QList<Item> kept = items;
        kept[1].proced = u"licitatie"_s;
        kept[3].proiect = u"PX"_s;
        Window window(u"SEDIU"_s, kept);
        window.db().exec(u"INSERT INTO realiz (lei,idos,uidp) SELECT 5,9,uid FROM program WHERE lei=40"_s);
        RUN(window, {type(u"proiect"_s, u"PX"_s), click(u"Command7"_s), message(kOnlyLinks, Answer::No),
                     message(kDelete, Answer::Yes),
                     message(kDeleted + u"\n 2 pozitii aprobate sau cu realizari au fost pastrate in program, fara"
                                        " proiect. "_s),
                     expectRows(u"SELECT lei,proiect FROM program ORDER BY idp"_s, {"20|", "30|PX", "40|"})});
    }
    for (const auto &[road, rows, stillLoaded, shownCaption, grid] : cases) {
        Window window(u"SEDIU"_s, items);
        w = &window;
        // Picked: the project's items of every sub-unit.
        RUN(*w, {type(u"proiect"_s, QString()), choose(u"proiect"_s, u"PX"_s),
                expectText(u"DataGrid1Caption"_s, caption), doubleClickCell(kGrid, 0)});
        QCOMPARE(w->gridColumn(4), (QStringList{"10", "30"}));
        RUN(*w, Steps(road) << expectRows(u"SELECT lei,proiect FROM program ORDER BY idp"_s, rows)
                                 << expectText(u"DataGrid1Caption"_s, shownCaption)
                                 << expectText(u"Command2"_s, stillLoaded ? u"Modifica"_s : u"Salvare"_s));
        QCOMPARE(w->editing(), stillLoaded);
        QCOMPARE(w->gridColumn(4), grid);
    }
}

void TestProgramme::yearCopy()
{
    Window w(u"O.S. ARAD"_s, {{.start = u"15.03.2024"_s, .end = u"20.03.2024"_s, .lei = 10, .proced = u"licitatie"_s},
                              {.cod2 = 3111200, .start = u"01.12.2024"_s, .end = u"31.01.2025"_s, .lei = 20},
                              {.cod2 = 3111300, .start = u"29.02.2024"_s, .end = u"29.02.2024"_s, .lei = 30, .idos = 3},
                              {.start = u"10.05.2024"_s, .end = QString(), .lei = 35},
                              {.start = u"15.03.2023"_s, .lei = 40, .idos = 3}});
    w.db().exec(u"UPDATE program SET anunt='A1', realiz=5"_s);
    auto *anul = w.get<QListWidget>("anul");
    auto *menu = w.liste->findChild<QMenu *>();
    const auto rightClick = [&] {
        QTest::mouseClick(anul->viewport(), Qt::RightButton, {}, anul->visualItemRect(anul->item(0)).center());
    };
    rightClick();   // the current year: no menu
    QVERIFY(!menu->isVisible());
    // A year without items of this sub-unit has nothing to copy: nothing is asked or deleted. The right button
    // does not change the year: the questions name the year clicked before it.
    const Steps copy{call(rightClick), call([&] { QVERIFY(menu->isVisible()); menu->hide(); }), click(u"mnucopi"_s)};
    RUN(w, Steps{clickCell(u"anul"_s, 3)} + copy << message(u" Anul 2023 nu are achizitii de copiat. "_s)
                                                      << expectRows(kCount, {"5"}) << clickCell(u"anul"_s, 2));
    const QString dates = u"SELECT datainc1,datainc2,datafin1,datafin2,ifnull(proced,'')||ifnull(anunt,'')||"
                          "ifnull(realiz,'') FROM program WHERE datainc2>='20260101' ORDER BY lei"_s;
    const QString done = u" Datele din anul 2024 au fost copiate in anul 2026"_s;
    // Into an empty year: one question. The copies are proposals of this year.
    const Steps asked{message(kCopy.arg(2024), Answer::Yes)};
    RUN(w, copy + asked << message(done) << expectRows(dates, {"15.03.2026|20260315|20.03.2026|20260320|",
                                                              "01.12.2026|20261201|31.01.2027|20270131|",
                                                              "28.02.2026|20260228|28.02.2026|20260228|",
                                                              "10.05.2026|20260510|2026|2026|"}));
    // Into a filled year: the second question counts what goes.
    w.addItem({.start = u"05.05.2026"_s, .lei = 99, .proced = u"licitatie"_s});
    const QStringList all = queryRows(w.db(), kRows);
    // No keeps everything; so does the engine refusing the second copied row.
    RUN(w, copy + asked << message(kOverwrite.arg(2024).arg(5).arg(1), Answer::No) << expectRows(kRows, all)
                       << call([&] { w.db().exec(kRefuse.arg(u"INSERT"_s, u"NEW"_s)); }) << copy << asked
                       << message(kOverwrite.arg(2024).arg(5).arg(1), Answer::Yes) << message(kRefused)
                       << expectRows(kRows, all) << call([&] { w.db().exec(u"DROP TRIGGER tINSERT"_s); })
                       // An item with realizations stays: its invoices would belong to none.
                       << call([&] { w.db().exec(u"INSERT INTO realiz (lei,idos,uidp) SELECT 5,9,uid FROM program"
                                                 " WHERE lei=99"_s); })
                       << copy << asked
                       << message(QString(kOverwrite.arg(2024).arg(4).arg(0))
                                      .replace(u"\n Continuati"_s, u"\n Raman 1 pozitii care au realizari. \n Continuati"_s),
                                  Answer::Yes)
                       << message(done)
                       << expectRows(u"SELECT lei FROM program WHERE datainc2>='20260101' ORDER BY lei"_s,
                                     {"10", "20", "30", "35", "99"}));
}

QTEST_MAIN(TestProgramme)
#include "test_programme.moc"
