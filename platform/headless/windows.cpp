// Windows of the headless platform: creation, styles, owner, z-order,
// placement, the move loop, mouse input and close requests.
#include <algorithm>

#include "platform/forms.h"
#include "platform/headless/state.h"
#include "platform/kernel.h"
#include "platform/native.h"
#include "platform/window.h"

namespace plat::headless {

State& TheState() {
  static State state;
  return state;
}

WindowRecord* FindWindow(HWND window) {
  auto& windows = TheState().windows;
  auto it = windows.find(window);
  return it == windows.end() ? nullptr : it->second.get();
}

TForm* MainFormOnScreen() {
  for (auto& [handle, record] : TheState().windows) {
    if (record->form != nullptr) return record->form;
  }
  return nullptr;
}

const WindowState* Window(HWND window) {
  WindowRecord* record = FindWindow(window);
  return record ? &record->state : nullptr;
}

bool TaskbarButtonVisible() {
  WindowRecord* app = FindWindow(TheState().application);
  return app != nullptr && app->state.visible;
}

namespace {

HWND NewWindow(TForm* form, bool visible) {
  auto record = std::make_unique<WindowRecord>();
  record->form = form;
  record->state.visible = visible;
  if (form != nullptr) record->state.exStyle = WS_EX_CONTROLPARENT;
  // Small serial numbers, as Win32 hands out: a handle fits in the 32-bit
  // window longs that store owners.
  static std::uintptr_t next = 0x20000;
  HWND handle = reinterpret_cast<HWND>(next++);
  TheState().windows[handle] = std::move(record);
  return handle;
}

// Whether the window's last presentation covers the point with a pixel that
// is not fully transparent; a layered window lets other clicks through.
bool HitsPicture(HWND window, int screenX, int screenY) {
  const Presentation* shown = LastPresentation(window);
  if (shown == nullptr || shown->constantAlpha == 0) return false;
  const int x = screenX - shown->position.x;
  const int y = screenY - shown->position.y;
  if (x < 0 || y < 0 || x >= shown->size.cx || y >= shown->size.cy) return false;
  return shown->pixels[(static_cast<std::size_t>(y) * shown->size.cx + x) * 4 + 3] != 0;
}

void MoveForm(TForm& form, int left, int top) {
  if (WindowRecord* record = FindWindow(form.Handle())) {
    const LONG w = record->state.bounds.right - record->state.bounds.left;
    const LONG h = record->state.bounds.bottom - record->state.bounds.top;
    record->state.bounds = RECT{left, top, left + w, top + h};
  }
  // What the window shows moves with it.
  for (Presentation& shown : TheState().last) {
    if (shown.window == form.Handle()) shown.position = POINT{left, top};
  }
  form.NativeMoved(left, top);
  CheckFullScreenCover();
}

}  // namespace

bool Click(TMouseButton button, int screenX, int screenY) {
  TForm* form = MainFormOnScreen();
  if (form == nullptr || !form->Visible() || !HitsPicture(form->Handle(), screenX, screenY)) {
    return false;
  }
  form->NativeMouseDown(button, 0, screenX - form->Left(), screenY - form->Top());
  if (button == TMouseButton::mbRight) form->NativeContextPopup(screenX, screenY);
  return true;
}

void ContextMenuKey() {
  if (TForm* form = MainFormOnScreen()) form->NativeContextPopup(form->Left(), form->Top());
}

void QueueDrag(int dx, int dy, DWORD durationMs) { TheState().drags.push_back({dx, dy, durationMs}); }

void RequestClose() {
  if (TForm* form = MainFormOnScreen()) form->NativeCloseRequest();
}

bool QueryEndSession() {
  TForm* form = MainFormOnScreen();
  return form == nullptr || form->NativeQueryEndSession();
}

void SetModulePath(const std::string& path) { TheState().modulePath = path; }
const std::vector<std::string>& ShellCalls() { return TheState().shellCalls; }

}  // namespace plat::headless

