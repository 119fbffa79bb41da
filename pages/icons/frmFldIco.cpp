#include "frmFldIco.h"

#include "resources/Catalogue.h"
#include "ui/Ansi.h"
#include "ui/FileIcon.h"
#include "ui/Module.h"
#include "ui/Placement.h"
#include "ui/RegQt.h"
#include "ui/StandardIcons.h"
#include "ui/controls/DirListBox.h"
#include "ui/controls/DriveListBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace kestrel {

namespace {

const QString SettingsKey = QStringLiteral("Software\\Pellmark\\Kestrel");
const QString CounterName = QStringLiteral("IconCount");
const std::string ShellClassInfo = ".ShellClassInfo";
constexpr std::uint32_t IconFileBuffer = 127;

// Design measures, in twips.
constexpr int Margin = 60;
constexpr int IndentedLeft = 600; // label 0 and the drive list, right of the current icon
constexpr int LabelHeight = 255;
constexpr int FieldHeight = 315;
constexpr int BrowseWidth = 375;
constexpr int ButtonWidth = 1815;
constexpr int ButtonHeight = 375;

// The number at the start of a text (leading spaces skipped, an optional sign, then digits,
// capped at the largest 32-bit value); 0 when the text does not start with one. The icon counter
// is read this way, so a counter somebody garbled starts again from 1 instead of failing.
int leadingNumber(const QString& text) {
    int i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    qint64 value = 0;
    for (; i < text.size() && text[i].isDigit() && value < 0x7FFFFFFF; ++i)
        value = value * 10 + text[i].digitValue();
    value = std::min<qint64>(value, 0x7FFFFFFF);
    return static_cast<int>(negative ? -value : value);
}

QString iniPath(const QString& folder) {
    return folder + QStringLiteral("\\Desktop.ini");
}

bool writeShellKey(const QString& folder, const char* key, const QString& value) {
    return Machine::current().writePrivateProfileString(ShellClassInfo, key, toAnsi(value),
                                                        toAnsi(iniPath(folder)));
}

} // namespace

frmFldIco::frmFldIco(QWidget* parent) : Page(parent) {
    Drv = new DriveListBox(this);
    Drv->setObjectName(QStringLiteral("Drv"));
    Dir1 = new DirListBox(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    for (int i = 0; i < 3; ++i) {
        lbl[i] = new QLabel(this);
        lbl[i]->setObjectName(QStringLiteral("lbl%1").arg(i));
    }
    QFont heading = lbl[2]->font();
    heading.setBold(true);
    lbl[2]->setFont(heading);
    txtIco = new QLineEdit(this);
    txtIco->setObjectName(QStringLiteral("txtIco"));
    cmdbrowse = new QPushButton(this);
    cmdbrowse->setObjectName(QStringLiteral("cmdbrowse"));
    cmdbrowse->setIcon(standardIcon(QStyle::SP_DirOpenIcon));
    cmdbrowse->setIconSize(QSize(16, 16));
    chk = new QCheckBox(this);
    chk->setObjectName(QStringLiteral("chk"));
    cdmApply = new QPushButton(this);
    cdmApply->setObjectName(QStringLiteral("cdmApply"));
    cmdNoIco = new QPushButton(this);
    cmdNoIco->setObjectName(QStringLiteral("cmdNoIco"));
    curIco = new QLabel(this);
    curIco->setObjectName(QStringLiteral("curIco"));
    curIco->setAlignment(Qt::AlignCenter);

    connect(Drv, &DriveListBox::Change, this, &frmFldIco::Drv_Change);
    connect(Dir1, &DirListBox::Click, this, &frmFldIco::Dir1_Click);
    // Opening another folder highlights it, so its buttons follow as after a click.
    connect(Dir1, &DirListBox::Change, this, &frmFldIco::Dir1_Click);
    connect(cmdbrowse, &QPushButton::clicked, this, &frmFldIco::cmdbrowse_Click);
    connect(cdmApply, &QPushButton::clicked, this, &frmFldIco::cdmApply_Click);
    connect(cmdNoIco, &QPushButton::clicked, this, &frmFldIco::cmdNoIco_Click);
}

void frmFldIco::Form_Load() {
    lbl[0]->setText(LoadResString(120));
    lbl[1]->setText(LoadResString(121));
    lbl[2]->setText(LoadResString(122));
    cdmApply->setText(LoadResString(123));
    cmdNoIco->setText(LoadResString(128));
    chk->setText(LoadResString(124));

    place(Drv, IndentedLeft, 615, 0, FieldHeight);
    place(lbl[0], IndentedLeft, 360, 0, LabelHeight);
    place(lbl[2], Margin, Margin, 0, LabelHeight);
    place(curIco, Margin, 360, toTwips(IconSide), toTwips(IconSide));

    if (!Dir1->setPath(Drv->Drive()))
        Dir1->setPath(QStringLiteral("c:\\"));
    Dir1_Click();
    cdmApply->setEnabled(false);
    Form_Resize();
}

void frmFldIco::Form_Resize() {
    const int inner = toTwips(width());
    const int full = inner - 2 * Margin;
    // The indented controls end at the same right margin as the others.
    const int indented = inner - Margin - IndentedLeft;
    place(lbl[2], Margin, Margin, full, LabelHeight);
    place(lbl[0], IndentedLeft, 360, indented, LabelHeight);
    place(Drv, IndentedLeft, 615, indented, FieldHeight);

    const int dirTop = 1020;
    const int dirHeight = toTwips(height()) / 2;
    place(Dir1, Margin, dirTop, full, dirHeight);

    const int lbl1Top = dirTop + dirHeight + 120;
    place(lbl[1], Margin, lbl1Top, full, LabelHeight);
    const int txtTop = lbl1Top + LabelHeight + 30;
    const int txtWidth = full - 90 - BrowseWidth;
    place(txtIco, Margin, txtTop, txtWidth, FieldHeight);
    place(cmdbrowse, Margin + txtWidth + 90, txtTop, BrowseWidth, FieldHeight);
    const int chkTop = txtTop + FieldHeight + 60;
    place(chk, Margin, chkTop, full, LabelHeight);
    const int buttonTop = chkTop + LabelHeight + 120;
    const int centre = inner / 2;
    place(cdmApply, centre - 50 - ButtonWidth, buttonTop, ButtonWidth, ButtonHeight);
    place(cmdNoIco, centre + 50, buttonTop, ButtonWidth, ButtonHeight);
}

bool frmFldIco::IsFullPath(const QString& path) {
    return path.size() >= 2 && path[1] == QLatin1Char(':');
}

void frmFldIco::Drv_Change() {
    if (!Dir1->setPath(Drv->Drive()))
        Dir1->setPath(QStringLiteral("c:\\"));
    Dir1_Click();
}

void frmFldIco::Dir1_Click() {
    const QString folder = Dir1->selectedPath();
    cdmApply->setEnabled(!txtIco->text().isEmpty() && folder.size() >= 4);
    const std::uint32_t attributes = Machine::current().getFileAttributes(toAnsi(folder));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM)) {
        ShowCurrentIcon(folder);
        cmdNoIco->setEnabled(true);
    } else {
        cmdNoIco->setEnabled(false);
        showStockIcon();
    }
}

