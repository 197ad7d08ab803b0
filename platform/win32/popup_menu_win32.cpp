// Context menus of the Win32 window backend: a real popup menu built from
// the TPopupMenu items, tracked modally, answering the chosen item.
#include <vector>

#include "platform/forms.h"
#include "platform/native.h"
#include "platform/win32/win32_api.h"

namespace plat::win32 {

namespace {

// Appends the children of `item` to `menu`; command ids index `commands`
// from 1, since 0 means the menu was dismissed.
void AppendItems(HMENU menu, const TMenuItem& item, std::vector<TMenuItem*>& commands) {
  for (const auto& child : item.Items()) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    if (child->IsSeparator()) {
      info.fMask = MIIM_FTYPE;
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE;
      info.fType = child->RadioItem ? MFT_RADIOCHECK : MFT_STRING;
      info.dwTypeData = const_cast<char*>(child->Caption().c_str());
      info.fState = (child->Checked() ? MFS_CHECKED : MFS_UNCHECKED) | (child->Default ? MFS_DEFAULT : 0);
      if (!child->Items().empty()) {
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = ::CreatePopupMenu();
        AppendItems(info.hSubMenu, *child, commands);
      } else {
        commands.push_back(child.get());
        info.fMask |= MIIM_ID;
        info.wID = static_cast<UINT>(commands.size());
      }
    }
    ::InsertMenuItemA(menu, ::GetMenuItemCount(menu), TRUE, &info);
  }
}

}  // namespace

}  // namespace plat::win32

namespace plat::native {

TMenuItem* TrackPopupMenu(TPopupMenu& menu, HWND owner, int x, int y) {
  HMENU popup = ::CreatePopupMenu();
  if (popup == nullptr) return nullptr;
  std::vector<TMenuItem*> commands;
  win32::AppendItems(popup, menu.Items(), commands);
  ::HWND window = win32::As<::HWND>(owner);
  // The owner must be in front for a click elsewhere to dismiss the menu.
  ::SetForegroundWindow(window);
  const UINT chosen = static_cast<UINT>(::TrackPopupMenu(
      popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, window, nullptr));
  ::PostMessageA(window, WM_NULL, 0, 0);
  ::DestroyMenu(popup);
  return chosen >= 1 && chosen <= commands.size() ? commands[chosen - 1] : nullptr;
}

}  // namespace plat::native
