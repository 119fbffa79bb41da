#include "frmActDesk.h"

#include <QCheckBox>

namespace kestrel {

namespace {

// Row 0 alone lies under the Explorer policy key.
const RestrictionRow rows[] = {
    {280, HKEY_CURRENT_USER, policy::Explorer, "NoActiveDesktopChanges"},
    {281, HKEY_CURRENT_USER, policy::ActiveDesktop, "NoChangingWallpaper"},
    {282, HKEY_CURRENT_USER, policy::ActiveDesktop, "NoComponents"}, // greys 3-5
    {283, HKEY_CURRENT_USER, policy::ActiveDesktop, "NoAddingComponents"},
    {284, HKEY_CURRENT_USER, policy::ActiveDesktop, "NoDeletingComponents"},
    {285, HKEY_CURRENT_USER, policy::ActiveDesktop, "NoEditingComponents"},
    {286, HKEY_CURRENT_USER, policy::ActiveDesktop, "NoCloseDragDropBands"},
    {287, HKEY_CURRENT_USER, policy::ActiveDesktop, "NoMovingBands"},
};

constexpr int Components = 2;

ColumnLayout column() {
    ColumnLayout l;
    l.height = 225;
    l.left = 30;
    l.indentLeft = 240;
    l.indented = {3, 4, 5};
    l.fixedWidth = 7275;
    return l;
}

} // namespace

frmActDesk::frmActDesk(QWidget* parent) : RestrictionPage(rows, column(), parent) {}

void frmActDesk::componentsRule() {
    const bool master = ticked(Components) || !chk(Components)->isEnabledTo(this);
    setRangeEnabled(Components + 1, Components + 3, !master);
}

void frmActDesk::afterClick(int /*index*/) {
    componentsRule();
}

void frmActDesk::applyRules() {
    componentsRule();
}

} // namespace kestrel
