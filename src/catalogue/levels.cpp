#include "levels.h"
#include "store/numbers.h"

namespace tendro {

qint64 codeNumber(const QString &code) { return qint64(leadingNumber(code)); }

bool isUtilityCode(const QString &code) { return codeNumber(code) == kUtilityCode; }

QVector<qint64> childCandidates(const QString &c, int level)
{
    QVector<qint64> out;
    if (level < 1 || level > 6 || c.size() < level + 2)
        return out;
    const int len = int(c.size());
    const QString prefix = c.left(level + 1);
    const QChar varied = c.at(level + 1);
    QString rest;
    switch (level) {
    case 1: rest = c.mid(3, qMax(0, len - 2 - 3)); break;   // characters 4 to len-2
    case 2: rest = c.mid(4, qMax(0, len - 4)); break;
    case 3: rest = c.mid(5, qMax(0, len - 3)); break;
    case 4: rest = c.mid(6, qMax(0, len - 2)); break;
    case 5: rest = c.mid(7); break;
    case 6: break;
    }
    const int d = varied.isDigit() ? varied.digitValue() : 0;
    for (int i = 1; i <= 9; ++i)
        out.append(codeNumber(prefix + QString::number(d + i) + rest));
    return out;
}

int codeLevel(const QString &c)
{
    for (int i = 0; i <= 6; ++i) {
        const int pos = 8 - i;   // 1-based character position
        if (pos - 1 < c.size() && c.at(pos - 1) != QLatin1Char('0'))
            return 7 - i;
    }
    return 0;
}

PositioningPlan positioningPlan(const QString &c)
{
    PositioningPlan plan;
    plan.level = codeLevel(c);
    if (plan.level == 0)
        return plan;
    for (int L = 7; L >= 2; --L) {
        if (plan.level < L)
            continue;
        LevelPlan lp;
        lp.level = L;
        const QString head = c.left(L);
        const QString zeros(7 - L, QLatin1Char('0'));
        for (int j = 1; j <= 9; ++j)
            lp.candidates.append(codeNumber(head + QString::number(j) + zeros));
        const QChar own = L < c.size() ? c.at(L) : QChar();
        lp.selectedDigit = own.isDigit() ? own.digitValue() : 0;
        plan.levels.append(lp);
    }
    plan.firstLevelCode = codeNumber(c.left(2) + QStringLiteral("000000"));
    return plan;
}

QString entryTooltip(int level, const QString &storedCode, const QString &name)
{
    if (level == 6 && storedCode == QLatin1String("30192120"))
        return storedCode + QStringLiteral(" COD INVALID - ") + name;
    return storedCode + QStringLiteral(" - ") + name;
}

} // namespace tendro
