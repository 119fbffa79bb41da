#pragma once
// The administrative options page: desktop, network neighbourhood, saving settings at exit,
// registry tools and the automatic window refresh.

#include "RestrictionPage.h"

namespace kestrel {

class frmKestrel : public RestrictionPage {
    Q_OBJECT
public:
    explicit frmKestrel(QWidget* parent = nullptr);
};

} // namespace kestrel
