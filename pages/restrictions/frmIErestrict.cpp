#include "frmIErestrict.h"

namespace kestrel {

namespace {

const RestrictionRow rows[] = {
    {200, HKEY_CURRENT_USER, policy::Browser, "NoBrowserClose"},
    {201, HKEY_CURRENT_USER, policy::Browser, "NoBrowserContextMenu"},
    {202, HKEY_CURRENT_USER, policy::Browser, "NoBrowserOptions"},
    {203, HKEY_CURRENT_USER, policy::Browser, "NoBrowserSaveAs"},
    {204, HKEY_CURRENT_USER, policy::Browser, "NoFavorites"},
    {205, HKEY_CURRENT_USER, policy::Browser, "NoFileNew"},
    {206, HKEY_CURRENT_USER, policy::Browser, "NoFileOpen"},
    {207, HKEY_CURRENT_USER, policy::Browser, "NoFindFiles"},
    {208, HKEY_CURRENT_USER, policy::Browser, "NoSelectDownloadDir"},
    {209, HKEY_CURRENT_USER, policy::Browser, "NoTheaterMode"},
    {210, HKEY_CURRENT_USER, policy::Browser, "NoAddressBar"},
    {211, HKEY_CURRENT_USER, policy::Browser, "NoToolBar"},
    {212, HKEY_CURRENT_USER, policy::Browser, "NoLinksBar"},
    {213, HKEY_CURRENT_USER, policy::Browser, "NoHelpMenu"}, // greys 14-17
    {214, HKEY_CURRENT_USER, policy::Browser, "NoHelpItemNetscapeHelp"},
    {215, HKEY_CURRENT_USER, policy::Browser, "NoHelpItemSendFeedback"},
    {216, HKEY_CURRENT_USER, policy::Browser, "NoHelpItemTipOfTheDay"},
    {217, HKEY_CURRENT_USER, policy::Browser, "NoHelpItemTutorial"},
};

constexpr int HelpMenu = 13;

ColumnLayout column() {
    ColumnLayout l;
    l.fixedWidth = 4575;
    l.indentLeft = 300;
    l.indented = {14, 15, 16, 17};
    l.screenOrder = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 15, 14, 17};
    return l;
}

} // namespace

frmIErestrict::frmIErestrict(QWidget* parent) : RestrictionPage(rows, column(), parent) {}

void frmIErestrict::helpMenuRule() {
    setRangeEnabled(HelpMenu + 1, HelpMenu + 4, !ticked(HelpMenu));
}

void frmIErestrict::afterClick(int /*index*/) {
    helpMenuRule();
}

void frmIErestrict::applyRules() {
    helpMenuRule();
}

} // namespace kestrel
