// The programme window: editor and save, grid and deletion, projects and the
// year copy, driven through the named controls; the rules beneath them
// (field formats, save checks, date shifting) tested directly.

#include "fakes.h"
#include "catalogue/browser.h"
#include "programme/itemchecks.h"
#include "programme/liste.h"
#include "programme/yearcopy.h"
#include "store/database.h"
#include "store/querymodel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

struct Window : Env {
    explicit Window(const QString &numeos = u"O.S. ARAD"_s, const QList<Item> &items = {},
                    QDate today = QDate(2026, 3, 15))
        : Env(numeos, today)
    {
        db().exec(u"INSERT INTO cpv (cod,den,fel,cod2) VALUES('30192120-COD INVALID','Produse pentru scris',1,30192120)"_s);
        for (const Item &i : items)
            addItem(i);
        liste = std::make_unique<Liste>(*ctx);
        activate(liste.get());
    }
    template <typename T> T *get(const char *name) const { return liste->findChild<T *>(QLatin1String(name)); }
    QLineEdit *line(const char *name) const { return get<QLineEdit>(name); }
    QPushButton *button(const char *name) const { return get<QPushButton>(name); }
    QListWidget *list(int level) const { return liste->findChild<QListWidget *>(u"list%1"_s.arg(level)); }
    QTableView *grid() const { return get<QTableView>("DataGrid1"); }
    QueryTableModel *model() const { return liste->gridModel(); }
    // Types into a field as a user does, then leaves it by Tab.
    void type(QWidget *field, const QString &text)
    {
        field->setFocus(Qt::MouseFocusReason);
        if (auto *e = qobject_cast<QLineEdit *>(field))
            e->clear();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Tab);
    }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton); }
    void clickRow(QListWidget *l, int row)
    {
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
    }
    void clickHeader(int section)
    {
        QHeaderView *h = grid()->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(section) + 5, 5));
    }
    // A complete goods item, set as the boxes show it after their checks.
    void fillItem(const QString &detal = u"BIROU"_s, const QString &lei = u"1500"_s)
    {
        const QStringList texts{lei, u"0"_s, u"01"_s, u"03"_s, u"30"_s, u"06"_s, detal, u"POP ION"_s};
        int i = 0;
        for (const char *f : {"vallei", "valeuro", "zi1", "luna1", "zi2", "luna2", "detal", "resp"})
            line(f)->setText(texts.at(i++));
    }
    void searchCode(const QString &code) { liste->browser()->searchCode(code); }
    void save() { click(button("Command2")); }
    void doubleClickRow(int row)
    {
        const QPoint at = grid()->visualRect(model()->index(row, 0)).center();
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, at);
    }
    QStringList gridColumn(int c) const
    {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r)
            out << model()->text(r, c);
        return out;
    }
    qint64 items(const QString &where = u"1"_s) { return count(u"program WHERE "_s + where); }
    QWidget *focus() const { return QApplication::focusWidget(); }

    std::unique_ptr<Liste> liste;
};

} // namespace

class TestProgramme : public QObject {
    Q_OBJECT
private slots:
    void fieldFormats_data();
    void fieldFormats();
    void saveChecksRunInOrder();
    void shiftedDates_data();
    void shiftedDates();

    void loadFollowsClockAndSubunit();
    void optionsActOnEveryClick();
    void fieldsCheckedWhenLeft();
    void saveRefusesInOrderAndMovesTheFocus();
    void saveWritesTheItemAndResetsTheEditor();
    void duplicatesAreAskedAbout();
    void editingUpdatesWithoutAsking();
    void gridQueriesAndSorting();
    void doubleClickLoadsAndPositions();
    void deletionReadsTheLoadedItem();
    void editsInsideTheGrid();
    void projectField();
    void projectPickAndDeletion();
    void yearCopy();
    void manyRowChangesAreAllOrNothing();
};

void TestProgramme::fieldFormats_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("whole");
    QTest::addColumn<QString>("twoDigits");
    QTest::addColumn<bool>("dayRefused");
    QTest::addColumn<bool>("monthRefused");
    QTest::newRow("decimal rounds") << "12.6" << "13" << "13" << false << true;
    QTest::newRow("one digit") << "7" << "7" << "07" << false << false;
    QTest::newRow("zeros pass here") << "00" << "0" << "00" << false << false;
    QTest::newRow("empty stays") << "" << "" << "" << false << false;
    QTest::newRow("not a number stays") << "abc" << "abc" << "abc" << false << false;
    QTest::newRow("day 32") << "32" << "32" << "32" << true << true;
    QTest::newRow("day 31") << "31" << "31" << "31" << false << true;
    QTest::newRow("month 13") << "13" << "13" << "13" << false << true;
    QTest::newRow("negative") << "-1" << "-1" << "-01" << true << true;
}

void TestProgramme::fieldFormats()
{
    QFETCH(QString, typed);
    QFETCH(QString, whole);
    QFETCH(QString, twoDigits);
    QFETCH(bool, dayRefused);
    QFETCH(bool, monthRefused);
    QCOMPARE(formatWhole(typed), whole);
    QCOMPARE(formatTwoDigits(typed), twoDigits);
    QCOMPARE(dayRefusal(twoDigits).isEmpty(), !dayRefused);
    QCOMPARE(monthRefusal(twoDigits).isEmpty(), !monthRefused);
}

