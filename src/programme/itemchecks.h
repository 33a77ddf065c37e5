#pragma once
// The rules of the programme item editor, without widgets: how a field is
// reformatted and checked when it loses the focus, and the checks of a save
// in their fixed order.

#include <QString>
#include <optional>

namespace tendro {

extern const char *const kApostropheRefused;   // " Nu se accepta caracterul apostrof ( ' ) "
// An amount box whose text is no amount by the Romanian rule ("1.25.0").
extern const char *const kAmountRefused;

// "#0": the amount (read the Romanian way: "125.000" is 125 000, "2500,50"
// is 2500.5) as a whole number, rounded half away from zero; text that is no
// amount stays as it is.
QString formatWhole(const QString &text);
// "00": one digit gets a leading zero ("5" becomes "05"); anything else
// stays as it is, for the check to refuse.
QString formatTwoDigits(const QString &text);

// Messages of the focus-loss checks; empty text when the field passes.
// An empty box passes here (the save asks for it); anything but one or two
// digits is refused, as is a day above 31 or a month above 12.
QString dayRefusal(const QString &text);
QString monthRefusal(const QString &text);

// The editor's controls a save reads, as the user sees them.
enum class ItemField { None, Proiect, Vallei, Valeuro, Zi1, Luna1, An1, Zi2, Luna2, An2, Detal, Resp };

struct ItemForm {
    bool level2HasEntries = false;   // list II holds entries
    QString proiect;
    int fondRow = -1;                // 1 is research funds
    QString vallei, valeuro;
    QString zi1, luna1, an1, zi2, luna2, an2;
    QString detal, resp;
    bool works = false;              // "lucrari" chosen
};

struct Refusal {
    QString message;
    ItemField focus = ItemField::None;
    bool chooseResearchFunds = false;   // the project check moves the funds to "cercetare"
};

// The field checks again, first of all: a field left with a wrong value
// never reaches the file, whatever the order of clicks was.
std::optional<Refusal> checkFields(const ItemForm &f);
// The save's checks, in their order; the first that fails. A day past its
// month's end is refused as a day that does not exist; the euro box, which
// may stay 0, is checked last for an amount that cannot be read.
std::optional<Refusal> checkItem(const ItemForm &f);

} // namespace tendro
