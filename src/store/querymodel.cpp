#include "querymodel.h"
#include "numbers.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <numeric>

namespace tendro {

namespace {

// The cell editor takes no more characters than the column allows; a
// refused edit is opened again with the text the user typed.
class CellDelegate : public QStyledItemDelegate {
public:
    CellDelegate(QueryTableModel *model, QTableView *view) : QStyledItemDelegate(view), model_(model), view_(view) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *w = QStyledItemDelegate::createEditor(parent, option, index);
        const int limit = model_->gridColumns().value(index.column()).maxLength;
        if (auto *line = qobject_cast<QLineEdit *>(w); line && limit > 0)
            line->setMaxLength(limit);
        return w;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        // Numbers are edited as the grid shows them, in their "." form.
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            QString text = index.data(Qt::EditRole).toString();
            if (index == pendingIndex_) {
                text = pendingText_;
                pendingIndex_ = QPersistentModelIndex();
            }
            // A stored text longer than the column takes is not cut by opening its cell.
            const int limit = model_->gridColumns().value(index.column()).maxLength;
            if (limit > 0)
                line->setMaxLength(std::max(limit, int(text.size())));
            line->setText(text);
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        auto *line = qobject_cast<QLineEdit *>(editor);
        if (!line) {
            QStyledItemDelegate::setModelData(editor, model, index);
            return;
        }
        const QString text = line->text();
        if (index.data(Qt::EditRole).toString() == text)
            return;   // nothing changed: nothing to check
        if (model->setData(index, text, Qt::EditRole) || !model_->reopenRefused())
            return;
        pendingIndex_ = index;
        pendingText_ = text;
        QPointer<QTableView> view = view_;
        QueryTableModel *owner = model_;
        const QPersistentModelIndex at = index;
        QTimer::singleShot(0, view_, [view, owner, at] {
            if (!view || !at.isValid())
                return;
            view->setCurrentIndex(at);
            view->edit(at);
            // Back in the cell: what happens to the row now is the user's next move.
            owner->clearRefusedRow();
        });
    }

private:
    QueryTableModel *model_;
    QTableView *view_;
    mutable QPersistentModelIndex pendingIndex_;
    mutable QString pendingText_;
};

// A click on a cell of the selected row opens it once the double-click
// interval has passed (a double-click means something else), as the view's
// own "selected clicked" trigger does; but a key typed meanwhile opens the
// cell at once. With the view's own trigger a key typed in that interval was
// taken as a search for a row starting with it: the cursor jumped to another
// row, and the next keys went into that row's cell. Whatever the user does
// elsewhere meanwhile (a click on another control, the focus or the window
// changing) cancels the opening: typing meant for another box never lands in
// the grid.
class ClickOpensCell : public QObject {
public:
    explicit ClickOpensCell(QTableView *view) : QObject(view), view_(view), viewObject_(view), viewport_(view->viewport())
    {
        view->setEditTriggers(view->editTriggers() & ~QAbstractItemView::SelectedClicked);
        view->viewport()->installEventFilter(this);
        view->installEventFilter(this);
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] {
            watchElsewhere(false);
            // Not behind a question the click's row raised, nor on a cell the cursor has left.
            const QWidget *modal = QApplication::activeModalWidget();
            if (pending_.isValid() && view_->currentIndex() == pending_ && !view_->indexWidget(pending_)
                && (!modal || modal == view_->window()) && view_->hasFocus())
                view_->edit(pending_);
        });
    }
    ~ClickOpensCell() override { watchElsewhere(false); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // While the view is being destroyed its widgets still send events
        // (it is a plain QWidget by then): none is ours to handle.
        if (!qobject_cast<QTableView *>(viewObject_))
            return false;
        if (watched != view_ && watched != viewport_) {
            // Only while an opening is pending: a press anywhere else cancels it.
            if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::WindowDeactivate)
                cancel();
            return false;
        }
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto *me = static_cast<QMouseEvent *>(event);
            const QModelIndex at = view_->indexAt(me->position().toPoint());
            pressed_ = watched == view_->viewport() && me->button() == Qt::LeftButton && at.isValid()
                    && (at.flags() & Qt::ItemIsEditable) && view_->selectionModel()->isSelected(at)
                ? QPersistentModelIndex(at)
                : QPersistentModelIndex();
            cancel();
            break;
        }
        case QEvent::MouseButtonRelease: {
            // Released where it was pressed: a press dragged to another row opens nothing.
            const QModelIndex at = view_->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint());
            if (watched == view_->viewport() && pressed_.isValid() && at == pressed_ && at == view_->currentIndex()) {
                pending_ = at;
                timer_.start(QApplication::doubleClickInterval());
                watchElsewhere(true);
            }
            pressed_ = QPersistentModelIndex();
            break;
        }
        // A key, also one the window takes for itself (Escape, Delete), cancels the opening; so does the
        // grid losing the focus.
        case QEvent::MouseButtonDblClick:
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::FocusOut:
            cancel();
            pressed_ = QPersistentModelIndex();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void cancel()
    {
        timer_.stop();
        pending_ = QPersistentModelIndex();
        watchElsewhere(false);
    }
    void watchElsewhere(bool on)
    {
        if (on == watching_)
            return;
        watching_ = on;
        if (on)
            qApp->installEventFilter(this);
        else
            qApp->removeEventFilter(this);
    }

    QTableView *view_;
    QObject *viewObject_;
    QWidget *viewport_;
    QTimer timer_;
    QPersistentModelIndex pressed_, pending_;
    bool watching_ = false;
};

} // namespace

