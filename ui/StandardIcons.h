#pragma once
// The style's standard icons (folders, …), looked up once per program run. A lookup goes
// through the desktop's icon theme and checks files on disk each time, which a page that
// shows a folder list would otherwise pay on every opening and every refresh.

#include <QIcon>
#include <QStyle>

namespace kestrel {

// QApplication::style()->standardIcon(which), remembered for as long as the style stays.
QIcon standardIcon(QStyle::StandardPixmap which);

} // namespace kestrel
