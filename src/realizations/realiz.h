#pragma once
// "Achizitii de produse, servicii, lucrari": the approved programme of a
// year above, the contracts and purchase acts of the selected item below,
// where new ones are typed; the realized totals and their report.

#include "entrychecks.h"
#include "totals.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableView;

namespace tendro {

class AppContext;
class EntryGrid;
class QueryTableModel;
class ReportJob;

class Realiz : public QDialog {
    Q_OBJECT
public:
    explicit Realiz(AppContext &ctx, QWidget *parent = nullptr);

    QString datamin() const { return datamin_; }
    QString datamax() const { return datamax_; }
    qint64 idsel() const { return idsel_; }
    QString proiectsel() const { return proiectsel_; }
    QString uidsel() const { return uidsel_; }
    QueryTableModel *programmeModel() const { return model1_; }
    QueryTableModel *entryModel() const { return model2_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void load();
    void yearChosen();
    void kindChosen();
    void rebuildProjects();
    void projectChosen();
    void itemChosen(int row);
    void showProgramme(const QString &sql, const QVariantList &params);
    // The year's approved items, by the chosen project and kind.
    void showFiltered(bool ownItems);
    // The lower grid lists the chosen item's realizations of the year, or none.
    void showEntries();
    void forgetItem();
    bool checkCell(int row, int column, QVariant &value);
    bool checkRow(int row);
    QStringList rowTexts(int row) const;
    EntryContext entryContext() const;
    // Before anything reads the lower grid again: the open cell is taken
    // and the pending row stored; false (with the cursor on the refused
    // cell) when a check refuses, and the action must not go on.
    bool storeEntries();
    bool storeRow(int row);
    // Puts the filters back as the upper grid shows them, after a refusal.
    void showFilterControls();
    void deleteEntry(int row, int column);
    bool recompute();
    void sum();
    void headerClicked(QTableView *grid, int column);
    // The right-click on a realization that names no item: attribute it to the chosen one.
    void entryMenu(const QPoint &at);
    void report();
    void leave();

    AppContext &ctx_;
    QListWidget *anul_;
    QRadioButton *prod_, *serv_, *lucr_;
    QComboBox *proiect_;
    QTableView *grid1_;
    EntryGrid *grid2_;
    QLabel *caption2_;
    QLabel *labelPrag_;   // the direct purchases made over the threshold, after "Suma"
    QueryTableModel *model1_ = nullptr, *model2_ = nullptr;
    QPushButton *command1_, *command2_, *command3_;
    ReportJob *raprealiz_;

    QString datamin_, datamax_;
    qint64 idsel_ = 0;
    QString proiectsel_;
    QString uidsel_;           // the chosen item's identity; its realizations name it
    Unattributed unattributed_;   // found by the last recomputation
    int refusedColumn_ = -1;   // the cell the last refused row check concerns
    int shownKind_ = 0;        // the kind and project the upper grid lists
    int sorted1_ = -1, sorted2_ = -1;   // the column each grid was last sorted by
    Qt::SortOrder order1_ = Qt::AscendingOrder, order2_ = Qt::AscendingOrder;
    QString shownProject_;
};

} // namespace tendro
