// The programme window: editor and save, grid and deletion, projects and the
// year copy, driven through the named controls; the rules beneath them
// (field formats, save checks, queries, date shifting) tested directly.

#include "fakes.h"
#include "catalogue/browser.h"
#include "programme/gridquery.h"
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

// One item row as the tests write it straight into the file.
struct Row {
    qint64 cod2;
    QString start, end;   // dd.mm.yyyy
    double lei = 100;
    QString fond = u"proprii"_s;
    QString proiect = QString();
    QString proced = QString();
    int idos = 9;
    QString activit = u"productie"_s;
    QString resp = u"ION"_s;
    QString detal = u"D"_s;
};

QString compareForm(const QString &d) { return d.mid(6, 4) + d.mid(3, 2) + d.mid(0, 2); }

struct Window {
    explicit Window(const QString &numeos = u"O.S. ARAD"_s, QDate today = QDate(2026, 3, 15),
                    const QList<Row> &rows = {})
    {
        env.installDefaultFile();
        env.configure(2, 9, u"ARAD"_s, numeos);
        env.clock.date = today;
        db().exec(QStringLiteral("INSERT INTO cpv (cod,den,fel,cod2) "
                                 "VALUES('30192120-COD INVALID','Produse pentru scris',1,30192120)"));
        for (const Row &r : rows)
            insert(r);
        liste = std::make_unique<Liste>(*env.ctx);
    }
    Database &db() { return env.ctx->db(); }
    qint64 cpvId(qint64 cod2)
    {
        return db().query(u"SELECT id FROM cpv WHERE cod2=?"_s, {cod2}).integer(0, u"id"_s);
    }
    qint64 insert(const Row &r)
    {
        db().exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,"
                                 "detal,fond,idos,proced,proiect) VALUES(?,?,?,0,?,?,?,?,?,?,?,?,?,?)"),
                  {cpvId(r.cod2), r.activit, r.lei, r.start, compareForm(r.start), r.end, compareForm(r.end), r.resp,
                   r.detal, r.fond, r.idos, r.proced, r.proiect});
        return db().query(u"SELECT max(idp) AS m FROM program"_s).integer(0, u"m"_s);
    }
    template <typename T> T *get(const char *name) const { return liste->findChild<T *>(QLatin1String(name)); }
    QLineEdit *line(const char *name) const { return get<QLineEdit>(name); }
    QPushButton *button(const char *name) const { return get<QPushButton>(name); }
    QListWidget *list(int level) const { return liste->findChild<QListWidget *>(u"list%1"_s.arg(level)); }
    QTableView *grid() const { return get<QTableView>("DataGrid1"); }
    QueryTableModel *model() const { return liste->gridModel(); }

    void showActive()
    {
        liste->show();
        QApplication::setActiveWindow(liste.get());
        QVERIFY(QTest::qWaitForWindowActive(liste.get()));
    }
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
    // A complete goods item, set as the boxes show it after their checks.
    void fillItem(const QString &detal = u"BIROU"_s, const QString &lei = u"1500"_s)
    {
        line("vallei")->setText(lei);
        line("valeuro")->setText(u"0"_s);
        line("zi1")->setText(u"01"_s);
        line("luna1")->setText(u"03"_s);
        line("zi2")->setText(u"30"_s);
        line("luna2")->setText(u"06"_s);
        line("detal")->setText(detal);
        line("resp")->setText(u"POP ION"_s);
    }
    void searchCode(const QString &code) { liste->browser()->searchCode(code); }
    void save() { click(button("Command2")); }
    int gridRowOf(qint64 idp) const
    {
        for (int r = 0; r < model()->rowCount(); ++r)
            if (model()->text(r, 10) == QString::number(idp))
                return r;
        return -1;
    }
    void doubleClickRow(int row)
    {
        const QRect rect = grid()->visualRect(model()->index(row, 0));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QStringList gridColumn(int c) const
    {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r)
            out << model()->text(r, c);
        return out;
    }
    qint64 count(const QString &where = u"1"_s)
    {
        return db().query(u"SELECT count(*) AS n FROM program WHERE "_s + where).integer(0, u"n"_s);
    }
    QWidget *focus() const { return QApplication::focusWidget(); }

    Env env;
    std::unique_ptr<Liste> liste;
};

} // namespace

class TestProgramme : public QObject {
    Q_OBJECT
private slots:
    void fieldFormats_data();
    void fieldFormats();
    void saveChecksRunInOrder_data();
    void saveChecksRunInOrder();
    void shiftedDates_data();
    void shiftedDates();

