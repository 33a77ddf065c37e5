// The CPV browser and its searches, on the shipped catalogue, plus the pure
// rules (children, levels, positioning plan, pattern) tested directly.

#include "fakes.h"
#include "catalogue/browser.h"
#include "catalogue/levels.h"
#include "catalogue/pattern.h"
#include "programme/liste.h"
#include "store/database.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

// The mouse moving over a list, as the window system delivers it.
void hover(QListWidget *list, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, list->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
}

struct Window : Env {
    explicit Window(const QString &numeos = u"SEDIU"_s) : Env(numeos)
    {
        // The utility row is the start-up's; add it the same way.
        db().exec(u"INSERT INTO cpv (cod,den,fel,cod2) VALUES('30192120-COD INVALID','Produse pentru scris',1,30192120)"_s);
        liste = std::make_unique<Liste>(*ctx);
    }
    QListWidget *list(int level) const
    {
        return liste->findChild<QListWidget *>(u"list%1"_s.arg(level));
    }
    template <typename T> T *get(const char *name) const { return liste->findChild<T *>(QLatin1String(name)); }
    QString current(int level) const
    {
        QListWidgetItem *i = list(level)->currentItem();
        return i ? i->text() : QString();
    }
    QStringList items(int level) const
    {
        QStringList out;
        for (int i = 0; i < list(level)->count(); ++i)
            out << list(level)->item(i)->text();
        return out;
    }
    // The current entries of lists I to `to`, and the names of those codes.
    QStringList path(int to) const
    {
        QStringList out;
        for (int l = 1; l <= to; ++l)
            out << current(l);
        return out;
    }
    QStringList namesOf(std::initializer_list<qint64> codes)
    {
        QStringList out;
        for (qint64 c : codes)
            out << nameOf(c);
        return out;
    }
    QString nameOf(qint64 cod2)
    {
        return db().query(u"SELECT den FROM cpv WHERE cod2=?"_s, {cod2}).text(0, u"den"_s);
    }
    // The entry the editor would take: current entry of the deepest non-empty list.
    QString chosen() const
    {
        for (int l = 7; l >= 1; --l)
            if (list(l)->count() > 0)
                return current(l);
        return QString();
    }
    void typeCode(const QString &text)
    {
        auto *cod = get<QLineEdit>("cod");
        cod->clear();
        QTest::keyClicks(cod, text);
        QTest::keyClick(cod, Qt::Key_Return);
    }
    void typeWord(const QString &text)
    {
        auto *cuvant = get<QLineEdit>("cuvant");
        cuvant->clear();
        for (const QChar c : text)   // keyClicks cannot send ă ş ţ
            QTest::sendKeyEvent(QTest::Click, cuvant, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::keyClick(cuvant, Qt::Key_Return);
    }

    std::unique_ptr<Liste> liste;
};

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void childCandidatesFollowTheCode();
    void pattern_data();
    void pattern();

    void loadChoosesGoodsAndCascades();
    void kindsFillTheFirstLevelAndLabel();
    void childrenComeInDigitOrderWithGaps();
    void utilityEntryIsBrowsableButRefused();
    void tooltipsOfBrowsedAndSearchedEntries();
    void codeSearchPositionsAllLevels();
    void codeSearchRefusals();
    void codeBoxRefusesTextOnFocusLoss();
    void wordSearchWalksItsMatches();
    void emptyWordWalksTheWholeCatalogue();
};

void TestCatalogue::childCandidatesFollowTheCode()
{
    QVector<qint64> level1;
    for (int d = 1; d <= 9; ++d)
        level1 << 3000000 + d * 100000;
    QCOMPARE(childCandidates(u"03000000-1"_s, 1), level1);
    QCOMPARE(childCandidates(u"03110000-5"_s, 3).first(), qint64(3111000));
    QCOMPARE(childCandidates(u"03111100-3"_s, 5).last(), qint64(3111190));
    QCOMPARE(childCandidates(u"30192120-COD INVALID"_s, 6).first(), qint64(30192121));
    QCOMPARE(childCandidates(u"30192120-COD INVALID"_s, 6).last(), qint64(30192129));
    QVERIFY(childCandidates(u"03"_s, 3).isEmpty());
}

