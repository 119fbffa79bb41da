#pragma once
// The Control panel page: access to the display, system, network and passwords applets and to
// single tabs inside them. A ticked master box greys the boxes of its applet.

#include "RestrictionPage.h"

namespace kestrel {

class frmControlPanel : public RestrictionPage {
    Q_OBJECT
public:
    explicit frmControlPanel(QWidget* parent = nullptr);

protected:
    void applyRules() override;
    void afterClick(int index) override;

private:
    void dependencyRule();
};

} // namespace kestrel
