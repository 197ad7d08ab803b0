// Modal dialogs of the headless platform: message boxes recorded and
// answered, context menus answered from a queue of captions.
#include <algorithm>

#include "platform/forms.h"
#include "platform/headless/state.h"
#include "platform/native.h"
#include "platform/window.h"

namespace plat::headless {

void QueueMenuChoice(const std::string& caption) { TheState().menuChoices.push_back(caption); }
const std::vector<MenuItemSnapshot>& LastMenu() { return TheState().lastMenu; }
std::size_t MenusOpened() { return TheState().menusOpened; }
const std::vector<MessageBoxRecord>& MessageBoxes() { return TheState().boxes; }
void OnMessageBox(std::function<void(const MessageBoxRecord&)> responder) {
  TheState().boxResponder = std::move(responder);
}
int DeepestMessageBoxNesting() { return TheState().deepestNesting; }

namespace {
void Snapshot(const TMenuItem& item, int depth, std::vector<MenuItemSnapshot>& out) {
  for (const auto& child : item.Items()) {
    out.push_back({child->Caption(), depth, child->Checked(), child->RadioItem, child->Default});
    Snapshot(*child, depth + 1, out);
  }
}
}  // namespace

}  // namespace plat::headless

namespace plat::native {

using headless::TheState;

TMenuItem* TrackPopupMenu(TPopupMenu& menu, HWND, int, int) {
  auto& state = TheState();
  state.lastMenu.clear();
  headless::Snapshot(menu.Items(), 0, state.lastMenu);
  ++state.menusOpened;
  if (state.menuChoices.empty()) return nullptr;
  const std::string caption = state.menuChoices.front();
  state.menuChoices.pop_front();
  TMenuItem* chosen = menu.Items().FindByCaption(caption);
  // Only commands can be chosen: separators and submenus just close the menu.
  if (chosen == nullptr || chosen->IsSeparator() || !chosen->Items().empty()) return nullptr;
  return chosen;
}

}  // namespace plat::native

namespace plat {

using headless::TheState;

int MessageBoxA(HWND, const char* text, const char* caption, UINT type) {
  auto& state = TheState();
  const headless::MessageBoxRecord record{text ? text : "", caption ? caption : "", type};
  state.boxes.push_back(record);
  ++state.boxNesting;
  state.deepestNesting = std::max(state.deepestNesting, state.boxNesting);
  if (state.boxResponder) {
    // Keep the responder alive even if it replaces itself.
    auto responder = state.boxResponder;
    responder(record);
  }
  --state.boxNesting;
  return IDOK;
}

}  // namespace plat
