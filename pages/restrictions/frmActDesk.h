#pragma once
// The Active Desktop page: its settings, the wallpaper, its components and its bands. Disabling
// components greys the boxes for adding, deleting and editing them.

#include "RestrictionPage.h"

namespace kestrel {

class frmActDesk : public RestrictionPage {
    Q_OBJECT
public:
    explicit frmActDesk(QWidget* parent = nullptr);

protected:
    void applyRules() override;
    void afterClick(int index) override;

private:
    void componentsRule();
};

} // namespace kestrel
