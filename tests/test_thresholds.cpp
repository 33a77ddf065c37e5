// The legal thresholds: what one purchase is and the band its total calls
// for, split purchases, direct purchases made, the thresholds window, the
// programme window's line, column and marks, the realizations' warning and
// the report.

#include "steps.h"
#include "app/mnu.h"
#include "app/startup.h"
#include "programme/liste.h"
#include "realizations/realiz.h"
#include "reports/document.h"
#include "shell/praguri.h"
#include "shell/setare.h"
#include "store/querymodel.h"
#include "store/schema.h"
#include "thresholds/purchases.h"

#include <QtWidgets>

using namespace tendro;
using namespace tendro::test;
using namespace Qt::StringLiterals;

namespace {

const qint64 kSoy = 3111100, kPeanut = 3111200, kRoad = 45233141, kBuilding = 45200000, kFuel = 9100000,
             kDiesel = 9134200, kGuard = 79713000, kCourier = 64120000, kOfficeMail = 64122000;
const QString kDirect = u"achizitie directa"_s, kSimplified = u"procedura simplificata"_s, kOpen = u"licitatie deschisa"_s,
              kAnnex2 = u"procedura pentru servicii sociale si alte servicii specifice"_s;

struct Office : Env {
    Office() : Env(u"O.S. ARAD"_s) {}
    // "label|kind|total|band|split|items/approved|sub-units" of each purchase, in their order.
    QStringList purchases(int year, const Scope &scope)
    {
        QStringList out;
        const Purchases all(db(), year, scope);
        for (const Purchase &p : all.list())
            out << QStringList{p.label(), p.kind, leiText(p.total), bandText(p.band),
                               QString(QLatin1Char(" DU"[int(p.split)])).trimmed(),
                               u"%1/%2|%3"_s.arg(p.items).arg(p.approved).arg(p.subunits.size())}
                       .join(u"|"_s);
        return out;
    }
    QString band(qint64 idp, int year = 2026)
    {
        const Purchases all(db(), year, Scope::eachSubunit());
        return all.of(idp) ? bandText(all.of(idp)->band) : u"<none>"_s;
    }
};

Item item(qint64 cod2, double lei, const QString &detal = u"D"_s, const QString &start = u"01.03.2026"_s)
{
    return {.cod2 = cod2, .start = start, .end = u"31.12."_s + start.right(4), .lei = lei, .detal = detal};
}

} // namespace

class TestThresholds : public QObject {
    Q_OBJECT
private slots:
    void purchasesBandsAndSplits(); void thresholdsWindow(); void programmeWindow(); void realizedDirectAndReport();
};

