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

namespace {

// One item row as the tests write it straight into the file.
struct Row {
    qint64 cod2;
    QString start, end;   // dd.mm.yyyy
    double lei = 100;
    QString fond = QStringLiteral("proprii");
    QString proiect = QString();
    QString proced = QString();
    int idos = 9;
    QString activit = QStringLiteral("productie");
    QString resp = QStringLiteral("ION");
    QString detal = QStringLiteral("D");
};

QString compareForm(const QString &d) { return d.mid(6, 4) + d.mid(3, 2) + d.mid(0, 2); }

struct Window {
    explicit Window(const QString &numeos = QStringLiteral("O.S. ARAD"), QDate today = QDate(2026, 3, 15),
                    const QList<Row> &rows = {})
    {
        env.installDefaultFile();
        env.configure(2, 9, QStringLiteral("ARAD"), numeos);
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
        return db().query(QStringLiteral("SELECT id FROM cpv WHERE cod2=?"), {cod2}).integer(0, QStringLiteral("id"));
    }
    qint64 insert(const Row &r)
    {
        db().exec(QStringLiteral("INSERT INTO program (id,activit,lei,euro,datainc1,datainc2,datafin1,datafin2,resp,"
                                 "detal,fond,idos,proced,proiect) VALUES(?,?,?,0,?,?,?,?,?,?,?,?,?,?)"),
                  {cpvId(r.cod2), r.activit, r.lei, r.start, compareForm(r.start), r.end, compareForm(r.end), r.resp,
                   r.detal, r.fond, r.idos, r.proced, r.proiect});
        return db().query(QStringLiteral("SELECT max(idp) AS m FROM program")).integer(0, QStringLiteral("m"));
    }
    template <typename T> T *get(const char *name) const { return liste->findChild<T *>(QLatin1String(name)); }
    QLineEdit *line(const char *name) const { return get<QLineEdit>(name); }
    QPushButton *button(const char *name) const { return get<QPushButton>(name); }
    QListWidget *list(int level) const { return liste->findChild<QListWidget *>(QStringLiteral("list%1").arg(level)); }
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
    void fillItem(const QString &detal = QStringLiteral("BIROU"), const QString &lei = QStringLiteral("1500"))
    {
        line("vallei")->setText(lei);
        line("valeuro")->setText(QStringLiteral("0"));
        line("zi1")->setText(QStringLiteral("01"));
        line("luna1")->setText(QStringLiteral("03"));
        line("zi2")->setText(QStringLiteral("30"));
        line("luna2")->setText(QStringLiteral("06"));
        line("detal")->setText(detal);
        line("resp")->setText(QStringLiteral("POP ION"));
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
    qint64 count(const QString &where = QStringLiteral("1"))
    {
        return db().query(QStringLiteral("SELECT count(*) AS n FROM program WHERE ") + where).integer(0, QStringLiteral("n"));
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
    void sortOrders();

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
    form.vallei = QStringLiteral("1500");
    form.valeuro = QStringLiteral("0");
    form.zi1 = QStringLiteral("15");
    form.luna1 = QStringLiteral("03");
    form.an1 = QStringLiteral("2026");
    form.zi2 = QStringLiteral("30");
    form.luna2 = QStringLiteral("06");
    form.an2 = QStringLiteral("2026");
    form.detal = QStringLiteral("BIROU");
    form.resp = QStringLiteral("POP");
    for (const QString &kv : change.split(QLatin1Char(';'))) {
        const QString k = kv.section(QLatin1Char('='), 0, 0), v = kv.section(QLatin1Char('='), 1);
        if (k == QLatin1String("level2")) form.level2HasEntries = v == QLatin1String("1");
        else if (k == QLatin1String("proiect")) form.proiect = v;
        else if (k == QLatin1String("fond")) form.fondRow = v.toInt();
        else if (k == QLatin1String("vallei")) form.vallei = v;
        else if (k == QLatin1String("valeuro")) form.valeuro = v;
        else if (k == QLatin1String("zi1")) form.zi1 = v;
        else if (k == QLatin1String("luna1")) form.luna1 = v;
        else if (k == QLatin1String("an1")) form.an1 = v;
        else if (k == QLatin1String("zi2")) form.zi2 = v;
        else if (k == QLatin1String("luna2")) form.luna2 = v;
        else if (k == QLatin1String("an2")) form.an2 = v;
        else if (k == QLatin1String("detal")) form.detal = v;
        else if (k == QLatin1String("resp")) form.resp = v;
        else if (k == QLatin1String("works")) form.works = true;
    }
    std::optional<Refusal> r = checkFields(form);
    if (!r)
        r = checkItem(form);
    QCOMPARE(r ? r->message : QString(), message);
    QCOMPARE(r ? int(r->focus) : int(ItemField::None), focus);
    QCOMPARE(r && r->chooseResearchFunds, change == QLatin1String("proiect=P;fond=0"));
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

void TestProgramme::sortOrders()
{
    QCOMPARE(sortKeyOfColumn(0), SortKey::Cod);
    QCOMPARE(sortKeyOfColumn(2), SortKey::None);
    QCOMPARE(sortKeyOfColumn(12), SortKey::Realiz);
    SortToggles t;
    QCOMPARE(restoredOrder(t), SortKey::None);
    t.ordcod = t.ordlei = t.ordden = true;   // "0biectul" does not count here
    QCOMPARE(restoredOrder(t), SortKey::Lei);
    t.ordresp = true;
    QCOMPARE(restoredOrder(t), SortKey::Resp);
    const GridQuery q = refreshQuery(QStringLiteral("20260101"), QStringLiteral("20261231"), QStringLiteral("P"), SortKey::Lei);
    QVERIFY(q.sql.endsWith(QStringLiteral(" and program.proiect=? ORDER BY program.lei DESC")));
    QCOMPARE(q.params.size(), 3);
}

void TestProgramme::loadFollowsClockAndSubunit()
{
    const struct {
        QDate today;
        const char *anul, *an1, *an1Last;
    } clocks[] = {{QDate(2026, 10, 15), "2027", "2026", "2027"}, {QDate(2026, 9, 30), "2026", "2026", "2015"}};
    for (const auto &c : clocks) {
        Window w(QStringLiteral("SEDIU"), c.today);
        auto *anul = w.get<QListWidget>("anul");
        QCOMPARE(anul->currentItem()->text(), QLatin1String(c.anul));
        QCOMPARE(anul->item(anul->count() - 1)->text(), QStringLiteral("2015"));
        auto *an1 = w.get<QComboBox>("an1");
        QCOMPARE(an1->currentText(), QLatin1String(c.an1));
        QCOMPARE(w.get<QComboBox>("an2")->currentText(), QLatin1String(c.an1));
        QCOMPARE(an1->itemText(an1->count() - 1), QLatin1String(c.an1Last));
        QCOMPARE(w.liste->datamin(), QLatin1String(c.anul) + QStringLiteral("0101"));
        QCOMPARE(w.liste->datamax(), QLatin1String(c.anul) + QStringLiteral("1231"));
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
        QCOMPARE(w.button("Command2")->text(), QStringLiteral("Salvare"));
    }
    // The people already used, every sub-unit's.
    Window w(QStringLiteral("O.S. ARAD"), QDate(2026, 3, 15),
             {{3111100, "01.03.2026", "02.03.2026"}, {3111100, "01.03.2025", "02.03.2025", 5, "proprii", "", "", 3}});
    QCOMPARE(w.get<QListWidget>("listp")->count(), 1);
    w.showActive();
    w.clickRow(w.get<QListWidget>("listp"), 0);
    QCOMPARE(w.line("resp")->text(), QStringLiteral("ION"));
    // Escape leaves the editor's work where it is.
    w.line("detal")->setText(QStringLiteral("NESALVAT"));
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
    QCOMPARE(w.liste->activ(), QStringLiteral("cercetare"));
    QVERIFY(proiect->isEnabled() && w.button("Command7")->isEnabled());
    // The chosen activity clicked again resets the funds and empties the project.
    fond->setCurrentRow(3);
    proiect->setEditText(QStringLiteral("PROIECT"));
    w.click(act1);
    QCOMPARE(fond->currentRow(), 1);
    QVERIFY(proiect->currentText().isEmpty());
    w.click(w.get<QRadioButton>("act3"));
    QVERIFY(!proiect->isEnabled() && !w.button("Command7")->isEnabled());
    QCOMPARE(fond->currentRow(), 0);

    // The chosen kind clicked again refills list I and cascades from its first entry.
    w.searchCode(QStringLiteral("03212211"));
    QCOMPARE(w.list(7)->count() > 0, true);
    w.click(w.get<QRadioButton>("prod"));
    QCOMPARE(w.list(1)->currentRow(), 0);
    QCOMPARE(w.list(2)->currentItem()->text(),
             w.db().query(QStringLiteral("SELECT den FROM cpv WHERE cod2=3100000")).text(0, QStringLiteral("den")));

    // A click on the entry already current in a level list goes deeper.
    w.searchCode(QStringLiteral("03111000"));
    QCOMPARE(w.list(5)->count(), 0);
    w.clickRow(w.list(4), w.list(4)->currentRow());
    QVERIFY(w.list(5)->count() > 0);
    QCOMPARE(w.list(5)->currentRow(), 0);
    // A double-click on it still ends the lists there.
    const QRect r = w.list(4)->visualItemRect(w.list(4)->currentItem());
    QTest::mouseDClick(w.list(4)->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(w.list(5)->count(), 0);

    // Tooltips follow the current entry; an emptied list has none.
    w.list(4)->setToolTip(QStringLiteral("vechi"));
    w.searchCode(QStringLiteral("03111100"));
    QVERIFY(w.list(4)->toolTip().startsWith(w.liste->browser()->coduri(4).at(w.list(4)->currentRow())));
    QVERIFY(w.list(6)->toolTip().isEmpty());
    w.searchCode(QStringLiteral("03200000"));
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
    w.searchCode(QStringLiteral("03111100"));
    w.fillItem();
    w.line("zi1")->setFocus(Qt::MouseFocusReason);
    w.line("zi1")->setText(QStringLiteral("32"));
    w.save();
    QCOMPARE(w.env.messages.texts(), QStringList{QStringLiteral(" Nu exista aceasta zi ! ")});
    QCOMPARE(w.count(), 0);
}

void TestProgramme::saveRefusesInOrderAndMovesTheFocus()
{
    Window w(QStringLiteral("SEDIU"));   // research and its funds by default
    w.showActive();
    w.save();
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Toate achizitiile din fonduri de cercetare se fac in cadrul unui proiect ! "));
    QCOMPARE(w.focus(), w.get<QComboBox>("proiect"));
    w.get<QListWidget>("fond")->setCurrentRow(0);
    w.get<QComboBox>("proiect")->setEditText(QStringLiteral("PROIECT A"));
    w.save();
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Toate achizitiile in cadrul unui proiect se fac din fonduri de cercetare ! "));
    QCOMPARE(w.get<QListWidget>("fond")->currentRow(), 1);
    w.line("vallei")->setText(QStringLiteral("0"));
    w.save();   // the second press goes further
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Specificati valoarea in lei a achizitiei ! "));
    QCOMPARE(w.focus(), w.line("vallei"));
    w.fillItem();
    w.line("zi2")->setText(QStringLiteral("28"));
    w.line("luna2")->setText(QStringLiteral("02"));
    w.save();
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Data finalizarii procedurii nu poate mai mica decat data inceperii ! "));
    QCOMPARE(w.focus(), w.line("luna2"));
    QCOMPARE(w.count(), 0);
    // Nothing chosen at level I: list II is empty.
    w.click(w.get<QRadioButton>("lucr"));
    w.list(2)->clear();
    w.save();
    QCOMPARE(w.env.messages.last(), QStringLiteral("Selectati pana la cel putin lista de gradul II "));
    // The utility entry is no code to save.
    w.fillItem();
    w.searchCode(QStringLiteral("30192120"));
    w.save();
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Acest cod nu este un cod CPV ci este doar un utilitar ! "));
    QCOMPARE(w.count(), 0);
}

void TestProgramme::saveWritesTheItemAndResetsTheEditor()
{
    Window w;   // O.S.: production and own funds
    w.showActive();
    w.searchCode(QStringLiteral("03111100"));
    w.fillItem();
    w.line("valeuro")->setText(QStringLiteral("300"));
    w.save();
    QCOMPARE(w.env.messages.texts(), QStringList{QStringLiteral(" Datele au fost salvate ")});
    const ResultSet rs = w.db().query(QStringLiteral("SELECT * FROM program"));
    QCOMPARE(rs.count(), 1);
    const QStringList expected{QString::number(w.cpvId(3111100)), "productie", "1500", "300", "01.03.2026", "20260301",
                               "30.06.2026", "20260630", "POP ION", "BIROU", "proprii", "9", "", ""};
    QStringList got;
    for (const char *c : {"id", "activit", "lei", "euro", "datainc1", "datainc2", "datafin1", "datafin2", "resp",
                          "detal", "fond", "idos", "proced", "proiect"})
        got << rs.text(0, QLatin1String(c));
    QCOMPARE(got, expected);
    // The editor is ready for the next item; what may repeat stays.
    QCOMPARE(w.button("Command2")->text(), QStringLiteral("Salveaza"));
    QCOMPARE(w.line("vallei")->text(), QStringLiteral("0"));
    QVERIFY(w.line("detal")->text().isEmpty() && w.line("resp")->text().isEmpty());
    QCOMPARE(w.line("valeuro")->text(), QStringLiteral("300"));
    QCOMPARE(w.line("zi2")->text(), QStringLiteral("30"));
    QCOMPARE(w.liste->idpsel(), 0);
    QCOMPARE(w.get<QListWidget>("listp")->currentItem()->text(), QStringLiteral("POP ION"));
    QCOMPARE(w.model()->rowCount(), 1);
    QCOMPARE(w.grid()->currentIndex().row(), 0);
    // A second item becomes the grid's last and current row.
    w.searchCode(QStringLiteral("03111200"));
    w.fillItem(QStringLiteral("ALTUL"));
    w.save();
    QCOMPARE(w.model()->rowCount(), 2);
    QCOMPARE(w.grid()->currentIndex().row(), 1);
    // A research item with its project, written trimmed and in upper case.
    w.click(w.get<QRadioButton>("act1"));
    w.get<QComboBox>("proiect")->setEditText(QStringLiteral("  proiect x "));
    w.fillItem(QStringLiteral("PROBE"));
    w.save();
    QCOMPARE(w.count(QStringLiteral("proiect='PROIECT X' and fond='cercetare' and activit='cercetare'")), 1);
}

void TestProgramme::saveTakesTheChosenCodeNotItsName()
{
    Window w;
    w.searchCode(QStringLiteral("14522200"));   // named like 14522000
    QCOMPARE(w.list(5)->currentItem()->text(), QStringLiteral("Diamante industriale"));
    w.fillItem();
    w.save();
    QCOMPARE(w.db().query(QStringLiteral("SELECT id FROM program")).integer(0, QStringLiteral("id")), w.cpvId(14522200));
}

void TestProgramme::duplicatesAreAskedAbout()
{
    Window w(QStringLiteral("O.S. ARAD"), QDate(2026, 3, 15), {{3111100, "10.01.2026", "20.01.2026", 50}});
    w.searchCode(QStringLiteral("03111100"));
    w.fillItem(QStringLiteral("ALT DETALIU"));
    w.env.messages.answers = {false};
    w.save();
    const QString name = w.list(5)->currentItem()->text();
    QCOMPARE(w.env.messages.texts(),
             QStringList{QStringLiteral(" Codul CPV ") + QString::number(w.cpvId(3111100)) + QStringLiteral(" - ") + name
                         + QStringLiteral(" , este deja introdus pe anul 2026 la fonduri proprii\r\n Doriti scrierea"
                                          " peste vechile date ? ")});
    QCOMPARE(w.count(), 1);
    QCOMPARE(w.line("detal")->text(), QStringLiteral("ALT DETALIU"));   // No keeps the editor as it was
    w.env.messages.answers = {true};
    w.save();
    QCOMPARE(w.count(), 1);
    QCOMPARE(w.count(QStringLiteral("lei=1500 and datainc2='20260301' and detal='ALT DETALIU'")), 1);
    // Other funds make another item.
    w.get<QListWidget>("fond")->setCurrentRow(2);
    w.fillItem();
    w.save();
    QCOMPARE(w.count(), 2);

    // Works: the details decide.
    w.env.messages.shown.clear();
    w.searchCode(QStringLiteral("45111000"));
    w.fillItem(QStringLiteral("CANTON 1"));
    w.save();
    w.fillItem(QStringLiteral("CANTON 2"));
    w.save();
    QCOMPARE(w.count(QStringLiteral("detal LIKE 'CANTON%'")), 2);
    w.fillItem(QStringLiteral("CANTON 1"));
    w.env.messages.answers = {false};
    w.save();
    QVERIFY(w.env.messages.last().contains(QStringLiteral(" la obiectivul ,,CANTON 1,,\r\n")));
}

void TestProgramme::editingUpdatesWithoutAsking()
{
    Window w(QStringLiteral("O.S. ARAD"), QDate(2026, 3, 15),
             {{3111100, "10.01.2026", "20.01.2026", 50}, {3111200, "10.02.2026", "20.02.2026", 60}});
    w.showActive();
    QTest::mouseClick(w.grid()->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(w.grid()->horizontalHeader()->sectionViewportPosition(4) + 5, 5));   // LEI, descending
    QCOMPARE(w.gridColumn(4), (QStringList{"60", "50"}));
    w.doubleClickRow(1);
    QCOMPARE(w.button("Command2")->text(), QStringLiteral("Modifica"));
    // Made equal to the other item: still no question.
    w.searchCode(QStringLiteral("03111200"));
    w.line("vallei")->setText(QStringLiteral("70"));
    w.save();
    QCOMPARE(w.env.messages.texts(), QStringList{QStringLiteral(" Datele au fost salvate ")});
    QCOMPARE(w.count(QStringLiteral("id=") + QString::number(w.cpvId(3111200))), 2);
    QCOMPARE(w.count(QStringLiteral("lei=70 and datainc2='20260110'")), 1);
    // The sort stays and the edited row's position is current again.
    QCOMPARE(w.gridColumn(4), (QStringList{"70", "60"}));
    QCOMPARE(w.grid()->currentIndex().row(), 1);
    QCOMPARE(w.button("Command2")->text(), QStringLiteral("Salveaza"));
}

void TestProgramme::gridQueriesAndSorting()
{
    Window w(QStringLiteral("O.S. ARAD"), QDate(2026, 3, 15),
             {{3111100, "10.01.2026", "20.01.2026", 50, "proprii"},
              {3000000, "10.12.2026", "20.01.2027", 80, "bugetare"},
              {3111200, "10.02.2026", "20.02.2026", 60, "accesibilizare", "", "", 3},
              {3111100, "10.02.2025", "20.02.2025", 70}});
    w.showActive();
    auto *header = w.grid()->horizontalHeader();
    QCOMPARE(w.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("0biectul contractului/acordului cadru"));
    QCOMPARE(w.model()->columnCount(), 14);
    QVERIFY(w.grid()->isColumnHidden(10) && w.grid()->isColumnHidden(11));
    QCOMPARE(w.grid()->toolTip(), QStringLiteral("DubluClick pe inregistrarea de modificat sau de sters"));
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
    Window w(QStringLiteral("O.S. ARAD"), QDate(2026, 3, 15),
             {{3111000, "05.04.2026", "30.09.2027", 1234, "bugetare", "", "", 9, "proiectare", "VASILE", "CAMP"}});
    w.showActive();
    w.click(w.get<QRadioButton>("lucr"));
    w.doubleClickRow(0);
    QCOMPARE(w.liste->idpsel(), w.db().query(QStringLiteral("SELECT idp FROM program")).integer(0, QStringLiteral("idp")));
    QVERIFY(w.get<QRadioButton>("act2")->isChecked());
    QVERIFY(w.get<QRadioButton>("prod")->isChecked());
    QCOMPARE(w.get<QListWidget>("fond")->currentItem()->text(), QStringLiteral("bugetare"));
    QCOMPARE((QStringList{w.line("vallei")->text(), w.line("zi1")->text(), w.line("luna1")->text(),
                          w.get<QComboBox>("an1")->currentText(), w.line("zi2")->text(), w.line("luna2")->text(),
                          w.get<QComboBox>("an2")->currentText(), w.line("resp")->text(), w.line("detal")->text()}),
             (QStringList{"1234", "05", "04", "2026", "30", "09", "2027", "VASILE", "CAMP"}));
    // A level-IV entry: its path selected, the lists below it empty.
    const char *path[] = {"03000000", "03100000", "03110000", "03111000"};
    for (int l = 1; l <= 4; ++l)
        QCOMPARE(w.list(l)->currentItem()->text(),
                 w.db().query(QStringLiteral("SELECT den FROM cpv WHERE cod2=?"), {qint64(QString::fromLatin1(path[l - 1]).toLongLong())})
                     .text(0, QStringLiteral("den")));
    for (int l = 5; l <= 7; ++l)
        QCOMPARE(w.list(l)->count(), 0);
    QVERIFY(w.button("Command3")->isVisible() && w.button("Command4")->isVisible());
    // "Inregistrare noua" keeps what may repeat.
    w.click(w.button("Command4"));
    QCOMPARE(w.liste->idpsel(), 0);
    QCOMPARE(w.button("Command2")->text(), QStringLiteral("Salvare"));
    QVERIFY(w.button("Command3")->isHidden() && w.button("Command4")->isHidden());
    QCOMPARE(w.line("vallei")->text(), QStringLiteral("0"));
    QCOMPARE(w.line("valeuro")->text(), QStringLiteral("0"));
    QVERIFY(w.line("detal")->text().isEmpty());
    QCOMPARE(w.line("resp")->text(), QStringLiteral("VASILE"));
    QCOMPARE(w.get<QComboBox>("an2")->currentText(), QStringLiteral("2027"));
}

void TestProgramme::deletionReadsTheLoadedItem()
{
    Window w(QStringLiteral("O.S. ARAD"), QDate(2026, 3, 15),
             {{3111100, "10.01.2026", "20.01.2026", 50, "proprii", "", "licitatie"},
              {3111200, "10.02.2026", "20.02.2026", 60}});
    w.showActive();
    const QString cod = w.model()->text(0, 0);
    // The approved item loaded, another row clicked: the loaded one is refused.
    w.doubleClickRow(0);
    QTest::mouseClick(w.grid()->viewport(), Qt::LeftButton, {}, w.grid()->visualRect(w.model()->index(1, 0)).center());
    w.click(w.button("Command3"));
    QCOMPARE(w.env.messages.texts(),
             QStringList{QStringLiteral(" La produsul cu codul CPV : ") + cod
                         + QStringLiteral(", LEI : 50 a fost stabilita procedura de achizitie si nu mai poate fi stears"
                                          " de dvs. ! ")});
    QCOMPARE(w.count(), 2);
    // A proposal: asked first, No keeps it.
    w.env.messages.shown.clear();
    w.doubleClickRow(1);
    w.click(w.button("Command3"));
    QCOMPARE(w.env.messages.shown.size(), 1);
    QCOMPARE(w.env.messages.shown.first().title, QStringLiteral("Confirmare stergere inregistrare selectata"));
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Sigur doriti stergerea inregistrarii selectate ? \n Cod CPV : ")
                                        + w.model()->text(1, 0) + QStringLiteral(", LEI : 60"));
    QCOMPARE(w.count(), 2);
    w.env.messages.answers = {true};
    w.click(w.button("Command3"));
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Stergerea a fost executata "));
    QCOMPARE(w.count(), 1);
    QCOMPARE(w.count(QStringLiteral("proced='licitatie'")), 1);
    QCOMPARE(w.model()->rowCount(), 1);
    QCOMPARE(w.liste->idpsel(), 0);
    QCOMPARE(w.line("zi1")->text(), QStringLiteral("00"));
    QCOMPARE(w.button("Command2")->text(), QStringLiteral("Salvare"));
    QVERIFY(w.button("Command3")->isHidden());
}

void TestProgramme::editsInsideTheGrid()
{
    Window w(QStringLiteral("O.S. ARAD"), QDate(2026, 3, 15),
             {{3111100, "10.01.2026", "20.01.2026", 50, "proprii", "", "licitatie"},
              {3111200, "10.02.2026", "20.02.2026", 60, "proprii", "", "", 9, "productie", "pop ion"}});
    w.showActive();
    QueryTableModel *m = w.model();
    QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(m->flags(m->index(0, 4)) & Qt::ItemIsEditable);
    // LEI 0 or less, or no number, is refused.
    for (const char *bad : {"0", "-5", "abc"}) {
        QVERIFY(!m->setData(m->index(1, 4), QLatin1String(bad)));
        QCOMPARE(w.env.messages.last(), QStringLiteral(" Data invalida ! "));
    }
    QCOMPARE(w.count(QStringLiteral("lei=60")), 1);
    // An edit is written at once; the row's person becomes upper case.
    QVERIFY(m->setData(m->index(1, 4), QStringLiteral("75.5")));
    QCOMPARE(w.count(QStringLiteral("lei=75.5 and resp='POP ION'")), 1);
    // Typed into the cell as a user does.
    w.grid()->setCurrentIndex(m->index(1, 9));
    QTest::keyClick(w.grid(), Qt::Key_F2);
    QWidget *editor = QApplication::focusWidget();
    QVERIFY(qobject_cast<QLineEdit *>(editor));
    qobject_cast<QLineEdit *>(editor)->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Gard nou"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(w.count(QStringLiteral("detal='Gard nou'")), 1);   // the commit is queued
    QVERIFY(!m->setData(m->index(1, 8), QStringLiteral("O'NEIL")));
    // The Delete key: approved refused, a proposal asked about.
    w.env.messages.shown.clear();
    w.grid()->setCurrentIndex(m->index(0, 0));
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    QCOMPARE(w.env.messages.texts(), QStringList{QStringLiteral(" Aceasta achizitie a fost aprobata si nu poate fi stersa ! ")});
    w.grid()->setCurrentIndex(m->index(1, 0));
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    QCOMPARE(w.env.messages.shown.last().title, QStringLiteral("Confirmare stergere inregistrare selectata"));
    QCOMPARE(w.count(), 2);
    w.env.messages.answers = {true};
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    QCOMPARE(w.count(), 1);
    QCOMPARE(m->rowCount(), 1);
}

void TestProgramme::projectField()
{
    Window w(QStringLiteral("SEDIU"), QDate(2026, 3, 15),
             {{3111100, "10.01.2026", "20.01.2026", 50, "cercetare", "P2026", "", 9, "cercetare"},
              {3111100, "10.01.2025", "20.01.2025", 50, "cercetare", "P2025", "", 9, "cercetare"},
              {3111100, "10.01.2026", "20.01.2026", 50, "cercetare", "PALT", "", 3, "cercetare"},
              {3111100, "10.01.2026", "20.01.2026", 50, "cercetare", "PPROIECTARE", "", 9, "proiectare"}});
    w.showActive();
    auto *proiect = w.get<QComboBox>("proiect");
    // Typing 51 characters: one message, the first 50 kept.
    proiect->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(proiect, QString(51, QLatin1Char('x')));
    QCOMPARE(w.env.messages.texts(), QStringList{QStringLiteral(" Numarul maxim de caractere este 50 !!! ")});
    QCOMPARE(proiect->currentText(), QString(50, QLatin1Char('x')));
    // Leaving the box: upper case without the blanks around.
    proiect->setEditText(QString());
    w.type(proiect, QStringLiteral("  proiect nou "));
    QCOMPARE(proiect->currentText(), QStringLiteral("PROIECT NOU"));
    proiect->setEditText(QString());
    w.type(proiect, QStringLiteral("d'ana"));
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Nu se accepta caracterul apostrof ( ' ) "));
    QCOMPARE(w.focus(), proiect);
    // The list offers this year's projects of the activity and sub-unit; the typed text stays.
    proiect->setEditText(QStringLiteral("TASTAT"));
    w.line("detal")->setFocus(Qt::MouseFocusReason);
    proiect->setFocus(Qt::MouseFocusReason);
    QCOMPARE(proiect->count(), 1);
    QCOMPARE(proiect->itemText(0), QStringLiteral("P2026"));
    QCOMPARE(proiect->currentText(), QStringLiteral("TASTAT"));
}

void TestProgramme::projectPickAndDeletion()
{
    const QList<Row> rows{{3111100, "10.01.2026", "20.01.2026", 10, "cercetare", "PX", "", 9, "cercetare"},
                          {3111200, "10.01.2025", "20.01.2025", 20, "cercetare", "PX", "", 9, "proiectare"},
                          {3111300, "10.01.2026", "20.01.2026", 30, "cercetare", "PX", "", 3, "cercetare"},
                          {3111400, "10.01.2026", "20.01.2026", 40, "proprii", "", "", 9, "productie"}};
    {
        Window w(QStringLiteral("SEDIU"), QDate(2026, 3, 15), rows);
        w.showActive();
        auto *proiect = w.get<QComboBox>("proiect");
        proiect->setFocus(Qt::MouseFocusReason);
        QCOMPARE(proiect->count(), 1);
        QTest::keyClick(proiect, Qt::Key_Down);   // picks the first project
        QCOMPARE(w.get<QLabel>("DataGrid1Caption")->text(), QStringLiteral("Achizitii cuprinse in proiectul : PX"));
        QCOMPARE(w.gridColumn(4), (QStringList{"10", "30"}));   // every sub-unit, this activity
        // Yes, then No: nothing changes, the grid stays.
        w.env.messages.answers = {true, false};
        w.click(w.button("Command7"));
        QCOMPARE(w.env.messages.shown.at(0).title, QStringLiteral("Confirmare stergere proiecte"));
        QCOMPARE(w.env.messages.shown.at(1).text, QStringLiteral(" Confirmati stergerea legaturilor la proiectul '' PX '' ? "));
        QCOMPARE(w.env.messages.shown.at(1).title, QStringLiteral("Confirmare stergere legaturi la proiecte"));
        QCOMPARE(w.count(QStringLiteral("proiect='PX'")), 3);
        QCOMPARE(w.gridColumn(4), (QStringList{"10", "30"}));
        // Yes, Yes: the sub-unit's items of every year keep their rows, without project.
        w.env.messages.shown.clear();
        w.env.messages.answers = {true, true};
        w.click(w.button("Command7"));
        QCOMPARE(w.env.messages.last(),
                 QStringLiteral(" Stergerea legaturilor la codurile CPV, pentru proiectul '' PX '', a fost executata "));
        QCOMPARE(w.count(QStringLiteral("proiect='PX'")), 1);   // the other sub-unit's
        QCOMPARE(w.count(), 4);
        QVERIFY(proiect->currentText().isEmpty());
        QCOMPARE(w.gridColumn(4), (QStringList{"10", "40"}));   // the sub-unit's items of the year
        w.click(w.button("Command7"));
        QCOMPARE(w.env.messages.last(), QStringLiteral(" Selectati denumirea proiectului ! "));
    }
    Window w(QStringLiteral("SEDIU"), QDate(2026, 3, 15), rows);
    w.showActive();
    w.get<QComboBox>("proiect")->setEditText(QStringLiteral("PX"));
    w.env.messages.answers = {false, true};
    w.click(w.button("Command7"));
    QCOMPARE(w.env.messages.shown.at(1).text, QStringLiteral(" Ati selectat stergerea proiectului '' PX '', impreuna cu"
                                                             " codurile CPV aferente acestuia \r\n Confirmati aceasta ? "));
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Stergerea codurilor CPV aferente proiectului '' PX '' a fost executata "));
    QCOMPARE(w.count(), 2);
    QCOMPARE(w.count(QStringLiteral("proiect='PX' and idos=3")), 1);
}

void TestProgramme::yearCopy()
{
    Window w(QStringLiteral("O.S. ARAD"), QDate(2026, 3, 15),
             {{3111100, "15.03.2024", "20.03.2024", 10, "proprii", "", "licitatie"},
              {3111200, "01.12.2024", "31.01.2025", 20},
              {3111300, "29.02.2024", "29.02.2024", 30, "proprii", "", "", 3}});
    w.db().exec(QStringLiteral("UPDATE program SET anunt='A1', realiz=5"));
    w.showActive();
    auto *anul = w.get<QListWidget>("anul");
    auto *menu = w.liste->findChild<QMenu *>();
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("Transfer"));
    QVERIFY(w.liste->findChild<QAction *>(QStringLiteral("mnutrans")));
    QAction *copy = w.liste->findChild<QAction *>(QStringLiteral("mnucopi"));
    QCOMPARE(copy->text(), QStringLiteral("Copiere in anul curent"));
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
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Datele din anul 2024 au fost copiate in anul 2026"));
    const ResultSet copied = w.db().query(QStringLiteral("SELECT * FROM program WHERE datainc2>='20260101' ORDER BY lei"));
    QCOMPARE(copied.count(), 3);
    QStringList dates;
    for (int r = 0; r < 3; ++r)
        dates << copied.text(r, QStringLiteral("datainc1")) + QLatin1Char('/') + copied.text(r, QStringLiteral("datainc2"))
                     + QLatin1Char('/') + copied.text(r, QStringLiteral("datafin1")) + QLatin1Char('/')
                     + copied.text(r, QStringLiteral("datafin2"));
    QCOMPARE(dates, (QStringList{"15.03.2026/20260315/20.03.2026/20260320", "01.12.2026/20261201/31.01.2027/20270131",
                                 "28.02.2026/20260228/28.02.2026/20260228"}));
    QCOMPARE(w.count(QStringLiteral("datainc2>='20260101' and (proced<>'' or anunt<>'' or realiz IS NOT NULL)")), 0);
    QCOMPARE(w.count(QStringLiteral("datainc2>='20260101' and idos=3")), 1);
    QCOMPARE(w.model()->rowCount(), 3);   // the grid is not refreshed by the copy: it shows 2024 still
    // Into a filled year: two questions; No to the second keeps everything.
    w.env.messages.shown.clear();
    w.env.messages.answers = {true, false};
    copy->trigger();
    QCOMPARE(w.env.messages.last(), QStringLiteral(" Aveti deja date introduse in anul 2026 ! \n Datele din anul 2024 se"
                                                   " vor suprascrie peste cele din 2026.\n Continuati ? "));
    QCOMPARE(w.count(), 6);
    w.db().exec(QStringLiteral("INSERT INTO program (id,lei,datainc2,idos) VALUES(1,99,'20260505',9)"));
    w.env.messages.answers = {true, true};
    copy->trigger();
    QCOMPARE(w.count(QStringLiteral("datainc2>='20260101'")), 3);
    QCOMPARE(w.count(QStringLiteral("lei=99")), 0);
}

void TestProgramme::manyRowChangesAreAllOrNothing()
{
    const QList<Row> rows{{3111100, "10.01.2024", "20.01.2024", 10, "cercetare", "PX", "", 9, "cercetare"},
                          {3111200, "10.01.2024", "20.01.2024", 20, "cercetare", "PX", "", 9, "cercetare"},
                          {3111300, "10.01.2026", "20.01.2026", 30, "cercetare", "PX", "", 9, "cercetare"}};
    Window w(QStringLiteral("SEDIU"), QDate(2026, 3, 15), rows);
    // The engine refuses the second row of each change.
    w.db().execScript(QStringLiteral(
        "CREATE TRIGGER no_copy BEFORE INSERT ON program WHEN NEW.lei=20 BEGIN SELECT RAISE(ABORT,'refuzat'); END;"
        "CREATE TRIGGER no_unlink BEFORE UPDATE ON program WHEN OLD.lei=20 BEGIN SELECT RAISE(ABORT,'refuzat'); END;"
        "CREATE TRIGGER no_delete BEFORE DELETE ON program WHEN OLD.lei=20 BEGIN SELECT RAISE(ABORT,'refuzat'); END;"));
    const QStringList before = tableDump(w.db(), QStringLiteral("program"));
    w.showActive();
    w.clickRow(w.get<QListWidget>("anul"), 2);
    w.env.messages.answers = {true, true};
    w.liste->findChild<QAction *>(QStringLiteral("mnucopi"))->trigger();
    w.get<QComboBox>("proiect")->setEditText(QStringLiteral("PX"));
    w.env.messages.answers = {true, true};
    w.click(w.button("Command7"));
    w.get<QComboBox>("proiect")->setEditText(QStringLiteral("PX"));
    w.env.messages.answers = {false, true};
    w.click(w.button("Command7"));
    QStringList errors;
    for (const ShownMessage &m : std::as_const(w.env.messages.shown))
        if (m.title == QLatin1String("Eroare"))
            errors << m.text;
    QCOMPARE(errors, QStringList(3, QStringLiteral("Eroarea 19 refuzat")));
    QCOMPARE(tableDump(w.db(), QStringLiteral("program")), before);
}

QTEST_MAIN(TestProgramme)
#include "test_programme.moc"