    void loadFollowsClockAndSubunit();
    void optionsActOnEveryClick();
    void fieldsCheckedWhenLeft();
    void saveRefusesInOrderAndMovesTheFocus();
    void saveWritesTheItemAndResetsTheEditor();
    void saveTakesTheChosenCodeNotItsName();
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

void TestProgramme::saveChecksRunInOrder_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("focus");
    const auto f = [](ItemField x) { return int(x); };
    QTest::newRow("nothing chosen") << "level2=0" << "Selectati pana la cel putin lista de gradul II " << f(ItemField::None);
    QTest::newRow("project, other funds") << "proiect=P;fond=0"
                                          << " Toate achizitiile in cadrul unui proiect se fac din fonduri de cercetare ! "
                                          << f(ItemField::None);
    QTest::newRow("research funds, no project")
        << "fond=1" << " Toate achizitiile din fonduri de cercetare se fac in cadrul unui proiect ! "
        << f(ItemField::Proiect);
    QTest::newRow("no value") << "vallei=0" << " Specificati valoarea in lei a achizitiei ! " << f(ItemField::Vallei);
    QTest::newRow("not a value") << "vallei=abc" << " Specificati valoarea in lei a achizitiei ! " << f(ItemField::Vallei);
    QTest::newRow("day 00") << "zi1=00" << " Specificati ziua inceperii procedurii de achizitie ! " << f(ItemField::Zi1);
    QTest::newRow("empty day") << "zi1=" << " Specificati ziua inceperii procedurii de achizitie ! " << f(ItemField::Zi1);
    QTest::newRow("start month") << "luna1=" << " Specificati luna inceperii procedurii de achizitie ! " << f(ItemField::Luna1);
    QTest::newRow("start year") << "an1=" << " Specificati anul inceperii procedurii de achizitie ! " << f(ItemField::An1);
    QTest::newRow("end day") << "zi2=0" << " Specificati ziua finalizarii procedurii de achizitie ! " << f(ItemField::Zi2);
    QTest::newRow("end month") << "luna2=00" << " Specificati luna finalizarii procedurii de achizitie ! " << f(ItemField::Luna2);
    QTest::newRow("end year") << "an2=" << " Specificati anul finalizarii procedurii de achizitie ! " << f(ItemField::An2);
    QTest::newRow("end a day early") << "zi2=14;luna2=03"
                                     << " Data finalizarii procedurii nu poate mai mica decat data inceperii ! "
                                     << f(ItemField::Luna2);
    QTest::newRow("no details") << "detal=" << " Specificati detalii ale acestei achizitii ! " << f(ItemField::Detal);
    QTest::newRow("works without objective") << "detal=;works=1"
                                             << " Specificati obiectivul unde va fi efectuata lucrarea ! "
                                             << f(ItemField::Detal);
    QTest::newRow("no person") << "resp=" << " Specificati persoana responsabila de contractul acestei achizitii ! "
                               << f(ItemField::Resp);
    // Two faults: the earlier check speaks.
    QTest::newRow("value before dates") << "vallei=0;zi1=00" << " Specificati valoarea in lei a achizitiei ! "
                                        << f(ItemField::Vallei);
    QTest::newRow("same day passes") << "zi2=15;luna2=03" << "" << f(ItemField::None);
    QTest::newRow("no euro needed") << "valeuro=" << "" << f(ItemField::None);
    QTest::newRow("wrong day is a field fault") << "zi1=32" << " Nu exista aceasta zi ! " << f(ItemField::Zi1);
    QTest::newRow("apostrophe in details") << "detal=O'NEIL" << " Nu se accepta caracterul apostrof ( ' ) "
                                           << f(ItemField::Detal);
}

void TestProgramme::saveChecksRunInOrder()
{
    QFETCH(QString, change);
    QFETCH(QString, message);
    QFETCH(int, focus);
    ItemForm form;
    form.level2HasEntries = true;
    form.fondRow = 0;
    form.vallei = u"1500"_s;
    form.valeuro = u"0"_s;
    form.zi1 = u"15"_s;
    form.luna1 = u"03"_s;
    form.an1 = u"2026"_s;
    form.zi2 = u"30"_s;
    form.luna2 = u"06"_s;
    form.an2 = u"2026"_s;
    form.detal = u"BIROU"_s;
    form.resp = u"POP"_s;
    for (const QString &kv : change.split(QLatin1Char(';'))) {
        const QString k = kv.section(QLatin1Char('='), 0, 0), v = kv.section(QLatin1Char('='), 1);
        if (k == "level2"_L1) form.level2HasEntries = v == "1"_L1;
        else if (k == "proiect"_L1) form.proiect = v;
        else if (k == "fond"_L1) form.fondRow = v.toInt();
        else if (k == "vallei"_L1) form.vallei = v;
        else if (k == "valeuro"_L1) form.valeuro = v;
        else if (k == "zi1"_L1) form.zi1 = v;
        else if (k == "luna1"_L1) form.luna1 = v;
        else if (k == "an1"_L1) form.an1 = v;
        else if (k == "zi2"_L1) form.zi2 = v;
        else if (k == "luna2"_L1) form.luna2 = v;
        else if (k == "an2"_L1) form.an2 = v;
        else if (k == "detal"_L1) form.detal = v;
        else if (k == "resp"_L1) form.resp = v;
        else if (k == "works"_L1) form.works = true;
    }
    std::optional<Refusal> r = checkFields(form);
    if (!r)
        r = checkItem(form);
    QCOMPARE(r ? r->message : QString(), message);
    QCOMPARE(r ? int(r->focus) : int(ItemField::None), focus);
    QCOMPARE(r && r->chooseResearchFunds, change == "proiect=P;fond=0"_L1);
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
    const struct {
        QDate today;
        const char *anul, *an1, *an1Last;
    } clocks[] = {{QDate(2026, 10, 15), "2027", "2026", "2027"}, {QDate(2026, 9, 30), "2026", "2026", "2015"}};
    for (const auto &c : clocks) {
        Window w(u"SEDIU"_s, c.today);
        auto *anul = w.get<QListWidget>("anul");
        QCOMPARE(anul->currentItem()->text(), QLatin1String(c.anul));
        QCOMPARE(anul->item(anul->count() - 1)->text(), u"2015"_s);
        auto *an1 = w.get<QComboBox>("an1");
        QCOMPARE(an1->currentText(), QLatin1String(c.an1));
        QCOMPARE(w.get<QComboBox>("an2")->currentText(), QLatin1String(c.an1));
        QCOMPARE(an1->itemText(an1->count() - 1), QLatin1String(c.an1Last));
        QCOMPARE(w.liste->datamin(), QLatin1String(c.anul) + u"0101"_s);
        QCOMPARE(w.liste->datamax(), QLatin1String(c.anul) + u"1231"_s);
    }
    const struct {
        const char *name, *activity, *fund;
    } names[] = {{"O.S. ARAD", "productie", "proprii"},
                 {"B.E. VORIDA", "cercetare", "cercetare"},
                 {"B.E. MIHAESTI", "productie", "proprii"},
                 {"SEDIU", "cercetare", "cercetare"}};
    for (const auto &n : names) {
        Window w(QLatin1String(n.name));
        QCOMPARE(w.liste->activ(), QLatin1String(n.activity));
        QCOMPARE(w.get<QListWidget>("fond")->currentItem()->text(), QLatin1String(n.fund));
        QVERIFY(w.get<QRadioButton>("prod")->isChecked());
        QVERIFY(w.button("Command3")->isHidden() && w.button("Command4")->isHidden());
        QCOMPARE(w.button("Command2")->text(), u"Salvare"_s);
    }
    // The people already used, every sub-unit's.
    Window w(u"O.S. ARAD"_s, QDate(2026, 3, 15),
             {{3111100, "01.03.2026", "02.03.2026"}, {3111100, "01.03.2025", "02.03.2025", 5, "proprii", "", "", 3}});
    QCOMPARE(w.get<QListWidget>("listp")->count(), 1);
    w.showActive();
    w.clickRow(w.get<QListWidget>("listp"), 0);
    QCOMPARE(w.line("resp")->text(), u"ION"_s);
    // Escape leaves the editor's work where it is.
    w.line("detal")->setText(u"NESALVAT"_s);
    QTest::keyClick(w.line("detal"), Qt::Key_Escape);
    QVERIFY(w.liste->isVisible());
}

