#pragma once
// The Start menu page: items of the Start menu and its Settings submenu. Three boxes are usable
// on one Windows family only.

#include "RestrictionPage.h"

namespace kestrel {

class frmPusk : public RestrictionPage {
    Q_OBJECT
public:
    explicit frmPusk(QWidget* parent = nullptr);

protected:
    void applyRules() override;
};

} // namespace kestrel