void TestProgramme::saveChecksRunInOrder()
{
    using F = ItemField;
    const struct {
        std::function<void(ItemForm &)> change;
        const char *message;   // nullptr: the form passes
        ItemField focus;
    } cases[] = {
        {[](ItemForm &f) { f.level2HasEntries = false; }, "Selectati pana la cel putin lista de gradul II ", F::None},
        {[](ItemForm &f) { f.proiect = u"P"_s; },
         " Toate achizitiile in cadrul unui proiect se fac din fonduri de cercetare ! ", F::None},
        {[](ItemForm &f) { f.fondRow = 1; },
         " Toate achizitiile din fonduri de cercetare se fac in cadrul unui proiect ! ", F::Proiect},
        {[](ItemForm &f) { f.vallei = u"abc"_s; }, " Specificati valoarea in lei a achizitiei ! ", F::Vallei},
        {[](ItemForm &f) { f.zi1 = u"00"_s; }, " Specificati ziua inceperii procedurii de achizitie ! ", F::Zi1},
        {[](ItemForm &f) { f.luna1.clear(); }, " Specificati luna inceperii procedurii de achizitie ! ", F::Luna1},
        {[](ItemForm &f) { f.an1.clear(); }, " Specificati anul inceperii procedurii de achizitie ! ", F::An1},
        {[](ItemForm &f) { f.zi2 = u"0"_s; }, " Specificati ziua finalizarii procedurii de achizitie ! ", F::Zi2},
        {[](ItemForm &f) { f.luna2 = u"00"_s; }, " Specificati luna finalizarii procedurii de achizitie ! ", F::Luna2},
        {[](ItemForm &f) { f.an2.clear(); }, " Specificati anul finalizarii procedurii de achizitie ! ", F::An2},
        {[](ItemForm &f) { f.zi2 = u"14"_s, f.luna2 = u"03"_s; },
         " Data finalizarii procedurii nu poate mai mica decat data inceperii ! ", F::Luna2},
        {[](ItemForm &f) { f.detal.clear(); }, " Specificati detalii ale acestei achizitii ! ", F::Detal},
        {[](ItemForm &f) { f.detal.clear(), f.works = true; }, " Specificati obiectivul unde va fi efectuata lucrarea ! ",
         F::Detal},
        {[](ItemForm &f) { f.resp.clear(); }, " Specificati persoana responsabila de contractul acestei achizitii ! ",
         F::Resp},
        // Two faults: the earlier check speaks; the field checks come first of all.
        {[](ItemForm &f) { f.vallei = u"0"_s, f.zi1 = u"00"_s; }, " Specificati valoarea in lei a achizitiei ! ", F::Vallei},
        {[](ItemForm &f) { f.zi1 = u"32"_s, f.vallei = u"0"_s; }, " Nu exista aceasta zi ! ", F::Zi1},
        {[](ItemForm &f) { f.detal = u"O'NEIL"_s; }, " Nu se accepta caracterul apostrof ( ' ) ", F::Detal},
        {[](ItemForm &f) { f.zi2 = u"15"_s, f.luna2 = u"03"_s; }, nullptr, F::None},   // same day
        {[](ItemForm &f) { f.valeuro.clear(); }, nullptr, F::None},
    };
    for (const auto &c : cases) {
        ItemForm form;
        form.level2HasEntries = true;
        form.fondRow = 0;
        form.vallei = u"1500"_s;
        form.zi1 = u"15"_s, form.luna1 = u"03"_s, form.an1 = u"2026"_s;
        form.zi2 = u"30"_s, form.luna2 = u"06"_s, form.an2 = u"2026"_s;
        form.detal = u"BIROU"_s, form.resp = u"POP"_s;
        c.change(form);
        std::optional<Refusal> r = checkFields(form);
        if (!r)
            r = checkItem(form);
        QCOMPARE(r ? r->message : QString(), QString::fromUtf8(c.message));
        QCOMPARE(r ? r->focus : F::None, c.focus);
        QCOMPARE(r && r->chooseResearchFunds, !form.proiect.isEmpty() && form.fondRow != 1);
    }
}

void TestProgramme::shiftedDates_data()
{
    QTest::addColumn<QStringList>("source");
    QTest::addColumn<QStringList>("copied");
    QTest::newRow("same year") << QStringList{"15.03.2024", "20240315", "30.06.2024", "20240630"}
                               << QStringList{"15.03.2026", "20260315", "30.06.2026", "20260630"};
    QTest::newRow("ends the next year") << QStringList{"01.12.2024", "20241201", "31.01.2025", "20250131"}
                                        << QStringList{"01.12.2026", "20261201", "31.01.2027", "20270131"};
    QTest::newRow("29 February into a common year") << QStringList{"29.02.2024", "20240229", "29.02.2024", "20240229"}
                                                    << QStringList{"28.02.2026", "20260228", "28.02.2026", "20260228"};
    QTest::newRow("not a date") << QStringList{"15.03.2024", "20240315", "", ""}
                                << QStringList{"15.03.2026", "20260315", "2026", "2026"};
}

void TestProgramme::shiftedDates()
{
    QFETCH(QStringList, source);
    QFETCH(QStringList, copied);
    const ItemDates out = shiftDates({source[0], source[1], source[2], source[3]}, 2024, 2026);
    QCOMPARE((QStringList{out.datainc1, out.datainc2, out.datafin1, out.datafin2}), copied);
}