void TestProgramme::optionsActOnEveryClick()
{
    Window w;
    w.showActive();
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
    QCOMPARE(w.list(7)->count() > 0, true);
    w.click(w.get<QRadioButton>("prod"));
    QCOMPARE(w.list(1)->currentRow(), 0);
    QCOMPARE(w.list(2)->currentItem()->text(),
             w.db().query(u"SELECT den FROM cpv WHERE cod2=3100000"_s).text(0, u"den"_s));

    // A click on the entry already current in a level list goes deeper.
    w.searchCode(u"03111000"_s);
    QCOMPARE(w.list(5)->count(), 0);
    w.clickRow(w.list(4), w.list(4)->currentRow());
    QVERIFY(w.list(5)->count() > 0);
    QCOMPARE(w.list(5)->currentRow(), 0);
    // A double-click on it still ends the lists there.
    const QRect r = w.list(4)->visualItemRect(w.list(4)->currentItem());
    QTest::mouseDClick(w.list(4)->viewport(), Qt::LeftButton, {}, r.center());
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
    w.showActive();
    const struct {
        const char *field;
        const char *typed;
        const char *shown;
        const char *message;
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
        w.env.messages.shown.clear();
        QLineEdit *f = w.line(c.field);
        w.type(f, QLatin1String(c.typed));
        QCOMPARE(f->text(), QLatin1String(c.shown));
        if (c.message) {
            QCOMPARE(w.env.messages.texts(), QStringList{QLatin1String(c.message)});
            QCOMPARE(w.focus(), f);   // back in the refused field
            f->clear();
        } else {
            QVERIFY2(w.env.messages.shown.isEmpty(), c.field);
            QVERIFY(w.focus() != f);
        }
    }
    // Limits as typed.
    QCOMPARE(w.line("vallei")->maxLength(), 7);
    QCOMPARE(w.line("zi1")->maxLength(), 2);
    QCOMPARE(w.line("resp")->maxLength(), 40);
    QCOMPARE(w.line("detal")->maxLength(), 200);
    // The arrows move between the value and the date boxes.
    const struct {
        const char *from;
        Qt::Key key;
        const char *to;
    } moves[] = {{"vallei", Qt::Key_Right, "zi1"}, {"zi1", Qt::Key_Right, "luna1"}, {"luna1", Qt::Key_Left, "zi1"},
                 {"zi1", Qt::Key_Left, "vallei"}, {"zi2", Qt::Key_Right, "luna2"}, {"luna2", Qt::Key_Left, "zi2"},
                 {"zi2", Qt::Key_Left, "vallei"}};
    for (const auto &m : moves) {
        w.line(m.from)->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(w.line(m.from), m.key);
        QCOMPARE(w.focus(), w.line(m.to));
    }
    // A wrong day left by a click straight on "Salvare" is said once and never saved.
    w.env.messages.shown.clear();
    w.searchCode(u"03111100"_s);
    w.fillItem();
    w.line("zi1")->setFocus(Qt::MouseFocusReason);
    w.line("zi1")->setText(u"32"_s);
    w.save();
    QCOMPARE(w.env.messages.texts(), QStringList{u" Nu exista aceasta zi ! "_s});
    QCOMPARE(w.count(), 0);
}

