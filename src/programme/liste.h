#pragma once
// "PROGRAMUL ACHIZITIILOR": the CPV browser on the left, the item editor and
// the programme grid on the right. One window; its concerns live in their
// own files: liste.cpp (building, load, year, close), liste_editor.cpp (the
// editor's fields and the save), liste_grid.cpp (the grid, sorting, loading
// a row, deletion), liste_projects.cpp (projects and the year copy),
// liste_thresholds.cpp (the legal thresholds of the item and its purchase). The
// rules themselves are widget-free code beside it.

#include "gridquery.h"
#include "itemchecks.h"
#include "thresholds/purchases.h"

#include <QDialog>
#include <array>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableView;
class QTimer;

namespace tendro {

class AppContext;
class CatalogueBrowser;
class QueryTableModel;
class ReportJob;
struct CpvEntry;
struct ProgrammeItem;

class Liste : public QDialog {
    Q_OBJECT
public:
    explicit Liste(AppContext &ctx, QWidget *parent = nullptr);

    // The window's state, as its handlers share it.
    CatalogueBrowser *browser() const { return browser_; }
    qint64 idpsel() const { return idpsel_; }
    QString activ() const { return activ_; }
    QString datamin() const { return datamin_; }
    QString datamax() const { return datamax_; }
    const SortToggles &toggles() const { return sort_; }
    QueryTableModel *gridModel() const { return model_; }

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // liste.cpp
    void buildLeftHalf(QWidget *host);
    void buildRightHalf(QWidget *host);
    void load();
    void fillYears();
    // The end-year box offers the start year and the next; `keep` stays chosen.
    void offerEndYears(const QString &keep = QString());
    void yearBoxesToShownYear();
    void yearChosen();
    QString selectedYear() const;
    void activityChosen(int which);
    void chooseActivity(QRadioButton *option);
    void searchButton();
    void codeLostFocus();

    // liste_editor.cpp
    void wireEditor();
    void numberLostFocus(QLineEdit *field);
    bool untouchedLoadedValue(const QLineEdit *field) const;
    void dayOrMonthLostFocus(QLineEdit *field, bool day);
    void upperCaseLostFocus(QLineEdit *field);
    bool arrowKey(QObject *watched, int key);
    void newItem();
    void save();
    ItemForm readForm() const;
    void refuse(const Refusal &r);
    void focusField(ItemField field);
    QWidget *fieldWidget(ItemField field) const;
    bool refusedJustNow(ItemField field) const;
    void refreshPeople(const QString &select);
    void setEditingMode(bool editing);
    void showLoaded(QLineEdit *field, const QString &text);
    void forgetLoaded();
    void forgetLoadedIfGone();
    void loadedItemGone();

    // liste_grid.cpp
    void buildGrid(QWidget *host);
    bool cutCellToolTip(const QPoint &at, const QPoint &globalAt);
    void showQuery(const GridQuery &q);
    QString projectForQuery() const;
    void headerClicked(int column);
    void rowDoubleClicked();
    void deleteLoaded();
    void deleteGridRow(int row);
    bool checkCellEdit(int row, int column, QVariant &value);
    void afterCellEdit(int row);
    void showEditedInEditor(int row, int column);
    void selectGridRow(int row);

    // liste_projects.cpp
    void wireProjects();
    void rebuildProjects();
    void projectTextChanged(const QString &text);
    void projectLostFocus();
    void projectPicked(int index);
    void deleteProject();
    void yearMousePressed(const QPoint &at);
    void copyFromYear();

    // liste.cpp
    void proposalsReport();

    // liste_thresholds.cpp
    void wireThresholds();
    // The purchases of the year shown, looked at again after a refresh or an edit.
    const Purchases &yearPurchases();
    void refreshThresholdLine();
    void showPurchase(const Purchase &p);
    // The line after a save: the purchase of the item just stored.
    void showSavedClass(qint64 idp);
    void thresholdsReport();

    AppContext &ctx_;
    CatalogueBrowser *browser_ = nullptr;

    // Left half
    std::array<QListWidget *, 7> lists_{};
    QRadioButton *prod_, *serv_, *lucr_;
    QRadioButton *act1_, *act2_, *act3_;
    QLineEdit *cod_, *cuvant_;
    QPushButton *command6_;

    // Editor
    QListWidget *anul_, *fond_, *listp_;
    QComboBox *proiect_, *an1_, *an2_;
    QLineEdit *vallei_, *valeuro_, *zi1_, *luna1_, *zi2_, *luna2_, *resp_, *detal_;
    QLabel *label17_;
    QPushButton *command1_, *command2_, *command3_, *command4_, *command5_, *command7_;
    ReportJob *rapprog_;
    QMenu *mnutrans_;

    // Grid
    QLabel *gridCaption_;
    QTableView *grid_;
    QueryTableModel *model_ = nullptr;

    // Window state
    qint64 idpsel_ = 0;
    // The values of the item loaded from the grid, as stored, while their boxes are not typed in.
    struct Loaded {
        std::optional<double> lei, euro;
    } loaded_;
    QString activ_;
    QString datamin_, datamax_;
    SortToggles sort_;
    QString copySourceYear_;

    // The legal thresholds of the item being edited and of the grid's rows
    QLabel *labelPrag_ = nullptr;
    QPushButton *command8_ = nullptr;
    ReportJob *rapdivizare_ = nullptr;
    QTimer *pragTimer_ = nullptr;
    QTimer *bandTimer_ = nullptr;
    PurchasesCache purchasesCache_;
    Purchases purchases_;   // of the year shown
    bool purchasesStale_ = true;
};

} // namespace tendro
