#pragma once
// Pure rules of the CPV levels: children of an entry, the level of a code,
// the plan that positions the seven lists on one entry, tooltips.

#include <QString>
#include <QVector>

namespace tendro {

constexpr qint64 kUtilityCode = 30192120;

// The code number of a code text ("03111100-5" and "3111100" both give 3111100).
qint64 codeNumber(const QString &code);
bool isUtilityCode(const QString &code);

// The nine candidate code numbers for the children of the level-L entry
// with code text C (L = 1..6), in ascending digit order.
QVector<qint64> childCandidates(const QString &code, int level);

// Level 1..7 of a code text by its deepest non-zero digit (positions 2..8);
// 0 when digits 2 to 8 are all zero (a division that is not positioned).
int codeLevel(const QString &code);

struct LevelPlan {
    int level = 0;                 // 2..7
    QVector<qint64> candidates;    // digits 1..9 at position level+1
    int selectedDigit = 0;         // C's own digit there (1..9 picks candidates[digit-1])
};

struct PositioningPlan {
    int level = 0;                 // 0: nothing to position
    QVector<LevelPlan> levels;     // from VII (or C's level) down to II
    qint64 firstLevelCode = 0;     // the level-I ancestor
};

PositioningPlan positioningPlan(const QString &code);

// Tooltip of the current entry of list L (1..7).
QString entryTooltip(int level, const QString &storedCode, const QString &name);

} // namespace tendro
