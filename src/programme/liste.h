#pragma once
// "PROGRAMUL ACHIZITIILOR": the CPV browser on the left, the item editor on
// the right. Each concern lives in its own helper; this class wires them.

#include <QDialog>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace tendro {

class AppContext;
class CatalogueBrowser;

class Liste : public QDialog {
    Q_OBJECT
public:
    explicit Liste(AppContext &ctx, QWidget *parent = nullptr);

    CatalogueBrowser *browser() const { return browser_; }
    QString activ() const { return activ_; }
    QString datamin() const { return datamin_; }
    QString datamax() const { return datamax_; }

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLeftHalf(QWidget *host);
    void buildRightHalf(QWidget *host);
    void load();
    void fillYears();
    void yearChosen();
    void activityChosen(int which);
    void chooseActivity(QRadioButton *option);
    void searchButton();
    bool codeLostFocus();

    AppContext &ctx_;
    CatalogueBrowser *browser_ = nullptr;
    std::array<QListWidget *, 7> lists_{};
    QRadioButton *prod_, *serv_, *lucr_;
    QRadioButton *act1_, *act2_, *act3_;
    QLabel *label17_;
    QLineEdit *cod_, *cuvant_;
    QPushButton *command6_;
    QListWidget *fond_, *listp_;
    QComboBox *proiect_, *anul_, *an1_, *an2_;
    QPushButton *command7_, *command1_;
    QLineEdit *resp_, *detal_;

    QString activ_;
    QString datamin_, datamax_;
    bool checking_ = false;
};

} // namespace tendro
