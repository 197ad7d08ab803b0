// Windows of the Win32 window backend: the application's own window, which
// carries the taskbar button, and the borderless form windows, whose
// window procedure hands mouse, menu, move and session events to TForm.
#include "platform/forms.h"
#include "platform/native.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/sight_win32.h"
#include "platform/win32/windows_win32.h"

#include <windowsx.h>

namespace plat::win32 {

namespace {

constexpr char kApplicationClass[] = "TApplication";
constexpr char kFormClass[] = "FenwillowForm";

plat::HWND applicationWindow = nullptr;

TForm* FormOf(::HWND window) { return reinterpret_cast<TForm*>(::GetWindowLongPtrA(window, GWLP_USERDATA)); }

TShiftState ShiftOf(WPARAM keys, bool doubleClick) {
  TShiftState shift = 0;
  if (keys & MK_SHIFT) shift |= ssShift;
  if (keys & MK_CONTROL) shift |= ssCtrl;
  if (keys & MK_LBUTTON) shift |= ssLeft;
  if (keys & MK_RBUTTON) shift |= ssRight;
  if (keys & MK_MBUTTON) shift |= ssMiddle;
  if (::GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  if (doubleClick) shift |= ssDouble;
  return shift;
}

// Context-menu requests delivered so far, so that a press can tell whether
// its release already asked for the menu.
unsigned contextRequests = 0;

void MouseDown(::HWND window, TForm& form, TMouseButton button, WPARAM keys, LPARAM point, bool doubleClick) {
  const unsigned requestsBefore = contextRequests;
  form.NativeMouseDown(button, ShiftOf(keys, doubleClick), GET_X_LPARAM(point), GET_Y_LPARAM(point));
  if (button != TMouseButton::mbRight || ::GetAsyncKeyState(VK_RBUTTON) < 0) return;
  if (contextRequests != requestsBefore) return;
  // The button went up while the press was handled and a move loop took
  // the release with it: open the menu here, once, and drop a queued
  // release so that the system does not ask for the menu a second time.
  MSG release;
  while (::PeekMessageA(&release, window, WM_RBUTTONUP, WM_RBUTTONUP, PM_REMOVE)) {
  }
  ::POINT cursor;
  if (::GetCursorPos(&cursor) && ::WindowFromPoint(cursor) == window) {
    form.NativeContextPopup(cursor.x, cursor.y);
  }
}

::LRESULT CALLBACK FormProcedure(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  TForm* form = FormOf(window);
  if (form == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  if (SightMessage(window, *form, message, wParam, lParam)) return message == WM_POWERBROADCAST ? TRUE : 0;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      MouseDown(window, *form, TMouseButton::mbLeft, wParam, lParam, message == WM_LBUTTONDBLCLK);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      MouseDown(window, *form, TMouseButton::mbRight, wParam, lParam, message == WM_RBUTTONDBLCLK);
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      MouseDown(window, *form, TMouseButton::mbMiddle, wParam, lParam, message == WM_MBUTTONDBLCLK);
      return 0;
    case WM_CONTEXTMENU: {
      ++contextRequests;
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      if (x == -1 && y == -1) {  // the keyboard's menu key: at the window's corner
        x = form->Left();
        y = form->Top();
      }
      form->NativeContextPopup(x, y);
      return 0;
    }
    case WM_MOVE: {
      ::RECT bounds;
      if (::GetWindowRect(window, &bounds)) form->NativeMoved(bounds.left, bounds.top);
      return 0;
    }
    case WM_CLOSE:
      form->NativeCloseRequest();
      return 0;
    case WM_QUERYENDSESSION:
      return form->NativeQueryEndSession() ? TRUE : FALSE;
    case WM_DESTROY:
      // Destroyed from outside the framework: the program ends as after a
      // close, so the form still gets its destroy event.
      ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      ForgetSight(window);
      if (Application().MainForm() == form) Application().Terminate();
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

// The application window answers a close (from its taskbar button) by
// closing the main form, which runs its close query.
::LRESULT CALLBACK ApplicationProcedure(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  if (message == WM_CLOSE) {
    if (TForm* form = Application().MainForm()) {
      if (form->HandleAllocated()) ::PostMessageA(As<::HWND>(form->Handle()), WM_CLOSE, 0, 0);
    }
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void RegisterClassOnce(const char* name, WNDPROC procedure, UINT style) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExA(::GetModuleHandleA(nullptr), name, &existing)) return;
  WNDCLASSEXA klass{};
  klass.cbSize = sizeof klass;
  klass.style = style;
  klass.lpfnWndProc = procedure;
  klass.hInstance = ::GetModuleHandleA(nullptr);
  klass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  klass.lpszClassName = name;
  ::RegisterClassExA(&klass);
}

}  // namespace

void DestroyApplicationWindow() {
  if (applicationWindow != nullptr) ::DestroyWindow(As<::HWND>(applicationWindow));
  applicationWindow = nullptr;
}

}  // namespace plat::win32

namespace plat::native {

using win32::As;

HWND CreateApplicationWindow() {
  win32::RegisterClassOnce(win32::kApplicationClass, win32::ApplicationProcedure, 0);
  const std::string title = Application().Title();
  // A visible window of no size: it exists for its taskbar button.
  const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2, y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
  ::HWND window = ::CreateWindowExA(0, win32::kApplicationClass, title.c_str(),
                                    WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                                    0, 0, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  if (window != nullptr) ::ShowWindow(window, SW_SHOWNOACTIVATE);
  win32::applicationWindow = As<HWND>(window);
  return win32::applicationWindow;
}

HWND CreateFormWindow(TForm& form) {
  win32::RegisterClassOnce(win32::kFormClass, win32::FormProcedure, CS_DBLCLKS);
  ::HWND window = ::CreateWindowExA(WS_EX_CONTROLPARENT, win32::kFormClass, form.Caption().c_str(),
                                    WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, form.Left(), form.Top(),
                                    form.Width(), form.Height(), As<::HWND>(Application().Handle()), nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
  if (window != nullptr) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&form));
    win32::WatchSight(window);
  }
  return As<HWND>(window);
}

void DestroyFormWindow(HWND window) {
  win32::ForgetSight(As<::HWND>(window));
  ::SetWindowLongPtrA(As<::HWND>(window), GWLP_USERDATA, 0);
  ::DestroyWindow(As<::HWND>(window));
}

void SetFormBounds(HWND window, int left, int top, int width, int height) {
  ::SetWindowPos(As<::HWND>(window), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowFormWindow(HWND window) { ::ShowWindow(As<::HWND>(window), SW_SHOW); }

}  // namespace plat::native
