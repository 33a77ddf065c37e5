#include "paap.h"
#include "reports/document.h"
#include "services/context.h"
#include "services/fields.h"
#include "store/numbers.h"
#include "store/dates.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QVBoxLayout>

#include <algorithm>

namespace tendro {

const char *const kPaapMain = "Achizitii publice";
const char *const kPaapDirect = "Anexa - Achizitii directe";

PaapApproval loadPaap(Database &db, int year)
{
    const ResultSet rs = db.query(QStringLiteral("SELECT * FROM paap WHERE an=?"), {year});
    PaapApproval a;
    if (rs.isEmpty())
        return a;
    a.numar = rs.text(0, QStringLiteral("numar"));
    a.data = rs.text(0, QStringLiteral("data"));
    a.actualizare = rs.integer(0, QStringLiteral("actualizare")) != 0;
    a.nractualizare = rs.text(0, QStringLiteral("nractualizare"));
    return a;
}

void savePaap(Database &db, int year, const PaapApproval &a)
{
    db.exec(QStringLiteral("INSERT OR REPLACE INTO paap (an,numar,data,actualizare,nractualizare) VALUES(?,?,?,?,?)"),
            {year, a.numar, a.data, a.actualizare ? 1 : 0, a.actualizare ? a.nractualizare : QString()});
}

namespace {

// A blank left to be filled in by hand on the signed copy.
QString orDots(const QString &text, int dots)
{
    return text.trimmed().isEmpty() ? QString(dots, QLatin1Char('.')) : text.trimmed();
}

} // namespace

QStringList paapApprovalLines(const PaapApproval &a, const QString &headTitle, const QString &head)
{
    return {QStringLiteral("APROBAT"), headTitle.trimmed().isEmpty() ? QStringLiteral("DIRECTOR") : headTitle.trimmed(),
            orDots(head, 20),
            QStringLiteral("Nr. ") + orDots(a.numar, 8) + QStringLiteral(" din ") + orDots(a.data, 10)};
}

QString paapVersionLine(const PaapApproval &a)
{
    if (!a.actualizare)
        return QStringLiteral("Varianta initiala");
    return QStringLiteral("Actualizarea nr. ") + orDots(a.nractualizare, 4) + QStringLiteral(" din ") + orDots(a.data, 10);
}

LevelCodes loadLevelCodes(Database &db)
{
    LevelCodes codes;
    const ResultSet rs = db.query(QStringLiteral("SELECT cod, den, cod2 FROM cpv WHERE cod2 % 10000 = 0"));
    for (int r = 0; r < rs.count(); ++r)
        codes.insert(rs.integer(r, QStringLiteral("cod2")),
                     {rs.text(r, QStringLiteral("cod")), rs.text(r, QStringLiteral("den"))});
    return codes;
}

const LevelCode *levelCodeOf(const LevelCodes &codes, const Purchase &p)
{
    if (p.unit == PurchaseUnit::Work)
        return nullptr;
    // "0311", "091", "03" padded to the eight digits of their catalogue entry.
    bool ok = false;
    const qint64 cod2 = QString(p.code + QStringLiteral("00000000")).left(8).toLongLong(&ok);
    const auto it = codes.constFind(cod2);
    return ok && it != codes.constEnd() ? &*it : nullptr;
}

QString paapKindCaption(const QString &kind)
{
    if (kind == QLatin1String(kWorks))
        return QStringLiteral("Lucrari");
    if (kind == QLatin1String(kAnnex2Services))
        return QStringLiteral("Servicii sociale si alte servicii specifice");
    return QStringLiteral("Produse si servicii");
}

namespace {

struct PaapItem {
    QString cod, den, detal, fond, modalitate, proced;
    qint64 cod2 = 0;
    double lei = 0, euro = 0;
    QString start, end;   // yyyymmdd
};

struct PaapRow {
    bool direct = false;
    int kindOrder = 0;
    QString kind, code, object, procedure;
    qint64 leiCents = 0, euroCents = 0;
    QStringList funds, modes;
    QString start, end;
};

// "03.2027" from yyyymmdd; empty for none.
QString monthOf(const QString &compareForm)
{
    return compareForm.size() == 8 ? compareForm.mid(4, 2) + QLatin1Char('.') + compareForm.left(4) : QString();
}

int kindOrder(const QString &kind)
{
    if (kind == QLatin1String(kWorks))
        return 2;
    return kind == QLatin1String(kAnnex2Services) ? 1 : 0;
}

QString placeholders(int n) { return QStringList(n, QStringLiteral("?")).join(QLatin1Char(',')); }

} // namespace

ResultSet legalProgrammeRows(Database &db, int year, const QVector<int> &idos)
{
    const QStringList columns{QStringLiteral("achizitie.sectiune"), QStringLiteral("achizitie.tip"),
                              QStringLiteral("achizitie.obiect"),   QStringLiteral("achizitie.cod"),
                              QStringLiteral("achizitie.lei"),      QStringLiteral("achizitie.euro"),
                              QStringLiteral("achizitie.fond"),     QStringLiteral("achizitie.procedura"),
                              QStringLiteral("achizitie.initiere"), QStringLiteral("achizitie.atribuire"),
                              QStringLiteral("achizitie.modalitate")};
    if (idos.isEmpty())
        return ResultSet(columns, {});
    const YearBounds b = yearBounds(year);
    QVariantList params{b.lower, b.upper};
    for (int i : idos)
        params << i;
    const ResultSet rs = db.query(
        QStringLiteral("SELECT program.idp, cpv.cod, cpv.den, cpv.cod2, program.detal, program.fond, program.modalitate,"
                       " trim(program.proced) AS proced, coalesce(program.lei,0) AS lei, coalesce(program.euro,0) AS euro,"
                       " program.datainc2, program.datafin2 FROM program JOIN cpv ON cpv.id=program.id"
                       " WHERE program.datainc2>=? AND program.datainc2<=? AND trim(coalesce(program.proced,''))<>''"
                       " AND program.idos IN (")
            + placeholders(int(idos.size())) + QStringLiteral(")"),
        params);
    QHash<qint64, PaapItem> items;
    for (int r = 0; r < rs.count(); ++r) {
        PaapItem i;
        i.cod = rs.text(r, QStringLiteral("cod"));
        i.den = rs.text(r, QStringLiteral("den"));
        i.cod2 = rs.integer(r, QStringLiteral("cod2"));
        i.detal = rs.text(r, QStringLiteral("detal")).simplified();
        i.fond = rs.text(r, QStringLiteral("fond")).trimmed();
        i.modalitate = rs.text(r, QStringLiteral("modalitate")).trimmed();
        i.proced = rs.text(r, QStringLiteral("proced"));
        i.lei = rs.number(r, QStringLiteral("lei"));
        i.euro = rs.number(r, QStringLiteral("euro"));
        i.start = rs.text(r, QStringLiteral("datainc2"));
        i.end = rs.text(r, QStringLiteral("datafin2"));
        items.insert(rs.integer(r, QStringLiteral("idp")), i);
    }
    if (items.isEmpty())
        return ResultSet(columns, {});

    const LevelCodes levelCodes = loadLevelCodes(db);
    const Purchases purchases(db, year, Scope::directorate(idos));
    QVector<PaapRow> rows;
    for (const Purchase &p : purchases.list()) {
        QMap<QString, PaapRow> byProcedure;
        for (qint64 idp : p.idps) {
            const auto it = items.constFind(idp);
            if (it == items.constEnd())
                continue;   // not approved
            const PaapItem &i = *it;
            PaapRow &row = byProcedure[i.proced];
            if (row.procedure.isEmpty()) {
                row.procedure = i.proced;
                row.direct = procedureWeight(i.proced) == procedureWeight(QStringLiteral("achizitie directa"));
                row.kind = p.kind;
                row.kindOrder = kindOrder(p.kind);
                row.start = i.start;
                row.end = i.end;
            }
            row.leiCents += toCents(i.lei);
            row.euroCents += toCents(i.euro);
            if (!i.fond.isEmpty() && !row.funds.contains(i.fond))
                row.funds << i.fond;
            if (!i.modalitate.isEmpty() && !row.modes.contains(i.modalitate))
                row.modes << i.modalitate;
            if (!i.start.isEmpty() && (row.start.isEmpty() || i.start < row.start))
                row.start = i.start;
            if (i.end > row.end)
                row.end = i.end;
        }
        for (auto it = byProcedure.begin(); it != byProcedure.end(); ++it) {
            PaapRow &row = it.value();
            // The largest item of the row names a work, and a purchase whose level has no code of its own.
            const PaapItem *largest = nullptr;
            for (qint64 idp : p.idps) {
                const auto f = items.constFind(idp);
                if (f != items.constEnd() && f->proced == it.key() && (!largest || f->lei > largest->lei))
                    largest = &*f;
            }
            if (p.unit == PurchaseUnit::Work) {
                row.object = largest->detal.isEmpty() ? largest->den : largest->detal;
                row.code = largest->cod;
            } else {
                if (const LevelCode *named = levelCodeOf(levelCodes, p)) {
                    row.code = named->cod;
                    row.object = named->den;
                } else {
                    row.code = largest->cod;
                    row.object = largest->den;
                }
            }
            rows << row;
        }
    }
    std::sort(rows.begin(), rows.end(), [](const PaapRow &a, const PaapRow &b) {
        if (a.direct != b.direct)
            return !a.direct;
        if (a.kindOrder != b.kindOrder)
            return a.kindOrder < b.kindOrder;
        if (a.code != b.code)
            return a.code < b.code;
        return a.procedure < b.procedure;
    });
    QVector<QVector<QVariant>> out;
    for (PaapRow &r : rows) {
        r.funds.sort();
        out.append({r.direct ? QString::fromLatin1(kPaapDirect) : QString::fromLatin1(kPaapMain), paapKindCaption(r.kind),
                    r.object, r.code, double(r.leiCents) / 100.0, double(r.euroCents) / 100.0,
                    r.funds.join(QStringLiteral(", ")), procedureName(r.procedure), monthOf(r.start), monthOf(r.end),
                    r.modes.join(QLatin1Char('/'))});
    }
    return ResultSet(columns, out);
}

PaapDate::PaapDate(AppContext &ctx, int year, QWidget *parent) : QDialog(parent), ctx_(ctx), year_(year)
{
    setObjectName(QStringLiteral("paapdate"));
    setWindowTitle(QStringLiteral("APROBAREA PROGRAMULUI"));
    text1_ = named(new QLineEdit(this), "Text1");
    text2_ = named(new QLineEdit(this), "Text2");
    text3_ = named(new QLineEdit(this), "Text3");
    text1_->setMaxLength(20);
    text2_->setMaxLength(10);
    text3_->setMaxLength(10);
    option1_ = named(new QRadioButton(QStringLiteral("Varianta initiala"), this), "Option1");
    option2_ = named(new QRadioButton(QStringLiteral("Actualizare"), this), "Option2");
    auto *command1 = named(new QPushButton(QStringLiteral("Continuare"), this), "Command1");
    auto *command2 = named(new QPushButton(QStringLiteral("Renunta"), this), "Command2");
    command1->setDefault(true);
    command2->setAutoDefault(false);

    auto *grid = new QGridLayout();
    grid->addWidget(new QLabel(QStringLiteral("Programul pe anul %1, aprobat cu nr.").arg(year_), this), 0, 0);
    grid->addWidget(text1_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("din data (zz.ll.aaaa)"), this), 1, 0);
    grid->addWidget(text2_, 1, 1);
    grid->addWidget(option1_, 2, 0);
    grid->addWidget(option2_, 3, 0);
    auto *nr = new QHBoxLayout();
    nr->addWidget(new QLabel(QStringLiteral("nr."), this));
    nr->addWidget(text3_);
    grid->addLayout(nr, 3, 1);
    auto *buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(command1);
    buttons->addWidget(command2);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addLayout(buttons);

