#pragma once
// Virtual drive page: mounts a folder as a free drive letter with "Subst E: "C:\Folder"" and
// unmounts a letter with "Subst /D E:", then shows the letters as they are a second later.

#include "ui/Page.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace kestrel {

class DirListBox;
class DriveListBox;

class frmVHDD : public Page {
    Q_OBJECT
public:
    explicit frmVHDD(QWidget* parent = nullptr);

    void Form_Load() override;

    // How long the page waits after a command before it reads the letters again.
    static constexpr int RefreshDelay = 1000;

private:
    void drvTH_Change();
    void cmdMount_Click();
    void cmdUm_Click();
    void tmrRefresh_Timer();

    void RefreshDrives();
    void RunSubst(const QString& command);
    void setControlsEnabled(bool enabled);

    QGroupBox* frmMount;
    DriveListBox* drvTH;
    DirListBox* DirTH;
    QLabel* lblSymb;
    QComboBox* cbDrive;
    QPushButton* cmdMount;
    QGroupBox* frmUnMount;
    QLabel* lblSymb2;
    QComboBox* cbUm;
    QPushButton* cmdUm;
    QLabel* lblHelp;
    QTimer* tmrRefresh;
};

} // namespace kestrel