void TestThresholds::purchasesBandsAndSplits()
{
    Office o;
    // Each case in sub-units of its own; "3" marks an item of a second sub-unit.
    const struct { const char *name; QList<Item> items; QStringList purchases; int year = 2026; bool summed = false; } cases[] = {
        {"works by the work, whatever the code; an item without details is a work of its own",
         {item(kRoad, 500000, u"Drum Valea Mare"_s), item(kBuilding, 500000, u" DRUM  VALEA MARE "_s),
          item(kRoad, 500000, u"DRUM DEALUL MIC"_s), item(kRoad, 100, QString())},
         {u"lucrarea DRUM DEALUL MIC|L|500.000|achizitie directa||1/0|1"_s,
          u"lucrarea Drum Valea Mare|L|1.000.000|procedura simplificata|D|2/0|1"_s,
          u"lucrarea fara detalii, cod 45233141|L|100|achizitie directa||1/0|1"_s}},
        {"a group code takes its branch in, not another group",
         {item(kFuel, 200000), item(kDiesel, 200000), item(kSoy, 100000)},
         {u"clasa CPV 0311|PS|100.000|achizitie directa||1/0|1"_s, u"grupa CPV 091|PS|400.000|procedura simplificata|D|2/0|1"_s}},
        {"a division code over a group code", {item(3000000, 50000), item(3100000, 50000), item(kSoy, 200000)},
         {u"diviziunea CPV 03|PS|300.000|procedura simplificata|D|3/0|1"_s}},
        {"guard services under the Annex 2 threshold", {item(kGuard, 1500000)},
         {u"clasa CPV 7971|S2|1.500.000|procedura simplificata||1/0|1"_s}},
        {"guard services over it", {item(kGuard, 4000000)}, {u"clasa CPV 7971|S2|4.000.000|"_s + kAnnex2 + u"||1/0|1"_s}},
        {"Annex 2 items worth more than the others make the purchase Annex 2",
         {item(kCourier, 40000), item(kOfficeMail, 60000)}, {u"clasa CPV 6412|S2|100.000|achizitie directa||2/0|1"_s}},
        {"and worth less, not", {item(kCourier, 60000), item(kOfficeMail, 40000)},
         {u"clasa CPV 6412|PS|100.000|achizitie directa||2/0|1"_s}},
        {"a class straddling 10.09.2022 takes the thresholds of its first start",
         {item(kSoy, 100000, u"D"_s, u"01.03.2022"_s), item(kSoy, 100000, u"D"_s, u"01.11.2022"_s)},
         {u"clasa CPV 0311|PS|200.000|procedura simplificata|D|2/0|1"_s}, 2022},
        {"both started after it", {item(kSoy, 100000, u"D"_s, u"01.10.2022"_s), item(kSoy, 100000, u"D"_s, u"01.11.2022"_s)},
         {u"clasa CPV 0311|PS|200.000|achizitie directa||2/0|1"_s}, 2022},
        {"three items under the ceiling, the class over it", {item(kSoy, 300000), item(kSoy, 300000), item(kSoy, 300000)},
         {u"clasa CPV 0311|PS|900.000|licitatie deschisa|U|3/0|1"_s}},
        {"the ceiling reached", {item(kSoy, 349230), item(kSoy, 349230)}, {u"clasa CPV 0311|PS|698.460|licitatie deschisa|U|2/0|1"_s}},
        {"one leu under it", {item(kSoy, 349229), item(kSoy, 349230)},
         {u"clasa CPV 0311|PS|698.459|procedura simplificata||2/0|1"_s}},
        {"each sub-unit apart", {item(kSoy, 200000), {.cod2 = kSoy, .lei = 100000, .proced = kDirect, .idos = 3}},
         {u"clasa CPV 0311|PS|100.000|achizitie directa||1/1|1"_s, u"clasa CPV 0311|PS|200.000|achizitie directa||1/0|1"_s}},
        {"summed over a directorate's sub-units; works stay with theirs",
         {item(kSoy, 200000), {.cod2 = kSoy, .lei = 100000, .proced = kDirect, .idos = 3}, item(kRoad, 1000, u"DRUM"_s),
          {.cod2 = kRoad, .lei = 1000, .idos = 3, .detal = u"DRUM"_s}},
         {u"clasa CPV 0311|PS|300.000|procedura simplificata|D|2/1|2"_s, u"lucrarea DRUM|L|1.000|achizitie directa||1/0|1"_s,
          u"lucrarea DRUM|L|1.000|achizitie directa||1/0|1"_s}, 2026, true},
    };
    int base = 100;
    for (const auto &c : cases) {
        base += 10;
        QSet<int> subunits;
        for (Item i : c.items) {
            i.idos += base;
            subunits.insert(i.idos);
            o.addItem(i);
        }
        QCOMPARE(o.purchases(c.year, {QVector<int>(subunits.begin(), subunits.end()), c.summed}), c.purchases);
    }

    // The band at each threshold and one leu below, each item a class of its own.
    const qint64 S = kSoy, B = kBuilding, G = kGuard;
    const QString &D = kDirect, &P = kSimplified, &O = kOpen, &A = kAnnex2;
    const char *y26 = "01.03.2026", *eve = "09.09.2022", *law = "10.09.2022";   // Legea 208/2022 from 10.09.2022
    const struct { qint64 cod2; const char *start; double lei; QString band; } bands[] = {
        {S, y26, 270119, D}, {S, y26, 270120, P}, {S, y26, 698459, P}, {S, y26, 698460, O}, {B, y26, 900399, D},
        {B, y26, 900400, P}, {B, y26, 26960555, P}, {B, y26, 26960556, O}, {S, eve, 135059, D}, {S, eve, 135060, P},
        {S, law, 270119, D}, {S, law, 270120, P}, {B, eve, 450199, D}, {B, eve, 450200, P}, {B, law, 900399, D},
        {B, law, 900400, P}, {S, "31.12.2021", 649895, O}, {S, "01.01.2022", 649895, P}, {S, "26.05.2016", 10, D},
        {S, "25.05.2016", 10, {}}, {G, y26, 270119, D}, {G, y26, 3741749, P}, {G, y26, 3741750, A},
        {G, "31.12.2017", 3334050, A}, {G, "01.01.2018", 3334050, P}};
    base += 10;
    for (const auto &c : bands) {
        const QString start = QLatin1String(c.start);
        const qint64 idp = o.addItem({.cod2 = c.cod2, .start = start, .lei = c.lei, .idos = ++base});
        QVERIFY2(o.band(idp, start.right(4).toInt()) == c.band, qPrintable(start + u" "_s + QString::number(c.lei)));
    }

    // The cache reads again what changed: the item told when it alone was written, everything otherwise.
    PurchasesCache cache;
    const auto total = [&] { return cache.get(o.db(), u"20260101"_s, u"20261231"_s, Scope::subunit(9)).list().value(0).total; };
    const qint64 x = o.addItem(item(kSoy, 1000));
    QCOMPARE(total(), 1000.0);
    cache.written(o.addItem(item(kSoy, 2000)));
    QCOMPARE(total(), 3000.0);
    o.db().exec(u"UPDATE program SET lei=5000 WHERE idp=?"_s, {x});
    cache.written(o.addItem(item(kSoy, 10)));
    QCOMPARE(total(), 7010.0);
}

