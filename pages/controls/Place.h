#pragma once
// Places a control by twips, touching its geometry only when it really changes.

#include "app/Twips.h"

#include <QWidget>
#include <algorithm>

namespace kestrel {

inline void place(QWidget* control, int left, int top, int width, int height) {
    const QRect target(twips(left), twips(top), twips(std::max(width, 0)),
                       twips(std::max(height, 0)));
    if (control->geometry() != target)
        control->setGeometry(target);
}

} // namespace kestrel