void TestCatalogue::pattern_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    QTest::newRow("plain, any case") << "hartie" << "Carton şi HARTIE" << true;
    QTest::newRow("diacritics in the name") << "tigari" << "Hârtie pentru ţigări" << true;
    QTest::newRow("comma-below letters typed") << "ţigări" << "HARTIE PENTRU TIGARI" << true;
    QTest::newRow("comma-below vs cedilla") << "șine" << "Şine de cale ferată" << true;
    QTest::newRow("question mark") << "c?r" << "Cărucioare" << true;
    QTest::newRow("question mark needs a char") << "c?r" << "cr" << false;
    QTest::newRow("number sign") << "tip #" << "Motor tip 4 timpi" << true;
    QTest::newRow("number sign takes 0") << "tip #" << "Motor tip 0" << true;
    QTest::newRow("number sign takes 9") << "tip #" << "Motor tip 9" << true;
    QTest::newRow("number sign refuses letters") << "tip #" << "Motor tip A" << false;
    QTest::newRow("list") << "b[ao]t" << "Beton" << false;
    QTest::newRow("list hit") << "b[ae]t" << "Beton" << true;
    QTest::newRow("range") << "[a-c]ar" << "Bare" << true;
    QTest::newRow("negated list") << "[!b]are" << "Bare" << false;
    QTest::newRow("negated list hit") << "[!b]are" << "Mare" << true;
    QTest::newRow("star inside") << "seminte*soia" << "Seminţe de soia" << true;
    QTest::newRow("unclosed bracket is literal") << "a[b" << "xa[bx" << true;
    QTest::newRow("empty matches all") << "" << "Orice" << true;
    QTest::newRow("absent") << "zzzz" << "Seminţe" << false;
}

void TestCatalogue::pattern()
{
    QFETCH(QString, word);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(WordPattern(word).matches(name), matches);
}

void TestCatalogue::loadChoosesGoodsAndCascades()
{
    Window w;
    QCOMPARE(w.liste->windowTitle(), u"PROGRAMUL ACHIZITIILOR"_s);
    QVERIFY(w.get<QRadioButton>("prod")->isChecked());
    // The cascade walks the first children down from the first goods division.
    QCOMPARE(w.path(5), w.namesOf({3000000, 3100000, 3110000, 3111000, 3111100}));
    QCOMPARE(w.list(6)->count(), 0);   // Boabe de soia has no children
    QCOMPARE(w.list(7)->count(), 0);
    for (int l = 1; l <= 6; ++l)
        QVERIFY(!w.liste->browser()->blocat(l));
    QCOMPARE(w.liste->browser()->nrgasite(), 0);
    QCOMPARE(w.liste->browser()->coduri(2).first(), u"03100000-2"_s);
}

void TestCatalogue::kindsFillTheFirstLevelAndLabel()
{
    Window w;
    auto *label = w.get<QLabel>("Label17");
    QCOMPARE(label->text(), u"Detalii"_s);
    const ResultSet goods = w.db().query(u"SELECT den FROM cpv WHERE lista=1 and fel=1"_s);
    QCOMPARE(w.list(1)->count(), goods.count());
    w.get<QRadioButton>("lucr")->click();
    QCOMPARE(w.items(1), QStringList{w.nameOf(45000000)});
    QCOMPARE(label->text(), u"Obiectivul"_s);
    QCOMPARE(w.current(2), w.nameOf(45100000));
    w.get<QRadioButton>("serv")->click();
    QCOMPARE(label->text(), u"Detalii"_s);
    QCOMPARE(w.list(1)->item(0)->text(), w.nameOf(50000000));
    QCOMPARE(w.liste->browser()->coduri(1).first(), u"50000000-5"_s);
}

void TestCatalogue::childrenComeInDigitOrderWithGaps()
{
    Window w;
    w.get<QRadioButton>("serv")->click();
    const int row = w.items(1).indexOf(w.nameOf(63000000));
    QVERIFY(row >= 0);
    w.list(1)->setCurrentRow(row);
    QCOMPARE(w.items(2), (QStringList{w.nameOf(63100000), w.nameOf(63500000), w.nameOf(63700000)}));
    QCOMPARE(w.liste->browser()->coduri(2), (QStringList{u"63100000-0"_s, u"63500000-4"_s, u"63700000-6"_s}));
    // Clicking a lower level refills only the levels below it.
    w.list(2)->setCurrentRow(2);
    QCOMPARE(w.current(1), w.nameOf(63000000));
    QCOMPARE(w.current(3), w.nameOf(63710000));
}

