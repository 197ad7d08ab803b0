// What each window backend (win32, gtk, headless) supplies to the form
// framework of platform/forms.h. The backend calls back into the framework
// through the Native* entry points of TForm and TTimer.
#pragma once

#include <cstdint>

#include "platform/wintypes.h"

namespace plat {
class TForm;
class TTimer;
class TPopupMenu;
class TMenuItem;
}  // namespace plat

namespace plat::native {

// The hidden-owner window of the application (carries the taskbar button
// until it is hidden).
HWND CreateApplicationWindow();
// A borderless top-level window owned by the application window, not yet
// visible, with the extended style WS_EX_CONTROLPARENT.
HWND CreateFormWindow(TForm& form);
void DestroyFormWindow(HWND window);
void SetFormBounds(HWND window, int left, int top, int width, int height);
void ShowFormWindow(HWND window);

// Runs until QuitMessageLoop; timer ticks and window events are delivered
// from here (and from any modal loop opened meanwhile).
void RunMessageLoop();
void QuitMessageLoop();

// A periodic timer calling timer.NativeTick(); returns a non-zero id.
std::uintptr_t StartTimer(TTimer& timer, UINT milliseconds);
void StopTimer(std::uintptr_t id);
// The timer's next tick comes `milliseconds` from now; the ticks after it
// keep its interval.
void DeferTimer(std::uintptr_t id, UINT milliseconds);

// Shows the menu modally at the screen point and returns the chosen item,
// or nullptr when the menu was dismissed.
TMenuItem* TrackPopupMenu(TPopupMenu& menu, HWND owner, int x, int y);

// Forgets every window and timer (a new run in the same process).
void ResetWindows();

}  // namespace plat::native
