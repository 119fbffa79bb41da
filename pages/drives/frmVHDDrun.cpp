#include "frmVHDDrun.h"

#include "platform/FieldReader.h"
#include "resources/Catalogue.h"
#include "ui/Ansi.h"
#include "ui/Module.h"
#include "ui/RegQt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrel {

const QString frmVHDDrun::RunKey =
    QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString frmVHDDrun::RunValue = QStringLiteral("kstSubst");

namespace {

const QString LauncherName = QStringLiteral("kstSubst.exe");

// Catalogue texts of the profile editor's refusals.
enum Refusal { NoFreeLetter = 900, EmptyPath = 901, UnsafePath = 902 };

} // namespace

frmVHDDrun::frmVHDDrun(QWidget* parent) : Page(parent) {
    chkAutorun = new QCheckBox(this);
    chkAutorun->setChecked(true);
    frameO = new QGroupBox(this);
    Label1 = new QLabel(frameO);
    cboD = new QComboBox(frameO);
    Label2 = new QLabel(frameO);
    txtP = new QLineEdit(frameO);
    txtP->setReadOnly(true);
    btnN = new QPushButton(frameO);
    btnS = new QPushButton(frameO);
    btnD = new QPushButton(frameO);
    cboP = new QComboBox(this);
    cboP->setVisible(false);
    FrameN = new QGroupBox(this);
    Label3 = new QLabel(FrameN);
    cbodN = new QComboBox(FrameN);
    for (QComboBox* letters : {cboD, cbodN})
        letters->setMinimumContentsLength(4);
    Label4 = new QLabel(FrameN);
    txtpN = new QLineEdit(FrameN);
    btnsN = new QPushButton(FrameN);
    btnC = new QPushButton(FrameN);

    const std::pair<QObject*, const char*> names[] = {{chkAutorun, "chkAutorun"},
                                                      {frameO, "frameO"},
                                                      {Label1, "Label1"},
                                                      {cboD, "cboD"},
                                                      {Label2, "Label2"},
                                                      {txtP, "txtP"},
                                                      {btnN, "btnN"},
                                                      {btnS, "btnS"},
                                                      {btnD, "btnD"},
                                                      {cboP, "cboP"},
                                                      {FrameN, "FrameN"},
                                                      {Label3, "Label3"},
                                                      {cbodN, "cbodN"},
                                                      {Label4, "Label4"},
                                                      {txtpN, "txtpN"},
                                                      {btnsN, "btnsN"},
                                                      {btnC, "btnC"}};
    for (const auto& [control, name] : names)
        control->setObjectName(QLatin1String(name));

    auto* overview = new QGridLayout(frameO);
    overview->addWidget(Label1, 0, 0);
    overview->addWidget(cboD, 0, 1);
    overview->addWidget(Label2, 1, 0, 1, 3);
    overview->addWidget(txtP, 2, 0, 1, 3);
    auto* overviewButtons = new QHBoxLayout;
    overviewButtons->addWidget(btnN);
    overviewButtons->addWidget(btnS);
    overviewButtons->addWidget(btnD);
    overviewButtons->addStretch();
    overview->addLayout(overviewButtons, 3, 0, 1, 3);
    overview->setColumnStretch(2, 1);

    auto* editor = new QGridLayout(FrameN);
    editor->addWidget(Label3, 0, 0);
    editor->addWidget(cbodN, 0, 1);
    editor->addWidget(Label4, 1, 0, 1, 3);
    editor->addWidget(txtpN, 2, 0, 1, 3);
    auto* editorButtons = new QHBoxLayout;
    editorButtons->addWidget(btnsN);
    editorButtons->addWidget(btnC);
    editorButtons->addStretch();
    editor->addLayout(editorButtons, 3, 0, 1, 3);
    editor->setColumnStretch(2, 1);

    auto* page = new QVBoxLayout(this);
    page->addWidget(chkAutorun);
    page->addWidget(frameO);
    page->addWidget(FrameN);
    page->addStretch();

    connect(chkAutorun, &QCheckBox::toggled, this, &frmVHDDrun::chkAutorun_Click);
    connect(cboD, &QComboBox::activated, this, &frmVHDDrun::cboD_Click);
    connect(btnN, &QPushButton::clicked, this, &frmVHDDrun::btnN_Click);
    connect(btnS, &QPushButton::clicked, this, &frmVHDDrun::btnS_Click);
    connect(btnsN, &QPushButton::clicked, this, &frmVHDDrun::btnsN_Click);
    connect(btnC, &QPushButton::clicked, this, &frmVHDDrun::btnC_Click);
    connect(btnD, &QPushButton::clicked, this, &frmVHDDrun::btnD_Click);
}

void frmVHDDrun::Form_Load() {
    ProfileFile = GetSysDir() + QStringLiteral("\\kstSubst.ini");
    FrameN->hide();
    QString entry;
    // A change of the box runs chkAutorun_Click, as a click would.
    chkAutorun->setChecked(Reg::GetString(HKEY_LOCAL_MACHINE, RunKey, RunValue, entry));
    LoadProfiles();
    EditMode = false;

    chkAutorun->setText(LoadResString(370));
    Label1->setText(LoadResString(376));
    Label3->setText(LoadResString(376));
    Label2->setText(LoadResString(377));
    Label4->setText(LoadResString(377));
    btnN->setText(LoadResString(371));
    btnS->setText(LoadResString(372));
    btnD->setText(LoadResString(373));
    btnsN->setText(LoadResString(374));
    btnC->setText(LoadResString(375));
}

