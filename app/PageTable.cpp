#include "PageTable.h"

#include "pages/drives/frmVHDD.h"
#include "pages/drives/frmVHDDrun.h"
#include "pages/icons/frmFldIco.h"
#include "pages/internet/frmInetOpti.h"
#include "pages/restrictions/frmActDesk.h"
#include "pages/restrictions/frmControlPanel.h"
#include "pages/restrictions/frmExplorer.h"
#include "pages/restrictions/frmIErestrict.h"
#include "pages/restrictions/frmKestrel.h"
#include "pages/restrictions/frmPusk.h"
#include "pages/restrictions/frmStartUp.h"
#include "pages/shell/frmConFileMenu.h"
#include "pages/shell/frmSysBtn.h"

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
        {"MenuItem", "frmConFileMenu", [] { return new frmConFileMenu; }},
        {"Optim", "frmInetOpti", [] { return new frmInetOpti; }},
        {"Subst", "frmVHDD", [] { return new frmVHDD; }},
        {"runSubst", "frmVHDDrun", [] { return new frmVHDDrun; }},
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