void TestProgramme::loadFollowsClockAndSubunit()
{
    for (const auto &[today, anul, last] : {std::tuple{QDate(2026, 10, 15), "2027", "2027"},
                                            std::tuple{QDate(2026, 9, 30), "2026", "2015"}}) {
        Window w(u"SEDIU"_s, {}, today);
        QCOMPARE(w.get<QListWidget>("anul")->currentItem()->text(), QLatin1String(anul));
        QCOMPARE(w.get<QListWidget>("anul")->item(w.get<QListWidget>("anul")->count() - 1)->text(), u"2015"_s);
        auto *an1 = w.get<QComboBox>("an1");
        QCOMPARE(an1->currentText(), u"2026"_s);
        QCOMPARE(w.get<QComboBox>("an2")->currentText(), u"2026"_s);
        QCOMPARE(an1->itemText(an1->count() - 1), QLatin1String(last));
        QCOMPARE(w.liste->datamin() + w.liste->datamax(), anul + u"0101"_s + anul + u"1231"_s);
    }
    for (const auto &[name, activity, fund] : {std::tuple{"O.S. ARAD", "productie", "proprii"},
                                               {"B.E. VORIDA", "cercetare", "cercetare"},
                                               {"B.E. MIHAESTI", "productie", "proprii"},
                                               {"SEDIU", "cercetare", "cercetare"}}) {
        Window w{QLatin1String(name)};
        QCOMPARE(w.liste->activ(), QLatin1String(activity));
        QCOMPARE(w.get<QListWidget>("fond")->currentItem()->text(), QLatin1String(fund));
        QVERIFY(w.get<QRadioButton>("prod")->isChecked());
        QVERIFY(w.button("Command3")->isHidden() && w.button("Command4")->isHidden());
        QCOMPARE(w.button("Command2")->text(), u"Salvare"_s);
    }
    // The people already used, every sub-unit's.
    Window w(u"O.S. ARAD"_s, {{.resp = u"ION"_s}, {.start = u"01.03.2025"_s, .idos = 3, .resp = u"ION"_s}});
    QCOMPARE(w.get<QListWidget>("listp")->count(), 1);
    w.clickRow(w.get<QListWidget>("listp"), 0);
    QCOMPARE(w.line("resp")->text(), u"ION"_s);
    // Escape leaves the editor's work where it is.
    QTest::keyClick(w.line("detal"), Qt::Key_Escape);
    QVERIFY(w.liste->isVisible());
}

void TestProgramme::optionsActOnEveryClick()
{
    Window w;
    auto *fond = w.get<QListWidget>("fond");
    auto *proiect = w.get<QComboBox>("proiect");
    auto *act1 = w.get<QRadioButton>("act1");
    w.click(act1);
    QCOMPARE(w.liste->activ(), u"cercetare"_s);
    QVERIFY(proiect->isEnabled() && w.button("Command7")->isEnabled());
    // The chosen activity clicked again resets the funds and empties the project.
    fond->setCurrentRow(3);
    proiect->setEditText(u"PROIECT"_s);
    w.click(act1);
    QCOMPARE(fond->currentRow(), 1);
    QVERIFY(proiect->currentText().isEmpty());
    w.click(w.get<QRadioButton>("act3"));
    QVERIFY(!proiect->isEnabled() && !w.button("Command7")->isEnabled());
    QCOMPARE(fond->currentRow(), 0);

    // The chosen kind clicked again refills list I and cascades from its first entry.
    w.searchCode(u"03212211"_s);
    QVERIFY(w.list(7)->count() > 0);
    w.click(w.get<QRadioButton>("prod"));
    QCOMPARE(w.list(1)->currentRow(), 0);
    QCOMPARE(w.list(2)->currentItem()->text(), w.db().query(u"SELECT den FROM cpv WHERE cod2=3100000"_s).text(0, u"den"_s));

    // A click on the entry already current in a level list goes deeper.
    w.searchCode(u"03111000"_s);
    QCOMPARE(w.list(5)->count(), 0);
    w.clickRow(w.list(4), w.list(4)->currentRow());
    QVERIFY(w.list(5)->count() > 0);
    QCOMPARE(w.list(5)->currentRow(), 0);
    // A double-click on it still ends the lists there.
    QTest::mouseDClick(w.list(4)->viewport(), Qt::LeftButton, {},
                       w.list(4)->visualItemRect(w.list(4)->currentItem()).center());
    QCOMPARE(w.list(5)->count(), 0);

    // Tooltips follow the current entry; an emptied list has none.
    w.list(4)->setToolTip(u"vechi"_s);
    w.searchCode(u"03111100"_s);
    QVERIFY(w.list(4)->toolTip().startsWith(w.liste->browser()->coduri(4).at(w.list(4)->currentRow())));
    QVERIFY(w.list(6)->toolTip().isEmpty());
    w.searchCode(u"03200000"_s);
    QVERIFY(w.list(5)->toolTip().isEmpty());
}