void TestProgramme::saveRefusesInOrderAndMovesTheFocus()
{
    Window w(u"SEDIU"_s);   // research and its funds by default
    w.showActive();
    w.save();
    QCOMPARE(w.env.messages.last(), u" Toate achizitiile din fonduri de cercetare se fac in cadrul unui proiect ! "_s);
    QCOMPARE(w.focus(), w.get<QComboBox>("proiect"));
    w.get<QListWidget>("fond")->setCurrentRow(0);
    w.get<QComboBox>("proiect")->setEditText(u"PROIECT A"_s);
    w.save();
    QCOMPARE(w.env.messages.last(), u" Toate achizitiile in cadrul unui proiect se fac din fonduri de cercetare ! "_s);
    QCOMPARE(w.get<QListWidget>("fond")->currentRow(), 1);
    w.line("vallei")->setText(u"0"_s);
    w.save();   // the second press goes further
    QCOMPARE(w.env.messages.last(), u" Specificati valoarea in lei a achizitiei ! "_s);
    QCOMPARE(w.focus(), w.line("vallei"));
    w.fillItem();
    w.line("zi2")->setText(u"28"_s);
    w.line("luna2")->setText(u"02"_s);
    w.save();
    QCOMPARE(w.env.messages.last(), u" Data finalizarii procedurii nu poate mai mica decat data inceperii ! "_s);
    QCOMPARE(w.focus(), w.line("luna2"));
    QCOMPARE(w.count(), 0);
    // Nothing chosen at level I: list II is empty.
    w.click(w.get<QRadioButton>("lucr"));
    w.list(2)->clear();
    w.save();
    QCOMPARE(w.env.messages.last(), u"Selectati pana la cel putin lista de gradul II "_s);
    // The utility entry is no code to save.
    w.fillItem();
    w.searchCode(u"30192120"_s);
    w.save();
    QCOMPARE(w.env.messages.last(), u" Acest cod nu este un cod CPV ci este doar un utilitar ! "_s);
    QCOMPARE(w.count(), 0);
}

void TestProgramme::saveWritesTheItemAndResetsTheEditor()
{
    Window w;   // O.S.: production and own funds
    w.showActive();
    w.searchCode(u"03111100"_s);
    w.fillItem();
    w.line("valeuro")->setText(u"300"_s);
    w.save();
    QCOMPARE(w.env.messages.texts(), QStringList{u" Datele au fost salvate "_s});
    const ResultSet rs = w.db().query(u"SELECT * FROM program"_s);
    QCOMPARE(rs.count(), 1);
    const QStringList expected{QString::number(w.cpvId(3111100)), "productie", "1500", "300", "01.03.2026", "20260301",
                               "30.06.2026", "20260630", "POP ION", "BIROU", "proprii", "9", "", ""};
    QStringList got;
    for (const char *c : {"id", "activit", "lei", "euro", "datainc1", "datainc2", "datafin1", "datafin2", "resp",
                          "detal", "fond", "idos", "proced", "proiect"})
        got << rs.text(0, QLatin1String(c));
    QCOMPARE(got, expected);
    // The editor is ready for the next item; what may repeat stays.
    QCOMPARE(w.button("Command2")->text(), u"Salveaza"_s);
    QCOMPARE(w.line("vallei")->text(), u"0"_s);
    QVERIFY(w.line("detal")->text().isEmpty() && w.line("resp")->text().isEmpty());
    QCOMPARE(w.line("valeuro")->text(), u"300"_s);
    QCOMPARE(w.line("zi2")->text(), u"30"_s);
    QCOMPARE(w.liste->idpsel(), 0);
    QCOMPARE(w.get<QListWidget>("listp")->currentItem()->text(), u"POP ION"_s);
    QCOMPARE(w.model()->rowCount(), 1);
    QCOMPARE(w.grid()->currentIndex().row(), 0);
    // A second item becomes the grid's last and current row.
    w.searchCode(u"03111200"_s);
    w.fillItem(u"ALTUL"_s);
    w.save();
    QCOMPARE(w.model()->rowCount(), 2);
    QCOMPARE(w.grid()->currentIndex().row(), 1);
    // A research item with its project, written trimmed and in upper case.
    w.click(w.get<QRadioButton>("act1"));
    w.get<QComboBox>("proiect")->setEditText(u"  proiect x "_s);
    w.fillItem(u"PROBE"_s);
    w.save();
    QCOMPARE(w.count(u"proiect='PROIECT X' and fond='cercetare' and activit='cercetare'"_s), 1);
}

void TestProgramme::saveTakesTheChosenCodeNotItsName()
{
    Window w;
    w.searchCode(u"14522200"_s);   // named like 14522000
    QCOMPARE(w.list(5)->currentItem()->text(), u"Diamante industriale"_s);
    w.fillItem();
    w.save();
    QCOMPARE(w.db().query(u"SELECT id FROM program"_s).integer(0, u"id"_s), w.cpvId(14522200));
}

void TestProgramme::duplicatesAreAskedAbout()
{
    Window w(u"O.S. ARAD"_s, QDate(2026, 3, 15), {{3111100, "10.01.2026", "20.01.2026", 50}});
    w.searchCode(u"03111100"_s);
    w.fillItem(u"ALT DETALIU"_s);
    w.env.messages.answers = {false};
    w.save();
    const QString name = w.list(5)->currentItem()->text();
    QCOMPARE(w.env.messages.texts(), QStringList{u" Codul CPV "_s + QString::number(w.cpvId(3111100)) + u" - "_s + name
                         + QStringLiteral(" , este deja introdus pe anul 2026 la fonduri proprii\r\n Doriti scrierea"
                                          " peste vechile date ? ")});
    QCOMPARE(w.count(), 1);
    QCOMPARE(w.line("detal")->text(), u"ALT DETALIU"_s);   // No keeps the editor as it was
    w.env.messages.answers = {true};
    w.save();
    QCOMPARE(w.count(), 1);
    QCOMPARE(w.count(u"lei=1500 and datainc2='20260301' and detal='ALT DETALIU'"_s), 1);
    // Other funds make another item.
    w.get<QListWidget>("fond")->setCurrentRow(2);
    w.fillItem();
    w.save();
    QCOMPARE(w.count(), 2);

    // Works: the details decide.
    w.env.messages.shown.clear();
    w.searchCode(u"45111000"_s);
    w.fillItem(u"CANTON 1"_s);
    w.save();
    w.fillItem(u"CANTON 2"_s);
    w.save();
    QCOMPARE(w.count(u"detal LIKE 'CANTON%'"_s), 2);
    w.fillItem(u"CANTON 1"_s);
    w.env.messages.answers = {false};
    w.save();
    QVERIFY(w.env.messages.last().contains(u" la obiectivul ,,CANTON 1,,\r\n"_s));
}

