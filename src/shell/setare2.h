#pragma once
// The people who sign the reports, edited in place.

#include <QDialog>

class QTableView;

namespace tendro {

class AppContext;
class QueryTableModel;

class Setare2 : public QDialog {
    Q_OBJECT
public:
    explicit Setare2(AppContext &ctx, QWidget *parent = nullptr);
    QTableView *grid() const { return grid_; }
    QueryTableModel *model() const { return model_; }

    void done(int result) override;

private:
    AppContext &ctx_;
    QueryTableModel *model_ = nullptr;
    QTableView *grid_;
};

} // namespace tendro
