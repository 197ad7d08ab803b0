// Whether anybody can see a form window of the Win32 backend (see
// sight_win32.cpp). Included only by the backend's .cpp files, after the
// platform headers.
#pragma once

#include "platform/win32/win32_api.h"

namespace plat {
class TForm;
}

namespace plat::win32 {

// Starts watching for a new form window: the session and display
// notifications are asked for.
void WatchSight(::HWND window);
void ForgetSight(::HWND window);
// A message of the form's window procedure that tells of the session, the
// display or the window's showing; true when the procedure need not pass
// it on.
bool SightMessage(::HWND window, TForm& form, ::UINT message, ::WPARAM wParam, ::LPARAM lParam);
// Whether any timer of the program is running (something animates).
void AnimationTimersChanged(bool running);

}  // namespace plat::win32
