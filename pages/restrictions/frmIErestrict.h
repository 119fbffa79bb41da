#pragma once
// The Browser page: commands, menus and bars of the web browser. Removing the whole Help menu
// greys the boxes of its single items.

#include "RestrictionPage.h"

namespace kestrel {

class frmIErestrict : public RestrictionPage {
    Q_OBJECT
public:
    explicit frmIErestrict(QWidget* parent = nullptr);

protected:
    void applyRules() override;
    void afterClick(int index) override;

private:
    void helpMenuRule();
};

} // namespace kestrel
