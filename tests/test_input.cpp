// Bad input in every entry field and editable cell, window by window: each
// text gets the field's own message or is stored exactly as typed (within
// the field's limit, in the field's case); no statement breaks, nothing
// crashes.

#include "fakes.h"
#include "catalogue/browser.h"
#include "programme/liste.h"
#include "realizations/entrychecks.h"
#include "realizations/realiz.h"
#include "reports/cen.h"
#include "shell/password.h"
#include "shell/setare2.h"
#include "store/database.h"
#include "store/querymodel.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

const QStringList &badInputs()
{
    static const QStringList inputs{u"O'NEIL"_s,        u"A\"B"_s, QString(10000, QLatin1Char('x')), u"A\tB\u0001C"_s,
                                    u"Brad 😀"_s,        u"  LA MARGINI  "_s, u"abc"_s,           u"-12.5e3"_s};
    return inputs;
}

struct Office : Env {
    Office() : Env(u"SEDIU"_s) { printToFolder(); }
    // Leaves a field as a user does, so that its check runs.
    static void leave(QWidget *field, QWidget *next)
    {
        field->setFocus(Qt::MouseFocusReason);
        next->setFocus(Qt::TabFocusReason);
    }
};

} // namespace

class TestInput : public QObject {
    Q_OBJECT
private slots:
    void programmeWindow();
    void signatoriesAndPasswords();
    void criteriaWindow();
    void realizationGrid();
};

void TestInput::programmeWindow()
{
    Office o;
    Liste w(*o.ctx);
    activate(&w);
    const auto line = [&w](const char *n) { return w.findChild<QLineEdit *>(QLatin1String(n)); };
    auto *proiect = w.findChild<QComboBox *>(u"proiect"_s);
    auto *save = w.findChild<QPushButton *>(u"Command2"_s);
    w.browser()->searchCode(u"03111100"_s);
    const struct {
        const char *field;
        const char *column;
        std::function<QString(const QString &)> stored;
    } fields[] = {
        {"resp", "resp", [](const QString &t) { return t.left(40).toUpper(); }},
        {"detal", "detal", [](const QString &t) { return t.left(200).toUpper(); }},
        {"proiect", "proiect", [](const QString &t) { return t.left(50).trimmed().toUpper(); }},
        {"vallei", "lei", [](const QString &t) { return QString::number(qRound(t.left(7).toDouble())); }},
        {"valeuro", "euro", [](const QString &t) { return QString::number(qRound(t.left(7).toDouble())); }},
        {"zi1", "datainc1", [](const QString &t) { return t.left(2) + u".03.2026"_s; }},
    };
    int saved = 0, round = 0;
    for (const auto &f : fields)
        for (const QString &input : badInputs()) {
            ++round;
            o.messages.shown.clear();
            line("vallei")->setText(u"1500"_s);
            line("valeuro")->setText(u"0"_s);
            line("zi1")->setText(u"01"_s);
            line("luna1")->setText(u"03"_s);
            line("zi2")->setText(u"30"_s);
            line("luna2")->setText(u"06"_s);
            line("detal")->setText(u"D"_s);
            line("resp")->setText(u"POP"_s);
            proiect->setEditText(u"P%1"_s.arg(round));   // a new item every time
            QWidget *field = f.field == "proiect"_L1 ? static_cast<QWidget *>(proiect) : line(f.field);
            if (field == proiect)
                proiect->setEditText(input);
            else
                line(f.field)->setText(input);
            Office::leave(field, line("cuvant"));
            QTest::mouseClick(save, Qt::LeftButton);
            if (o.messages.last() != " Datele au fost salvate "_L1) {
                QVERIFY2(!o.messages.shown.isEmpty(), f.field);   // refused, and said why
                continue;
            }
            ++saved;
            const ResultSet row = o.db().query(u"SELECT * FROM program ORDER BY idp DESC LIMIT 1"_s);
            QCOMPARE(row.text(0, QLatin1String(f.column)), f.stored(input));
        }
    QVERIFY(saved > 10);
    // The search boxes: the code box takes digits only; any word is searched.
    for (const QString &input : badInputs()) {
        line("cod")->setText(input.left(8));
        Office::leave(line("cod"), line("cuvant"));
        w.browser()->searchWord(input);
    }
    // The grid's own cells: no value is a positive number, the texts keep their limits.
    QueryTableModel *m = w.gridModel();
    const qint64 idp = m->value(0, u"idp"_s).toLongLong();
    for (const auto &[column, name, limit] : {std::tuple{4, "lei", 7}, {8, "resp", 40}, {9, "detal", 200}})
        for (const QString &input : badInputs()) {
            o.messages.shown.clear();
            const bool taken = m->setData(m->index(m->rowCount() - 1, column), input);
            QCOMPARE(taken, column != 4 && !input.contains(QLatin1Char('\'')));
            QCOMPARE(o.messages.shown.size(), taken ? 0 : 1);
            if (taken)
                QCOMPARE(o.db().query(u"SELECT * FROM program WHERE idp=?"_s,
                                      {m->value(m->rowCount() - 1, u"idp"_s)}).text(0, QLatin1String(name)),
                         column == 8 ? input.left(limit).toUpper() : input.left(limit));
        }
    QVERIFY(idp > 0);
}