void TestCatalogue::utilityEntryIsBrowsableButRefused()
{
    Window w;
    // "Radiere" (30192100) is the parent of the utility row, which is the
    // parent of 3019212x.
    w.typeCode(u"30192100"_s);
    QCOMPARE(w.current(5), u"Radiere"_s);
    QCOMPARE(w.list(6)->count(), 0);
    w.liste->browser()->levelClicked(5);   // the user clicks "Radiere"
    const int row = w.items(6).indexOf(u"Produse pentru scris"_s);
    QVERIFY(row >= 0);
    w.list(6)->setCurrentRow(row);
    QCOMPARE(w.liste->browser()->coduri(6).at(row), u"30192120-COD INVALID"_s);
    QCOMPARE(w.list(7)->item(0)->text(), u"Pixuri"_s);
    const int children = w.list(7)->count();
    QVERIFY(children >= 7);

    w.liste->browser()->levelDoubleClicked(6);
    QCOMPARE(w.messages.texts(), QStringList{u" Acest cod nu este un cod CPV ci este doar un utilitar ! "_s});
    QCOMPARE(w.list(7)->count(), children);

    // Listed by a search it is refused the same way.
    w.typeCode(u"30192120"_s);
    QCOMPARE(w.current(6), u"Produse pentru scris"_s);
    QCOMPARE(w.liste->browser()->coduri(6).at(w.list(6)->currentRow()), u"30192120"_s);
    w.liste->browser()->levelDoubleClicked(6);
    QCOMPARE(w.messages.shown.size(), 2);
    QCOMPARE(w.current(6), u"Produse pentru scris"_s);
}

void TestCatalogue::tooltipsOfBrowsedAndSearchedEntries()
{
    Window w;
    w.liste->show();
    QListWidget *l4 = w.list(4);
    w.list(2)->setCurrentRow(0);
    w.list(3)->setCurrentRow(0);
    QVERIFY(l4->count() >= 3);
    l4->setCurrentRow(2);
    hover(l4, QPoint(5, 5));
    QCOMPARE(l4->toolTip(), w.liste->browser()->coduri(4).at(2) + u" - "_s + l4->item(2)->text());
    QVERIFY(w.liste->browser()->coduri(4).at(2).contains(QLatin1Char('-')));   // the stored code text

    w.typeCode(u"03111100"_s);
    QListWidget *l5 = w.list(5);
    hover(l5, QPoint(6, 6));
    QCOMPARE(l5->toolTip(), u"3111100 - Boabe de soia"_s);

    w.typeCode(u"30192120"_s);
    QListWidget *l6 = w.list(6);
    hover(l6, QPoint(7, 7));
    QCOMPARE(l6->toolTip(), u"30192120 COD INVALID - Produse pentru scris"_s);
}

void TestCatalogue::codeSearchPositionsAllLevels()
{
    Window w;
    w.get<QRadioButton>("lucr")->click();
    for (const QString &typed : {u"03111100"_s, u"3111100"_s}) {
        w.typeCode(typed);
        QVERIFY(w.get<QRadioButton>("prod")->isChecked());
        QCOMPARE(w.path(5), w.namesOf({3000000, 3100000, 3110000, 3111000, 3111100}));
        QCOMPARE(w.list(6)->count(), 0);
        QCOMPARE(w.list(7)->count(), 0);
        QCOMPARE(w.liste->browser()->coduri(5).at(w.list(5)->currentRow()), u"3111100"_s);
        QCOMPARE(w.chosen(), u"Boabe de soia"_s);
    }
    // A services code while goods are shown; a level-VII entry.
    w.typeCode(u"63712000"_s);
    QVERIFY(w.get<QRadioButton>("serv")->isChecked());
    QCOMPARE(w.current(1), w.nameOf(63000000));
    QCOMPARE(w.items(2).size(), 3);
    QCOMPARE(w.chosen(), w.nameOf(63712000));
    w.typeCode(u"03212211"_s);
    QCOMPARE(w.current(7), w.nameOf(3212211));
    QCOMPARE(w.current(6), w.nameOf(3212210));
    for (int l = 1; l <= 6; ++l)
        QVERIFY(!w.liste->browser()->blocat(l));
    QVERIFY(w.messages.shown.isEmpty());
}

