#pragma once
// The Explorer page: menus of the file explorer. Row 2 is the browser's "NoBrowserClose", the
// same value as row 0 of the Browser page.

#include "RestrictionPage.h"

namespace kestrel {

class frmExplorer : public RestrictionPage {
    Q_OBJECT
public:
    explicit frmExplorer(QWidget* parent = nullptr);

protected:
    void applyRules() override;
};

} // namespace kestrel
