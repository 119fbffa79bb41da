#include "frmExplorer.h"

#include "ui/Module.h"

#include <QCheckBox>

namespace kestrel {

namespace {

const RestrictionRow rows[] = {
    {180, HKEY_CURRENT_USER, policy::Explorer, "NoFileMenu"},
    {181, HKEY_CURRENT_USER, policy::Explorer, "NoViewContextMenu"}, // NT family only
    {182, HKEY_CURRENT_USER, policy::Browser, "NoBrowserClose"},
    {183, HKEY_CURRENT_USER, policy::Explorer, "NoExpandedNewMenu"},
    {184, HKEY_CURRENT_USER, policy::Explorer, "NoFolderOptions"},
};

} // namespace

frmExplorer::frmExplorer(QWidget* parent) : RestrictionPage(rows, ColumnLayout{}, parent) {}

void frmExplorer::applyRules() {
    chk(1)->setEnabled(IsWinNT());
}

} // namespace kestrel
