#include "PageTable.h"

#include "pages/internet/frmInetOpti.h"
#include "pages/shell/frmConFileMenu.h"

namespace kestrel {

const std::vector<PageRow>& pageTable() {
    static const std::vector<PageRow> rows = {
        // {"Kestrel", "frmKestrel", [] { return new frmKestrel; }},
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