void TestThresholds::thresholdsWindow()
{
    Office o;
    const qint64 idp = o.addItem({.lei = 280000});   // in a file from before the thresholds, with the utility row
    o.db().execScript(u"DROP TABLE praguri; UPDATE cpv SET anexa2=0; INSERT INTO cpv (cod,den,fel,cod2) "
                      "VALUES('30192120-COD INVALID','Utilitar',1,30192120);"_s);
    const QString catalogue = u"SELECT id,cod,den,fel,lista,cod2 FROM cpv ORDER BY id"_s;
    const QStringList before = tableDump(o.db(), u"program"_s) + queryRows(o.db(), catalogue);
    Setare setare(*o.ctx);
    QCOMPARE(runStartup(*o.ctx, setare), StartupResult::MainWindow);   // the default rows and marks added, nothing else touched
    QCOMPARE(tableDump(o.db(), u"program"_s) + queryRows(o.db(), catalogue), before);
    QCOMPARE(queryRows(o.db(), u"SELECT count(*),sum(cod2=79713000),sum(cod2=79957000) FROM cpv WHERE anexa2=1"_s),
             QStringList{u"423|1|0"_s});
    // The Annex 2 figures are 750.000 EUR at the rate of the other rows of their period, over the goods' direct threshold.
    QFile shipped(QStringLiteral(TENDRO_SOURCE_DATA "/praguri.tsv"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QMap<QString, QMap<QString, QStringList>> periods;   // date, kind: dela tip directa simplificata sursa plafon_eur curs
    for (const QString &line : QString::fromUtf8(shipped.readAll()).split(u'\n', Qt::SkipEmptyParts).mid(1)) {
        const QStringList f = line.split(u'\t');
        QCOMPARE(f.value(3).toLongLong(), qint64(f.value(5).toDouble() * QString(f.value(6)).replace(u',', u'.').toDouble() + 0.5));
        periods[f.value(0)][f.value(1)] = f;
    }
    for (const auto &p : std::as_const(periods)) {
        QCOMPARE(p.keys(), (QStringList{u"L"_s, u"PS"_s, u"S2"_s}));
        QCOMPARE(QStringList({p[u"S2"_s].value(5), p[u"S2"_s].value(6), p[u"S2"_s].value(2)}),
                 QStringList({u"750000"_s, p[u"PS"_s].value(6), p[u"PS"_s].value(2)}));
        QCOMPARE(p[u"L"_s].value(6), p[u"PS"_s].value(6));
    }
    Mnu mnu(*o.ctx);
    const QList<QAction *> bar = mnu.findChild<QMenuBar *>()->actions();   // "PRAGURI" after "CENTRALIZATOR"
    QCOMPARE(bar.value(bar.indexOf(mnu.action(u"mnucen"_s)) + 1), mnu.action(u"mnupraguri"_s));
    QCOMPARE(o.band(idp), kSimplified);
    Praguri w(*o.ctx);
    activate(&w);
    const QString g = u"DataGrid1"_s, stored2026 = u"SELECT * FROM praguri WHERE dela>='20260101' ORDER BY dela,tip"_s;
    // A cell typed and committed; a refused one says why, and Escape keeps what is stored.
    const auto cell = [&g](int row, int column, const QString &text, const char *why = nullptr) {
        QList<Step> s{clickCell(g, row, column), type({}, text), key({}, Qt::Key_Return)};
        return why ? s << message(QLatin1String(why)) << key({}, Qt::Key_Escape) : s;
    };
    const QString ps2026 = u"20260101|PS|300000|698460|directa: Legea 208/2022; plafon: Reg. (UE) 2025/2152, 140.000 EUR x "
                           "4,9890 lei"_s;
    // Rows by date and kind: 2026 L, PS and S2 are the last three; the new row follows.
    RUN_STEPS(o, &w, QList<Step>{expectText(u"praguri"_s, u"PRAGURI VALORICE"_s), expectCell(g, 22, 0, u"01.01.2026"_s),
                                 expectCell(g, 22, 1, u"PS"_s), expectCell(g, 22, 3, u"698.460"_s)}
        + cell(22, 2, u"300.000"_s) + QList<Step>{key(g, Qt::Key_Up), expectCell(g, 22, 2, u"300.000"_s),
                                                  call([&] { QCOMPARE(o.band(idp), kDirect); })}
        + cell(22, 0, u"30.02.2026"_s, kThresholdDateRefused) + cell(22, 1, u"X"_s, kThresholdKindRefused)
        + cell(22, 2, u"12.5"_s, kThresholdValueRefused) + cell(22, 3, u"-5"_s, kThresholdValueRefused)
        // A stored row the order check refuses on leaving it: Escape brings its stored values back.
        + cell(22, 3, u"200000"_s)
        + QList<Step>{key(g, Qt::Key_Up), message(QLatin1String(kThresholdOrderRefused)), key(g, Qt::Key_Escape),
                      expectCell(g, 22, 3, u"698.460"_s), key(g, Qt::Key_Up)}
        // A new row: a dd.mm.yyyy date, the kind in lower case; refused, then abandoned with Escape.
        + cell(24, 0, u"01.01.2026"_s) + cell(24, 1, u"s2"_s) + cell(24, 2, u"700000"_s) + cell(24, 3, u"600000"_s)
        + QList<Step>{key(g, Qt::Key_Up), message(QLatin1String(kThresholdOrderRefused)), expectCell(g, 24, 0, u"01.01.2026"_s),
                      key(g, Qt::Key_Escape), expectCell(g, 24, 0, QString()), expectRows(u"SELECT count(*) FROM praguri"_s, {u"24"_s})}
        // Typed again: the date and kind of a stored row are refused, then a date of its own is stored.
        + cell(24, 0, u"01.01.2026"_s) + cell(24, 1, u"s2"_s) + cell(24, 2, u"700000"_s) + cell(24, 3, u"800.000"_s)
        + QList<Step>{key(g, Qt::Key_Up), message(QLatin1String(kThresholdDuplicate))} + cell(24, 0, u"31.12.2026"_s)
        + QList<Step>{key(g, Qt::Key_Up), expectCell(g, 24, 0, u"31.12.2026"_s),
                      expectRows(u"SELECT dela,tip,directa,simplificata FROM praguri WHERE dela>='20260101' ORDER BY dela,tip"_s,
                                 {u"20260101|L|900400|26960556"_s, u"20260101|PS|300000|698460"_s,
                                  u"20260101|S2|270120|3741750"_s, u"20261231|S2|700000|800000"_s}),
                      // Deleted shipped rows come back with "Valori implicite"; the office's own rows stay as they are.
                      clickCell(g, 0, 0), key(g, Qt::Key_Delete),
                      message(u" Sigur doriti stergerea pragurilor de tip L de la 26.05.2016 ? "_s, Answer::Yes),
                      call([&] { o.db().exec(u"DELETE FROM praguri WHERE dela='20240101' AND tip='S2'"_s); }),
                      click(u"Command2"_s),
                      message(u" Se vor adauga 2 randuri cu valorile implicite; randurile existente raman neschimbate."
                              " Continuati ? "_s, Answer::No),
                      expectRows(u"SELECT count(*) FROM praguri"_s, {u"23"_s}), click(u"Command2"_s),
                      message(u" Se vor adauga 2 randuri cu valorile implicite; randurile existente raman neschimbate."
                              " Continuati ? "_s, Answer::Yes),
                      expectRows(u"SELECT count(*) FROM praguri"_s, {u"25"_s}), expectCell(g, 0, 0, u"26.05.2016"_s),
                      expectRows(stored2026, {u"20260101|L|900400|26960556|directa: Legea 208/2022; plafon: Reg. (UE) "
                                              "2025/2152, 5.404.000 EUR x 4,9890 lei"_s, ps2026,
                                              u"20260101|S2|270120|3741750|directa: Legea 208/2022; plafon: Reg. (UE) "
                                              "2025/2152, 750.000 EUR x 4,9890 lei"_s, u"20261231|S2|700000|800000|"_s}),
                      click(u"Command2"_s), message(u" Tabelul contine deja toate valorile implicite. "_s),
                      // At start-up a table without Annex 2 rows gets them once; rows the office deleted stay deleted.
                      call([&] {
                          o.db().exec(u"DELETE FROM praguri WHERE dela='20160526'"_s);
                          QVERIFY(!ensureThresholds(o.db()));
                          o.db().exec(u"DELETE FROM praguri WHERE tip='S2'"_s);
                          ensureThresholds(o.db());
                      }),
                      expectRows(u"SELECT tip,count(*) FROM praguri GROUP BY tip"_s, {u"L|7"_s, u"PS|7"_s, u"S2|8"_s})});
}

void TestThresholds::programmeWindow()
{
    Office o;
    const qint64 a = o.addItem(item(kSoy, 100000)), b = o.addItem(item(kPeanut, 100000));
    o.addItem(item(3121000, 170119.6));   // cents near the threshold
    Liste w(*o.ctx);
    activate(&w);
    QTableView *grid = w.findChild<QTableView *>(u"DataGrid1"_s);
    QHeaderView *header = grid->horizontalHeader();
    const int indicated = 14;
    QCOMPARE(w.gridModel()->headerData(indicated, Qt::Horizontal).toString(), u"Procedura indicata"_s);
    QCOMPARE(header->visualIndex(indicated), header->visualIndex(5) + 1);   // beside "Procedura"
    const auto rowOf = [&w](qint64 idp) {
        for (int r = 0; r < w.gridModel()->rowCount(); ++r)
            if (w.gridModel()->value(r, u"idp"_s).toLongLong() == idp)
                return r;
        return -1;
    };
    const QString g = u"DataGrid1"_s, line = u"LabelPrag"_s;
    const auto tip = [&](int row) {
        const QRect cell = grid->visualRect(w.gridModel()->index(row, indicated));
        QHelpEvent help(QEvent::ToolTip, cell.center(), grid->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(grid->viewport(), &help);
        return QToolTip::text();
    };
    const auto date = [](const char *day, const char *month) { return QList<Step>{type(u"zi1"_s, QLatin1String(day)),
                                                                                  type(u"luna1"_s, QLatin1String(month))}; };
    const QString warning = u"Atentie: clasa CPV 0311 insumeaza 300.000 lei pe subunitate in 2026, peste pragul achizitiei "
                            "directe de 270.120 lei, din 2 pozitii sub prag. Verificati divizarea achizitiei (art. 11 din "
                            "Legea 98/2016)."_s;
    RUN_STEPS(o, &w, QList<Step>{expectCell(g, rowOf(b), indicated, kDirect),
        // A grid edit of one item's value: the other item of its class follows at once, with its tooltip.
        clickCell(g, rowOf(a), 4), type({}, u"200000"_s), key({}, Qt::Key_Return), expectCell(g, rowOf(b), indicated, kSimplified),
        call([&] { QCOMPARE(tip(rowOf(b)), u"Clasa CPV 0311 pe subunitate, 2026: 2 pozitii, 300.000 lei - procedura "
                                            "simplificata, de la pragul achizitiei directe de 270.120 lei, sub plafonul "
                                            "procedurii simplificate de 698.460 lei (praguri PS de la 01.01.2026)"_s); }),
        // The loaded item's line (a split purchase, in red), then "Stergere": the line is cleared, the column follows.
        doubleClickCell(g, rowOf(b)), expectText(line, warning),
        click(u"Command3"_s), message(u" Sigur doriti stergerea inregistrarii selectate ? \n Cod CPV : 03111200-4, LEI : 100000"_s,
                                      Answer::Yes),
        message(u" Stergerea a fost executata "_s), expectText(line, QString()), expectCell(g, rowOf(a), indicated, kDirect),
        // A new item: amounts near a threshold with their cents.
        type(u"cod"_s, u"03121000"_s), key(u"cod"_s, Qt::Key_Return), type(u"vallei"_s, u"100000"_s)}
        + date("1", "3") + QList<Step>{
        expectText(line, u"Clasa CPV 0312 pe subunitate, 2026: 270.119,60 lei cu aceasta pozitie - achizitie directa "
                         "(pragul achizitiei directe de 270.120 lei)"_s),
        // A split purchase is warned before the save and after it.
        type(u"cod"_s, u"03111200"_s), key(u"cod"_s, Qt::Key_Return), type(u"vallei"_s, u"100000"_s),
        type(u"zi2"_s, u"30"_s), type(u"luna2"_s, u"6"_s), type(u"detal"_s, u"S"_s), type(u"resp"_s, u"P"_s)}
        + date("1", "3") + QList<Step>{expectText(line, warning), click(u"Command2"_s), message(u" Datele au fost salvate "_s),
        expectText(line, warning), call([&] { QVERIFY(w.findChild<QLabel *>(line)->styleSheet().contains(u"red"_s)); }),
        // A works item names its work; a date before the first thresholds says the table has none.
        click(u"lucr"_s), type(u"cod"_s, u"45233141"_s), key(u"cod"_s, Qt::Key_Return), type(u"vallei"_s, u"950000"_s),
        type(u"detal"_s, u"drum valea mare"_s)}
        + date("1", "3") + QList<Step>{
        expectText(line, u"Lucrarea DRUM VALEA MARE pe subunitate, 2026: 950.000 lei cu aceasta pozitie - procedura "
                         "simplificata (pragul achizitiei directe de 900.400 lei)"_s),
        choose(u"an1"_s, u"2015"_s),
        expectText(line, u"Lucrarea DRUM VALEA MARE pe subunitate, 2015: 950.000 lei cu aceasta pozitie - Nu exista praguri "
                         "in tabel pentru aceasta data "_s)});
}

void TestThresholds::realizedDirectAndReport()
{
    Office o;
    o.printToFolder();
    QFile::copy(QStringLiteral(TENDRO_SOURCE_DATA "/rapdivizare.rpt"), o.path(u"rapdivizare.rpt"_s));
    // Class 0311: two direct purchases made for 280.000 lei, a simplified one not counted; class 0312 a ban under.
    for (const auto &[cod2, proced, realized] : {std::tuple{kSoy, kDirect, 140000.0}, {kPeanut, kDirect, 140000.0},
                                                 {kSoy, u"proced.simplif."_s, 50000.0}, {3121000, kDirect, 270119.99}}) {
        const qint64 idp = o.addItem({.cod2 = cod2, .lei = 150000, .proced = proced});
        o.db().exec(u"INSERT INTO realiz (id,lei,idos,proiect,actdata1,actdata2,uidp) SELECT id,?,9,' ','01.04.2026',"
                    "'20260401',uid FROM program WHERE idp=?"_s,
                    {realized, idp});
    }
    Realiz r(*o.ctx);
    activate(&r);
    RUN_STEPS(o, &r, {expectText(u"LabelPrag"_s, QString()), click(u"Command3"_s),
                      expectText(u"LabelPrag"_s, u" Atentie: achizitiile directe realizate in clasa 0311 insumeaza 280.000 lei,"
                                                 " peste pragul de 270.120 lei. "_s)});
    QVERIFY(r.findChild<QLabel *>(u"LabelPrag"_s)->styleSheet().contains(u"red"_s));

    // The report: the split class first, the lighter procedure marked (and flagged for bold), what was realized directly.
    QStringList lines;
    QString bold;
    const auto build = [&o](const QString &selection) {
        return buildDocument(o.db(), loadDefinition(o.path(u"rapdivizare.rpt"_s)), parseSelection(selection), u"T"_s, QString());
    };
    for (const ReportLine &l : build(u"{program.datainc2}>='20260101' and {program.idos}=9"_s).lines) {
        lines << l.cells.join(u"|"_s).remove(QRegularExpression(u"\\|+$"_s));
        bold += QLatin1Char(l.bold ? 'B' : '.');
    }
    QCOMPARE(lines.value(0), u"Clasa CPV 0311, produse si servicii, 2026 - 3 pozitii - RISC DE DIVIZARE: totalul atinge pragul"
                             " achizitiei directe de 270.120 lei, fiecare pozitie sub el - ACHIZITII DIRECTE REALIZATE: 280.000"
                             " lei, peste pragul de 270.120 lei"_s);
    QCOMPARE(lines.value(1).section(u'|', 6), u"150.000,00|270.120,00|698.460,00|procedura simplificata|achizitie directa|"
                                              "140.000,00|mai usoara"_s);
    QCOMPARE(lines.value(4).section(u'|', 11), u"280.000,00"_s);   // the class's realized direct purchases
    QCOMPARE(lines.value(5), u"Clasa CPV 0312, produse si servicii, 2026 - 1 pozitie"_s);
    QCOMPARE(bold, u".BB......"_s);   // the two direct purchases of a class that calls for the simplified procedure
    // In a directorate's file (its configured sub-unit 0) a purchase sums every sub-unit's items.
    o.addItem({.cod2 = kSoy, .lei = 150000, .idos = 3});
    o.db().exec(u"UPDATE setare SET idos=0"_s);
    QVERIFY(build(u"{program.datainc2}>='20260101'"_s).lines.value(0).cells.value(0).startsWith(
        u"Clasa CPV 0311, produse si servicii, 2026 - 4 pozitii - RISC DE DIVIZARE"_s));
    // Before the first thresholds the table has none: their cells stay empty, not a limit of 0 lei.
    o.addItem({.cod2 = 3000000, .start = u"01.03.2015"_s, .end = u"30.06.2015"_s, .lei = 100});
    const ReportLine early = build(u"{program.datainc2}<='20151231'"_s).lines.value(1);
    QCOMPARE(early.cells.mid(6, 3), (QStringList{u"100,00"_s, QString(), QString()}));
}

QTEST_MAIN(TestThresholds)
#include "test_thresholds.moc"