void TestProgramme::editingUpdatesWithoutAsking()
{
    Window w(u"O.S. ARAD"_s, QDate(2026, 3, 15),
             {{3111100, "10.01.2026", "20.01.2026", 50}, {3111200, "10.02.2026", "20.02.2026", 60}});
    w.showActive();
    QTest::mouseClick(w.grid()->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(w.grid()->horizontalHeader()->sectionViewportPosition(4) + 5, 5));   // LEI, descending
    QCOMPARE(w.gridColumn(4), (QStringList{"60", "50"}));
    w.doubleClickRow(1);
    QCOMPARE(w.button("Command2")->text(), u"Modifica"_s);
    // Made equal to the other item: still no question.
    w.searchCode(u"03111200"_s);
    w.line("vallei")->setText(u"70"_s);
    w.save();
    QCOMPARE(w.env.messages.texts(), QStringList{u" Datele au fost salvate "_s});
    QCOMPARE(w.count(u"id="_s + QString::number(w.cpvId(3111200))), 2);
    QCOMPARE(w.count(u"lei=70 and datainc2='20260110'"_s), 1);
    // The sort stays and the edited row's position is current again.
    QCOMPARE(w.gridColumn(4), (QStringList{"70", "60"}));
    QCOMPARE(w.grid()->currentIndex().row(), 1);
    QCOMPARE(w.button("Command2")->text(), u"Salveaza"_s);
}

void TestProgramme::gridQueriesAndSorting()
{
    Window w(u"O.S. ARAD"_s, QDate(2026, 3, 15),
             {{3111100, "10.01.2026", "20.01.2026", 50, "proprii"},
              {3000000, "10.12.2026", "20.01.2027", 80, "bugetare"},
              {3111200, "10.02.2026", "20.02.2026", 60, "accesibilizare", "", "", 3},
              {3111100, "10.02.2025", "20.02.2025", 70}});
    w.showActive();
    auto *header = w.grid()->horizontalHeader();
    QCOMPARE(w.model()->headerData(1, Qt::Horizontal).toString(), u"0biectul contractului/acordului cadru"_s);
    QCOMPARE(w.model()->columnCount(), 14);
    QVERIFY(w.grid()->isColumnHidden(10) && w.grid()->isColumnHidden(11));
    QCOMPARE(w.grid()->toolTip(), u"DubluClick pe inregistrarea de modificat sau de sters"_s);
    // The year: every sub-unit's items starting in it, the one ending next year too.
    QCOMPARE(w.gridColumn(4), (QStringList{"50", "80", "60"}));
    const auto clickHeader = [&](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(section) + 5, 5));
    };
    clickHeader(3);   // "Sursa": also leaves out the item ending next year
    QCOMPARE(w.gridColumn(3), (QStringList{"accesibilizare", "proprii"}));
    QVERIFY(w.liste->toggles().ordfond);
    clickHeader(3);
    QCOMPARE(w.gridColumn(4), (QStringList{"50", "60"}));
    QVERIFY(!w.liste->toggles().ordfond);
    clickHeader(2);   // "Activitatea" does nothing
    QCOMPARE(w.gridColumn(4), (QStringList{"50", "60"}));
    clickHeader(0);
    clickHeader(4);   // toggles add up; the last click decides the order
    QVERIFY(w.liste->toggles().ordcod && w.liste->toggles().ordlei);
    QCOMPARE(w.gridColumn(4), (QStringList{"60", "50"}));
    // Another year; the toggles stay.
    w.clickRow(w.get<QListWidget>("anul"), 1);
    QCOMPARE(w.gridColumn(4), QStringList{"70"});
    QVERIFY(w.liste->toggles().ordlei);
}

void TestProgramme::doubleClickLoadsAndPositions()
{
    Window w(u"O.S. ARAD"_s, QDate(2026, 3, 15),
             {{3111000, "05.04.2026", "30.09.2027", 1234, "bugetare", "", "", 9, "proiectare", "VASILE", "CAMP"}});
    w.showActive();
    w.click(w.get<QRadioButton>("lucr"));
    w.doubleClickRow(0);
    QCOMPARE(w.liste->idpsel(), w.db().query(u"SELECT idp FROM program"_s).integer(0, u"idp"_s));
    QVERIFY(w.get<QRadioButton>("act2")->isChecked());
    QVERIFY(w.get<QRadioButton>("prod")->isChecked());
    QCOMPARE(w.get<QListWidget>("fond")->currentItem()->text(), u"bugetare"_s);
    QCOMPARE((QStringList{w.line("vallei")->text(), w.line("zi1")->text(), w.line("luna1")->text(),
                          w.get<QComboBox>("an1")->currentText(), w.line("zi2")->text(), w.line("luna2")->text(),
                          w.get<QComboBox>("an2")->currentText(), w.line("resp")->text(), w.line("detal")->text()}),
             (QStringList{"1234", "05", "04", "2026", "30", "09", "2027", "VASILE", "CAMP"}));
    // A level-IV entry: its path selected, the lists below it empty.
    const char *path[] = {"03000000", "03100000", "03110000", "03111000"};
    for (int l = 1; l <= 4; ++l)
        QCOMPARE(w.list(l)->currentItem()->text(),
                 w.db().query(u"SELECT den FROM cpv WHERE cod2=?"_s, {qint64(QString::fromLatin1(path[l - 1]).toLongLong())})
                     .text(0, u"den"_s));
    for (int l = 5; l <= 7; ++l)
        QCOMPARE(w.list(l)->count(), 0);
    QVERIFY(w.button("Command3")->isVisible() && w.button("Command4")->isVisible());
    // "Inregistrare noua" keeps what may repeat.
    w.click(w.button("Command4"));
    QCOMPARE(w.liste->idpsel(), 0);
    QCOMPARE(w.button("Command2")->text(), u"Salvare"_s);
    QVERIFY(w.button("Command3")->isHidden() && w.button("Command4")->isHidden());
    QCOMPARE(w.line("vallei")->text(), u"0"_s);
    QCOMPARE(w.line("valeuro")->text(), u"0"_s);
    QVERIFY(w.line("detal")->text().isEmpty());
    QCOMPARE(w.line("resp")->text(), u"VASILE"_s);
    QCOMPARE(w.get<QComboBox>("an2")->currentText(), u"2027"_s);
}