void frmVHDDrun::chkAutorun_Click() {
    if (!chkAutorun->isChecked()) {
        Reg::DeleteValue(HKEY_LOCAL_MACHINE, RunKey, RunValue);
        frameO->hide();
        return;
    }
    const QByteArray launcher = LoadResData(QStringLiteral("KSTSUBST"), QStringLiteral("CUSTOM"));
    Machine& machine = Machine::current();
    const std::string launcherPath = toAnsi(GetSysDir() + QLatin1Char('\\') + LauncherName);
    // Whatever already carries the launcher's name is left as it is; with no launcher in this
    // build there is nothing to write.
    if (!launcher.isEmpty() && !machine.fileExists(launcherPath))
        machine.writeFile(launcherPath, launcher.toStdString());
    Reg::SaveString(HKEY_LOCAL_MACHINE, RunKey, RunValue, LauncherName);
    frameO->show();
}

void frmVHDDrun::LoadProfiles() {
    cboP->clear();
    cboD->clear();
    std::vector<std::string> entries;
    if (!textfile::readEntries(Machine::current(), toAnsi(ProfileFile), entries))
        return;
    for (const std::string& raw : entries) {
        const QString entry = fromAnsi(raw);
        // A damaged entry without a whole drive could never be mapped; it is not carried on.
        if (entry.size() < 2)
            continue;
        cboD->addItem(entry.left(2));
        cboP->addItem(entry.mid(2));
    }
    if (cboD->count() > 0)
        selectFirstProfile();
}

void frmVHDDrun::SaveProfiles() {
    std::vector<std::string> lines;
    for (int i = 0; i < cboD->count(); ++i)
        lines.push_back(toAnsi(cboD->itemText(i) + cboP->itemText(i)));
    textfile::writeLines(Machine::current(), toAnsi(ProfileFile), lines);
}

void frmVHDDrun::selectFirstProfile() {
    cboD->setCurrentIndex(0);
    cboP->setCurrentIndex(0);
    cboD_Click();
}

void frmVHDDrun::cboD_Click() {
    const int index = cboD->currentIndex();
    if (index < 0)
        return;
    txtP->setText(cboP->itemText(index));
    CurProfile = static_cast<qint16>(index);
}

void frmVHDDrun::showEditor(bool editing) {
    frameO->hide();
    chkAutorun->setEnabled(false);
    FrameN->show();
    EditMode = editing;
    FillFreeLetters();
}

void frmVHDDrun::btnN_Click() {
    showEditor(false);
}

void frmVHDDrun::btnS_Click() {
    // With no profile there is nothing to edit.
    if (cboD->count() == 0)
        return;
    txtpN->setText(txtP->text());
    showEditor(true);
}

bool frmVHDDrun::in_list(const QString& sil) const {
    return cboD->findText(sil, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
}

void frmVHDDrun::FillFreeLetters() {
    cbodN->clear();
    if (EditMode)
        cbodN->addItem(cboD->itemText(CurProfile));
    Machine& machine = Machine::current();
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        const QString drive = QString(QLatin1Char(letter)) + QLatin1Char(':');
        if (machine.getDriveType(std::string{letter, ':', '\\'}) == DRIVE_NO_ROOT_DIR &&
            !in_list(drive))
            cbodN->addItem(drive);
    }
    if (cbodN->count() > 0)
        cbodN->setCurrentIndex(0);
}

QString frmVHDDrun::pathProblem(const QString& path) {
    if (path.isEmpty())
        return LoadResString(EmptyPath);
    if (path.contains(QLatin1Char(',')) || path.startsWith(QLatin1Char('"')))
        return LoadResString(UnsafePath);
    return {};
}

void frmVHDDrun::btnsN_Click() {
    // Refusals leave the editor open with everything as it was.
    if (cbodN->currentIndex() < 0 || cbodN->currentText().size() != 2) {
        ShowMessage(LoadResString(NoFreeLetter));
        return;
    }
    const QString problem = pathProblem(txtpN->text());
    if (!problem.isEmpty()) {
        ShowMessage(problem);
        return;
    }
    FrameN->hide();
    frameO->show();
    chkAutorun->setEnabled(true);
    if (EditMode && CurProfile >= 0 && CurProfile < cboD->count()) {
        cboD->removeItem(CurProfile);
        cboP->removeItem(CurProfile);
    }
    cboP->addItem(txtpN->text());
    cboD->addItem(cbodN->currentText());
    selectFirstProfile();
    SaveProfiles();
}

void frmVHDDrun::btnC_Click() {
    FrameN->hide();
    chkAutorun->setEnabled(true);
    frameO->show();
}

void frmVHDDrun::btnD_Click() {
    if (cboD->count() > 0) {
        if (CurProfile >= 0 && CurProfile < cboD->count()) {
            cboD->removeItem(CurProfile);
            cboP->removeItem(CurProfile);
        }
        if (cboD->count() > 0)
            selectFirstProfile();
        else
            txtP->clear();
    }
    SaveProfiles();
}

} // namespace kestrel
