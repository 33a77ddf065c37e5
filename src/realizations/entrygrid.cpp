#include "entrygrid.h"
#include "store/querymodel.h"

#include <QKeyEvent>

namespace tendro {

QueryTableModel *EntryGrid::entries() const { return qobject_cast<QueryTableModel *>(model()); }

int EntryGrid::nextColumn(int column, bool forward) const
{
    const QueryTableModel *m = entries();
    for (int c = column + (forward ? 1 : -1); m && c >= 0 && c < m->columnCount(); c += forward ? 1 : -1)
        if (!isColumnHidden(c) && m->gridColumns().at(c).editable)
            return c;
    return -1;
}

bool EntryGrid::commitEditor()
{
    const QModelIndex at = currentIndex();
    QWidget *editor = at.isValid() ? indexWidget(at) : nullptr;
    if (!editor)
        return true;
    commitData(editor);
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return entries()->refusedRow() != at.row();
}

void EntryGrid::startNewRow()
{
    QueryTableModel *m = entries();
    if (!m || m->rowCount() == 0)
        return;
    const QModelIndex to = m->index(m->rowCount() - 1, nextColumn(-1, true));
    setCurrentIndex(to);
    scrollTo(to);
}

void EntryGrid::step(bool forward)
{
    QueryTableModel *m = entries();
    const QModelIndex at = currentIndex();
    if (!m || !at.isValid())
        return;
    int row = at.row(), column = nextColumn(at.column(), forward);
    if (column < 0 && m->isAppendRow(row)) {
        if (!forward)
            return;   // nothing before the first cell of the new row
        if (m->rowHasChanges(row)) {
            if (storeRow && storeRow(row))
                startNewRow();
            return;
        }
        column = nextColumn(-1, true);
    } else if (column < 0) {
        // A stored row goes on to its neighbour, which stores it as leaving it does.
        row += forward ? 1 : -1;
        if (row < 0)
            return;
        column = nextColumn(forward ? -1 : m->columnCount(), forward);
    }
    setCurrentIndex(m->index(row, column));
}

void EntryGrid::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    // A Return that comes up from an open editor is the editor's: it closes it.
    const bool walk = key == Qt::Key_Tab || key == Qt::Key_Backtab
        || ((key == Qt::Key_Return || key == Qt::Key_Enter) && state() != EditingState);
    if (walk) {
        step(key != Qt::Key_Backtab && !(key == Qt::Key_Tab && shift));
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void EntryGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    // Tab, Backtab and Return in the editor of the current cell; an editor
    // closed because the cursor moved elsewhere keeps the view's own way.
    const QModelIndex at = currentIndex();
    const bool walk = hint == QAbstractItemDelegate::EditNextItem || hint == QAbstractItemDelegate::EditPreviousItem
        || hint == QAbstractItemDelegate::SubmitModelCache;
    if (!walk || !at.isValid() || indexWidget(at) != editor) {
        QTableView::closeEditor(editor, hint);
        return;
    }
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (entries() && entries()->refusedRow() == at.row())
        return;   // the refused cell opens again
    step(hint != QAbstractItemDelegate::EditPreviousItem);
}

} // namespace tendro
