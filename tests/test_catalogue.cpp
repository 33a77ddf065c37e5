// The CPV browser and its searches, on the shipped catalogue, plus the pure
// rules (children of a code, the word pattern) tested directly.

#include "steps.h"
#include "catalogue/browser.h"
#include "catalogue/levels.h"
#include "catalogue/pattern.h"
#include "programme/liste.h"
#include "store/database.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

const QString kUtility = u" Acest cod nu este un cod CPV ci este doar un utilitar ! "_s;
const QString kNoCode = u" Numarul introdus nu figureaza printre codurile CPV ! "_s;
const QString kExhausted = u" Cautarea acestui cuvant a fost epuizata ! "_s;

// The mouse moving over a list, as the window system delivers it; the list's tooltip then.
QString hover(QListWidget *list, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, list->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    return list->toolTip();
}

struct Window : Env {
    explicit Window(bool shown = true) : Env(u"SEDIU"_s)
    {
        // The utility row is the start-up's; add it the same way.
        db().exec(u"INSERT INTO cpv (cod,den,fel,cod2) VALUES('30192120-COD INVALID','Produse pentru scris',1,30192120)"_s);
        liste = std::make_unique<Liste>(*ctx);
        if (shown)
            activate(liste.get());
    }
    QListWidget *list(int level) const { return liste->findChild<QListWidget *>(u"list%1"_s.arg(level)); }
    template <typename T = QRadioButton> T *get(const char *name) const
    {
        return liste->findChild<T *>(QLatin1String(name));
    }
    CatalogueBrowser *b() const { return liste->browser(); }
    QString current(int level) const
    {
        return list(level)->currentItem() ? list(level)->currentItem()->text() : QString();
    }
    QStringList items(int level) const
    {
        QStringList out;
        for (int i = 0; i < list(level)->count(); ++i)
            out << list(level)->item(i)->text();
        return out;
    }
    // The current entries of lists `from` to `to`, and the names of those codes.
    QStringList path(int to, int from = 1) const
    {
        QStringList out;
        for (int l = from; l <= to; ++l)
            out << current(l);
        return out;
    }
    QStringList names(std::initializer_list<qint64> codes)
    {
        QStringList out;
        for (qint64 c : codes)
            out << db().query(u"SELECT den FROM cpv WHERE cod2=?"_s, {c}).text(0, u"den"_s);
        return out;
    }
    // The entry a save takes, as "code|name".
    QString chosen() const { return b()->chosen() ? b()->chosen()->code + u"|"_s + b()->chosen()->name : QString(); }
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
    bool anyBlocked() const
    {
        for (int l = 1; l <= 6; ++l)
            if (b()->blocat(l))
                return true;
        return false;
    }

    std::unique_ptr<Liste> liste;
};

} // namespace

#define RUN(w, ...) RUN_STEPS(w, (w).liste.get(), __VA_ARGS__)

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void childCandidatesFollowTheCode();
    void pattern_data();
    void pattern();
    void browsing();
    void utilityEntryIsBrowsableButRefused();
    void codeSearch();
    void codeAndWordBoxes();
    void wordSearchWalksItsMatches();
    void emptyWordWalksTheWholeCatalogue();
};

// A code's children vary its next digit from 1 to 9 and keep the rest, the utility code's too.
void TestCatalogue::childCandidatesFollowTheCode()
{
    QVector<qint64> level1;
    for (int d = 1; d <= 9; ++d)
        level1 << 3000000 + d * 100000;
    QCOMPARE(childCandidates(u"03000000-1"_s, 1), level1);
    const QVector<qint64> utility = childCandidates(u"30192120-COD INVALID"_s, 6);
    QCOMPARE((QList<qint64>{childCandidates(u"03110000-5"_s, 3).first(), childCandidates(u"03111100-3"_s, 5).last(),
                            utility.first(), utility.last()}),
             (QList<qint64>{3111000, 3111190, 30192121, 30192129}));
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
    QTEST(WordPattern(word).matches(name), "matches");
}