void TestProgramme::deletionReadsTheLoadedItem()
{
    Window w(u"O.S. ARAD"_s, QDate(2026, 3, 15),
             {{3111100, "10.01.2026", "20.01.2026", 50, "proprii", "", "licitatie"},
              {3111200, "10.02.2026", "20.02.2026", 60}});
    w.showActive();
    const QString cod = w.model()->text(0, 0);
    // The approved item loaded, another row clicked: the loaded one is refused.
    w.doubleClickRow(0);
    QTest::mouseClick(w.grid()->viewport(), Qt::LeftButton, {}, w.grid()->visualRect(w.model()->index(1, 0)).center());
    w.click(w.button("Command3"));
    QCOMPARE(w.env.messages.texts(), QStringList{u" La produsul cu codul CPV : "_s + cod
                         + QStringLiteral(", LEI : 50 a fost stabilita procedura de achizitie si nu mai poate fi stears"
                                          " de dvs. ! ")});
    QCOMPARE(w.count(), 2);
    // A proposal: asked first, No keeps it.
    w.env.messages.shown.clear();
    w.doubleClickRow(1);
    w.click(w.button("Command3"));
    QCOMPARE(w.env.messages.shown.size(), 1);
    QCOMPARE(w.env.messages.shown.first().title, u"Confirmare stergere inregistrare selectata"_s);
    QCOMPARE(w.env.messages.last(), u" Sigur doriti stergerea inregistrarii selectate ? \n Cod CPV : "_s
                                        + w.model()->text(1, 0) + u", LEI : 60"_s);
    QCOMPARE(w.count(), 2);
    w.env.messages.answers = {true};
    w.click(w.button("Command3"));
    QCOMPARE(w.env.messages.last(), u" Stergerea a fost executata "_s);
    QCOMPARE(w.count(), 1);
    QCOMPARE(w.count(u"proced='licitatie'"_s), 1);
    QCOMPARE(w.model()->rowCount(), 1);
    QCOMPARE(w.liste->idpsel(), 0);
    QCOMPARE(w.line("zi1")->text(), u"00"_s);
    QCOMPARE(w.button("Command2")->text(), u"Salvare"_s);
    QVERIFY(w.button("Command3")->isHidden());
}

