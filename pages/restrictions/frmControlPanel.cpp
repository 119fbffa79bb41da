#include "frmControlPanel.h"

#include "ui/Module.h"

#include <QCheckBox>

namespace kestrel {

namespace {

const RestrictionRow rows[] = {
    {220, HKEY_CURRENT_USER, policy::System, "NoDispCPL"}, // master of 1-4
    {221, HKEY_CURRENT_USER, policy::System, "NoDispAppearancePage"},
    {222, HKEY_CURRENT_USER, policy::System, "NoDispBackgroundPage"},
    {223, HKEY_CURRENT_USER, policy::System, "NoDispScrSavPage"},
    {224, HKEY_CURRENT_USER, policy::System, "NoDispSettingsPage"},
    {225, HKEY_CURRENT_USER, policy::System, "NoSystem"}, // master of 6-9, never ticked
    {226, HKEY_CURRENT_USER, policy::System, "NoDevMgrPage"},
    {227, HKEY_CURRENT_USER, policy::System, "NoConfigPage"},
    {228, HKEY_CURRENT_USER, policy::System, "NoFileSysPage"},
    {229, HKEY_CURRENT_USER, policy::System, "NoVirtMemPage"},
    {230, HKEY_CURRENT_USER, policy::Network, "NoNetSetup"}, // master of 11-13
    {231, HKEY_CURRENT_USER, policy::Network, "NoFileSharingControl"},
    {232, HKEY_CURRENT_USER, policy::Network, "NoNetSetupIDPage"},
    {233, HKEY_CURRENT_USER, policy::Network, "NoNetSetupSecurityPage"},
    {234, HKEY_CURRENT_USER, policy::System, "NoSecCPL"}, // master of 15-17
    {235, HKEY_CURRENT_USER, policy::System, "NoPwdPage"},
    {236, HKEY_CURRENT_USER, policy::System, "NoAdminPage"},
    {237, HKEY_CURRENT_USER, policy::System, "NoProfilePage"},
};

// Each applet: its master box and the last of the boxes that follow it.
struct Group {
    int master;
    int lastDependant;
};
constexpr Group groups[] = {{0, 4}, {5, 9}, {10, 13}, {14, 17}};

constexpr int SystemMaster = 5;
constexpr int FirstNon9xRow = 5; // on the NT family only the display applet is shown

ColumnLayout column() {
    ColumnLayout l;
    l.indentLeft = 270;
    for (const Group& g : groups)
        for (int i = g.master + 1; i <= g.lastDependant; ++i)
            l.indented.push_back(i);
    return l;
}

} // namespace

frmControlPanel::frmControlPanel(QWidget* parent) : RestrictionPage(rows, column(), parent) {}

void frmControlPanel::afterClick(int /*index*/) {
    dependencyRule();
}

void frmControlPanel::dependencyRule() {
    for (const Group& g : groups)
        setRangeEnabled(g.master + 1, g.lastDependant, !ticked(g.master));
}

void frmControlPanel::applyRules() {
    // Unticking raises a click, so the rule then frees boxes 6 to 9.
    chk(SystemMaster)->setChecked(false);
    chk(SystemMaster)->setEnabled(false);
    const bool nt = IsWinNT();
    for (int i = FirstNon9xRow; i < count(); ++i)
        chk(i)->setHidden(nt);
}

} // namespace kestrel
