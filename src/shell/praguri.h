#pragma once
// "PRAGURI VALORICE": the legal thresholds by the date they came into
// force, which the office adds, corrects and deletes in place, and puts
// back from the shipped rows ("Valori implicite").

#include <QDialog>

class QTableView;

namespace tendro {

class AppContext;
class QueryTableModel;

class Praguri : public QDialog {
    Q_OBJECT
public:
    explicit Praguri(AppContext &ctx, QWidget *parent = nullptr);
    QueryTableModel *model() const { return model_; }

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool checkCell(int column, QVariant &value);
    bool checkRow(int row);
    void deleteRow(int row);
    // Puts back the shipped rows the table lacks, after a question.
    void addDefaults();
    void refresh();

    AppContext &ctx_;
    QueryTableModel *model_ = nullptr;
    QTableView *grid_;
};

} // namespace tendro