void TestProgramme::editsInsideTheGrid()
{
    Window w(u"O.S. ARAD"_s, QDate(2026, 3, 15),
             {{3111100, "10.01.2026", "20.01.2026", 50, "proprii", "", "licitatie"},
              {3111200, "10.02.2026", "20.02.2026", 60, "proprii", "", "", 9, "productie", "pop ion"}});
    w.showActive();
    QueryTableModel *m = w.model();
    QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(m->flags(m->index(0, 4)) & Qt::ItemIsEditable);
    // LEI 0 or less, or no number, is refused.
    for (const char *bad : {"0", "-5", "abc"}) {
        QVERIFY(!m->setData(m->index(1, 4), QLatin1String(bad)));
        QCOMPARE(w.env.messages.last(), u" Data invalida ! "_s);
    }
    QCOMPARE(w.count(u"lei=60"_s), 1);
    // An edit is written at once; the row's person becomes upper case.
    QVERIFY(m->setData(m->index(1, 4), u"75.5"_s));
    QCOMPARE(w.count(u"lei=75.5 and resp='POP ION'"_s), 1);
    // Typed into the cell as a user does.
    w.grid()->setCurrentIndex(m->index(1, 9));
    QTest::keyClick(w.grid(), Qt::Key_F2);
    QWidget *editor = QApplication::focusWidget();
    QVERIFY(qobject_cast<QLineEdit *>(editor));
    qobject_cast<QLineEdit *>(editor)->selectAll();
    QTest::keyClicks(editor, u"Gard nou"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(w.count(u"detal='Gard nou'"_s), 1);   // the commit is queued
    QVERIFY(!m->setData(m->index(1, 8), u"O'NEIL"_s));
    // The Delete key: approved refused, a proposal asked about.
    w.env.messages.shown.clear();
    w.grid()->setCurrentIndex(m->index(0, 0));
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    QCOMPARE(w.env.messages.texts(), QStringList{u" Aceasta achizitie a fost aprobata si nu poate fi stersa ! "_s});
    w.grid()->setCurrentIndex(m->index(1, 0));
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    QCOMPARE(w.env.messages.shown.last().title, u"Confirmare stergere inregistrare selectata"_s);
    QCOMPARE(w.count(), 2);
    w.env.messages.answers = {true};
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    QCOMPARE(w.count(), 1);
    QCOMPARE(m->rowCount(), 1);
}

void TestProgramme::projectField()
{
    Window w(u"SEDIU"_s, QDate(2026, 3, 15),
             {{3111100, "10.01.2026", "20.01.2026", 50, "cercetare", "P2026", "", 9, "cercetare"},
              {3111100, "10.01.2025", "20.01.2025", 50, "cercetare", "P2025", "", 9, "cercetare"},
              {3111100, "10.01.2026", "20.01.2026", 50, "cercetare", "PALT", "", 3, "cercetare"},
              {3111100, "10.01.2026", "20.01.2026", 50, "cercetare", "PPROIECTARE", "", 9, "proiectare"}});
    w.showActive();
    auto *proiect = w.get<QComboBox>("proiect");
    // Typing 51 characters: one message, the first 50 kept.
    proiect->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(proiect, QString(51, QLatin1Char('x')));
    QCOMPARE(w.env.messages.texts(), QStringList{u" Numarul maxim de caractere este 50 !!! "_s});
    QCOMPARE(proiect->currentText(), QString(50, QLatin1Char('x')));
    // Leaving the box: upper case without the blanks around.
    proiect->setEditText(QString());
    w.type(proiect, u"  proiect nou "_s);
    QCOMPARE(proiect->currentText(), u"PROIECT NOU"_s);
    proiect->setEditText(QString());
    w.type(proiect, u"d'ana"_s);
    QCOMPARE(w.env.messages.last(), u" Nu se accepta caracterul apostrof ( ' ) "_s);
    QCOMPARE(w.focus(), proiect);
    // The list offers this year's projects of the activity and sub-unit; the typed text stays.
    proiect->setEditText(u"TASTAT"_s);
    w.line("detal")->setFocus(Qt::MouseFocusReason);
    proiect->setFocus(Qt::MouseFocusReason);
    QCOMPARE(proiect->count(), 1);
    QCOMPARE(proiect->itemText(0), u"P2026"_s);
    QCOMPARE(proiect->currentText(), u"TASTAT"_s);
}

void TestProgramme::projectPickAndDeletion()
{
    const QList<Row> rows{{3111100, "10.01.2026", "20.01.2026", 10, "cercetare", "PX", "", 9, "cercetare"},
                          {3111200, "10.01.2025", "20.01.2025", 20, "cercetare", "PX", "", 9, "proiectare"},
                          {3111300, "10.01.2026", "20.01.2026", 30, "cercetare", "PX", "", 3, "cercetare"},
                          {3111400, "10.01.2026", "20.01.2026", 40, "proprii", "", "", 9, "productie"}};
    {
        Window w(u"SEDIU"_s, QDate(2026, 3, 15), rows);
        w.showActive();
        auto *proiect = w.get<QComboBox>("proiect");
        proiect->setFocus(Qt::MouseFocusReason);
        QCOMPARE(proiect->count(), 1);
        QTest::keyClick(proiect, Qt::Key_Down);   // picks the first project
        QCOMPARE(w.get<QLabel>("DataGrid1Caption")->text(), u"Achizitii cuprinse in proiectul : PX"_s);
        QCOMPARE(w.gridColumn(4), (QStringList{"10", "30"}));   // every sub-unit, this activity
        // Yes, then No: nothing changes, the grid stays.
        w.env.messages.answers = {true, false};
        w.click(w.button("Command7"));
        QCOMPARE(w.env.messages.shown.at(0).title, u"Confirmare stergere proiecte"_s);
        QCOMPARE(w.env.messages.shown.at(1).text, u" Confirmati stergerea legaturilor la proiectul '' PX '' ? "_s);
        QCOMPARE(w.env.messages.shown.at(1).title, u"Confirmare stergere legaturi la proiecte"_s);
        QCOMPARE(w.count(u"proiect='PX'"_s), 3);
        QCOMPARE(w.gridColumn(4), (QStringList{"10", "30"}));
        // Yes, Yes: the sub-unit's items of every year keep their rows, without project.
        w.env.messages.shown.clear();
        w.env.messages.answers = {true, true};
        w.click(w.button("Command7"));
        QCOMPARE(w.env.messages.last(),
                 u" Stergerea legaturilor la codurile CPV, pentru proiectul '' PX '', a fost executata "_s);
        QCOMPARE(w.count(u"proiect='PX'"_s), 1);   // the other sub-unit's
        QCOMPARE(w.count(), 4);
        QVERIFY(proiect->currentText().isEmpty());
        QCOMPARE(w.gridColumn(4), (QStringList{"10", "40"}));   // the sub-unit's items of the year
        w.click(w.button("Command7"));
        QCOMPARE(w.env.messages.last(), u" Selectati denumirea proiectului ! "_s);
    }
    Window w(u"SEDIU"_s, QDate(2026, 3, 15), rows);
    w.showActive();
    w.get<QComboBox>("proiect")->setEditText(u"PX"_s);
    w.env.messages.answers = {false, true};
    w.click(w.button("Command7"));
    QCOMPARE(w.env.messages.shown.at(1).text, QStringLiteral(" Ati selectat stergerea proiectului '' PX '', impreuna cu"
                                                             " codurile CPV aferente acestuia \r\n Confirmati aceasta ? "));
    QCOMPARE(w.env.messages.last(), u" Stergerea codurilor CPV aferente proiectului '' PX '' a fost executata "_s);
    QCOMPARE(w.count(), 2);
    QCOMPARE(w.count(u"proiect='PX' and idos=3"_s), 1);
}

void TestProgramme::yearCopy()
{
    Window w(u"O.S. ARAD"_s, QDate(2026, 3, 15),
             {{3111100, "15.03.2024", "20.03.2024", 10, "proprii", "", "licitatie"},
              {3111200, "01.12.2024", "31.01.2025", 20},
              {3111300, "29.02.2024", "29.02.2024", 30, "proprii", "", "", 3}});
    w.db().exec(u"UPDATE program SET anunt='A1', realiz=5"_s);
    w.showActive();
    auto *anul = w.get<QListWidget>("anul");
    auto *menu = w.liste->findChild<QMenu *>();
    QVERIFY(menu);
    QCOMPARE(menu->title(), u"Transfer"_s);
    QVERIFY(w.liste->findChild<QAction *>(u"mnutrans"_s));
    QAction *copy = w.liste->findChild<QAction *>(u"mnucopi"_s);
    QCOMPARE(copy->text(), u"Copiere in anul curent"_s);
    const auto rightClick = [&](int row) {
        QTest::mouseClick(anul->viewport(), Qt::RightButton, {}, anul->visualItemRect(anul->item(row)).center());
    };
    rightClick(0);   // the current year: no menu
    QVERIFY(!menu->isVisible());
    w.clickRow(anul, 2);   // 2024
    rightClick(0);         // the right button does not change the year
    QCOMPARE(anul->currentRow(), 2);
    QVERIFY(menu->isVisible());
    menu->hide();
    // Into an empty year: one question.
    w.env.messages.answers = {true};
    copy->trigger();
    QCOMPARE(w.env.messages.shown.first().text, QStringLiteral(" Ati activat optiunea de copiere a datelor din anul 2024 in"
                                                                " anul 2026 ! \n Sigur aceasta doriti ? "));
    QCOMPARE(w.env.messages.last(), u" Datele din anul 2024 au fost copiate in anul 2026"_s);
    const ResultSet copied = w.db().query(u"SELECT * FROM program WHERE datainc2>='20260101' ORDER BY lei"_s);
    QCOMPARE(copied.count(), 3);
    QStringList dates;
    for (int r = 0; r < 3; ++r)
        dates << copied.text(r, u"datainc1"_s) + QLatin1Char('/') + copied.text(r, u"datainc2"_s)
                     + QLatin1Char('/') + copied.text(r, u"datafin1"_s) + QLatin1Char('/')
                     + copied.text(r, u"datafin2"_s);
    QCOMPARE(dates, (QStringList{"15.03.2026/20260315/20.03.2026/20260320", "01.12.2026/20261201/31.01.2027/20270131",
                                 "28.02.2026/20260228/28.02.2026/20260228"}));
    QCOMPARE(w.count(u"datainc2>='20260101' and (proced<>'' or anunt<>'' or realiz IS NOT NULL)"_s), 0);
    QCOMPARE(w.count(u"datainc2>='20260101' and idos=3"_s), 1);
    QCOMPARE(w.model()->rowCount(), 3);   // the grid is not refreshed by the copy: it shows 2024 still
    // Into a filled year: two questions; No to the second keeps everything.
    w.env.messages.shown.clear();
    w.env.messages.answers = {true, false};
    copy->trigger();
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Aveti deja date introduse in anul 2026 ! \n Datele din anul 2024 se"
                                                   " vor suprascrie peste cele din 2026.\n Continuati ? "));
    QCOMPARE(w.count(), 6);
    w.db().exec(u"INSERT INTO program (id,lei,datainc2,idos) VALUES(1,99,'20260505',9)"_s);
    w.env.messages.answers = {true, true};
    copy->trigger();
    QCOMPARE(w.count(u"datainc2>='20260101'"_s), 3);
    QCOMPARE(w.count(u"lei=99"_s), 0);
}

