#pragma once
// Fixed control positions in twips: a page lists its controls with their rectangles and places
// them once; only a page's resize handler moves anything afterwards.

#include "Twips.h"

#include <QWidget>
#include <initializer_list>

namespace kestrel {

// Creates a child control carrying its form name (lstMenu, txtMTU …), so that tests and tools
// find it by that name.
template <typename Control> Control* makeControl(QWidget* parent, const char* name) {
    auto* control = new Control(parent);
    control->setObjectName(QLatin1String(name));
    return control;
}

struct Placement {
    QWidget* control;
    int left, top, width, height; // twips, relative to the control's parent
};

// Moves and sizes one control in twips, only when its rectangle really changes; sizes never
// below 0.
inline void place(QWidget* control, int left, int top, int width, int height) {
    const QRect target(twips(left), twips(top), twips(width < 0 ? 0 : width),
                       twips(height < 0 ? 0 : height));
    if (control->geometry() != target)
        control->setGeometry(target);
}

inline void place(std::initializer_list<Placement> placements) {
    for (const Placement& p : placements)
        p.control->setGeometry(twips(p.left), twips(p.top), twips(p.width), twips(p.height));
}

// Sets a control's width in pixels, only when it differs, never below 0.
inline void setWidthIfChanged(QWidget* control, int width) {
    width = width < 0 ? 0 : width;
    if (control->width() != width)
        control->resize(width, control->height());
}

// Moves and sizes a control in pixels, only when its rectangle differs; sizes never below 0.
inline void setGeometryIfChanged(QWidget* control, int left, int top, int width, int height) {
    const QRect target(left, top, width < 0 ? 0 : width, height < 0 ? 0 : height);
    if (control->geometry() != target)
        control->setGeometry(target);
}

} // namespace kestrel
