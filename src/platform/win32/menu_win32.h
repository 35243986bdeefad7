// The menu bars 204 (English) and 304 (German) as Win32 menus, built from the
// core's tables (shell/menus.h) so both systems show the same items.
#pragma once

#include <windows.h>

namespace platform::win32 {

// A new menu bar for menu resource 204 or 304 with every check mark cleared;
// nullptr for any other number. The caller owns it (a menu set on a window
// goes with the window).
HMENU buildMenuBar(int resource);

}  // namespace platform::win32
