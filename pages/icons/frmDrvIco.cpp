#include "frmDrvIco.h"

#include "resources/Catalogue.h"
#include "ui/Module.h"
#include "ui/Placement.h"
#include "ui/RegQt.h"
#include "ui/StandardIcons.h"
#include "ui/controls/DriveListBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace kestrel {

namespace {

const QString None = QStringLiteral("None");

// Design measures, in twips.
constexpr int Left = 30;
constexpr int LabelHeight = 255;
constexpr int FieldHeight = 315;
constexpr int BrowseWidth = 440;
constexpr int ButtonWidth = 1215;
constexpr int ButtonHeight = 375;

} // namespace

frmDrvIco::frmDrvIco(QWidget* parent) : Page(parent) {
    lblCDrv = makeControl<QLabel>(this, "lblCDrv");
    Drv = makeControl<DriveListBox>(this, "Drv");
    lblCIco = makeControl<QLabel>(this, "lblCIco");
    txtIcoP = makeControl<QLineEdit>(this, "txtIcoP");
    cmdbrowse = makeControl<QPushButton>(this, "cmdbrowse");
    cmdbrowse->setIcon(standardIcon(QStyle::SP_DirOpenIcon));
    cmdbrowse->setIconSize(QSize(16, 16));
    lblHelp = makeControl<QLabel>(this, "lblHelp");
    lblHelp->setWordWrap(true);
    lblHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdAP = makeControl<QPushButton>(this, "cmdAP");

    place({{lblCDrv, Left, 60, 4500, LabelHeight},
           {Drv, Left, 315, 4500, FieldHeight},
           {lblCIco, Left, 780, 4500, LabelHeight},
           {txtIcoP, Left, 1035, 4000, FieldHeight},
           {cmdbrowse, Left + 4060, 1035, BrowseWidth, FieldHeight},
           {lblHelp, Left, 1500, 4500, 495},
           {cmdAP, 1680, 2100, ButtonWidth, ButtonHeight}});

    connect(Drv, &DriveListBox::Change, this, &frmDrvIco::Drv_Change);
    connect(cmdbrowse, &QPushButton::clicked, this, &frmDrvIco::cmdbrowse_Click);
    connect(cmdAP, &QPushButton::clicked, this, &frmDrvIco::cmdAP_Click);
}

void frmDrvIco::Form_Load() {
    lblCDrv->setText(LoadResString(160));
    lblCIco->setText(LoadResString(161));
    lblHelp->setText(LoadResString(163));
    cmdAP->setText(LoadResString(130));
    cmdAP->setEnabled(false);
    Drv_Change();
}

void frmDrvIco::Form_Resize() {
    const int inner = toTwips(width());
    const int full = inner - 60;
    place(lblCDrv, Left, 60, full, LabelHeight);
    place(Drv, Left, 315, full, FieldHeight);
    place(lblCIco, Left, 780, full, LabelHeight);
    place(lblHelp, Left, 1500, full, 495);
    const int text = full - 500;
    place(txtIcoP, Left, 1035, text, FieldHeight);
    place(cmdbrowse, Left + text + 60, 1035, BrowseWidth, FieldHeight);
    place(cmdAP, (inner - ButtonWidth) / 2, 2100, ButtonWidth, ButtonHeight);
}

QString frmDrvIco::driveIconKey(const QString& drive) {
    return QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\DriveIcons\\") +
           drive.left(1).toUpper() + QStringLiteral("\\DefaultIcon");
}

void frmDrvIco::Drv_Change() {
    QString value;
    if (!Reg::GetString(HKEY_LOCAL_MACHINE, driveIconKey(Drv->Drive()), QString(), value))
        value.clear();
    const bool has = !value.isEmpty();
    txtIcoP->setText(has ? value : None);
    cmdAP->setEnabled(has);
}

void frmDrvIco::cmdbrowse_Click() {
    const QString chosen =
        DialogBox().OpenFile(LoadResString(162), QStringLiteral("Icon Files (*.ico)|*.ico"));
    txtIcoP->setText(chosen.isEmpty() ? None : chosen);
    cmdAP->setEnabled(!chosen.isEmpty());
}

void frmDrvIco::cmdAP_Click() {
    if (!AskSave(None))
        return;
    Reg::SaveString(HKEY_LOCAL_MACHINE, driveIconKey(Drv->Drive()), QString(), txtIcoP->text());
}

} // namespace kestrel