QueryTableModel::QueryTableModel(Database &db, QVector<GridColumn> columns, QObject *parent)
    : QAbstractTableModel(parent), db_(db), columns_(std::move(columns)) {}

void QueryTableModel::setQuery(const QString &sql, const QVariantList &params)
{
    sql_ = sql;
    params_ = params;
}

void QueryTableModel::setAppendRow(bool on)
{
    beginResetModel();
    appendRow_ = on;
    endResetModel();
}

void QueryTableModel::refresh()
{
    if (sql_.isEmpty())
        return;   // rows given by the caller stay as they are
    setGridRows(db_.queryRows(sql_, params_));
}

void QueryTableModel::setRows(ResultSet rows) { setGridRows(GridRows::fromResultSet(rows)); }

void QueryTableModel::setGridRows(GridRows fresh)
{
    beginResetModel();
    rows_ = std::move(fresh);
    dirty_.clear();
    original_.clear();
    refusedRow_ = -1;
    newRow_ = QVector<QVariant>(rows_.columns().size());
    sourceIndex_.clear();
    for (const GridColumn &c : columns_)
        sourceIndex_.append(rows_.hasColumn(c.column) ? rows_.columnIndex(c.column) : -1);
    endResetModel();
}

void QueryTableModel::setShown(int row, const QString &column, const QVariant &value)
{
    if (row < 0 || row >= rows_.count() || !rows_.hasColumn(column))
        return;
    const int src = rows_.columnIndex(column);
    rows_.setValue(row, src, value);
    if (original_.contains(row))
        original_[row][src] = value;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole, Qt::ToolTipRole});
}

void QueryTableModel::setWriteBack(const QString &table, const QString &keyColumn)
{
    table_ = table;
    keyColumn_ = keyColumn;
}

QVariant QueryTableModel::stored(int row, int src) const
{
    if (src < 0)
        return {};
    if (isAppendRow(row))
        return newRow_.value(src);
    return rows_.value(row, src);
}

void QueryTableModel::setStored(int row, int src, const QVariant &value)
{
    if (isAppendRow(row))
        newRow_[src] = value;
    else
        rows_.setValue(row, src, value);
}

QVariant QueryTableModel::value(int row, const QString &column) const
{
    return stored(row, rows_.hasColumn(column) ? rows_.columnIndex(column) : -1);
}

QString QueryTableModel::text(int row, int gridColumn) const
{
    const QVariant v = data(index(row, gridColumn));
    return v.isNull() ? QString() : v.toString();
}

int QueryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows_.count() + (appendRow_ ? 1 : 0);
}

int QueryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant QueryTableModel::data(const QModelIndex &index, int role) const
{
    if (rowHint_ && index.isValid() && !isAppendRow(index.row())
        && (role == Qt::BackgroundRole || role == Qt::ForegroundRole || role == Qt::ToolTipRole))
        return rowHint_(index.row(), role);
    if (!index.isValid())
        return {};
    const GridColumn::Format format = columns_.at(index.column()).format;
    if (role == Qt::TextAlignmentRole && format != GridColumn::Text)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const QVariant v = stored(index.row(), sourceIndex(index.column()));
    if (format != GridColumn::Text && !v.isNull() && !(v.typeId() == QMetaType::QString && v.toString().isEmpty())) {
        // A stored text that is no number (an older file's) shows as it is.
        bool number = v.typeId() != QMetaType::QString;
        const double d = number ? v.toDouble() : v.toString().toDouble(&number);
        if (number)
            return format == GridColumn::Lei ? leiText(d) : moneyText(d);
    }
    if (v.typeId() == QMetaType::Double)
        return formatNumber(v.toDouble());
    return v;
}