// Loaded on goods, the cascade walks the first children down; a kind fills list I and names the details box;
// children come in digit order with their gaps; a click refills only the levels below; the tooltip names the entry.
void TestCatalogue::browsing()
{
    Window w;
    auto *label = w.get<QLabel>("Label17");
    QVERIFY(w.get("prod")->isChecked() && !w.anyBlocked());
    QCOMPARE(w.path(5) << label->text(), w.names({3000000, 3100000, 3110000, 3111000, 3111100}) << u"Detalii"_s);
    QCOMPARE(w.list(6)->count() + w.list(7)->count() + w.b()->nrgasite(), 0);   // Boabe de soia has no children
    QCOMPARE(w.b()->coduri(2).first(), u"03100000-2"_s);
    QCOMPARE(w.list(1)->count(), w.db().query(u"SELECT den FROM cpv WHERE lista=1 and fel=1"_s).count());
    RUN(w, {clickCell(u"list4"_s, 2)});
    QCOMPARE(hover(w.list(4), QPoint(5, 5)), w.b()->coduri(4).at(2) + u" - "_s + w.list(4)->item(2)->text());
    QVERIFY(w.b()->coduri(4).at(2).contains(QLatin1Char('-')));   // the stored code text
    RUN(w, {click(u"lucr"_s)});
    QCOMPARE(w.items(1) << w.current(2) << label->text(), w.names({45000000, 45100000}) << u"Obiectivul"_s);
    RUN(w, {click(u"serv"_s)});
    QCOMPARE(QStringList({w.list(1)->item(0)->text(), w.b()->coduri(1).first(), label->text()}),
             w.names({50000000}) << u"50000000-5"_s << u"Detalii"_s);
    RUN(w, {clickCell(u"list1"_s, w.items(1).indexOf(w.names({63000000}).first()))});
    QCOMPARE(w.items(2), w.names({63100000, 63500000, 63700000}));
    QCOMPARE(w.b()->coduri(2), (QStringList{u"63100000-0"_s, u"63500000-4"_s, u"63700000-6"_s}));
    RUN(w, {clickCell(u"list2"_s, 2)});
    QCOMPARE(w.path(3), w.names({63000000, 63700000, 63710000}));
}

void TestCatalogue::utilityEntryIsBrowsableButRefused()
{
    Window w;
    // "Radiere" (30192100) is the parent of the utility row, which is the parent of 3019212x.
    w.typeCode(u"30192100"_s);
    QCOMPARE(w.current(5) + QString::number(w.list(6)->count()), u"Radiere0"_s);
    RUN(w, {clickCell(u"list5"_s, w.list(5)->currentRow())});   // the entry already current
    const int row = w.items(6).indexOf(u"Produse pentru scris"_s);
    RUN(w, {clickCell(u"list6"_s, row)});
    QCOMPARE(w.b()->coduri(6).value(row) + w.list(7)->item(0)->text(), u"30192120-COD INVALIDPixuri"_s);
    const int children = w.list(7)->count();
    QVERIFY(children >= 7);
    RUN(w, {doubleClickCell(u"list6"_s, row), message(kUtility)});
    QCOMPARE(w.list(7)->count(), children);
    // Listed by a search it is refused the same way; its tooltip says what it is.
    w.typeCode(u"30192120"_s);
    QCOMPARE(hover(w.list(6), QPoint(7, 7)), u"30192120 COD INVALID - Produse pentru scris"_s);
    QCOMPARE(w.chosen(), u"30192120|Produse pentru scris"_s);
    RUN(w, {doubleClickCell(u"list6"_s, w.list(6)->currentRow()), message(kUtility)});
    QCOMPARE(w.current(6), u"Produse pentru scris"_s);
}

// The kind follows the code; every level is positioned, the code remembered in digits.
void TestCatalogue::codeSearch()
{
    Window w;
    RUN(w, {click(u"lucr"_s)});
    for (const QString &typed : {u"03111100"_s, u"3111100"_s}) {
        w.typeCode(typed);
        QVERIFY(w.get("prod")->isChecked());
        QCOMPARE(w.path(5), w.names({3000000, 3100000, 3110000, 3111000, 3111100}));
        QCOMPARE(w.list(6)->count() + w.list(7)->count(), 0);
        QCOMPARE(w.chosen(), u"3111100|Boabe de soia"_s);
    }
    QCOMPARE(hover(w.list(5), QPoint(6, 6)), u"3111100 - Boabe de soia"_s);
    w.typeCode(u"03212211"_s);   // a level-VII entry
    QCOMPARE(w.path(7, 6), w.names({3212210, 3212211}));
    w.typeCode(u"63712000"_s);   // services while goods are shown
    QVERIFY(w.get("serv")->isChecked() && !w.anyBlocked() && w.messages.shown.isEmpty());
    QCOMPARE(w.path(1) << w.chosen(), w.names({63000000}) << u"63712000|"_s + w.names({63712000}).first());
    const QStringList before = w.items(2);
    QCOMPARE(before.size(), 3);
    w.typeCode(u"12345678"_s);
    QCOMPARE(w.messages.texts(), QStringList{kNoCode});
    QVERIFY(w.items(2) == before && w.get("serv")->isChecked());
    // A division only switches the kind.
    w.typeCode(u"30000000"_s);
    QVERIFY(w.get("prod")->isChecked());
    QCOMPARE(w.path(2), w.names({3000000, 3100000}));
}

