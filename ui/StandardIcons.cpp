#include "StandardIcons.h"

#include <QApplication>
#include <QHash>
#include <QPointer>

namespace kestrel {

QIcon standardIcon(QStyle::StandardPixmap which) {
    // Widgets and the program share one thread: no lock is needed.
    static QPointer<QStyle> style;
    static QHash<int, QIcon> icons;
    if (style != QApplication::style()) {
        style = QApplication::style();
        icons.clear();
    }
    auto found = icons.constFind(int(which));
    if (found == icons.constEnd())
        found = icons.insert(int(which), style->standardIcon(which));
    return *found;
}

} // namespace kestrel