namespace plat::native {

using headless::FindWindow;
using headless::TheState;

HWND CreateApplicationWindow() {
  HWND handle = headless::NewWindow(nullptr, true);
  TheState().application = handle;
  return handle;
}

HWND CreateFormWindow(TForm& form) {
  HWND handle = headless::NewWindow(&form, false);
  FindWindow(handle)->state.owner = Application().Handle();
  FindWindow(handle)->state.bounds =
      RECT{form.Left(), form.Top(), form.Left() + form.Width(), form.Top() + form.Height()};
  return handle;
}

void DestroyFormWindow(HWND window) {
  auto& state = TheState();
  state.windows.erase(window);
  state.last.erase(std::remove_if(state.last.begin(), state.last.end(),
                                  [&](const headless::Presentation& p) { return p.window == window; }),
                   state.last.end());
}

void SetFormBounds(HWND window, int left, int top, int width, int height) {
  if (auto* record = FindWindow(window)) record->state.bounds = RECT{left, top, left + width, top + height};
}

void ShowFormWindow(HWND window) {
  if (auto* record = FindWindow(window)) record->state.visible = true;
}

void ResetWindows() {
  auto& state = TheState();
  state.windows.clear();
  state.application = nullptr;
  state.timers.clear();
  state.quit = false;
}

}  // namespace plat::native

namespace plat {

using headless::FindWindow;
using headless::TheState;

LONG GetWindowLongA(HWND window, int index) {
  auto* record = FindWindow(window);
  if (record == nullptr) return 0;
  if (index == GWL_EXSTYLE) return record->state.exStyle;
  if (index == GWL_HWNDPARENT) return static_cast<LONG>(reinterpret_cast<std::intptr_t>(record->state.owner));
  return 0;
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
  auto& state = TheState();
  auto* record = FindWindow(window);
  if (state.failSetWindowLong != 0) {
    SetLastError(state.failSetWindowLong);
    state.failSetWindowLong = 0;
    return 0;
  }
  if (record == nullptr) {
    SetLastError(1400);  // invalid window handle
    return 0;
  }
  LONG previous = 0;
  if (index == GWL_EXSTYLE) {
    previous = record->state.exStyle;
    record->state.exStyle = value;
  } else if (index == GWL_HWNDPARENT) {
    previous = static_cast<LONG>(reinterpret_cast<std::intptr_t>(record->state.owner));
    record->state.owner = reinterpret_cast<HWND>(static_cast<std::intptr_t>(value));
  }
  // Like the real call, 0 is also the answer when the previous value was 0;
  // the error code then says 0.
  SetLastError(0);
  return previous;
}

HWND GetDesktopWindow() {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10010));
}

BOOL ShowWindow(HWND window, int command) {
  auto* record = FindWindow(window);
  if (record == nullptr) return FALSE;
  const bool was = record->state.visible;
  record->state.visible = command != SW_HIDE;
  return was ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto* record = FindWindow(window);
  if (record == nullptr) return FALSE;
  if (insertAfter == HWND_TOPMOST) record->state.topmost = true;
  if (insertAfter == HWND_NOTOPMOST) record->state.topmost = false;
  RECT& b = record->state.bounds;
  if (!(flags & SWP_NOMOVE)) {
    const LONG w = b.right - b.left, h = b.bottom - b.top;
    b = RECT{x, y, x + w, y + h};
    if (record->form) record->form->NativeMoved(x, y);
  }
  if (!(flags & SWP_NOSIZE)) {
    b.right = b.left + cx;
    b.bottom = b.top + cy;
  }
  if (record->form) headless::CheckFullScreenCover();
  return TRUE;
}

BOOL ReleaseCapture() { return TRUE; }

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM) {
  auto* record = FindWindow(window);
  if (record == nullptr || record->form == nullptr) return 0;
  if (message != WM_SYSCOMMAND || wParam != SC_DRAGMOVE) return 0;
  auto& state = TheState();
  if (state.drags.empty()) return 0;  // the button was released at once
  const headless::Drag drag = state.drags.front();
  state.drags.pop_front();
  TForm& form = *record->form;
  const int startLeft = form.Left(), startTop = form.Top();
  const DWORD steps = std::max<DWORD>(1, drag.duration / 10);
  for (DWORD step = 1; step <= steps; ++step) {
    headless::AdvanceTime(drag.duration / steps);
    headless::MoveForm(form, startLeft + static_cast<int>(drag.dx * static_cast<long>(step) / static_cast<long>(steps)),
                       startTop + static_cast<int>(drag.dy * static_cast<long>(step) / static_cast<long>(steps)));
  }
  return 0;
}

}  // namespace plat