void TestProgramme::fieldsCheckedWhenLeft()
{
    Window w;
    const struct {
        const char *field, *typed, *shown, *message;
    } cases[] = {
        {"zi1", "32", "32", " Nu exista aceasta zi ! "},
        {"zi1", "5", "05", nullptr},
        {"zi1", "00", "00", nullptr},
        {"zi1", "", "", nullptr},
        {"luna1", "13", "13", " Nu exista aceasta luna ! "},
        {"luna1", "7", "07", nullptr},
        {"zi2", "40", "40", " Nu exista aceasta zi ! "},
        {"luna2", "2", "02", nullptr},
        {"vallei", "12.6", "13", nullptr},
        {"vallei", "abc", "abc", nullptr},
        {"valeuro", "99.4", "99", nullptr},
        {"resp", "pop o'neil", "POP O'NEIL", " Nu se accepta caracterul apostrof ( ' ) "},
        {"detal", "birou", "BIROU", nullptr},
    };
    for (const auto &c : cases) {
        w.messages.shown.clear();
        QLineEdit *f = w.line(c.field);
        w.type(f, QLatin1String(c.typed));
        QCOMPARE(f->text(), QLatin1String(c.shown));
        QCOMPARE(w.messages.texts(), c.message ? QStringList{QLatin1String(c.message)} : QStringList());
        QCOMPARE(w.focus() == f, c.message != nullptr);   // a refused field gets the focus back
        if (c.message)
            f->clear();
    }
    // The arrows move between the value and the date boxes.
    for (const auto &[from, key, to] : {std::tuple{"vallei", Qt::Key_Right, "zi1"}, {"zi1", Qt::Key_Right, "luna1"},
                                        {"luna1", Qt::Key_Left, "zi1"}, {"zi1", Qt::Key_Left, "vallei"},
                                        {"zi2", Qt::Key_Right, "luna2"}, {"luna2", Qt::Key_Left, "zi2"},
                                        {"zi2", Qt::Key_Left, "vallei"}}) {
        w.line(from)->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(w.line(from), key);
        QCOMPARE(w.focus(), w.line(to));
    }
    // A wrong day left by a click straight on "Salvare" is said once and never saved.
    w.messages.shown.clear();
    w.searchCode(u"03111100"_s);
    w.fillItem();
    w.line("zi1")->setFocus(Qt::MouseFocusReason);
    w.line("zi1")->setText(u"32"_s);
    w.save();
    QCOMPARE(w.messages.texts(), QStringList{u" Nu exista aceasta zi ! "_s});
    QCOMPARE(w.items(), 0);
}

void TestProgramme::saveRefusesInOrderAndMovesTheFocus()
{
    Window w(u"SEDIU"_s);   // research and its funds by default
    w.save();
    QCOMPARE(w.messages.last(), u" Toate achizitiile din fonduri de cercetare se fac in cadrul unui proiect ! "_s);
    QCOMPARE(w.focus(), w.get<QComboBox>("proiect"));
    w.get<QListWidget>("fond")->setCurrentRow(0);
    w.get<QComboBox>("proiect")->setEditText(u"PROIECT A"_s);
    w.save();
    QCOMPARE(w.get<QListWidget>("fond")->currentRow(), 1);   // moved to research funds
    w.line("vallei")->setText(u"0"_s);
    w.save();   // the second press goes further
    QCOMPARE(w.messages.last(), u" Specificati valoarea in lei a achizitiei ! "_s);
    QCOMPARE(w.focus(), w.line("vallei"));
    w.fillItem();
    w.line("zi2")->setText(u"28"_s);
    w.line("luna2")->setText(u"02"_s);
    w.save();
    QCOMPARE(w.focus(), w.line("luna2"));
    // Nothing chosen at level I: list II is empty.
    w.click(w.get<QRadioButton>("lucr"));
    w.list(2)->clear();
    w.save();
    QCOMPARE(w.messages.last(), u"Selectati pana la cel putin lista de gradul II "_s);
    // The utility entry is no code to save.
    w.fillItem();
    w.searchCode(u"30192120"_s);
    w.save();
    QCOMPARE(w.messages.last(), u" Acest cod nu este un cod CPV ci este doar un utilitar ! "_s);
    QCOMPARE(w.items(), 0);
}

void TestProgramme::saveWritesTheItemAndResetsTheEditor()
{
    Window w;   // O.S.: production and own funds
    w.searchCode(u"03111100"_s);
    w.fillItem();
    w.line("valeuro")->setText(u"300"_s);
    w.save();
    QCOMPARE(w.messages.texts(), QStringList{u" Datele au fost salvate "_s});
    const ResultSet rs = w.db().query(u"SELECT id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,detal,fond,"
                                      "idos,proced,proiect FROM program"_s);
    QCOMPARE(rs.count(), 1);
    QStringList got;
    for (int c = 0; c < rs.columns().size(); ++c)
        got << rs.text(0, rs.columns().at(c));
    QCOMPARE(got, (QStringList{QString::number(w.cpvId(3111100)), "productie", "1500", "300", "01.03.2026", "20260301",
                               "30.06.2026", "20260630", "POP ION", "BIROU", "proprii", "9", "", ""}));
    // The editor is ready for the next item; what may repeat stays.
    QCOMPARE(w.button("Command2")->text(), u"Salveaza"_s);
    QCOMPARE(w.line("vallei")->text(), u"0"_s);
    QVERIFY(w.line("detal")->text().isEmpty() && w.line("resp")->text().isEmpty());
    QCOMPARE(w.line("valeuro")->text() + w.line("zi2")->text(), u"30030"_s);
    QCOMPARE(w.liste->idpsel(), 0);
    QCOMPARE(w.get<QListWidget>("listp")->currentItem()->text(), u"POP ION"_s);
    QCOMPARE(w.grid()->currentIndex().row(), 0);
    // A second item becomes the grid's last and current row; the entry goes by
    // its code, not its name, which 14522000 shares.
    w.searchCode(u"14522200"_s);
    w.fillItem(u"ALTUL"_s);
    w.save();
    QCOMPARE(w.model()->rowCount(), 2);
    QCOMPARE(w.grid()->currentIndex().row(), 1);
    QCOMPARE(w.items(u"id="_s + QString::number(w.cpvId(14522200))), 1);
    // A research item with its project, written trimmed and in upper case.
    w.click(w.get<QRadioButton>("act1"));
    w.get<QComboBox>("proiect")->setEditText(u"  proiect x "_s);
    w.fillItem(u"PROBE"_s);
    w.save();
    QCOMPARE(w.items(u"proiect='PROIECT X' and fond='cercetare' and activit='cercetare'"_s), 1);
}