    PaapApproval last;
    try {
        last = loadPaap(ctx_.db(), year_);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
    text1_->setText(last.numar);
    text2_->setText(last.data);
    text3_->setText(last.nractualizare);
    (last.actualizare ? option2_ : option1_)->setChecked(true);
    text3_->setEnabled(last.actualizare);
    connect(option2_, &QRadioButton::toggled, text3_, &QWidget::setEnabled);
    connect(command1, &QPushButton::clicked, this, &PaapDate::proceed);
    connect(command2, &QPushButton::clicked, this, &QDialog::reject);
}

void PaapDate::proceed()
{
    PaapApproval a;
    a.numar = text1_->text().trimmed();
    a.data = text2_->text().trimmed();
    a.actualizare = option2_->isChecked();
    a.nractualizare = a.actualizare ? text3_->text().trimmed() : QString();
    // An empty date is left to be written by hand; a typed one must be a day of the calendar.
    if (!a.data.isEmpty()) {
        QString fault;
        switch (displayDateFault(a.data)) {
        case DateFault::Format: fault = QStringLiteral(" Formatul datei nu este zz.ll.aaaa "); break;
        case DateFault::Day: fault = QStringLiteral(" Numarul zilei este necorespunzator "); break;
        case DateFault::Month: fault = QStringLiteral(" Numarul lunii este necorespunzator "); break;
        case DateFault::None: break;
        }
        if (!fault.isEmpty()) {
            ctx_.messages.show(this, fault);
            text2_->setFocus();
            text2_->selectAll();
            return;
        }
    }
    try {
        savePaap(ctx_.db(), year_, a);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
        return;
    }
    taken_ = a;
    accept();
}

} // namespace tendro
