#include "frmPusk.h"

#include "ui/Module.h"

#include <QCheckBox>

namespace kestrel {

namespace {

const RestrictionRow rows[] = {
    {240, HKEY_CURRENT_USER, policy::Explorer, "NoRecentDocsMenu"},
    {241, HKEY_CURRENT_USER, policy::Explorer, "NoSMHelp"}, // NT family only
    {242, HKEY_CURRENT_USER, policy::Explorer, "NoClose"},
    {243, HKEY_CURRENT_USER, policy::Explorer, "NoRun"},
    {244, HKEY_CURRENT_USER, policy::Explorer, "ClearRecentDocsOnExit"},
    {245, HKEY_CURRENT_USER, policy::Explorer, "NoSMMyDocs"}, // NT family only
    {246, HKEY_CURRENT_USER, policy::Explorer, "NoFind"},
    {247, HKEY_CURRENT_USER, policy::Explorer, "NoSetActiveDesktop"},
    {248, HKEY_CURRENT_USER, policy::Explorer, "NoChangeStartMenu"}, // 9x family only
    {249, HKEY_CURRENT_USER, policy::Explorer, "NoSetFolders"},
    {250, HKEY_CURRENT_USER, policy::Explorer, "NoSetTaskbar"},
    {251, HKEY_CURRENT_USER, policy::Explorer, "NoControlPanel"},
    {252, HKEY_CURRENT_USER, policy::Explorer, "NoFavoritesMenu"},
    {253, HKEY_CURRENT_USER, policy::Explorer, "NoLogOff"},
};

ColumnLayout column() {
    ColumnLayout l;
    l.height = 285;
    l.spacing = 300;
    // Box 5 stands above box 4 and box 10 above box 9.
    l.screenOrder = {0, 1, 2, 3, 5, 4, 6, 7, 8, 10, 9, 11, 12, 13};
    return l;
}

} // namespace

frmPusk::frmPusk(QWidget* parent) : RestrictionPage(rows, column(), parent) {}

void frmPusk::applyRules() {
    // A box of the other family keeps the state it was loaded with and is written back with it.
    const bool nt = IsWinNT();
    chk(1)->setEnabled(nt);
    chk(5)->setEnabled(nt);
    chk(8)->setEnabled(!nt);
}

} // namespace kestrel
