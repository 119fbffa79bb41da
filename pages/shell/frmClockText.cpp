#include "frmClockText.h"

#include "resources/Catalogue.h"
#include "ui/Module.h"
#include "ui/Placement.h"
#include "ui/RegQt.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kestrel {

namespace {

const QString International = QStringLiteral("Control Panel\\International");
const QString Morning = QStringLiteral("s1159");
const QString Afternoon = QStringLiteral("s2359");
const QString Format = QStringLiteral("sTimeFormat");

const QString LeftFormat = QStringLiteral("tt HH:mm:ss");
const QString RightFormat = QStringLiteral("HH:mm:ss tt");
const QString BothFormat = QStringLiteral("tt HH:mm:ss tt");

// The two sample times of the preview, one of each half of the day.
const QString MorningTime = QStringLiteral("05:41");
const QString AfternoonTime = QStringLiteral("14:26");

const QString Designator = QStringLiteral("tt");

} // namespace

frmClockText::frmClockText(QWidget* parent)
    : Page(parent), lblAM(makeControl<QLabel>(this, "lblAM")),
      txtAM(makeControl<QLineEdit>(this, "txtAM")), lblPM(makeControl<QLabel>(this, "lblPM")),
      txtPM(makeControl<QLineEdit>(this, "txtPM")), chkOne(makeControl<QCheckBox>(this, "chkOne")),
      lblPos(makeControl<QLabel>(this, "lblPos")), optL(makeControl<QRadioButton>(this, "optL")),
      optS(makeControl<QRadioButton>(this, "optS")), optR(makeControl<QRadioButton>(this, "optR")),
      lblP(makeControl<QLabel>(this, "lblP")), lbl1(makeControl<QLabel>(this, "lbl1")),
      lbl2(makeControl<QLabel>(this, "lbl2")), cmdAP(makeControl<QPushButton>(this, "cmdAP")),
      lblHLP(makeControl<QLabel>(this, "lblHLP")) {
    // The two texts side by side, the one-text box and the positions below them; the preview
    // with Apply to the right; the help text across the bottom.
    place({
        {lblAM, 60, 60, 2085, 480},
        {txtAM, 60, 570, 2085, 330},
        {lblPM, 2190, 60, 2085, 480},
        {txtPM, 2190, 570, 2085, 330},
        {chkOne, 60, 1020, 4215, 300},
        {lblPos, 60, 1440, 4215, 255},
        {optL, 60, 1740, 960, 300},
        {optS, 1080, 1740, 1920, 300},
        {optR, 3060, 1740, 1200, 300},
        {lblP, 4440, 300, 2040, 255},
        {lbl1, 4440, 570, 2040, 330},
        {lbl2, 4440, 1020, 2040, 330},
        {cmdAP, 4440, 1500, 1200, 390},
        {lblHLP, 60, 2280, 6420, 900},
    });
    for (QLabel* line : {lbl1, lbl2}) {
        line->setFrameShape(QFrame::Box);
        line->setAlignment(Qt::AlignCenter);
        // Before a position is chosen the lines show the sample times alone.
        line->setText(line == lbl1 ? MorningTime : AfternoonTime);
    }
    // The texts above the boxes and the help text may take more than one line.
    for (QLabel* label : {lblAM, lblPM, lblHLP}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    }
    lblHLP->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(txtAM, &QLineEdit::textChanged, this, &frmClockText::txtAM_Change);
    connect(txtPM, &QLineEdit::textChanged, this, &frmClockText::txtPM_Change);
    // Ticking the box from the program runs its handling too, as a click does.
    connect(chkOne, &QCheckBox::toggled, this, &frmClockText::chkOne_Click);
    const std::pair<QRadioButton*, QString> options[] = {
        {optL, LeftFormat}, {optR, RightFormat}, {optS, BothFormat}};
    for (const auto& [option, format] : options)
        connect(option, &QRadioButton::toggled, this, [this, format](bool on) {
            if (on)
                opt_Click(format);
        });
    connect(cmdAP, &QPushButton::clicked, this, &frmClockText::cmdAP_Click);
}

void frmClockText::Form_Load() {
    lblAM->setText(LoadResString(330));
    lblPM->setText(LoadResString(331));
    lblPos->setText(LoadResString(332));
    optL->setText(LoadResCaption(333));
    optR->setText(LoadResCaption(334));
    optS->setText(LoadResCaption(335));
    lblP->setText(LoadResString(336));
    chkOne->setText(LoadResCaption(338));
    lblHLP->setText(LoadResString(339));
    cmdAP->setText(LoadResCaption(130));

    QString morning;
    Reg::GetString(HKEY_CURRENT_USER, International, Morning, morning);
    txtAM->setText(morning);
    QString afternoon;
    Reg::GetString(HKEY_CURRENT_USER, International, Afternoon, afternoon);
    txtPM->setText(afternoon);
    if (afternoon == txtAM->text()) {
        txtPM->setEnabled(false);
        chkOne->setChecked(true);
    }

    TimeFormat = RightFormat;
    QString format;
    Reg::GetString(HKEY_CURRENT_USER, International, Format, format);
    // Only the first and the last two characters count, case-sensitively.
    const bool leading = format.startsWith(Designator);
    const bool trailing = format.endsWith(Designator);
    if (leading && trailing)
        optS->setChecked(true);
    else if (leading)
        optL->setChecked(true);
    else if (trailing)
        optR->setChecked(true);

    cmdAP->setEnabled(false);
}

void frmClockText::txtAM_Change() {
    cmdAP->setEnabled(true);
    if (chkOne->isChecked())
        txtPM->setText(txtAM->text());
    Preview();
}

void frmClockText::txtPM_Change() {
    cmdAP->setEnabled(true);
    Preview();
}

void frmClockText::chkOne_Click() {
    if (chkOne->isChecked()) {
        txtPM->setText(txtAM->text());
        txtPM->setEnabled(false);
    } else {
        txtPM->setEnabled(true);
    }
    Preview();
}

void frmClockText::opt_Click(const QString& format) {
    cmdAP->setEnabled(true);
    TimeFormat = format;
    Preview();
}

void frmClockText::Preview() {
    const QString morning = txtAM->text();
    const QString afternoon = txtPM->text();
    const QString space = QStringLiteral(" ");
    if (optS->isChecked()) {
        lbl1->setText(morning + space + MorningTime + space + morning);
        lbl2->setText(afternoon + space + AfternoonTime + space + afternoon);
    } else if (optL->isChecked()) {
        lbl1->setText(morning + space + MorningTime);
        lbl2->setText(afternoon + space + AfternoonTime);
    } else if (optR->isChecked()) {
        lbl1->setText(MorningTime + space + morning);
        lbl2->setText(AfternoonTime + space + afternoon);
    }
}

void frmClockText::cmdAP_Click() {
    if (!AskSave(QStringLiteral("None")))
        return;
    Reg::SaveString(HKEY_CURRENT_USER, International, Morning, txtAM->text());
    Reg::SaveString(HKEY_CURRENT_USER, International, Afternoon,
                    chkOne->isChecked() ? txtAM->text() : txtPM->text());
    Reg::SaveString(HKEY_CURRENT_USER, International, Format, TimeFormat);
}

} // namespace kestrel