void TestProgramme::duplicatesAreAskedAbout()
{
    Window w(u"O.S. ARAD"_s, {{.start = u"10.01.2026"_s, .lei = 50}});
    w.searchCode(u"03111100"_s);
    w.fillItem(u"ALT DETALIU"_s);
    w.save();   // No
    QCOMPARE(w.messages.texts(), QStringList{u" Codul CPV "_s + QString::number(w.cpvId(3111100)) + u" - "_s
                                             + w.list(5)->currentItem()->text()
                                             + u" , este deja introdus pe anul 2026 la fonduri proprii\r\n"
                                               " Doriti scrierea peste vechile date ? "_s});
    QCOMPARE(w.items(), 1);
    QCOMPARE(w.line("detal")->text(), u"ALT DETALIU"_s);   // No keeps the editor as it was
    w.messages.answers = {true};
    w.save();
    QCOMPARE(w.items(u"lei=1500 and datainc2='20260301' and detal='ALT DETALIU'"_s), 1);
    QCOMPARE(w.items(), 1);
    // Other funds make another item.
    w.get<QListWidget>("fond")->setCurrentRow(2);
    w.fillItem();
    w.save();
    QCOMPARE(w.items(), 2);
    // Works: the details decide.
    w.searchCode(u"45111000"_s);
    for (const QString &detal : {u"CANTON 1"_s, u"CANTON 2"_s, u"CANTON 1"_s}) {
        w.fillItem(detal);
        w.save();
    }
    QCOMPARE(w.items(u"detal LIKE 'CANTON%'"_s), 2);
    QVERIFY(w.messages.last().contains(u" la obiectivul ,,CANTON 1,,\r\n"_s));
}

void TestProgramme::editingUpdatesWithoutAsking()
{
    Window w(u"O.S. ARAD"_s, {{.start = u"10.01.2026"_s, .lei = 50}, {.cod2 = 3111200, .start = u"10.02.2026"_s, .lei = 60}});
    w.clickHeader(4);   // LEI, descending
    QCOMPARE(w.gridColumn(4), (QStringList{"60", "50"}));
    w.doubleClickRow(1);
    QCOMPARE(w.button("Command2")->text(), u"Modifica"_s);
    // Made equal to the other item: still no question.
    w.searchCode(u"03111200"_s);
    w.line("vallei")->setText(u"70"_s);
    w.save();
    QCOMPARE(w.messages.texts(), QStringList{u" Datele au fost salvate "_s});
    QCOMPARE(w.items(u"id="_s + QString::number(w.cpvId(3111200))), 2);
    QCOMPARE(w.items(u"lei=70 and datainc2='20260110'"_s), 1);
    // The sort stays and the edited row's position is current again.
    QCOMPARE(w.gridColumn(4), (QStringList{"70", "60"}));
    QCOMPARE(w.grid()->currentIndex().row(), 1);
}

void TestProgramme::gridQueriesAndSorting()
{
    Window w(u"O.S. ARAD"_s, {{.start = u"10.01.2026"_s, .end = u"20.01.2026"_s, .lei = 50},
                              {.cod2 = 3000000, .start = u"10.12.2026"_s, .end = u"20.01.2027"_s, .lei = 80,
                               .fond = u"bugetare"_s},
                              {.cod2 = 3111200, .start = u"10.02.2026"_s, .end = u"20.02.2026"_s, .lei = 60, .idos = 3,
                               .fond = u"accesibilizare"_s},
                              {.start = u"10.02.2025"_s, .end = u"20.02.2025"_s, .lei = 70}});
    QCOMPARE(w.model()->headerData(1, Qt::Horizontal).toString(), u"0biectul contractului/acordului cadru"_s);
    QCOMPARE(w.model()->columnCount(), 15);
    QVERIFY(w.grid()->isColumnHidden(10) && w.grid()->isColumnHidden(11));
    QCOMPARE(w.grid()->toolTip(), u"DubluClick pe inregistrarea de modificat sau de sters"_s);
    // The year: every sub-unit's items starting in it, the one ending next year too.
    QCOMPARE(w.gridColumn(4), (QStringList{"50", "80", "60"}));
    w.clickHeader(3);   // "Sursa": also leaves out the item ending next year
    QCOMPARE(w.gridColumn(3), (QStringList{"accesibilizare", "proprii"}));
    QVERIFY(w.liste->toggles().ordfond);
    w.clickHeader(3);
    QCOMPARE(w.gridColumn(4), (QStringList{"50", "60"}));
    QVERIFY(!w.liste->toggles().ordfond);
    w.clickHeader(2);   // "Activitatea" does nothing
    QCOMPARE(w.gridColumn(4), (QStringList{"50", "60"}));
    w.clickHeader(0);
    w.clickHeader(4);   // toggles add up; the last click decides the order
    QVERIFY(w.liste->toggles().ordcod && w.liste->toggles().ordlei);
    QCOMPARE(w.gridColumn(4), (QStringList{"60", "50"}));
    // Another year; the toggles stay.
    w.clickRow(w.get<QListWidget>("anul"), 1);
    QCOMPARE(w.gridColumn(4), QStringList{"70"});
    QVERIFY(w.liste->toggles().ordlei);
}

