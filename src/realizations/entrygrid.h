#pragma once
// The realization grid as the keyboard walks it: Tab, Backtab and Return go
// from cell to cell of a row, past the columns the grid fills itself, and
// close an open editor on the way (the next key typed opens the next). Past
// the last cell of the new row at the end the row is stored and the cursor
// starts the next new row; the keyboard never wraps from the new row into a
// stored one, where the next invoice would overwrite a stored realization.

#include <QTableView>
#include <functional>

namespace tendro {

class QueryTableModel;

class EntryGrid : public QTableView {
public:
    explicit EntryGrid(QWidget *parent = nullptr) : QTableView(parent) {}

    // Stores the new row when the keyboard passes its last cell; true when
    // it is stored (a refusal has said why and placed the cursor).
    std::function<bool(int row)> storeRow;

    // Takes the text of an open cell editor into the grid; false when its
    // cell check refused it (the cell then opens again).
    bool commitEditor();
    // The cursor on the first cell of the new row at the end.
    void startNewRow();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    QueryTableModel *entries() const;
    // The next cell the user types in, by the keyboard's order; -1 past the end.
    int nextColumn(int column, bool forward) const;
    void step(bool forward);
};

} // namespace tendro
