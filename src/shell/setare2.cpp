#include "setare2.h"
#include "server.h"
#include "services/context.h"
#include "store/querymodel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tendro {

Setare2::Setare2(AppContext &ctx, QWidget *parent) : QDialog(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("setare2"));
    setWindowTitle(QStringLiteral("Date necesare la rapoarte"));
    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("DataGrid1"));
    auto *quit = new QPushButton(QStringLiteral("Iesire"), this);
    quit->setObjectName(QStringLiteral("Command1"));
    quit->setAutoDefault(false);
    auto *server = new QPushButton(QStringLiteral("Server"), this);
    server->setObjectName(QStringLiteral("Command3"));
    server->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(server);
    buttons->addWidget(quit);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(grid_);
    lay->addLayout(buttons);
    resize(1000, 300);
    connect(quit, &QPushButton::clicked, this, &QDialog::accept);
    connect(server, &QPushButton::clicked, this, [this] {
        ServerWindow w(ctx_, this);
        w.exec();
    });

    try {
        model_ = new QueryTableModel(ctx_.db(),
                                     {{QStringLiteral("DENUMIRE UNITATE"), QStringLiteral("numeds"), true},
                                      {QStringLiteral("DENUMIRE SUBUNITATE"), QStringLiteral("numeos"), true},
                                      {QStringLiteral("FUNCTIE SEF SUBUNITATE"), QStringLiteral("functiesef"), true},
                                      {QStringLiteral("SEF SUBUNITATE"), QStringLiteral("sef"), true},
                                      {QStringLiteral("CONTABIL SEF"), QStringLiteral("contabil"), true},
                                      {QStringLiteral("INTOCMIT"), QStringLiteral("intocmit"), true}},
                                     this);
        model_->setObjectName(QStringLiteral("Adodc1"));
        // `setare` has no key of its own; the row id identifies the row.
        model_->setQuery(QStringLiteral("SELECT rowid, * FROM setare"));
        model_->setWriteBack(QStringLiteral("setare"), QStringLiteral("rowid"));
        model_->setErrorHandler([this](const DbError &e) {
            ctx_.messages.engineError(this, e);
        });
        model_->refresh();
        bindGrid(grid_, model_);
        grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    } catch (const DbError &e) {
        ctx_.messages.engineError(this, e);
    }
}

void Setare2::done(int result)
{
    // Leaving the current cell commits an open editor and writes its row.
    grid_->setCurrentIndex(QModelIndex());
    if (model_)
        model_->submitAll();
    QDialog::done(result);
}

} // namespace tendro
