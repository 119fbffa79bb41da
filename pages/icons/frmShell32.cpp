#include "frmShell32.h"

#include "resources/Catalogue.h"
#include "ui/FileIcon.h"
#include "ui/Module.h"
#include "ui/NumberFilter.h"
#include "ui/Placement.h"
#include "ui/RegQt.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

namespace kestrel {

const QString frmShell32::ShellIconsKey =
    QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons");

namespace {

constexpr int FirstName = 400; // the name of icon 0; icons 0 to 46 have names of their own
constexpr int NamedIcons = 47;
constexpr int OtherName = 447;

// Design measures, in twips.
constexpr int PictureSide = 540;
constexpr int ButtonWidth = 1815;
constexpr int ButtonHeight = 375;

// The number at the start of a text as an icon index; 0 when there is none.
int leadingIndex(const QString& text) {
    const double value = numberfilter::leadingNumber(text);
    return static_cast<int>(std::clamp(std::trunc(value), -2147483648.0, 2147483647.0));
}

} // namespace

frmShell32::frmShell32(QWidget* parent) : Page(parent) {
    lstSI = makeControl<QListWidget>(this, "lstSI");
    picI = makeControl<QLabel>(this, "picI");
    picI->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picI->setFrameShape(QFrame::Panel);
    picI->setFrameShadow(QFrame::Sunken);
    cmdCH = makeControl<QPushButton>(this, "cmdCH");
    cmdBack = makeControl<QPushButton>(this, "cmdBack");
    cmdBack->hide();

    connect(lstSI, &QListWidget::currentRowChanged, this, &frmShell32::lstSI_Click);
    connect(cmdCH, &QPushButton::clicked, this, &frmShell32::cmdCH_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmShell32::cmdBack_Click);
}

void frmShell32::Form_Load() {
    cmdCH->setText(LoadResString(123));
    cmdBack->setText(LoadResString(396));
    const QSignalBlocker quiet(lstSI);
    lstSI->clear();
    ShellPath = GetSysDir() + QStringLiteral("\\shell32.dll");
    QPixmap none;
    LastIndex = DrawFileIcon(ShellPath, -1, none) - 1;
    // The index runs as far as the library has icons, however many that is.
    QStringList entries;
    entries.reserve(LastIndex + 1);
    for (int i = 0; i <= LastIndex; ++i)
        entries << QString::number(i) + QLatin1Char('\t') +
                       LoadResString(i < NamedIcons ? FirstName + i : OtherName);
    lstSI->addItems(entries);
    lstSI->setCurrentRow(-1);
    SelIndex = 0;
    Form_Resize();
    ShowShellIcon();
}

void frmShell32::Form_Resize() {
    if (isMinimized())
        return;
    const int inner = toTwips(width());
    place(lstSI, 0, 0, inner / 2 - 120, toTwips(height()));
    const int centre = inner * 3 / 4;
    place(picI, centre - PictureSide / 2, 240, PictureSide, PictureSide);
    place(cmdCH, centre - ButtonWidth / 2, 960, ButtonWidth, ButtonHeight);
    place(cmdBack, centre - ButtonWidth / 2, 1440, ButtonWidth, ButtonHeight);
}

void frmShell32::lstSI_Click() {
    if (lstSI->currentRow() < 0)
        return;
    SelIndex = lstSI->currentRow();
    ShowShellIcon();
}

void frmShell32::ShowShellIcon() {
    QPixmap canvas(picI->contentsRect().size().expandedTo(QSize(IconSide, IconSide)));
    canvas.fill(Qt::transparent);
    QString value;
    if (Reg::GetString(HKEY_LOCAL_MACHINE, ShellIconsKey, QString::number(SelIndex), value)) {
        const qsizetype comma = value.indexOf(QLatin1Char(','));
        const QString file = comma < 0 ? value : value.left(comma);
        const int index = comma < 0 ? 0 : leadingIndex(value.mid(comma + 1));
        DrawFileIcon(file, index, canvas);
        cmdBack->show();
    } else {
        DrawFileIcon(ShellPath, SelIndex, canvas);
        cmdBack->hide();
    }
    picI->setPixmap(canvas);
}

void frmShell32::cmdCH_Click() {
    const QString chosen =
        DialogBox().OpenFile(LoadResString(125), QStringLiteral("Icon files (*.ico)|*.ico"));
    if (chosen.isEmpty())
        return;
    if (!AskSave(LoadResString(397)))
        return;
    ValueName = QString::number(SelIndex);
    Reg::SaveString(HKEY_LOCAL_MACHINE, ShellIconsKey, ValueName, chosen + QStringLiteral(",0"));
    ShowShellIcon();
}

void frmShell32::cmdBack_Click() {
    if (!AskSave(LoadResString(448)))
        return;
    ValueName = QString::number(SelIndex);
    Reg::DeleteValue(HKEY_LOCAL_MACHINE, ShellIconsKey, ValueName);
    ShowShellIcon();
}

} // namespace kestrel
