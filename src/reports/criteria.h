#pragma once
// What the "Centralizatoare" window asks for, turned into the selection
// formula, the criteria line, the title and the report to run.

#include <QString>
#include <optional>

namespace tendro {

// The window's state as its "Raport" reads it; a criterion that is not
// ticked carries no value.
struct CriteriaState {
    bool proposals = false;                  // "propuse" chosen, else "aprobate"
    QString year, datamin, datamax;
    std::optional<QString> activity;         // "Achizitii de la"
    std::optional<int> kind;                 // "Felul achizitiei": 1, 2, 3
    QString kindCaption;
    std::optional<QString> fund;             // "Sursa de finantare"
    std::optional<std::pair<QString, QString>> value;    // "Valoare estimata (lei)": the two boxes
    std::optional<QString> person;           // "Responsabil"
    std::optional<std::pair<QString, QString>> start;    // "Data inceperii procedurii"
    std::optional<std::pair<QString, QString>> end;      // "Data finalizarii procedurii"
    std::optional<QString> procedure;        // "Tipul procedurii"
    bool grouped = false;                    // "Grupat pe coduri CPV"
    QString margin;                          // the text of "Margine sus raport"
};

struct ReportRequest {
    QString reportFile;                 // "rapprog.rpt", "rapproga.rpt" or "rapprogagrup.rpt"
    QString selection;
    QString criteria;                   // "Criterii selectie : ..." or empty
    QString formula0;                   // "titlu='...'"
    std::optional<QString> formula1;    // "crit='...'"
    int topMargin = 0;
};

ReportRequest buildRequest(const CriteriaState &s);

// yyyymmdd of a dd.mm.yyyy text, cut by position; empty for empty text.
QString compareFormOf(const QString &display);

// The value boxes take amounts the Romanian way; a text that fits no
// reading ("1.25.0") is refused with this message, empty text otherwise.
QString amountBoxRefusal(const QString &text);

// The date box check: the first failing test's message, or empty text.
QString dateBoxRefusal(const QString &text, int currentYear);

} // namespace tendro
