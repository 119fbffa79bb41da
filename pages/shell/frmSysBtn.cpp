#include "frmSysBtn.h"

#include "platform/Machine.h"
#include "resources/Catalogue.h"
#include "ui/NumberFilter.h"
#include "ui/Placement.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace kestrel {

namespace {

constexpr int HelpMargin = 120; // twips from the page's right edge

// A field's number: the number its text starts with, rounded to the nearest integer with halves
// going to the even neighbour. Nothing when it lies outside the signed 32-bit range: such a
// change is not applied.
std::optional<std::int32_t> fieldNumber(const QLineEdit* field) {
    const double value = std::nearbyint(numberfilter::leadingNumber(field->text()));
    if (!(value >= std::numeric_limits<std::int32_t>::min() &&
          value <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// A size from a field: its number without the sign.
std::optional<std::int32_t> fieldSize(const QLineEdit* field) {
    const auto number = fieldNumber(field);
    if (!number || *number == std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    return *number < 0 ? -*number : *number;
}

} // namespace

frmSysBtn::frmSysBtn(QWidget* parent)
    : Page(parent), lblsi(makeControl<QLabel>(this, "lblsi")),
      cboSE(makeControl<QComboBox>(this, "cboSE")),
      optSize(makeControl<QRadioButton>(this, "optSize")),
      optPos(makeControl<QRadioButton>(this, "optPos")),
      Label1(makeControl<QLabel>(this, "Label1")), TxtX(makeControl<QLineEdit>(this, "TxtX")),
      Label2(makeControl<QLabel>(this, "Label2")), TxtY(makeControl<QLineEdit>(this, "TxtY")),
      btnSH(makeControl<QPushButton>(this, "btnSH")),
      btnED(makeControl<QPushButton>(this, "btnED")),
      lblHelp(makeControl<QLabel>(this, "lblHelp")) {
    place({
        {lblsi, 120, 120, 3000, 255},
        {cboSE, 120, 420, 3000, 330},
        {optSize, 120, 930, 1440, 285},
        {optPos, 1680, 930, 1440, 285},
        {Label1, 120, 1410, 360, 255},
        {TxtX, 480, 1380, 1080, 330},
        {Label2, 1680, 1410, 360, 255},
        {TxtY, 2040, 1380, 1080, 330},
        {btnSH, 120, 1920, 1440, 390},
        {btnED, 1680, 1920, 1440, 390},
        {lblHelp, 120, 2520, 6000, 1200},
    });
    Label1->setText(QStringLiteral("X="));
    Label2->setText(QStringLiteral("Y="));
    TxtX->setText(QStringLiteral("0"));
    TxtY->setText(QStringLiteral("0"));
    optSize->setChecked(true);
    lblHelp->setWordWrap(true);
    lblHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblHelp->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblHelp->hide();

    connect(cboSE, &QComboBox::currentIndexChanged, this, [this] { cboSE_Click(); });
    connect(optSize, &QRadioButton::clicked, this, &frmSysBtn::ShowPlacement);
    connect(optPos, &QRadioButton::clicked, this, &frmSysBtn::ShowPlacement);
    connect(TxtX, &QLineEdit::textChanged, this, &frmSysBtn::ApplyPlacement);
    connect(TxtY, &QLineEdit::textChanged, this, &frmSysBtn::ApplyPlacement);
    connect(btnSH, &QPushButton::clicked, this, &frmSysBtn::btnSH_Click);
    connect(btnED, &QPushButton::clicked, this, &frmSysBtn::btnED_Click);
}

frmSysBtn::~frmSysBtn() = default;

void frmSysBtn::Form_Load() {
    shell = Machine::current().openShellWindows(
        LoadResData(QStringLiteral("KSTSHELL"), QStringLiteral("CUSTOM")).toStdString());
    if (!shell->available()) {
        lblHelp->setText(LoadResString(970));
        lblHelp->show();
    }

    optSize->setText(LoadResString(461));
    optPos->setText(LoadResString(462));
    btnSH->setText(LoadResString(463));
    btnED->setText(LoadResString(464));
    lblsi->setText(LoadResString(465));
    {
        // The first entry added becomes the chosen one; it is found once, below.
        const QSignalBlocker quiet(cboSE);
        for (int id = 466; id <= 469; ++id)
            cboSE->addItem(LoadResString(id));
        cboSE->setCurrentIndex(0);
    }
    cboSE_Click();
    Form_Resize();
}

void frmSysBtn::Form_Unload() {
    shell.reset();
    hElement = 0;
}

void frmSysBtn::Form_Resize() {
    const int helpWidth = std::max(0, width() - lblHelp->x() - twips(HelpMargin));
    setGeometryIfChanged(lblHelp, lblHelp->x(), lblHelp->y(), helpWidth,
                         std::max(lblHelp->heightForWidth(helpWidth), 0));
}

void frmSysBtn::cboSE_Click() {
    if (!shell)
        return;
    switch (cboSE->currentIndex()) {
    case 0:
        hElement = shell->findChildWindow(shell->findWindow("Shell_TrayWnd"), "Button");
        break;
    case 1:
        hElement = shell->findWindow("Progman");
        break;
    case 2:
        hElement = shell->findWindow("Shell_TrayWnd");
        break;
    case 3:
        hElement = shell->findChildWindow(shell->findWindow("Shell_TrayWnd"), "TrayNotifyWnd");
        break;
    default:
        break;
    }
    ShowPlacement();
}

void frmSysBtn::ShowPlacement() {
    WindowRect rect;
    if (!shell || hElement == 0 || !shell->normalRect(hElement, rect))
        rect = {};
    // Y first: each write applies both fields, so the element ends with exactly what is shown.
    if (optSize->isChecked()) {
        TxtY->setText(QString::number(static_cast<qint64>(rect.bottom) - rect.top));
        TxtX->setText(QString::number(static_cast<qint64>(rect.right) - rect.left));
    } else if (optPos->isChecked()) {
        TxtY->setText(QString::number(rect.top));
        TxtX->setText(QString::number(rect.left));
    }
}

void frmSysBtn::ApplyPlacement() {
    if (!shell || hElement == 0)
        return;
    if (optSize->isChecked()) {
        const auto width = fieldSize(TxtX);
        const auto height = fieldSize(TxtY);
        if (width && height)
            shell->setWindowPos(hElement, 0, 0, 0, *width, *height, SWP_NOMOVE | SWP_NOACTIVATE);
    } else if (optPos->isChecked()) {
        const auto x = fieldNumber(TxtX);
        const auto y = fieldNumber(TxtY);
        if (x && y)
            shell->setWindowPos(hElement, 0, *x, *y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void frmSysBtn::btnSH_Click() {
    if (!shell || hElement == 0)
        return;
    shell->showWindow(hElement, shell->isWindowVisible(hElement) ? SW_HIDE : SW_SHOWNORMAL);
}

void frmSysBtn::btnED_Click() {
    if (!shell || hElement == 0)
        return;
    shell->enableWindow(hElement, !shell->isWindowEnabled(hElement));
}

} // namespace kestrel
