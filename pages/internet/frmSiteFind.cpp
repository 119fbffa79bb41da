#include "frmSiteFind.h"

#include "resources/Catalogue.h"
#include "ui/Module.h"
#include "ui/Placement.h"
#include "ui/RegQt.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace kestrel {

namespace {

const QString TemplateKey =
    QStringLiteral("Software\\Microsoft\\Internet Explorer\\Main\\UrlTemplate");

// Measures in twips: the template row on top (www, site name, domain, Add), the list with its
// Delete button below it, the help text at the bottom.
constexpr int Left = 60;
constexpr int RowTop = 420;
constexpr int BoxHeight = 315;
constexpr int ButtonWidth = 1215;
constexpr int ButtonHeight = 375;
constexpr int ButtonLeft = 3900;
constexpr int ListTop = 960;
constexpr int ListHeight = 2700;
constexpr int HelpLeft = 30;
constexpr int HelpTop = ListTop + ListHeight + 120;
constexpr int HelpHeight = 1200;

} // namespace

frmSiteFind::frmSiteFind(QWidget* parent)
    : SavingPage(parent), slst(makeControl<QListWidget>(this, "slst")),
      chkwww(makeControl<QCheckBox>(this, "chkwww")),
      txtwww(makeControl<QLineEdit>(this, "txtwww")), Text2(makeControl<QLineEdit>(this, "Text2")),
      txtDomen(makeControl<QLineEdit>(this, "txtDomen")),
      cmdadd(makeControl<QPushButton>(this, "cmdadd")),
      cmdDel(makeControl<QPushButton>(this, "cmdDel")),
      lblHelp(makeControl<QLabel>(this, "lblHelp")) {
    place({
        {chkwww, Left, 60, 5100, 255},
        {txtwww, Left, RowTop, 600, BoxHeight},
        {Text2, Left + 600, RowTop, 1500, BoxHeight},
        {txtDomen, Left + 2100, RowTop, 1000, BoxHeight},
        {cmdadd, ButtonLeft, RowTop - 30, ButtonWidth, ButtonHeight},
        {slst, Left, ListTop, 3700, ListHeight},
        {cmdDel, ButtonLeft, ListTop, ButtonWidth, ButtonHeight},
        {lblHelp, HelpLeft, HelpTop, 5100, HelpHeight},
    });
    // The first two fields of the row only show what the template will look like.
    txtwww->setReadOnly(true);
    Text2->setReadOnly(true);
    lblHelp->setWordWrap(true);
    lblHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The www part greys out when it will not be part of the template.
    connect(chkwww, &QCheckBox::toggled, txtwww, &QWidget::setEnabled);
    connect(cmdadd, &QPushButton::clicked, this, &frmSiteFind::cmdadd_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmSiteFind::cmdDel_Click);
    connect(slst, &QListWidget::currentRowChanged, this, &frmSiteFind::slst_Click);
}

void frmSiteFind::Form_Load() {
    chkwww->setText(LoadResString(452));
    chkwww->setChecked(false);
    txtwww->setEnabled(false);
    txtwww->setText(QStringLiteral("www"));
    Text2->setText(LoadResString(453));
    txtDomen->setText(QStringLiteral("com"));
    cmdadd->setText(LoadResString(313));
    cmdDel->setText(LoadResString(315));
    lblHelp->setText(LoadResString(451));
    LoadTemplates();
    Form_Resize();
    clearChanged();
}

void frmSiteFind::Form_Resize() {
    if (isMinimized())
        return;
    place(lblHelp, HelpLeft, HelpTop, toTwips(width()) - 60, HelpHeight);
}

void frmSiteFind::LoadTemplates() {
    slst->clear();
    SelIndex = 0;
    // Missing numbers are skipped: the list closes up the gaps.
    for (int n = 1; n <= MaxTemplates; ++n) {
        QString text;
        if (Reg::GetString(HKEY_LOCAL_MACHINE, TemplateKey, QString::number(n), text))
            slst->addItem(text);
    }
    cmdDel->setEnabled(slst->count() > 0);
    if (slst->count() > 0)
        slst->setCurrentRow(0);
}

void frmSiteFind::SaveTemplates() {
    ClearTemplates();
    for (int i = 1; i <= slst->count(); ++i)
        Reg::SaveString(HKEY_LOCAL_MACHINE, TemplateKey, QString::number(i),
                        slst->item(i - 1)->text());
}

void frmSiteFind::ClearTemplates() {
    // The numbering ends at the first number that is not there; values beyond a gap stay.
    for (int n = 1; Reg::DeleteValue(HKEY_LOCAL_MACHINE, TemplateKey, QString::number(n)); ++n) {
    }
}

void frmSiteFind::cmdadd_Click() {
    const QString entry =
        (chkwww->isChecked() ? QStringLiteral("www.%s.") : QStringLiteral("%s.")) +
        txtDomen->text();
    bool listed = false;
    for (int row = 0; row < slst->count() && !listed; ++row)
        listed = slst->item(row)->text() == entry;
    if (listed) {
        // Adding what is already listed takes back a change still pending.
        clearChanged();
    } else if (slst->count() >= MaxTemplates) {
        // The values are numbered up to 254 only: a longer list could not be saved whole.
        ShowMessage(LoadResString(950));
        return;
    } else {
        slst->addItem(entry);
        markChanged();
    }
    cmdDel->setEnabled(true);
}

void frmSiteFind::cmdDel_Click() {
    if (SelIndex < 0 || SelIndex >= slst->count())
        return;
    delete slst->takeItem(SelIndex);
    if (slst->count() == 0) {
        cmdDel->setEnabled(false);
    } else {
        slst->setCurrentRow(0);
        SelIndex = 0;
    }
    markChanged();
}

void frmSiteFind::slst_Click() {
    const int row = slst->currentRow();
    if (row >= 0)
        SelIndex = static_cast<std::int16_t>(row);
}

} // namespace kestrel