void TestCatalogue::codeSearchRefusals()
{
    Window w;
    w.get<QRadioButton>("serv")->click();
    const QStringList before = w.items(2);
    w.typeCode(u"12345678"_s);
    QCOMPARE(w.messages.texts(), QStringList{u" Numarul introdus nu figureaza printre codurile CPV ! "_s});
    QCOMPARE(w.items(2), before);
    QVERIFY(w.get<QRadioButton>("serv")->isChecked());

    // A division only switches the kind.
    w.typeCode(u"30000000"_s);
    QVERIFY(w.get<QRadioButton>("prod")->isChecked());
    QCOMPARE(w.current(1), w.nameOf(3000000));
    QCOMPARE(w.current(2), w.nameOf(3100000));

    // Typing in one box empties the other; the button follows the box in use.
    auto *cod = w.get<QLineEdit>("cod");
    auto *cuvant = w.get<QLineEdit>("cuvant");
    QCOMPARE(cod->maxLength(), 8);
    QTest::keyClicks(cuvant, u"soia"_s);
    QVERIFY(cod->text().isEmpty());
    QTest::keyClicks(cod, u"15994000"_s);
    QVERIFY(cuvant->text().isEmpty());
    w.get<QPushButton>("Command6")->click();
    QCOMPARE(w.chosen(), w.nameOf(15994000));
    cod->clear();
    QTest::keyClicks(cuvant, u"soia"_s);
    w.get<QPushButton>("Command6")->click();
    QVERIFY(WordPattern(u"soia"_s).matches(w.chosen()));
    QCOMPARE(w.messages.shown.size(), 1);
}

void TestCatalogue::codeBoxRefusesTextOnFocusLoss()
{
    Window w;
    activate(w.liste.get());
    auto *cod = w.get<QLineEdit>("cod");
    auto *cuvant = w.get<QLineEdit>("cuvant");
    cod->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(cod, u"12a"_s);
    cuvant->setFocus(Qt::TabFocusReason);
    QCOMPARE(w.messages.texts(), QStringList{u" Introduceti doar numere ! "_s});
    QCOMPARE(QApplication::focusWidget(), cod);
    QTRY_COMPARE(cod->selectedText(), u"12a"_s);   // back with its text selected
    // Enter searches the leading digits: 12 is no code.
    QTest::keyClick(cod, Qt::Key_Return);
    QCOMPARE(w.messages.last(), u" Numarul introdus nu figureaza printre codurile CPV ! "_s);
    // A number passes.
    cod->setText(u"3111100"_s);
    cuvant->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), cuvant);
    QCOMPARE(w.messages.shown.size(), 2);
}

void TestCatalogue::wordSearchWalksItsMatches()
{
    Window w;
    const QStringList expected{w.nameOf(15991100), w.nameOf(15991300), w.nameOf(15994000), w.nameOf(15994100)};
    for (const QString &name : expected) {
        w.typeWord(u"tigari"_s);
        QCOMPARE(w.chosen(), name);
    }
    QCOMPARE(w.liste->browser()->nrgasite(), 4);
    QCOMPARE(w.liste->browser()->cuvvechi(), u"tigari"_s);
    w.typeWord(u"tigari"_s);
    QCOMPARE(w.messages.texts(), QStringList{u" Cautarea acestui cuvant a fost epuizata ! "_s});
    QCOMPARE(w.chosen(), expected.last());   // lists unchanged
    QVERIFY(w.liste->browser()->cuvvechi().isEmpty());
    w.typeWord(u"tigari"_s);
    QCOMPARE(w.chosen(), expected.first());

    // Another word in between starts the first one over.
    w.typeWord(u"tigari"_s);
    QCOMPARE(w.chosen(), expected.at(1));
    w.typeWord(u"soia"_s);
    w.typeWord(u"tigari"_s);
    QCOMPARE(w.chosen(), expected.first());

    w.typeWord(u"nimic asemanator"_s);
    QCOMPARE(w.messages.last(), u" Cautarea acestui cuvant a fost epuizata ! "_s);
    w.liste->reject();
    QVERIFY(w.liste->browser()->cuvvechi().isEmpty());
}

void TestCatalogue::emptyWordWalksTheWholeCatalogue()
{
    Window w;
    const ResultSet all = w.db().query(u"SELECT den FROM cpv ORDER BY cod2,fel"_s);
    CatalogueBrowser *b = w.liste->browser();
    for (int i = 0; i < all.count(); ++i) {
        b->searchWord(QString());
        if (i < 3 || i == all.count() - 1)
            QCOMPARE(w.chosen(), all.text(i, u"den"_s));
    }
    QCOMPARE(b->nrgasite(), all.count());   // well past the old 1001 limit
    QVERIFY(w.messages.shown.isEmpty());
    b->searchWord(QString());
    b->searchWord(QString());
    QCOMPARE(w.messages.texts(), QStringList(2, u" Cautarea acestui cuvant a fost epuizata ! "_s));
}

QTEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
