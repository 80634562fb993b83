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
// marks and enabled states; a caption of "-" gives a separator line. Captions
// go in as they are: Win32 menus read "&" and "&&" the same way the
// program's captions do. Throws RuntimeError when the system refuses.
PopupMenu buildPopupMenu(const MenuItem& menu);

// Opens a fresh popup of the items below `menu` with its left edge at a
// screen point, owned by `owner`, and returns when it closes: the chosen
// item, or null when the menu was closed without a choice. With
// kPopupMenuRightButton in `flags` the right button chooses too.
MenuItem* trackPopupMenu(HWND owner, const MenuItem& menu, int flags, POINT at);

}  // namespace quorvo::platform::win32