void frmFldIco::cmdbrowse_Click() {
    const QString chosen =
        DialogBox().OpenFile(LoadResString(125), QStringLiteral("Icon Files(*.ico)|*.ico"));
    if (chosen.size() < 4) {
        txtIco->clear();
        cdmApply->setEnabled(false);
        return;
    }
    txtIco->setText(chosen);
    cdmApply->setEnabled(Dir1->selectedPath().size() >= 4);
}

void frmFldIco::cdmApply_Click() {
    const QString folder = Dir1->selectedPath();
    if (!AskSave(LoadResString(126) + QLatin1Char(' ') + folder + QStringLiteral(" ?")))
        return;
    if (folder.size() < 4)
        return;
    ApplyFolderIcon(folder);
}

void frmFldIco::ApplyFolderIcon(const QString& folder) {
    Machine& machine = Machine::current();
    QString counterText;
    int counter = 0;
    if (Reg::GetString(HKEY_LOCAL_MACHINE, SettingsKey, CounterName, counterText))
        counter = leadingNumber(counterText) + 1;

    QString iconPath;
    if (chk->isChecked()) {
        const QString copyName = QStringLiteral("KestrelFld%1.ico").arg(counter);
        iconPath = folder + QLatin1Char('\\') + copyName;
        machine.copyFile(toAnsi(txtIco->text()), toAnsi(iconPath), false);
        writeShellKey(folder, "IconFile", copyName);
        Reg::SaveDWord(HKEY_LOCAL_MACHINE, SettingsKey, CounterName, counter);
    } else {
        iconPath = txtIco->text();
        writeShellKey(folder, "IconFile", iconPath);
    }
    writeShellKey(folder, "IconIndex", QStringLiteral("0"));
    writeShellKey(folder, "OriginalIcon", QStringLiteral("%"));
    writeShellKey(folder, "ConfirmFileOp", QStringLiteral("0"));
    machine.setFileAttributes(toAnsi(iconPath), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    machine.setFileAttributes(toAnsi(folder), FILE_ATTRIBUTE_SYSTEM);
}

void frmFldIco::cmdNoIco_Click() {
    if (!AskSave(QStringLiteral("None")))
        return;
    Machine::current().setFileAttributes(toAnsi(Dir1->selectedPath()), 0);
    cmdNoIco->setEnabled(false);
}

void frmFldIco::ShowCurrentIcon(const QString& folder) {
    Machine& machine = Machine::current();
    std::string value;
    const std::uint32_t length = machine.getPrivateProfileString(
        ShellClassInfo, "IconFile", "0", value, IconFileBuffer, toAnsi(iniPath(folder)));
    const QString iconFile = fromAnsi(value.substr(0, std::min<std::size_t>(length, value.size())));
    if (iconFile == QLatin1String("0")) {
        showStockIcon();
        return;
    }
    if (IsFullPath(iconFile)) {
        if (!driveReady(iconFile))
            showStockIcon();
        else if (machine.fileExists(toAnsi(iconFile)))
            showIconFile(iconFile);
        return;
    }
    const QString relative = folder + QLatin1Char('\\') + iconFile;
    if (machine.fileExists(toAnsi(relative)))
        showIconFile(relative);
}

bool frmFldIco::driveReady(const QString& path) {
    const QString root = path.left(2) + QLatin1Char('\\');
    return Machine::current().getFileAttributes(toAnsi(root)) != INVALID_FILE_ATTRIBUTES;
}

void frmFldIco::showStockIcon() {
    curIco->setPixmap(LoadResPicture(QStringLiteral("FOLDER")).pixmap(IconSide, IconSide));
    shownIcon_ = QStringLiteral("FOLDER");
}

void frmFldIco::showIconFile(const QString& path) {
    const QImage picture = LoadPictureFile(path);
    if (picture.isNull()) {
        showStockIcon();
        return;
    }
    curIco->setPixmap(QPixmap::fromImage(picture));
    shownIcon_ = path;
}

} // namespace kestrel
