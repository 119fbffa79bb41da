#include "PageTable.h"

#include "pages/drives/frmVHDD.h"
#include "pages/drives/frmVHDDrun.h"
#include "pages/icons/frmFldIco.h"
#include "pages/internet/frmInetOpti.h"
#include "pages/shell/frmConFileMenu.h"

namespace kestrel {

const std::vector<PageRow>& pageTable() {
    static const std::vector<PageRow> rows = {
        {"FldIco", "frmFldIco", [] { return new frmFldIco; }},
        {"Subst", "frmVHDD", [] { return new frmVHDD; }},
        {"runSubst", "frmVHDDrun", [] { return new frmVHDDrun; }},
        {"MenuItem", "frmConFileMenu", [] { return new frmConFileMenu; }},
        {"Optim", "frmInetOpti", [] { return new frmInetOpti; }},
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
