// The program's icons: the shield of the window and tray (the build's renders
// of packaging/icons/quellon-pro.svg, embedded), and the drawn
// small icons of the three kinds of result rows.
#pragma once

#include <QIcon>

namespace quellon::gui {

// 1 cookie, 2 registry, 3 file; any other kind has no icon.
QIcon KindIcon(int kind);
QIcon AppIcon();

}  // namespace quellon::gui
