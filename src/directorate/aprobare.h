#pragma once
// "APROBAREA PROGRAMULUI ANUAL": the directorate's purchases of a year, summed
// over its sub-units by the thresholds' rules, and under each the items of
// every sub-unit, whose procedure, announcement and mode the directorate sets.
// Each change is stored at once with a row of `aprobari` and, when a server
// is set, written to it first.

#include "paap.h"
#include "thresholds/purchases.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QTableView;

namespace tendro {

class AppContext;
class PgConnection;
class QueryTableModel;
class ReportJob;

class Aprobare : public QDialog {
    Q_OBJECT
public:
    explicit Aprobare(AppContext &ctx, QWidget *parent = nullptr);
    ~Aprobare() override;

    QueryTableModel *purchasesModel() const { return purchasesModel_; }
    QueryTableModel *itemsModel() const { return itemsModel_; }

private:
    void fillYears();
    void fillSubunits();
    int selectedYear() const;
    QVector<int> subunitsShown() const;
    // Purchases again (after a change of year, sub-unit or filter, or an approval), keeping the chosen row.
    void refreshPurchases();
    void showItems();
    const Purchase *currentPurchase() const;
    bool checkCell(int row, int column, QVariant &value);
    bool writeItem(int row, const QStringList &columns, const QVariantList &values);
    // The server's connection for this window; null when none is set or it could not be reached.
    PgConnection *server();
    void approveGroup();
    void printProgramme();

    AppContext &ctx_;
    QComboBox *anul_, *subunit_;
    QCheckBox *neaprob_;
    QTableView *grid1_, *grid2_;
    QueryTableModel *purchasesModel_ = nullptr;
    QueryTableModel *itemsModel_ = nullptr;
    ReportJob *rappaap_ = nullptr;
    QVector<int> allSubunits_;
    Purchases purchases_;
    LevelCodes levelCodes_;
    QVector<int> shownPurchases_;   // index into purchases_.list() per row of DataGrid1
    std::unique_ptr<PgConnection> pg_;
    bool serverTried_ = false;
};

} // namespace tendro
