// Building a Win32 popup menu from the program's menu items.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/menu_item.h"
#include "platform/win32/handles.h"

namespace quorvo::platform::win32 {

struct PopupMenu {
  UniqueMenu menu;
  // The item behind each command id: id n is commands[n - 1], so that 0
  // stays "nothing chosen" for TrackPopupMenuEx.
  std::vector<MenuItem*> commands;
};

// A fresh popup of the visible items below `menu`, with their current check
// marks and enabled states; a caption of "-" gives a separator line. Items
// that have items of their own open a submenu. Captions go in as they are:
// Win32 menus read "&" and "&&" the same way the program's captions do.
// Throws RuntimeError when the system refuses.
PopupMenu buildPopupMenu(const MenuItem& menu);

// TrackPopupMenuEx flags for the runtime's popup flags (2: either button
// chooses; 4 / 8: centred on / right edge at the point).
UINT trackPopupFlags(int popupFlags);

// Opens a fresh popup of the items below `menu` at a screen point, owned by
// `owner`, and returns when it closes: the chosen item, or null when the
// menu was closed without a choice.
MenuItem* trackPopupMenu(HWND owner, const MenuItem& menu, int flags, POINT at);

}  // namespace quorvo::platform::win32