void TestProgramme::doubleClickLoadsAndPositions()
{
    Window w(u"O.S. ARAD"_s, {{.cod2 = 3111000, .start = u"05.04.2026"_s, .end = u"30.09.2027"_s, .lei = 1234,
                               .fond = u"bugetare"_s, .activit = u"proiectare"_s, .resp = u"VASILE"_s, .detal = u"CAMP"_s}});
    w.click(w.get<QRadioButton>("lucr"));
    w.doubleClickRow(0);
    QCOMPARE(w.liste->idpsel(), w.db().query(u"SELECT idp FROM program"_s).integer(0, u"idp"_s));
    QVERIFY(w.get<QRadioButton>("act2")->isChecked() && w.get<QRadioButton>("prod")->isChecked());
    QCOMPARE(w.get<QListWidget>("fond")->currentItem()->text(), u"bugetare"_s);
    QCOMPARE((QStringList{w.line("vallei")->text(), w.line("zi1")->text(), w.line("luna1")->text(),
                          w.get<QComboBox>("an1")->currentText(), w.line("zi2")->text(), w.line("luna2")->text(),
                          w.get<QComboBox>("an2")->currentText(), w.line("resp")->text(), w.line("detal")->text()}),
             (QStringList{"1234", "05", "04", "2026", "30", "09", "2027", "VASILE", "CAMP"}));
    // A level-IV entry: its path selected, the lists below it empty.
    const qint64 path[] = {3000000, 3100000, 3110000, 3111000};
    for (int l = 1; l <= 4; ++l)
        QCOMPARE(w.list(l)->currentItem()->text(),
                 w.db().query(u"SELECT den FROM cpv WHERE cod2=?"_s, {path[l - 1]}).text(0, u"den"_s));
    for (int l = 5; l <= 7; ++l)
        QCOMPARE(w.list(l)->count(), 0);
    QVERIFY(w.button("Command3")->isVisible() && w.button("Command4")->isVisible());
    // "Inregistrare noua" keeps what may repeat.
    w.click(w.button("Command4"));
    QCOMPARE(w.liste->idpsel(), 0);
    QCOMPARE(w.button("Command2")->text(), u"Salvare"_s);
    QVERIFY(w.button("Command3")->isHidden() && w.button("Command4")->isHidden());
    QCOMPARE(w.line("vallei")->text() + w.line("valeuro")->text(), u"00"_s);
    QVERIFY(w.line("detal")->text().isEmpty());
    QCOMPARE(w.line("resp")->text(), u"VASILE"_s);
    QCOMPARE(w.get<QComboBox>("an2")->currentText(), u"2027"_s);
}

void TestProgramme::deletionReadsTheLoadedItem()
{
    Window w(u"O.S. ARAD"_s, {{.start = u"10.01.2026"_s, .lei = 50, .proced = u"licitatie"_s},
                              {.cod2 = 3111200, .start = u"10.02.2026"_s, .lei = 60}});
    const QString cod = w.model()->text(0, 0);
    // The approved item loaded, another row clicked: the loaded one is refused.
    w.doubleClickRow(0);
    QTest::mouseClick(w.grid()->viewport(), Qt::LeftButton, {}, w.grid()->visualRect(w.model()->index(1, 0)).center());
    w.click(w.button("Command3"));
    QCOMPARE(w.messages.texts(), QStringList{u" La produsul cu codul CPV : "_s + cod
                                             + u", LEI : 50 a fost stabilita procedura de achizitie si nu mai poate fi"
                                               " stears de dvs. ! "_s});
    QCOMPARE(w.items(), 2);
    // A proposal: asked first, No keeps it.
    w.messages.shown.clear();
    w.doubleClickRow(1);
    w.click(w.button("Command3"));
    QCOMPARE(w.messages.shown.size(), 1);
    QCOMPARE(w.messages.shown.first().title, u"Confirmare stergere inregistrare selectata"_s);
    QCOMPARE(w.messages.last(),
             u" Sigur doriti stergerea inregistrarii selectate ? \n Cod CPV : "_s + w.model()->text(1, 0) + u", LEI : 60"_s);
    QCOMPARE(w.items(), 2);
    w.messages.answers = {true};
    w.click(w.button("Command3"));
    QCOMPARE(w.messages.last(), u" Stergerea a fost executata "_s);
    QCOMPARE(w.items(u"proced='licitatie'"_s), 1);
    QCOMPARE(w.items(), 1);
    QCOMPARE(w.model()->rowCount(), 1);
    QCOMPARE(w.liste->idpsel(), 0);
    QCOMPARE(w.line("zi1")->text(), u"00"_s);
    QCOMPARE(w.button("Command2")->text(), u"Salvare"_s);
    QVERIFY(w.button("Command3")->isHidden());
}

void TestProgramme::editsInsideTheGrid()
{
    Window w(u"O.S. ARAD"_s, {{.start = u"10.01.2026"_s, .lei = 50, .proced = u"licitatie"_s},
                              {.cod2 = 3111200, .start = u"10.02.2026"_s, .lei = 60, .resp = u"pop ion"_s}});
    QueryTableModel *m = w.model();
    QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!m->setData(m->index(1, 4), u"0"_s));
    QCOMPARE(w.messages.last(), u" Data invalida ! "_s);
    // An edit is written at once; the row's person becomes upper case.
    QVERIFY(m->setData(m->index(1, 4), u"75.5"_s));
    QCOMPARE(w.items(u"lei=75.5 and resp='POP ION'"_s), 1);
    // Typed into the cell as a user does.
    w.grid()->setCurrentIndex(m->index(1, 9));
    QTest::keyClick(w.grid(), Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, u"Gard nou"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(w.items(u"detal='Gard nou'"_s), 1);   // the commit is queued
    // The Delete key: approved refused, a proposal asked about.
    w.messages.shown.clear();
    w.grid()->setCurrentIndex(m->index(0, 0));
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    QCOMPARE(w.messages.texts(), QStringList{u" Aceasta achizitie a fost aprobata si nu poate fi stersa ! "_s});
    w.grid()->setCurrentIndex(m->index(1, 0));
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    QCOMPARE(w.messages.shown.last().title, u"Confirmare stergere inregistrare selectata"_s);
    QCOMPARE(w.items(), 2);
    w.messages.answers = {true};
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    QCOMPARE(w.items(), 1);
    QCOMPARE(m->rowCount(), 1);
}

