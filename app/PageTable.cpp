#include "PageTable.h"

#include "pages/drives/frmVHDD.h"
#include "pages/drives/frmVHDDrun.h"
#include "pages/icons/frmFldIco.h"

namespace kestrel {

const std::vector<PageRow>& pageTable() {
    static const std::vector<PageRow> rows = {
        // {"Kestrel", "frmKestrel", [] { return new frmKestrel; }},
        {"FldIco", "frmFldIco", [] { return new frmFldIco; }},
        {"Subst", "frmVHDD", [] { return new frmVHDD; }},
        {"runSubst", "frmVHDDrun", [] { return new frmVHDDrun; }},
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
