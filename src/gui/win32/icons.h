// The program's icons on Windows: the shield of the window and tray (the
// program's icon resource), and the drawn small icons of the three kinds
// of result rows for the list views.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "gui/win32/resources.h"

namespace quellon::gui::win32 {

// The icon resource every window and the tray show.
inline constexpr int kAppIconId = QUELLON_IDI_APP;

// The program's icon at `size` pixels (shared; never destroy it); Windows'
// application icon when the program has none.
HICON AppIcon(int size);

// An image list of `size`-pixel icons for list rows: image kind - 1 is the
// picture of row kind `kind` (1 cookie, 2 registry, 3 file). The caller
// owns the list.
HIMAGELIST MakeKindImageList(int size);
// The image of a row kind in MakeKindImageList's list; I_IMAGENONE for a
// kind without a picture.
int KindImage(int kind);

}  // namespace quellon::gui::win32
