#pragma once
// The uninstall list: the programs registered under the system's Uninstall key, by display name.
// Hide deletes the selected program's registration (the program stays installed); Uninstall
// starts its registered uninstall command without waiting for it. Both act at once and rebuild
// the list; closing the page does nothing.

#include "ui/Page.h"

#include <cstdint>

class QLabel;
class QListWidget;
class QPushButton;

namespace kestrel {

class frmUninstall : public Page {
    Q_OBJECT
public:
    explicit frmUninstall(QWidget* parent = nullptr);

    void Form_Load() override;

    // The index of the selected program, in both lists.
    int selIndex() const { return SelIndex; }

protected:
    void Form_Resize() override;

private:
    void lbScr_Click();
    void cmdDel_Click();
    void cmdUninst_Click();
    // The list cannot be built, or lists nothing: one error entry and no actions.
    void ShowNoPrograms();

    // Display names, and parallel to them (hidden) the subkey each name was read from.
    QListWidget* lbScr;
    QListWidget* lbN;
    QPushButton* cmdDel;
    QPushButton* cmdUninst;
    QLabel* lblHLP;

    std::int16_t SelIndex = 0;
};

} // namespace kestrel
