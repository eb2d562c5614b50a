// Resource ids of quellon-pro.exe (its .rc file and the code that loads them
// share these numbers; the .rc file is read by windres, so only #defines).
#pragma once

// The program's icon: the window classes, the tray icon and Explorer show it.
#define QUELLON_IDI_APP 1