void TestProgramme::manyRowChangesAreAllOrNothing()
{
    const QList<Row> rows{{3111100, "10.01.2024", "20.01.2024", 10, "cercetare", "PX", "", 9, "cercetare"},
                          {3111200, "10.01.2024", "20.01.2024", 20, "cercetare", "PX", "", 9, "cercetare"},
                          {3111300, "10.01.2026", "20.01.2026", 30, "cercetare", "PX", "", 9, "cercetare"}};
    Window w(u"SEDIU"_s, QDate(2026, 3, 15), rows);
    // The engine refuses the second row of each change.
    w.db().execScript(QStringLiteral(
        "CREATE TRIGGER no_copy BEFORE INSERT ON program WHEN NEW.lei=20 BEGIN SELECT RAISE(ABORT,'refuzat'); END;"
        "CREATE TRIGGER no_unlink BEFORE UPDATE ON program WHEN OLD.lei=20 BEGIN SELECT RAISE(ABORT,'refuzat'); END;"
        "CREATE TRIGGER no_delete BEFORE DELETE ON program WHEN OLD.lei=20 BEGIN SELECT RAISE(ABORT,'refuzat'); END;"));
    const QStringList before = tableDump(w.db(), u"program"_s);
    w.showActive();
    w.clickRow(w.get<QListWidget>("anul"), 2);
    w.env.messages.answers = {true, true};
    w.liste->findChild<QAction *>(u"mnucopi"_s)->trigger();
    w.get<QComboBox>("proiect")->setEditText(u"PX"_s);
    w.env.messages.answers = {true, true};
    w.click(w.button("Command7"));
    w.get<QComboBox>("proiect")->setEditText(u"PX"_s);
    w.env.messages.answers = {false, true};
    w.click(w.button("Command7"));
    QStringList errors;
    for (const ShownMessage &m : std::as_const(w.env.messages.shown))
        if (m.title == "Eroare"_L1)
            errors << m.text;
    QCOMPARE(errors, QStringList(3, u"Eroarea 19 refuzat"_s));
    QCOMPARE(tableDump(w.db(), u"program"_s), before);
}

QTEST_MAIN(TestProgramme)
#include "test_programme.moc"