namespace {

// A cell's value for ordering: numbers by value, ahead of texts.
bool lessThan(const QVariant &a, const QVariant &b)
{
    const auto numeric = [](const QVariant &v, double &out) {
        if (v.isNull())
            return false;
        bool ok = v.typeId() != QMetaType::QString;
        out = ok ? v.toDouble() : v.toString().toDouble(&ok);
        return ok;
    };
    double x = 0, y = 0;
    const bool nx = numeric(a, x), ny = numeric(b, y);
    if (nx && ny)
        return x < y;
    if (nx != ny)
        return nx;
    return QString::localeAwareCompare(a.toString(), b.toString()) < 0;
}

} // namespace

void QueryTableModel::sort(int column, Qt::SortOrder order)
{
    const int src = sourceIndex(column);
    if (src < 0 || !dirty_.isEmpty())
        return;
    beginResetModel();
    // Each value read once, not at every comparison.
    QVector<QVariant> keys(rows_.count());
    for (int r = 0; r < rows_.count(); ++r)
        keys[r] = rows_.value(r, src);
    QVector<int> at(rows_.count());
    std::iota(at.begin(), at.end(), 0);
    std::stable_sort(at.begin(), at.end(), [&keys, order](int a, int b) {
        return order == Qt::AscendingOrder ? lessThan(keys.at(a), keys.at(b)) : lessThan(keys.at(b), keys.at(a));
    });
    rows_.reorder(at);
    endResetModel();
}

QVariant QueryTableModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (o == Qt::Horizontal)
        return section >= 0 && section < columns_.size() ? columns_.at(section).caption : QVariant();
    if (appendRow_ && section == rows_.count())
        return QStringLiteral("*");
    return section + 1;
}

Qt::ItemFlags QueryTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && !table_.isEmpty() && columns_.at(index.column()).editable)
        f |= Qt::ItemIsEditable;
    return f;
}

void QueryTableModel::markChanged(int row, int gridColumn)
{
    if (!original_.contains(row) && !isAppendRow(row))
        original_.insert(row, rows_.row(row));
    dirty_[row].insert(gridColumn);
}

void QueryTableModel::setCell(int row, int gridColumn, const QVariant &value)
{
    const int src = sourceIndex(gridColumn);
    if (src < 0 || row < 0 || row >= rowCount())
        return;
    markChanged(row, gridColumn);
    setStored(row, src, value);
    const QModelIndex i = index(row, gridColumn);
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
}

bool QueryTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const int src = sourceIndex(index.column());
    if (src < 0)
        return false;
    QVariant taken = value;
    // The column's limit holds for any text, typed or not; a longer stored one keeps its own length.
    const int limit = std::max(columns_.at(index.column()).maxLength, int(data(index, Qt::EditRole).toString().size()));
    if (columns_.at(index.column()).maxLength > 0 && taken.typeId() == QMetaType::QString && taken.toString().size() > limit)
        taken = taken.toString().left(limit);
    if (cellCheck_ && !cellCheck_(index.row(), index.column(), taken)) {
        if (reopenRefused_)
            refusedRow_ = index.row();
        return false;
    }
    refusedRow_ = -1;
    setCell(index.row(), index.column(), taken);
    if (writeAtOnce_)
        return submitRow(index.row());
    return true;
}

void QueryTableModel::revertRow(int row)
{
    if (isAppendRow(row)) {
        newRow_.fill(QVariant());
    } else if (original_.contains(row)) {
        rows_.setRow(row, original_.take(row));
    }
    dirty_.remove(row);
    if (row == refusedRow_)
        refusedRow_ = -1;
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
}