// Typing in one box empties the other; the button follows the box in use; the code box takes only digits.
void TestCatalogue::codeAndWordBoxes()
{
    Window w;
    auto *cod = w.get<QLineEdit>("cod");
    auto *cuvant = w.get<QLineEdit>("cuvant");
    QCOMPARE(cod->maxLength(), 8);
    QTest::keyClicks(cuvant, u"soia"_s);
    QTest::keyClicks(cod, u"15994000"_s);
    QVERIFY(cuvant->text().isEmpty());
    RUN(w, {click(u"Command6"_s)});
    QCOMPARE(w.chosen(), u"15994000|"_s + w.names({15994000}).first());
    QTest::keyClicks(cuvant, u"soia"_s);
    QVERIFY(cod->text().isEmpty());
    cod->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(cod, u"12a"_s);
    cuvant->setFocus(Qt::TabFocusReason);
    QCOMPARE(w.messages.texts(), QStringList{u" Introduceti doar numere ! "_s});
    QCOMPARE(QApplication::focusWidget(), cod);
    QTRY_COMPARE(cod->selectedText(), u"12a"_s);   // back with its text selected
    // Enter searches the leading digits: 12 is no code. A number passes.
    QTest::keyClick(cod, Qt::Key_Return);
    QCOMPARE(w.messages.last(), kNoCode);
    cod->setText(u"3111100"_s);
    cuvant->setFocus(Qt::TabFocusReason);
    QVERIFY(QApplication::focusWidget() == cuvant && w.messages.shown.size() == 2);
}

void TestCatalogue::wordSearchWalksItsMatches()
{
    Window w;
    const QStringList expected = w.names({15991100, 15991300, 15994000, 15994100});
    for (const QString &name : expected) {
        w.typeWord(u"tigari"_s);
        QCOMPARE(w.chosen().section(u'|', 1), name);
    }
    QCOMPARE(w.b()->nrgasite(), 4);
    QCOMPARE(w.b()->cuvvechi(), u"tigari"_s);
    w.typeWord(u"tigari"_s);
    QCOMPARE(w.messages.texts(), QStringList{kExhausted});
    QVERIFY(w.chosen().endsWith(u"|"_s + expected.last()) && w.b()->cuvvechi().isEmpty());   // lists unchanged
    // Then it starts over; another word in between starts the first one over too.
    for (const auto &[word, name] : {std::pair{u"tigari"_s, 0}, {u"tigari"_s, 1}, {u"soia"_s, -1}, {u"tigari"_s, 0}}) {
        w.typeWord(word);
        QVERIFY2(name < 0 || w.chosen().endsWith(u"|"_s + expected.at(name)), qPrintable(w.chosen()));
    }
    w.typeWord(u"nimic asemanator"_s);
    QCOMPARE(w.messages.last(), kExhausted);
    w.liste->reject();
    QVERIFY(w.b()->cuvvechi().isEmpty());
}

void TestCatalogue::emptyWordWalksTheWholeCatalogue()
{
    Window w(false);   // hidden: a thousand positionings
    // The divisions below 20 alone hold more entries than the old limit of 1001.
    w.db().exec(u"DELETE FROM cpv WHERE cod2>=20000000"_s);
    const ResultSet all = w.db().query(u"SELECT den FROM cpv ORDER BY cod2,fel"_s);
    QVERIFY(all.count() > 1001);
    for (int i = 0; i < all.count(); ++i) {
        w.b()->searchWord(QString());
        if (i < 3 || i == all.count() - 1)
            QCOMPARE(w.b()->chosen()->name, all.text(i, u"den"_s));
    }
    QCOMPARE(w.b()->nrgasite(), all.count());   // well past the old 1001 limit
    QVERIFY(w.messages.shown.isEmpty());
    w.b()->searchWord(QString());
    w.b()->searchWord(QString());
    QCOMPARE(w.messages.texts(), QStringList(2, kExhausted));
}

QTEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
