#pragma once
// System elements: the Start button, the desktop, the taskbar and its notification area, as the
// running shell's live windows. For the element chosen in the list the page shows its size or
// position and applies every change of the two fields at once, and shows or hides, enables or
// disables it. Nothing is stored: the changes last as long as the shell's windows.

#include "platform/ShellWindows.h"
#include "ui/Page.h"

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kestrel {

class frmSysBtn : public Page {
    Q_OBJECT
public:
    explicit frmSysBtn(QWidget* parent = nullptr);
    ~frmSysBtn() override;

    void Form_Load() override;
    // Ends the session on the shell's windows (and whatever the machine ran for it).
    void Form_Unload() override;

    // The window of the chosen element, 0 when it was not found.
    WindowHandle element() const { return hElement; }

protected:
    void Form_Resize() override;

private:
    void cboSE_Click();
    void btnSH_Click();
    void btnED_Click();

    void ShowPlacement();
    void ApplyPlacement();

    QLabel* lblsi;
    QComboBox* cboSE;
    QRadioButton* optSize;
    QRadioButton* optPos;
    QLabel* Label1;
    QLineEdit* TxtX;
    QLabel* Label2;
    QLineEdit* TxtY;
    QPushButton* btnSH;
    QPushButton* btnED;
    QLabel* lblHelp; // shown when the machine has no running shell to reach

    std::unique_ptr<ShellWindows> shell;
    WindowHandle hElement = 0;
};

} // namespace kestrel
