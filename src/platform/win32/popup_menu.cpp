// Popup menu construction.
#include "platform/win32/popup_menu.h"

#include "platform/forms.h"
#include "platform/win32/errors.h"
#include "platform/win32/text.h"

namespace quorvo::platform::win32 {

PopupMenu buildPopupMenu(const MenuItem& menu) {
  PopupMenu popup{UniqueMenu(CreatePopupMenu()), {}};
  if (!popup.menu) throwLastError("CreatePopupMenu");
  for (MenuItem* item : menu.items()) {
    if (!item->visible()) continue;
    if (item->isSeparator()) {
      if (!AppendMenuW(popup.menu.get(), MF_SEPARATOR, 0, nullptr)) {
        throwLastError("AppendMenuW");
      }
      continue;
    }
    UINT flags = MF_STRING;
    if (item->checked()) flags |= MF_CHECKED;
    if (!item->enabled()) flags |= MF_GRAYED;
    const std::wstring caption = toUtf16(item->caption());
    popup.commands.push_back(item);
    if (!AppendMenuW(popup.menu.get(), flags, popup.commands.size(),
                     caption.c_str())) {
      throwLastError("AppendMenuW");
    }
  }
  return popup;
}

MenuItem* trackPopupMenu(HWND owner, const MenuItem& menu, int flags,
                         POINT at) {
  const PopupMenu popup = buildPopupMenu(menu);
  // The menu closes on a click elsewhere only when its owner is the
  // foreground window; the clock window rarely is, so make it so first. A
  // refusal (another program holds the foreground) still leaves a usable
  // menu.
  (void)SetForegroundWindow(owner);
  const UINT button =
      (flags & kPopupMenuRightButton) != 0 ? TPM_RIGHTBUTTON : TPM_LEFTBUTTON;
  const BOOL chosen = TrackPopupMenuEx(
      popup.menu.get(),
      TPM_LEFTALIGN | TPM_TOPALIGN | button | TPM_RETURNCMD | TPM_NONOTIFY,
      at.x, at.y, owner, nullptr);
  // Lets the menu's modal loop see one more message, so the next click on
  // the window after a cancelled menu is not swallowed.
  (void)PostMessageW(owner, WM_NULL, 0, 0);
  // 0 is both "closed without a choice" and a failure; either way nothing
  // was chosen, which is all the program needs to know.
  if (chosen <= 0 || static_cast<std::size_t>(chosen) > popup.commands.size()) {
    return nullptr;
  }
  return popup.commands[static_cast<std::size_t>(chosen) - 1];
}

}  // namespace quorvo::platform::win32