bool QueryTableModel::submitRow(int row)
{
    auto it = dirty_.constFind(row);
    if (it == dirty_.constEnd())
        return true;
    if (rowCheck_ && !rowCheck_(row))
        return false;
    // The check may fill columns of its own.
    const QSet<int> edited = dirty_.value(row);
    QStringList names;
    QVariantList values;
    for (int c = 0; c < columns_.size(); ++c) {
        if (!edited.contains(c))
            continue;
        names << columns_.at(c).column;
        values << stored(row, sourceIndex(c));
    }
    const bool inserting = isAppendRow(row);
    try {
        if (inserting) {
            db_.exec(QStringLiteral("INSERT INTO ") + table_ + QStringLiteral(" (") + names.join(QLatin1Char(','))
                         + QStringLiteral(") VALUES(") + QStringList(names.size(), QStringLiteral("?")).join(QLatin1Char(','))
                         + QLatin1Char(')'),
                     values);
        } else if (rowWriter_) {
            if (!rowWriter_(row, names, values)) {
                // Refused, and said why: the row shows what is stored.
                try {
                    refresh();
                } catch (const DbError &) {
                }
                return false;
            }
        } else {
            values << rows_.value(row, keyColumn_);
            db_.exec(QStringLiteral("UPDATE ") + table_ + QStringLiteral(" SET ") + names.join(QStringLiteral("=?,"))
                         + QStringLiteral("=? WHERE ") + keyColumn_ + QStringLiteral("=?"),
                     values);
        }
    } catch (const DbError &e) {
        if (onError_)
            onError_(e);
        if (inserting)
            return false;   // the typed row stays on screen, to be stored again
        try {
            refresh();
        } catch (const DbError &) {
        }
        return false;
    }
    dirty_.remove(row);
    original_.remove(row);
    if (inserting) {
        // The new row takes its key and its place; a new empty row follows.
        try {
            refresh();
        } catch (const DbError &e) {
            if (onError_)
                onError_(e);
        }
    }
    return true;
}

bool QueryTableModel::submitAll()
{
    bool ok = true;
    const QList<int> rows = dirty_.keys();
    for (int r : rows)
        ok = submitRow(r) && ok;
    return ok;
}

int amountWidth(const QTableView *view, int digits, bool cents)
{
    QString widest(digits, QLatin1Char('0'));
    for (int i = digits - 3; i > 0; i -= 3)
        widest.insert(i, QLatin1Char('.'));
    if (cents)
        widest += QStringLiteral(",00");
    return view->fontMetrics().horizontalAdvance(QLatin1Char('-') + widest) + 12;
}

void bindGrid(QTableView *view, QueryTableModel *model)
{
    view->setModel(model);
    view->setItemDelegate(new CellDelegate(model, view));
    if (view->editTriggers() & QAbstractItemView::SelectedClicked)
        new ClickOpensCell(view);
    // A refresh resets the header; the widths the user gave stay.
    auto widths = std::make_shared<QVector<int>>();
    for (const GridColumn &c : model->gridColumns())
        widths->append(c.width);
    auto apply = [view, model, widths] {
        for (int c = 0; c < model->gridColumns().size(); ++c) {
            view->setColumnHidden(c, model->gridColumns().at(c).hidden);
            if (widths->value(c) > 0)
                view->setColumnWidth(c, widths->value(c));
        }
    };
    apply();
    QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, view, [view, model, widths] {
        for (int c = 0; c < model->gridColumns().size(); ++c)
            if (!view->isColumnHidden(c))
                (*widths)[c] = view->columnWidth(c);
    });
    QObject::connect(model, &QAbstractItemModel::modelReset, view, apply);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
                     [view, model](const QModelIndex &current, const QModelIndex &previous) {
                         if (!previous.isValid() || previous.row() == current.row())
                             return;
                         const int from = previous.row();
                         int row = current.row(), column = current.column();
                         if (model->refusedRow() == from) {
                             // The refused cell opens again; the row stays where it was.
                             model->clearRefusedRow();
                             row = from;
                             column = previous.column();
                         } else if (!model->rowHasChanges(from)) {
                             return;
                         } else if (!model->submitRow(from)) {
                             row = from;
                             column = previous.column();
                         }
                         // Stored: an inserted row reset the model, so the
                         // user's new place is set again.
                         QPointer<QTableView> v = view;
                         QTimer::singleShot(0, view, [v, model, row, column] {
                             if (v && row < model->rowCount())
                                 v->setCurrentIndex(model->index(row, column));
                         });
                     });
}

} // namespace tendro
