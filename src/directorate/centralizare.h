#pragma once
// "PRELUAREA PROGRAMELOR DE LA SUBUNITATI": the directorate's sub-units, when
// each programme was last taken in and from which file, its items of the
// year; several sub-unit files taken in at once.

#include <QDialog>

class QPushButton;
class QTableView;

namespace tendro {

class AppContext;
class QueryTableModel;

class Centralizare : public QDialog {
    Q_OBJECT
public:
    explicit Centralizare(AppContext &ctx, QWidget *parent = nullptr);

    // The year the grid counts: the one being planned (the next from October).
    int year() const { return year_; }
    QueryTableModel *subunitsModel() const { return model_; }

private:
    void refresh();
    void fromFiles();
    void fromServer();

    AppContext &ctx_;
    int year_ = 0;
    QTableView *grid_;
    QueryTableModel *model_ = nullptr;
};

} // namespace tendro
