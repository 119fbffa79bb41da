#include "frmStartUp.h"

#include "resources/Catalogue.h"
#include "ui/MdlStart.h"
#include "ui/RegQt.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

namespace kestrel {

namespace {

const QString CaptionValue = QStringLiteral("LegalNoticeCaption");
const QString TextValue = QStringLiteral("LegalNoticeText");

// Measures in twips. The controls stand one below the other in this order.
constexpr int Left = 60;
constexpr int Top = 60;
constexpr int Gap = 60;
constexpr int CheckHeight = 255;
constexpr int LabelHeight = 255;
constexpr int TitleHeight = 285;
constexpr int TextHeight = 1965;
constexpr int OkGap = 120;
constexpr int OkHeight = 405;
constexpr int OkWidth = 1215;
constexpr int HelpHeight = 2025;

// The message text is kept with Windows line breaks; the text box works with "\n".
QString toEditor(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
QString fromEditor(QString text) {
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void place(QWidget* widget, int left, int top, int width, int height) {
    const QRect target(left, top, std::max(0, width), height);
    if (widget->geometry() != target)
        widget->setGeometry(target);
}

} // namespace

frmStartUp::frmStartUp(QWidget* parent)
    : SavingPage(parent), chkYN_(new QCheckBox(this)), lblTitle_(new QLabel(this)),
      txtTitle_(new QLineEdit(QStringLiteral("Windows"), this)), lblText_(new QLabel(this)),
      txtText_(new QPlainTextEdit(this)), cmdOk_(new QPushButton(QStringLiteral("Ok"), this)),
      lblHelp_(new QLabel(this)) {
    chkYN_->setObjectName(QStringLiteral("chkYN"));
    txtTitle_->setObjectName(QStringLiteral("txtTitle"));
    txtText_->setObjectName(QStringLiteral("txtText"));
    cmdOk_->setObjectName(QStringLiteral("cmdOk"));
    lblHelp_->setObjectName(QStringLiteral("lblHelp"));
    txtTitle_->setEnabled(false);
    txtText_->setEnabled(false);
    lblHelp_->setWordWrap(true);
    lblHelp_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(chkYN_, &QCheckBox::toggled, this, [this] { chkYN_Click(); });
    connect(txtTitle_, &QLineEdit::textChanged, this, [this] { markChanged(); });
    connect(txtText_, &QPlainTextEdit::textChanged, this, [this] { markChanged(); });
    connect(cmdOk_, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    Form_Resize();
}

QString frmStartUp::winlogonKey() const {
    return MdlStart::WinVerKey + QStringLiteral("\\Winlogon");
}

void frmStartUp::Form_Load() {
    lblHelp_->setText(LoadResString(113));
    chkYN_->setText(LoadResString(106));
    lblTitle_->setText(LoadResString(107));
    lblText_->setText(LoadResString(108));

    // The notice is on when the caption value exists, even when it is empty; the text value is
    // read only then.
    QString caption;
    storedText_.clear();
    if (Reg::GetString(HKEY_LOCAL_MACHINE, winlogonKey(), CaptionValue, caption)) {
        chkYN_->setChecked(true);
        txtTitle_->setEnabled(true);
        txtTitle_->setText(caption);
        QString text;
        Reg::GetString(HKEY_LOCAL_MACHINE, winlogonKey(), TextValue, text);
        storedText_ = text;
        txtText_->setPlainText(toEditor(text));
        txtText_->setEnabled(true);
    }
    clearChanged();
}

void frmStartUp::chkYN_Click() {
    markChanged();
    const bool on = chkYN_->isChecked();
    txtTitle_->setEnabled(on);
    txtText_->setEnabled(on);
}

void frmStartUp::cmdOk_Click() {
    // The shell unloads this page (its save prompt runs there), destroys it once this click has
    // been handled, and shows the About page.
    MdlStart::ShowPage(QStringLiteral("About"));
}

void frmStartUp::save() {
    const QString key = winlogonKey();
    if (chkYN_->isChecked()) {
        Reg::SaveString(HKEY_LOCAL_MACHINE, key, CaptionValue, txtTitle_->text());
        // A text the user left as it was is written back exactly, whatever its line breaks.
        const QString edited = txtText_->toPlainText();
        Reg::SaveString(HKEY_LOCAL_MACHINE, key, TextValue,
                        edited == toEditor(storedText_) ? storedText_ : fromEditor(edited));
    } else {
        Reg::DeleteValue(HKEY_LOCAL_MACHINE, key, CaptionValue);
        Reg::DeleteValue(HKEY_LOCAL_MACHINE, key, TextValue);
    }
}

void frmStartUp::Form_Resize() {
    const int left = twips(Left);
    const int width = this->width() - twips(2 * Left);
    int top = Top;
    const auto next = [&](QWidget* widget, int height, int gapAfter) {
        place(widget, left, twips(top), width, twips(height));
        top += height + gapAfter;
    };
    next(chkYN_, CheckHeight, Gap);
    next(lblTitle_, LabelHeight, 0);
    next(txtTitle_, TitleHeight, Gap);
    next(lblText_, LabelHeight, 0);
    next(txtText_, TextHeight, OkGap);
    // The button is centred.
    place(cmdOk_, this->width() / 2 - twips(OkWidth) / 2, twips(top), twips(OkWidth),
          twips(OkHeight));
    top += OkHeight + OkGap;
    next(lblHelp_, HelpHeight, 0);
}

} // namespace kestrel
