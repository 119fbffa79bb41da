#include "frmConFileMenu.h"

#include "platform/Machine.h"
#include "platform/Registry.h"
#include "resources/Catalogue.h"
#include "ui/Ansi.h"
#include "ui/Module.h"
#include "ui/Placement.h"
#include "ui/RegQt.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace kestrel {

namespace {

const QString AllFilesPath = QStringLiteral("*\\Shell");
const QString None = QStringLiteral("None");

// The two stretched fields end this far short of the page's right edge; the help text keeps
// the same distance from the page's bottom edge.
constexpr int FieldMargin = 120; // twips
// The list never gets shorter than this when the help text needs the room.
constexpr int ListMinHeight = 1500; // twips

} // namespace

frmConFileMenu::frmConFileMenu(QWidget* parent)
    : Page(parent), lstMenu(makeControl<QListWidget>(this, "lstMenu")),
      OptAF(makeControl<QRadioButton>(this, "OptAF")),
      OptOF(makeControl<QRadioButton>(this, "OptOF")), lblExt(makeControl<QLabel>(this, "lblExt")),
      txtExt(makeControl<QLineEdit>(this, "txtExt")),
      cmdfind(makeControl<QPushButton>(this, "cmdfind")),
      lblName(makeControl<QLabel>(this, "lblName")),
      txtCaption(makeControl<QLineEdit>(this, "txtCaption")),
      lblCap(makeControl<QLabel>(this, "lblCap")), txtSub(makeControl<QLineEdit>(this, "txtSub")),
      lblCmd(makeControl<QLabel>(this, "lblCmd")), txtCmd(makeControl<QLineEdit>(this, "txtCmd")),
      cmdadd(makeControl<QPushButton>(this, "cmdadd")),
      cmdEdit(makeControl<QPushButton>(this, "cmdEdit")),
      cmdDel(makeControl<QPushButton>(this, "cmdDel")),
      lblHelp(makeControl<QLabel>(this, "lblHelp")) {
    // Scope above, the list on the left with its buttons beside it, the item's fields on the
    // right, the help text at the bottom.
    place({
        {OptAF, 120, 120, 2400, 300},
        {OptOF, 120, 450, 2400, 300},
        {lblExt, 2640, 60, 1200, 255},
        {txtExt, 2640, 330, 1200, 330},
        {cmdfind, 3960, 300, 1200, 390},
        {lstMenu, 120, 900, 2280, 2850},
        {cmdadd, 2520, 900, 1200, 390},
        {cmdEdit, 2520, 1380, 1200, 390},
        {cmdDel, 2520, 1860, 1200, 390},
        {lblName, 3840, 900, 2400, 255},
        {txtCaption, 3840, 1170, 2100, 330},
        {lblCap, 3840, 1620, 2400, 255},
        {txtSub, 3840, 1890, 2100, 330},
        {lblCmd, 3840, 2340, 2400, 255},
        {txtCmd, 3840, 2610, 2100, 330},
        {lblHelp, 120, 3930, 6000, 1200},
    });
    lblHelp->setWordWrap(true);
    lblHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    txtExt->setText(QStringLiteral("*"));

    connect(OptAF, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            OptAF_Click();
    });
    connect(OptOF, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            OptOF_Click();
    });
    connect(txtExt, &QLineEdit::textChanged, this, &frmConFileMenu::txtExt_Change);
    connect(cmdfind, &QPushButton::clicked, this, &frmConFileMenu::cmdfind_Click);
    connect(lstMenu, &QListWidget::currentRowChanged, this, [this](int row) {
        // Clearing or refilling the list leaves no selection; only a chosen entry is a click.
        if (row >= 0)
            lstMenu_Click();
    });
    connect(cmdadd, &QPushButton::clicked, this, &frmConFileMenu::cmdadd_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmConFileMenu::cmdEdit_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmConFileMenu::cmdDel_Click);
}

void frmConFileMenu::Form_Load() {
    OptAF->setText(LoadResString(311));
    OptOF->setText(LoadResString(312));
    lblExt->setText(LoadResString(316));
    cmdfind->setText(LoadResString(319));
    lblName->setText(LoadResString(322));
    lblCap->setText(LoadResString(317));
    lblCmd->setText(LoadResString(318));
    cmdadd->setText(LoadResString(313));
    cmdEdit->setText(LoadResString(314));
    cmdDel->setText(LoadResString(315));
    lblHelp->setText(LoadResString(320));

    CurIndex = 0;
    {
        const QSignalBlocker blocker(OptAF);
        OptAF->setChecked(true);
    }
    OptAF_Click();
    EnableButtons(true);
    RefreshList();
    // The help text's height depends on its words.
    Form_Resize();
}

void frmConFileMenu::Form_Resize() {
    const int margin = twips(FieldMargin);
    for (QLineEdit* field : {txtSub, txtCmd})
        setWidthIfChanged(field, width() - field->x() - margin);
    // The help text sits at the bottom, as tall as its words need at this width; the list takes
    // the height between.
    const int helpWidth = std::max(0, width() - lblHelp->x() - margin);
    const int helpHeight = std::max(lblHelp->heightForWidth(helpWidth), 0);
    const int listTop = lstMenu->y();
    const int helpTop =
        std::max(height() - margin - helpHeight, listTop + twips(ListMinHeight) + margin);
    setGeometryIfChanged(lstMenu, lstMenu->x(), listTop, lstMenu->width(),
                         helpTop - margin - listTop);
    setGeometryIfChanged(lblHelp, lblHelp->x(), helpTop, helpWidth, helpHeight);
}

// --- Scope ----------------------------------------------------------------------------------

