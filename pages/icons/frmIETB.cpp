#include "frmIETB.h"

#include "resources/Catalogue.h"
#include "ui/Module.h"
#include "ui/Placement.h"
#include "ui/RegQt.h"
#include "ui/StandardIcons.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace kestrel {

namespace {

const QString MainKey = QStringLiteral("Software\\Microsoft\\Internet Explorer\\Main");
const QString BrowserKey = QStringLiteral("Software\\Microsoft\\Internet Explorer");
const QString ToolbarKey = QStringLiteral("Software\\Microsoft\\Internet Explorer\\Toolbar");
const QString TitleValue = QStringLiteral("Window Title");
const QString VersionValue = QStringLiteral("Version");
const QString BitmapValue = QStringLiteral("BackBitmap");
const QString PictureFilter = QStringLiteral("All Pictures|*.bmp;*.jpg;*.jpeg;*.gif");

// Measures in twips. Each label stands right above its box.
constexpr int Left = 60;
constexpr int LabelHeight = 255;
constexpr int BoxHeight = 315;
constexpr int GroupStep = 780; // from one label to the next
constexpr int DCTop = 120;
constexpr int VerTop = DCTop + GroupStep;
constexpr int TBITop = VerTop + GroupStep;
constexpr int ApplyTop = TBITop + GroupStep;
constexpr int BrowseWidth = 375;
constexpr int ApplyWidth = 1215;
constexpr int ApplyHeight = 405;

// The box's text, or an empty box when the value cannot be read.
QString readValue(RootKey root, const QString& key, const QString& name) {
    QString text;
    Reg::GetString(root, key, name, text);
    return text;
}

} // namespace

frmIETB::frmIETB(QWidget* parent)
    : Page(parent), lblDC(makeControl<QLabel>(this, "lblDC")),
      txtDC(makeControl<QLineEdit>(this, "txtDC")), lblVer(makeControl<QLabel>(this, "lblVer")),
      txtVer(makeControl<QLineEdit>(this, "txtVer")), lblTBI(makeControl<QLabel>(this, "lblTBI")),
      txtTBI(makeControl<QLineEdit>(this, "txtTBI")),
      cmdbrowse(makeControl<QPushButton>(this, "cmdbrowse")),
      cmdAP(makeControl<QPushButton>(this, "cmdAP")) {
    place({
        {lblDC, Left, DCTop, 4800, LabelHeight},
        {txtDC, Left, DCTop + LabelHeight, 4800, BoxHeight},
        {lblVer, Left, VerTop, 4800, LabelHeight},
        {txtVer, Left, VerTop + LabelHeight, 4800, BoxHeight},
        {lblTBI, Left, TBITop, 4800, LabelHeight},
        {txtTBI, Left, TBITop + LabelHeight, 4400, BoxHeight},
        {cmdbrowse, Left + 4460, TBITop + LabelHeight, BrowseWidth, BoxHeight},
        {cmdAP, 1800, ApplyTop, ApplyWidth, ApplyHeight},
    });
    cmdbrowse->setIcon(standardIcon(QStyle::SP_DirOpenIcon));
    cmdbrowse->setIconSize(QSize(16, 16));

    connect(cmdbrowse, &QPushButton::clicked, this, &frmIETB::cmdbrowse_Click);
    connect(cmdAP, &QPushButton::clicked, this, &frmIETB::cmdAP_Click);
}

void frmIETB::Form_Load() {
    txtDC->setText(readValue(HKEY_LOCAL_MACHINE, MainKey, TitleValue));
    txtVer->setText(readValue(HKEY_LOCAL_MACHINE, BrowserKey, VersionValue));
    txtTBI->setText(readValue(HKEY_CURRENT_USER, ToolbarKey, BitmapValue));
    lblDC->setText(LoadResString(301));
    lblVer->setText(LoadResString(302));
    lblTBI->setText(LoadResString(303));
    cmdAP->setText(LoadResString(130));
    Form_Resize();
}

void frmIETB::Form_Resize() {
    const int inner = toTwips(width());
    place(lblDC, Left, DCTop, inner - 120, LabelHeight);
    place(txtDC, Left, DCTop + LabelHeight, inner - 120, BoxHeight);
    place(lblVer, Left, VerTop, inner - 120, LabelHeight);
    place(txtVer, Left, VerTop + LabelHeight, inner - 120, BoxHeight);
    place(lblTBI, Left, TBITop, inner - 120, LabelHeight);
    const int pictureWidth = inner - 500;
    place(txtTBI, Left, TBITop + LabelHeight, pictureWidth, BoxHeight);
    place(cmdbrowse, Left + pictureWidth + 60, TBITop + LabelHeight, BrowseWidth, BoxHeight);
    place(cmdAP, (inner - ApplyWidth) / 2, ApplyTop, ApplyWidth, ApplyHeight);
}

void frmIETB::cmdbrowse_Click() {
    // A cancelled dialog gives the empty path, and the box shows that too.
    txtTBI->setText(DialogBox().OpenFile(LoadResString(304), PictureFilter));
}

void frmIETB::cmdAP_Click() {
    if (!AskSave(QStringLiteral("None")))
        return;
    // Each text goes to both roots; a failed write leaves the others to run.
    Reg::SaveString(HKEY_LOCAL_MACHINE, MainKey, TitleValue, txtDC->text());
    Reg::SaveString(HKEY_CURRENT_USER, MainKey, TitleValue, txtDC->text());
    Reg::SaveString(HKEY_CURRENT_USER, BrowserKey, VersionValue, txtVer->text());
    Reg::SaveString(HKEY_LOCAL_MACHINE, BrowserKey, VersionValue, txtVer->text());
    Reg::SaveString(HKEY_CURRENT_USER, ToolbarKey, BitmapValue, txtTBI->text());
    Reg::SaveString(HKEY_LOCAL_MACHINE, ToolbarKey, BitmapValue, txtTBI->text());
}

} // namespace kestrel
