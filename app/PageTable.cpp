#include "PageTable.h"

#include "pages/drives/frmVHDD.h"
#include "pages/drives/frmVHDDrun.h"
#include "pages/icons/frmDrvIco.h"
#include "pages/icons/frmFIcon.h"
#include "pages/icons/frmFldIco.h"
#include "pages/icons/frmIETB.h"
#include "pages/icons/frmShell32.h"
#include "pages/internet/frmInetOpti.h"
#include "pages/internet/frmSiteFind.h"
#include "pages/restrictions/frmActDesk.h"
#include "pages/restrictions/frmControlPanel.h"
#include "pages/restrictions/frmExplorer.h"
#include "pages/restrictions/frmIErestrict.h"
#include "pages/restrictions/frmKestrel.h"
#include "pages/restrictions/frmPusk.h"
#include "pages/restrictions/frmStartUp.h"
#include "pages/shell/frmClockText.h"
#include "pages/shell/frmConFileMenu.h"
#include "pages/shell/frmSysBtn.h"
#include "pages/shell/frmUninstall.h"
#include "pages/shell/frmshortcut.h"

namespace kestrel {

const std::vector<PageRow>& pageTable() {
    static const std::vector<PageRow> rows = {
        {"Kestrel", "frmKestrel", [] { return new frmKestrel; }},
        {"StartUp", "frmStartUp", [] { return new frmStartUp; }},
        {"StartMenu", "frmPusk", [] { return new frmPusk; }},
        {"ControlPanel", "frmControlPanel", [] { return new frmControlPanel; }},
        {"Explorer", "frmExplorer", [] { return new frmExplorer; }},
        {"IERes", "frmIErestrict", [] { return new frmIErestrict; }},
        {"ActiveDesktop", "frmActDesk", [] { return new frmActDesk; }},
        {"FldIco", "frmFldIco", [] { return new frmFldIco; }},
        {"IETB", "frmIETB", [] { return new frmIETB; }},
        {"DrvIco", "frmDrvIco", [] { return new frmDrvIco; }},
        {"MenuItem", "frmConFileMenu", [] { return new frmConFileMenu; }},
        {"Clock", "frmClockText", [] { return new frmClockText; }},
        {"Optim", "frmInetOpti", [] { return new frmInetOpti; }},
        {"FIcon", "frmFIcon", [] { return new frmFIcon; }},
        {"Subst", "frmVHDD", [] { return new frmVHDD; }},
        {"sysIco", "frmShell32", [] { return new frmShell32; }},
        {"runSubst", "frmVHDDrun", [] { return new frmVHDDrun; }},
        {"ieSF", "frmSiteFind", [] { return new frmSiteFind; }},
        {"Short", "frmshortcut", [] { return new frmshortcut; }},
        {"Uninstall", "frmUninstall", [] { return new frmUninstall; }},
        {"SysEl", "frmSysBtn", [] { return new frmSysBtn; }},
    };
    return rows;
}

const PageRow* findPage(const QString& key) {
    for (const PageRow& row : pageTable())
        if (key == QLatin1String(row.key))
            return &row;
    return nullptr;
}

} // namespace kestrel