void TestInput::signatoriesAndPasswords()
{
    Office o;
    {
        Setare2 w(*o.ctx);
        QCOMPARE(w.windowTitle(), u"Date necesare la rapoarte"_s);
        QCOMPARE(w.model()->objectName() + w.model()->headerData(2, Qt::Horizontal).toString(),
                 u"Adodc1FUNCTIE SEF SUBUNITATE"_s);
        QCOMPARE(w.model()->columnCount(), 6);
    }
    for (const QString &input : badInputs()) {
        {
            Setare2 w(*o.ctx);
            for (int c = 2; c < 6; ++c)
                w.model()->setData(w.model()->index(0, c), input);
            w.findChild<QPushButton *>(u"Command1"_s)->click();
        }
        const ResultSet rs = o.db().query(u"SELECT functiesef, sef, contabil, intocmit FROM setare"_s);
        for (int c = 0; c < 4; ++c)
            QCOMPARE(rs.value(0, c).toString(), input);
        // A password of any characters is kept as typed, up to its 30.
        Par1 p(*o.ctx);
        p.findChild<QLineEdit *>(u"pass"_s)->setText(input);
        p.findChild<QLineEdit *>(u"passc"_s)->setText(input);
        p.save();
        QVERIFY(passwordMatches(input.left(30), storedPassword(o.db())));
        storePassword(o.db(), QString());
    }
    QVERIFY(o.messages.shown.isEmpty());
}

void TestInput::criteriaWindow()
{
    Office o;
    o.db().exec(QStringLiteral("INSERT INTO program (id,lei,datainc2,resp,proced,idos) VALUES(5,10,'20260301',?,"
                               "'licitatie',9)"),
                {u"O'NEIL"_s});   // a name from an older file, with its apostrophe
    Cen w(*o.ctx);
    activate(&w);
    for (const char *check : {"lei", "incep", "termin", "resp"})
        w.findChild<QAbstractButton *>(QLatin1String(check))->click();
    for (const char *date : {"incep1", "incep2", "fin1", "fin2"})   // "Raport" runs only with valid dates
        w.findChild<QLineEdit *>(QLatin1String(date))->setText(u"01.03.2026"_s);
    auto *report = w.findChild<QPushButton *>(u"Command1"_s);
    for (const char *box : {"lei1", "lei2", "incep1", "incep2", "fin1", "fin2"})
        for (const QString &input : badInputs()) {
            o.messages.shown.clear();
            auto *field = w.findChild<QLineEdit *>(QLatin1String(box));
            field->setText(input);
            Office::leave(field, w.findChild<QWidget *>(u"listp"_s));
            if (QByteArray(box).startsWith("lei"))
                QVERIFY(o.messages.shown.isEmpty());   // read as numbers, no check
            else
                QCOMPARE(o.messages.shown.size(), 1);   // none of these is a date
            field->setText(QByteArray(box).startsWith("lei") ? input : u"01.03.2026"_s);
            report->click();
            // The report is printed: no message beyond the date box's own.
            QCOMPARE(o.messages.shown.size(), QByteArray(box).startsWith("lei") ? 0 : 1);
        }
}

void TestInput::realizationGrid()
{
    Office o;
    o.db().exec(QStringLiteral("INSERT INTO program (id,lei,datainc2,proced,idos,proiect) VALUES(5,10,'20260301',"
                               "'licitatie',9,'')"));
    o.clock.date = QDate(2026, 5, 10);
    Realiz w(*o.ctx);
    activate(&w);
    auto *grid1 = w.findChild<QTableView *>(u"DataGrid1"_s);
    QTest::mouseDClick(grid1->viewport(), Qt::LeftButton, {}, grid1->visualRect(w.programmeModel()->index(0, 0)).center());
    QueryTableModel *m = w.entryModel();
    for (int column : {EContrnr, EContrdata1, EFurniz, EDenumach, EActnr, EActdata1, ELei, ERefer})
        for (const QString &input : badInputs()) {
            o.messages.shown.clear();
            if (m->setData(m->index(0, column), input))
                QCOMPARE(m->text(0, column), column == ELei ? u"-12500"_s : input);
            else
                QCOMPARE(o.messages.shown.size(), 1);
            m->revertRow(0);
        }
    // A row of odd but allowed texts is stored exactly.
    const QString odd = u"A\"B 😀"_s;
    for (const auto &[column, text] : {std::pair{int(EFurniz), odd}, {int(EDenumach), odd}, {int(EActnr), u"7"_s},
                                      {int(EActdata1), u"04.03.2026"_s}, {int(ELei), u"10"_s},
                                      {int(ERefer), u"A\"/01.03.2026"_s}})
        QVERIFY(m->setData(m->index(0, column), text));
    QVERIFY(m->submitRow(0));
    QCOMPARE(o.db().query(u"SELECT furniz FROM realiz"_s).text(0, u"furniz"_s), odd);
}

QTEST_MAIN(TestInput)
#include "test_input.moc"
