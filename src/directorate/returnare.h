#pragma once
// "RETURNAREA PROGRAMELOR CATRE SUBUNITATI": each sub-unit's items, how many
// are approved and how many the directorate changed since their last return;
// the approved programmes written back, a file per sub-unit.

#include <QDialog>

class QTableView;

namespace tendro {

class AppContext;
class QueryTableModel;

class Returnare : public QDialog {
    Q_OBJECT
public:
    explicit Returnare(AppContext &ctx, QWidget *parent = nullptr);
    QueryTableModel *subunitsModel() const { return model_; }

private:
    void refresh();
    void toFiles();
    void toServer();

    AppContext &ctx_;
    int year_ = 0;
    QTableView *grid_;
    QueryTableModel *model_ = nullptr;
};

} // namespace tendro