void TestProgramme::projectField()
{
    const Item research{.fond = u"cercetare"_s, .activit = u"cercetare"_s};
    Item p2026 = research, p2025 = research, other = research, design = research;
    p2026.proiect = u"P2026"_s;
    p2025.proiect = u"P2025"_s, p2025.start = u"10.01.2025"_s;
    other.proiect = u"PALT"_s, other.idos = 3;
    design.proiect = u"PPROIECTARE"_s, design.activit = u"proiectare"_s;
    Window w(u"SEDIU"_s, {p2026, p2025, other, design});
    auto *proiect = w.get<QComboBox>("proiect");
    // Typing 51 characters: one message, the first 50 kept.
    proiect->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(proiect, QString(51, QLatin1Char('x')));
    QCOMPARE(w.messages.texts(), QStringList{u" Numarul maxim de caractere este 50 !!! "_s});
    QCOMPARE(proiect->currentText(), QString(50, QLatin1Char('x')));
    // Leaving the box: upper case without the blanks around; no apostrophe.
    for (const auto &[typed, shown] : {std::pair{u"  proiect nou "_s, u"PROIECT NOU"_s}, {u"d'ana"_s, u"D'ANA"_s}}) {
        proiect->setEditText(QString());
        w.type(proiect, typed);
        QCOMPARE(proiect->currentText(), shown);
    }
    QCOMPARE(w.messages.last(), u" Nu se accepta caracterul apostrof ( ' ) "_s);
    QCOMPARE(w.focus(), proiect);
    // The list offers this year's projects of the activity and sub-unit; the typed text stays.
    proiect->setEditText(u"TASTAT"_s);
    w.line("detal")->setFocus(Qt::MouseFocusReason);
    proiect->setFocus(Qt::MouseFocusReason);
    QCOMPARE(proiect->count(), 1);
    QCOMPARE(proiect->itemText(0) + proiect->currentText(), u"P2026TASTAT"_s);
}

void TestProgramme::projectPickAndDeletion()
{
    QList<Item> items(4, Item{.proiect = u"PX"_s, .fond = u"cercetare"_s, .activit = u"cercetare"_s});
    items[0].lei = 10;
    items[1].lei = 20, items[1].start = u"10.01.2025"_s, items[1].activit = u"proiectare"_s;
    items[2].lei = 30, items[2].idos = 3;
    items[3] = Item{.lei = 40};
    {
        Window w(u"SEDIU"_s, items);
        auto *proiect = w.get<QComboBox>("proiect");
        proiect->setFocus(Qt::MouseFocusReason);
        QCOMPARE(proiect->count(), 1);
        QTest::keyClick(proiect, Qt::Key_Down);   // picks the first project
        QCOMPARE(w.get<QLabel>("DataGrid1Caption")->text(), u"Achizitii cuprinse in proiectul : PX"_s);
        QCOMPARE(w.gridColumn(4), (QStringList{"10", "30"}));   // every sub-unit, this activity
        // Yes, then No: nothing changes, the grid stays.
        w.messages.answers = {true, false};
        w.click(w.button("Command7"));
        QCOMPARE(w.messages.shown.at(0).title, u"Confirmare stergere proiecte"_s);
        QCOMPARE(w.messages.shown.at(1).text, u" Confirmati stergerea legaturilor la proiectul '' PX '' ? "_s);
        QCOMPARE(w.messages.shown.at(1).title, u"Confirmare stergere legaturi la proiecte"_s);
        QCOMPARE(w.items(u"proiect='PX'"_s), 3);
        QCOMPARE(w.gridColumn(4), (QStringList{"10", "30"}));
        // Yes, Yes: the sub-unit's items of every year keep their rows, without project.
        w.messages.answers = {true, true};
        w.click(w.button("Command7"));
        QCOMPARE(w.messages.last(),
                 u" Stergerea legaturilor la codurile CPV, pentru proiectul '' PX '', a fost executata "_s);
        QCOMPARE(w.items(u"proiect='PX'"_s), 1);   // the other sub-unit's
        QCOMPARE(w.items(), 4);
        QVERIFY(proiect->currentText().isEmpty());
        QCOMPARE(w.gridColumn(4), (QStringList{"10", "40"}));   // the sub-unit's items of the year
        w.click(w.button("Command7"));
        QCOMPARE(w.messages.last(), u" Selectati denumirea proiectului ! "_s);
    }
    Window w(u"SEDIU"_s, items);
    w.get<QComboBox>("proiect")->setEditText(u"PX"_s);
    w.messages.answers = {false, true};
    w.click(w.button("Command7"));
    QCOMPARE(w.messages.shown.at(1).text, u" Ati selectat stergerea proiectului '' PX '', impreuna cu codurile CPV"
                                          " aferente acestuia \r\n Confirmati aceasta ? "_s);
    QCOMPARE(w.messages.last(), u" Stergerea codurilor CPV aferente proiectului '' PX '' a fost executata "_s);
    QCOMPARE(w.items(), 2);
    QCOMPARE(w.items(u"proiect='PX' and idos=3"_s), 1);
}

