#pragma once
// The seven CPV level lists of the programme window and the searches that
// position them. The window owns the widgets; this class owns their state.

#include "catalogue.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <array>
#include <optional>

class QLabel;
class QListWidget;
class QRadioButton;
class QWidget;

namespace tendro {

class MessageService;

// The entry a save takes: the current entry of the deepest list that holds entries.
struct ChosenEntry {
    int level = 0;       // 1..7
    QString code;        // as remembered: the stored code text or the code number in digits
    QString name;
};

struct BrowserWidgets {
    std::array<QListWidget *, 7> lists{};   // list1 .. list7
    QRadioButton *prod = nullptr;
    QRadioButton *serv = nullptr;
    QRadioButton *lucr = nullptr;
    QLabel *label17 = nullptr;
};

class CatalogueBrowser : public QObject {
    Q_OBJECT
public:
    CatalogueBrowser(Database &db, MessageService &messages, QWidget *window, BrowserWidgets w);

    // Window load: every flag cleared, word memory forgotten.
    void reset();
    // Chooses the kind option and fills list I with its first-level entries.
    void chooseKind(int fel);
    void levelClicked(int level);        // 1..6
    void levelDoubleClicked(int level);  // 1..6
    void updateTooltip(int level);       // 1..7
    void pozitionare(const QString &code, int fel);
    void searchCode(const QString &text);
    void searchWord(const QString &word);
    // Empty when the deepest list that holds entries has no current entry.
    std::optional<ChosenEntry> chosen() const;
    // The window's close forgets the word.
    void forgetWord() { cuvvechi_.clear(); }

    // The code remembered for each entry of list L (1..7), by position.
    const QStringList &coduri(int level) const { return coduri_.at(level - 1); }
    bool blocat(int level) const { return blocat_.at(level - 1) != 0; }
    QString cuvvechi() const { return cuvvechi_; }
    int nrgasite() const { return int(gasite_.size()); }
    const QVector<qint64> &gasite() const { return gasite_; }

private:
    void kindChosen(int fel);
    void addEntry(int level, const QString &name, const QString &code);
    void clearList(int level);   // the list, its codes and its tooltip
    void emptyFrom(int level);   // empties lists level..7
    void setBlocked(bool on);

    CatalogueStore store_;
    MessageService &messages_;
    QWidget *window_;
    BrowserWidgets w_;
    std::array<QStringList, 7> coduri_;
    std::array<int, 6> blocat_{};
    QString cuvvechi_;
    QVector<qint64> gasite_;
    QSet<qint64> gasiteSet_;
    QVector<SearchRow> searchRows_;
    bool searchRowsLoaded_ = false;
};

} // namespace tendro
