// Popup menu construction.
#include "platform/win32/popup_menu.h"

#include "platform/win32/errors.h"
#include "platform/win32/text.h"

namespace quorvo::platform::win32 {

namespace {

// The runtime's popup flags, numbered as TrackPopupMenu numbers them.
constexpr int kPopupRightButton = 2;
constexpr int kPopupCenterAlign = 4;
constexpr int kPopupRightAlign = 8;

void appendItems(HMENU target, const MenuItem& menu,
                 std::vector<MenuItem*>& commands) {
  for (MenuItem* item : menu.items()) {
    if (!item->visible()) continue;
    if (item->isSeparator()) {
      if (!AppendMenuW(target, MF_SEPARATOR, 0, nullptr)) {
        throwLastError("AppendMenuW");
      }
      continue;
    }
    UINT flags = MF_STRING;
    if (item->checked()) flags |= MF_CHECKED;
    if (!item->enabled()) flags |= MF_GRAYED;
    const std::wstring caption = toUtf16(item->caption());
    if (!item->items().empty()) {
      UniqueMenu submenu(CreatePopupMenu());
      if (!submenu) throwLastError("CreatePopupMenu");
      appendItems(submenu.get(), *item, commands);
      if (!AppendMenuW(target, flags | MF_POPUP,
                       reinterpret_cast<UINT_PTR>(submenu.get()),
                       caption.c_str())) {
        throwLastError("AppendMenuW");
      }
      (void)submenu.release();  // destroyed with its parent menu now
      continue;
    }
    commands.push_back(item);
    if (!AppendMenuW(target, flags, commands.size(), caption.c_str())) {
      throwLastError("AppendMenuW");
    }
  }
}

}  // namespace

PopupMenu buildPopupMenu(const MenuItem& menu) {
  PopupMenu popup{UniqueMenu(CreatePopupMenu()), {}};
  if (!popup.menu) throwLastError("CreatePopupMenu");
  appendItems(popup.menu.get(), menu, popup.commands);
  return popup;
}

UINT trackPopupFlags(int popupFlags) {
  UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN;
  if ((popupFlags & kPopupRightButton) != 0) flags |= TPM_RIGHTBUTTON;
  if ((popupFlags & kPopupCenterAlign) != 0) {
    flags |= TPM_CENTERALIGN;
  } else if ((popupFlags & kPopupRightAlign) != 0) {
    flags |= TPM_RIGHTALIGN;
  }
  return flags;
}

}  // namespace quorvo::platform::win32