void frmConFileMenu::OptAF_Click() {
    txtExt->setText(QStringLiteral("*"));
    clearFields();
    txtExt->setReadOnly(true);
    cmdfind->setEnabled(false);
    EnableButtons(true);
    RefreshList();
}

void frmConFileMenu::OptOF_Click() {
    lstMenu->clear();
    txtExt->setReadOnly(false);
    clearFields();
    cmdfind->setEnabled(true);
    EnableButtons(false);
}

void frmConFileMenu::txtExt_Change() {
    // The list and CurPath still belong to the extension looked up last: nothing may be written
    // until Find has looked up the new one.
    clearFields();
    EnableButtons(false);
}

void frmConFileMenu::cmdfind_Click() {
    CurIndex = 0;
    clearFields();
    EnableButtons(true);
    RefreshList();
}

// --- The list -------------------------------------------------------------------------------

void frmConFileMenu::EnableButtons(bool enabled) {
    cmdadd->setEnabled(enabled);
    cmdEdit->setEnabled(enabled);
    cmdDel->setEnabled(enabled);
}

void frmConFileMenu::RefreshList() {
    if (OptAF->isChecked()) {
        CurPath = AllFilesPath;
        FillList(CurPath);
        return;
    }
    const QString extensionKey = QLatin1Char('.') + txtExt->text();
    QString type;
    if (!Reg::GetString(HKEY_CLASSES_ROOT, extensionKey, QString(), type)) {
        // An unregistered extension: items are added under its own key, the list stays.
        CurPath = extensionKey + QStringLiteral("\\Shell");
        return;
    }
    CurPath = type.isEmpty() ? extensionKey + QStringLiteral("\\Shell")
                             : type + QStringLiteral("\\Shell");
    FillList(CurPath);
}

void frmConFileMenu::FillList(const QString& path) {
    lstMenu->clear();
    Registry& registry = Machine::current().registry();
    RegHandle key = 0;
    const bool opened = registry.openKey(HKEY_CLASSES_ROOT, toAnsi(path), KEY_ENUMERATE_SUB_KEYS,
                                         key) == ERROR_SUCCESS;
    if (opened) {
        std::string name;
        for (std::uint32_t index = 0; registry.enumKey(key, index, name) == ERROR_SUCCESS; ++index)
            lstMenu->addItem(fromAnsi(name));
    }
    lstMenu->setCurrentRow(-1);
    lstMenu->setEnabled(opened);
    registry.closeKey(key);
}

QString frmConFileMenu::shellKey() const {
    if (OptAF->isChecked())
        return AllFilesPath;
    const QString extensionKey = QLatin1Char('.') + txtExt->text();
    QString type;
    Reg::GetString(HKEY_CLASSES_ROOT, extensionKey, QString(), type);
    return type.isEmpty() ? extensionKey + QStringLiteral("\\Shell")
                          : type + QStringLiteral("\\Shell");
}

void frmConFileMenu::lstMenu_Click() {
    CurIndex = lstMenu->currentRow();
    const QString name = entryAtCurIndex();
    CurPath = shellKey();
    const QString itemKey = CurPath + QLatin1Char('\\') + name;
    QString command;
    Reg::GetString(HKEY_CLASSES_ROOT, itemKey + QStringLiteral("\\command"), QString(), command);
    QString caption;
    Reg::GetString(HKEY_CLASSES_ROOT, itemKey, QString(), caption);
    txtCaption->setText(name);
    txtCmd->setText(command);
    txtSub->setText(caption);
}

QString frmConFileMenu::entryAtCurIndex() const {
    const QListWidgetItem* item = lstMenu->item(CurIndex);
    return item ? item->text() : QString();
}

void frmConFileMenu::clearFields() {
    txtCaption->clear();
    txtSub->clear();
    txtCmd->clear();
}

// --- Add, Edit, Delete ----------------------------------------------------------------------

void frmConFileMenu::writeItem(const QString& name) {
    const QString itemKey = CurPath + QLatin1Char('\\') + name;
    Reg::SaveString(HKEY_CLASSES_ROOT, itemKey, QString(), txtSub->text());
    Reg::SaveString(HKEY_CLASSES_ROOT, itemKey + QStringLiteral("\\command"), QString(),
                    txtCmd->text());
}

void frmConFileMenu::deleteItem(const QString& name) {
    // Never the shell key itself: an empty name would make the path end in a backslash.
    if (name.isEmpty())
        return;
    Machine::current().registry().deleteKey(HKEY_CLASSES_ROOT,
                                            toAnsi(CurPath + QLatin1Char('\\') + name));
}

void frmConFileMenu::cmdadd_Click() {
    const QString name = txtCaption->text();
    if (name.isEmpty()) {
        ShowMessage(LoadResString(321));
        return;
    }
    if (!AskSave(None))
        return;
    writeItem(name);
    RefreshList();
}

void frmConFileMenu::cmdEdit_Click() {
    // An empty list, or CurIndex past the end after a rebuild that shortened the list: there is
    // no item to change until the user picks one.
    const QString old = entryAtCurIndex();
    if (old.isEmpty())
        return;
    const QString name = txtCaption->text();
    if (name.isEmpty()) {
        ShowMessage(LoadResString(321));
        return;
    }
    if (!AskSave(None))
        return;
    // A new name, even one that differs only in letter case, moves the item: the old key goes
    // first, then the item is written under the new name.
    if (name != old)
        deleteItem(old);
    writeItem(name);
    RefreshList();
}

void frmConFileMenu::cmdDel_Click() {
    // As in Edit: nothing to delete without an item at CurIndex.
    const QString old = entryAtCurIndex();
    if (old.isEmpty())
        return;
    if (!AskSave(None))
        return;
    deleteItem(old);
    RefreshList();
}

} // namespace kestrel
