#include "frmVHDD.h"

#include "resources/Catalogue.h"
#include "ui/Ansi.h"
#include "ui/controls/DirListBox.h"
#include "ui/controls/DriveListBox.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kestrel {

frmVHDD::frmVHDD(QWidget* parent) : Page(parent) {
    frmMount = new QGroupBox(this);
    drvTH = new DriveListBox(frmMount);
    DirTH = new DirListBox(frmMount);
    lblSymb = new QLabel(frmMount);
    cbDrive = new QComboBox(frmMount);
    cmdMount = new QPushButton(frmMount);
    frmUnMount = new QGroupBox(this);
    lblSymb2 = new QLabel(frmUnMount);
    cbUm = new QComboBox(frmUnMount);
    cmdUm = new QPushButton(frmUnMount);
    lblHelp = new QLabel(this);
    lblHelp->setWordWrap(true);
    lblHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QComboBox* letters : {cbDrive, cbUm})
        letters->setMinimumContentsLength(4);
    tmrRefresh = new QTimer(this);
    tmrRefresh->setSingleShot(true);

    const std::pair<QObject*, const char*> names[] = {
        {frmMount, "frmMount"},     {drvTH, "drvTH"},       {DirTH, "DirTH"},
        {lblSymb, "lblSymb"},       {cbDrive, "cbDrive"},   {cmdMount, "cmdMount"},
        {frmUnMount, "frmUnMount"}, {lblSymb2, "lblSymb2"}, {cbUm, "cbUm"},
        {cmdUm, "cmdUm"},           {lblHelp, "lblHelp"},   {tmrRefresh, "tmrRefresh"}};
    for (const auto& [control, name] : names)
        control->setObjectName(QLatin1String(name));

    auto* mountLetter = new QHBoxLayout;
    mountLetter->addWidget(lblSymb);
    mountLetter->addWidget(cbDrive);
    mountLetter->addWidget(cmdMount);
    mountLetter->addStretch(1);
    auto* mount = new QVBoxLayout(frmMount);
    mount->addWidget(drvTH);
    mount->addWidget(DirTH, 1);
    mount->addLayout(mountLetter);

    auto* unmount = new QHBoxLayout(frmUnMount);
    unmount->addWidget(lblSymb2);
    unmount->addWidget(cbUm);
    unmount->addWidget(cmdUm);
    unmount->addStretch(1);

    auto* page = new QVBoxLayout(this);
    page->addWidget(frmMount, 1);
    page->addWidget(frmUnMount);
    page->addWidget(lblHelp);

    connect(drvTH, &DriveListBox::Change, this, &frmVHDD::drvTH_Change);
    connect(cmdMount, &QPushButton::clicked, this, &frmVHDD::cmdMount_Click);
    connect(cmdUm, &QPushButton::clicked, this, &frmVHDD::cmdUm_Click);
    connect(tmrRefresh, &QTimer::timeout, this, &frmVHDD::tmrRefresh_Timer);
}

void frmVHDD::Form_Load() {
    DirTH->setPath(drvTH->Drive());
    frmMount->setTitle(LoadResString(361));
    frmUnMount->setTitle(LoadResString(362));
    lblSymb->setText(LoadResString(365));
    lblSymb2->setText(LoadResString(365));
    cmdMount->setText(LoadResString(363));
    cmdUm->setText(LoadResString(364));
    lblHelp->setText(LoadResString(366));
    RefreshDrives();
}

void frmVHDD::drvTH_Change() {
    // A drive that is not ready leaves the folder list where it was.
    DirTH->setPath(drvTH->Drive());
}

void frmVHDD::RefreshDrives() {
    cbDrive->clear();
    cbUm->clear();
    Machine& machine = Machine::current();
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        const std::string drive{letter, ':'};
        const std::uint32_t type = machine.getDriveType(drive + "\\");
        if (type == DRIVE_NO_ROOT_DIR)
            cbDrive->addItem(QString::fromLatin1(drive));
        else if (type == DRIVE_FIXED)
            cbUm->addItem(QString::fromLatin1(drive));
    }
    // An empty list has no first entry; its index stays -1 and its button does nothing.
    cbDrive->setCurrentIndex(cbDrive->count() > 0 ? 0 : -1);
    cbUm->setCurrentIndex(cbUm->count() > 0 ? 0 : -1);
}

void frmVHDD::cmdMount_Click() {
    if (cbDrive->currentIndex() < 0)
        return;
    RunSubst(QStringLiteral("Subst ") + cbDrive->currentText() + QStringLiteral(" \"") +
             DirTH->selectedPath() + QLatin1Char('"'));
}

void frmVHDD::cmdUm_Click() {
    if (cbUm->currentIndex() < 0)
        return;
    RunSubst(QStringLiteral("Subst /D ") + cbUm->currentText());
}

void frmVHDD::RunSubst(const QString& command) {
    Machine::current().winExec(toAnsi(command), SW_HIDE);
    setControlsEnabled(false);
    tmrRefresh->start(RefreshDelay);
}

void frmVHDD::tmrRefresh_Timer() {
    tmrRefresh->stop();
    RefreshDrives();
    setControlsEnabled(true);
}

void frmVHDD::setControlsEnabled(bool enabled) {
    for (QWidget* control : {static_cast<QWidget*>(cmdMount), static_cast<QWidget*>(cmdUm),
                             static_cast<QWidget*>(cbDrive), static_cast<QWidget*>(cbUm)})
        control->setEnabled(enabled);
}

} // namespace kestrel