void TestProgramme::yearCopy()
{
    Window w(u"O.S. ARAD"_s, {{.start = u"15.03.2024"_s, .end = u"20.03.2024"_s, .lei = 10, .proced = u"licitatie"_s},
                              {.cod2 = 3111200, .start = u"01.12.2024"_s, .end = u"31.01.2025"_s, .lei = 20},
                              {.cod2 = 3111300, .start = u"29.02.2024"_s, .end = u"29.02.2024"_s, .lei = 30, .idos = 3}});
    w.db().exec(u"UPDATE program SET anunt='A1', realiz=5"_s);
    auto *anul = w.get<QListWidget>("anul");
    auto *menu = w.liste->findChild<QMenu *>();
    QCOMPARE(menu->title(), u"Transfer"_s);
    QVERIFY(w.liste->findChild<QAction *>(u"mnutrans"_s));
    QAction *copy = w.liste->findChild<QAction *>(u"mnucopi"_s);
    QCOMPARE(copy->text(), u"Copiere in anul curent"_s);
    const auto rightClick = [&] {
        QTest::mouseClick(anul->viewport(), Qt::RightButton, {}, anul->visualItemRect(anul->item(0)).center());
    };
    rightClick();   // the current year: no menu
    QVERIFY(!menu->isVisible());
    w.clickRow(anul, 2);   // 2024
    rightClick();          // the right button does not change the year
    QCOMPARE(anul->currentRow(), 2);
    QVERIFY(menu->isVisible());
    menu->hide();
    // Into an empty year: one question.
    w.messages.answers = {true};
    copy->trigger();
    QCOMPARE(w.messages.texts(), (QStringList{u" Ati activat optiunea de copiere a datelor din anul 2024 in anul 2026 !"
                                              " \n Sigur aceasta doriti ? "_s,
                                              u" Datele din anul 2024 au fost copiate in anul 2026"_s}));
    const ResultSet copied = w.db().query(u"SELECT datainc1||'/'||datainc2||'/'||datafin1||'/'||datafin2 AS d FROM "
                                          "program WHERE datainc2>='20260101' ORDER BY lei"_s);
    QStringList dates;
    for (int r = 0; r < copied.count(); ++r)
        dates << copied.text(r, u"d"_s);
    QCOMPARE(dates, (QStringList{"15.03.2026/20260315/20.03.2026/20260320", "01.12.2026/20261201/31.01.2027/20270131",
                                 "28.02.2026/20260228/28.02.2026/20260228"}));
    QCOMPARE(w.items(u"datainc2>='20260101' and (proced<>'' or anunt<>'' or realiz IS NOT NULL)"_s), 0);
    QCOMPARE(w.items(u"datainc2>='20260101' and idos=3"_s), 1);
    QCOMPARE(w.model()->rowCount(), 3);   // the grid is not refreshed by the copy: it shows 2024 still
    // Into a filled year: two questions; No to the second keeps everything.
    w.messages.answers = {true, false};
    copy->trigger();
    QCOMPARE(w.messages.last(), u" Aveti deja date introduse in anul 2026 ! \n Datele din anul 2024 se vor suprascrie"
                                " peste cele din 2026.\n Continuati ? "_s);
    QCOMPARE(w.items(), 6);
    w.addItem({.start = u"05.05.2026"_s, .lei = 99});
    w.messages.answers = {true, true};
    copy->trigger();
    QCOMPARE(w.items(u"datainc2>='20260101'"_s), 3);
    QCOMPARE(w.items(u"lei=99"_s), 0);
}

void TestProgramme::manyRowChangesAreAllOrNothing()
{
    QList<Item> items(3, Item{.start = u"10.01.2024"_s, .proiect = u"PX"_s, .fond = u"cercetare"_s,
                              .activit = u"cercetare"_s});
    items[0].lei = 10, items[1].lei = 20, items[2].lei = 30, items[2].start = u"10.01.2026"_s;
    Window w(u"SEDIU"_s, items);
    // The engine refuses the second row of each change.
    w.db().execScript(
        u"CREATE TRIGGER no_copy BEFORE INSERT ON program WHEN NEW.lei=20 BEGIN SELECT RAISE(ABORT,'refuzat'); END;"
        "CREATE TRIGGER no_unlink BEFORE UPDATE ON program WHEN OLD.lei=20 BEGIN SELECT RAISE(ABORT,'refuzat'); END;"
        "CREATE TRIGGER no_delete BEFORE DELETE ON program WHEN OLD.lei=20 BEGIN SELECT RAISE(ABORT,'refuzat'); END;"_s);
    const QStringList before = tableDump(w.db(), u"program"_s);
    w.clickRow(w.get<QListWidget>("anul"), 2);
    w.messages.answers = {true, true};
    w.liste->findChild<QAction *>(u"mnucopi"_s)->trigger();
    for (const bool unlink : {true, false}) {
        w.get<QComboBox>("proiect")->setEditText(u"PX"_s);
        w.messages.answers = {unlink, true};
        w.click(w.button("Command7"));
    }
    QStringList errors;
    for (const ShownMessage &m : std::as_const(w.messages.shown))
        if (m.title == "Eroare"_L1)
            errors << m.text;
    QCOMPARE(errors, QStringList(3, u"Eroarea 19 refuzat"_s));
    QCOMPARE(tableDump(w.db(), u"program"_s), before);
}

QTEST_MAIN(TestProgramme)
#include "test_programme.moc"
