#include "frmshortcut.h"

#include "resources/Catalogue.h"
#include "ui/Module.h"
#include "ui/Placement.h"
#include "ui/RegQt.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestrel {

namespace {

const QString ExplorerKey =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
const QString DefaultExplorerKey = QStringLiteral(".DEFAULT\\") + ExplorerKey;
const QString Link = QStringLiteral("link");
const QString ShortcutClasses[] = {QStringLiteral("lnkfile"), QStringLiteral("piffile")};
const QString IsShortCut = QStringLiteral("IsShortCut");

// "No text" is stored as four zero bytes; the registry layer reads them back as three NULs.
const QString NoText(4, QChar(0));

// The text box is one page width less this.
constexpr int TextMargin = 120; // twips

} // namespace

frmshortcut::frmshortcut(QWidget* parent)
    : SavingPage(parent), lbltxt(makeControl<QLabel>(this, "lbltxt")),
      txtShortCut(makeControl<QLineEdit>(this, "txtShortCut")),
      chkns(makeControl<QCheckBox>(this, "chkns")), chkni(makeControl<QCheckBox>(this, "chkni")),
      btnApply(makeControl<QPushButton>(this, "btnApply")) {
    place({
        {lbltxt, 60, 120, 6000, 255},
        {txtShortCut, 60, 420, 5880, 330},
        {chkns, 60, 900, 5880, 300},
        {chkni, 60, 1320, 5880, 300},
        {btnApply, 2400, 1860, 1200, 390},
    });
    // Any change the user makes marks the page; loading clears the mark at its end.
    connect(chkns, &QCheckBox::clicked, this, &frmshortcut::chkns_Click);
    connect(chkni, &QCheckBox::clicked, this, &frmshortcut::chkni_Click);
    connect(txtShortCut, &QLineEdit::textChanged, this, &frmshortcut::txtShortCut_Change);
    connect(btnApply, &QPushButton::clicked, this, &frmshortcut::btnApply_Click);
}

void frmshortcut::Form_Load() {
    lbltxt->setText(LoadResString(385));
    chkns->setText(LoadResCaption(387));
    chkni->setText(LoadResCaption(388));
    btnApply->setText(LoadResCaption(130));

    QString text;
    if (Reg::GetString(HKEY_CURRENT_USER, ExplorerKey, Link, text)) {
        chkns->setChecked(text.isEmpty() || text == NoText.left(3) || text == NoText);
        // A text box ends its text at the first NUL, as the Windows edit control does; one
        // trailing space, the separator Apply adds, is not part of what the user typed.
        QString shown = text.left(text.indexOf(QChar(0)));
        if (shown.endsWith(QLatin1Char(' ')))
            shown.chop(1);
        txtShortCut->setText(shown);
    } else {
        chkns->setChecked(true);
    }

    bool arrow = false;
    for (const QString& shortcutClass : ShortcutClasses) {
        QString value;
        arrow = Reg::GetString(HKEY_CLASSES_ROOT, shortcutClass, IsShortCut, value) || arrow;
    }
    chkni->setChecked(!arrow);

    chkns_Click();
    chkni_Click();
    clearChanged();
}

void frmshortcut::Form_Resize() {
    setWidthIfChanged(lbltxt, width());
    setWidthIfChanged(txtShortCut, width() - twips(TextMargin));
    const int left = width() / 2 - btnApply->width() / 2;
    if (btnApply->x() != left)
        btnApply->move(left, btnApply->y());
}

void frmshortcut::chkns_Click() {
    markChanged();
    txtShortCut->setEnabled(!chkns->isChecked());
}

void frmshortcut::chkni_Click() {
    markChanged();
}

void frmshortcut::txtShortCut_Change() {
    markChanged();
}

void frmshortcut::btnApply_Click() {
    Apply();
    clearChanged();
}

void frmshortcut::Apply() {
    const QString data = chkns->isChecked() ? NoText : txtShortCut->text() + QLatin1Char(' ');
    Reg::SaveBinary(HKEY_CURRENT_USER, ExplorerKey, Link, data);
    Reg::SaveBinary(HKEY_USERS, DefaultExplorerKey, Link, data);
    for (const QString& shortcutClass : ShortcutClasses) {
        if (chkni->isChecked())
            Reg::DeleteValue(HKEY_CLASSES_ROOT, shortcutClass, IsShortCut);
        else
            Reg::SaveString(HKEY_CLASSES_ROOT, shortcutClass, IsShortCut, QString());
    }
}

} // namespace kestrel
