#include "frmUninstall.h"

#include "platform/Machine.h"
#include "resources/Catalogue.h"
#include "ui/Ansi.h"
#include "ui/Module.h"
#include "ui/Placement.h"
#include "ui/RegQt.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace kestrel {

namespace {

const QString UninstallKey =
    QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");

// The list box is the page's width less this.
constexpr int ListMargin = 40; // twips

QString programKey(const QString& subkey) {
    return UninstallKey + QLatin1Char('\\') + subkey;
}

// Lets the window catch up (repaint, finish layout) between building steps. User input waits:
// a click on the tree now would close this page in the middle of its own handler.
void processPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

frmUninstall::frmUninstall(QWidget* parent)
    : Page(parent), lbScr(makeControl<QListWidget>(this, "lbScr")),
      lbN(makeControl<QListWidget>(this, "lbN")), cmdDel(makeControl<QPushButton>(this, "cmdDel")),
      cmdUninst(makeControl<QPushButton>(this, "cmdUninst")),
      lblHLP(makeControl<QLabel>(this, "lblHLP")) {
    place({
        {lbScr, 0, 120, 6000, 3000},
        {cmdDel, 0, 3240, 1500, 390},
        {cmdUninst, 1620, 3240, 1500, 390},
        {lblHLP, 0, 3750, 6000, 900},
    });
    lbN->hide();
    lblHLP->setWordWrap(true);
    lblHLP->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(lbScr, &QListWidget::currentRowChanged, this, [this](int row) {
        // Emptying the list leaves no selection; only a chosen entry is a click.
        if (row >= 0)
            lbScr_Click();
    });
    connect(cmdDel, &QPushButton::clicked, this, &frmUninstall::cmdDel_Click);
    connect(cmdUninst, &QPushButton::clicked, this, &frmUninstall::cmdUninst_Click);
}

void frmUninstall::Form_Load() {
    lbScr->clear();
    cmdDel->setText(LoadResCaption(380));
    cmdUninst->setText(LoadResCaption(381));
    lblHLP->setText(LoadResString(384));

    QStringList subkeys;
    const bool opened = Reg::EnumKeys(subkeys, HKEY_LOCAL_MACHINE, UninstallKey);
    lbN->clear();
    lbN->addItems(subkeys);
    if (!opened) {
        ShowNoPrograms();
        return;
    }
    processPendingEvents();

    // A subkey without a readable, non-empty name is dropped from lbN too, so that entry i of
    // both lists always names the same program.
    for (int i = 0; i != lbN->count(); ++i) {
        const QString path = programKey(lbN->item(i)->text());
        QString name;
        if (!Reg::GetString(HKEY_LOCAL_MACHINE, path, QStringLiteral("DisplayName"), name))
            Reg::GetString(HKEY_LOCAL_MACHINE, path, QStringLiteral("QuietDisplayName"), name);
        if (!name.isEmpty()) {
            lbScr->addItem(name);
        } else {
            delete lbN->takeItem(i);
            --i;
        }
    }

    if (lbScr->count() >= 1) {
        SelIndex = 0;
        lbScr->setCurrentRow(0);
        cmdDel->setEnabled(true);
        cmdUninst->setEnabled(true);
    } else {
        ShowNoPrograms();
    }
}

void frmUninstall::ShowNoPrograms() {
    lbScr->addItem(LoadResString(960));
    cmdDel->setEnabled(false);
    cmdUninst->setEnabled(false);
}

void frmUninstall::Form_Resize() {
    setWidthIfChanged(lbScr, width() - twips(ListMargin));
}

void frmUninstall::lbScr_Click() {
    if (lbScr->count() >= 1)
        SelIndex = static_cast<std::int16_t>(lbScr->currentRow());
}

void frmUninstall::cmdDel_Click() {
    if (lbN->count() == 0)
        return;
    const QListWidgetItem* shown = lbScr->item(SelIndex);
    const QListWidgetItem* subkey = lbN->item(SelIndex);
    if (!shown || !subkey)
        return;
    if (!AskSave(LoadResString(382) + shown->text() + QStringLiteral(" ?")))
        return;
    Machine::current().registry().deleteKey(HKEY_LOCAL_MACHINE, toAnsi(programKey(subkey->text())));
    processPendingEvents();
    Form_Load();
}

void frmUninstall::cmdUninst_Click() {
    if (lbN->count() == 0)
        return;
    const QListWidgetItem* subkey = lbN->item(SelIndex);
    if (!subkey)
        return;
    const QString path = programKey(subkey->text());
    QString command;
    if (Reg::GetString(HKEY_LOCAL_MACHINE, path, QStringLiteral("UninstallString"), command) ||
        Reg::GetString(HKEY_LOCAL_MACHINE, path, QStringLiteral("QuietUninstallString"), command))
        Machine::current().winExec(toAnsi(command), SW_SHOWNORMAL);
    else
        ShowMessage(LoadResString(383), MessageIcon::Critical);
    processPendingEvents();
    Form_Load();
}

} // namespace kestrel
