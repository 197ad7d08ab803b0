// The message loop and the timers of the Win32 window backend. Timers are
// thread timers with a callback, so every loop that dispatches messages
// (ours, a message box's, a menu's, the system's move loop) delivers ticks.
#include <map>

#include "platform/forms.h"
#include "platform/native.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/sight_win32.h"
#include "platform/win32/windows_win32.h"

namespace plat::win32 {

namespace {

struct TimerEntry {
  TTimer* timer = nullptr;
  UINT interval = 0;
  bool deferred = false;
};

std::map<UINT_PTR, TimerEntry>& Timers() {
  static std::map<UINT_PTR, TimerEntry> timers;
  return timers;
}

void CALLBACK TimerProcedure(::HWND, ::UINT, UINT_PTR id, ::DWORD) {
  const auto it = Timers().find(id);
  if (it == Timers().end()) return;
  if (it->second.deferred) {
    // The deferred tick: the interval's rhythm starts again from here.
    it->second.deferred = false;
    ::SetTimer(nullptr, id, it->second.interval, TimerProcedure);
  }
  it->second.timer->NativeTick();
}

}  // namespace

}  // namespace plat::win32

namespace plat::native {

namespace {
bool quitRequested = false;
UINT_PTR wakeTimer = 0;

void CALLBACK RepostQuit(::HWND, ::UINT, UINT_PTR, ::DWORD) {
  if (quitRequested) ::PostQuitMessage(0);
}
}  // namespace

void RunMessageLoop() {
  quitRequested = false;
  MSG message;
  while (!quitRequested && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  if (wakeTimer != 0) ::KillTimer(nullptr, wakeTimer);
  wakeTimer = 0;
}

// A modal loop that is running when the quit is asked for (the system's
// move loop, for one) may swallow the quit message without posting it
// again, and such loops can be nested: the move loop a right press starts
// under Wine lasts until a left click, and a further right press starts
// another inside it. So the quit is posted again every 10 ms, from a timer
// every loop dispatches, until the outermost loop, this one, has ended.
void QuitMessageLoop() {
  quitRequested = true;
  ::PostQuitMessage(0);
  if (wakeTimer == 0) wakeTimer = ::SetTimer(nullptr, 0, 10, RepostQuit);
}

std::uintptr_t StartTimer(TTimer& timer, UINT milliseconds) {
  const UINT_PTR id = ::SetTimer(nullptr, 0, milliseconds, win32::TimerProcedure);
  if (id != 0) win32::Timers()[id] = win32::TimerEntry{&timer, milliseconds, false};
  win32::AnimationTimersChanged(!win32::Timers().empty());
  return id;
}

void StopTimer(std::uintptr_t id) {
  ::KillTimer(nullptr, id);
  win32::Timers().erase(id);
  win32::AnimationTimersChanged(!win32::Timers().empty());
}

void DeferTimer(std::uintptr_t id, UINT milliseconds) {
  const auto it = win32::Timers().find(id);
  if (it == win32::Timers().end()) return;
  // The same id replaces the thread timer's time-out.
  ::SetTimer(nullptr, id, milliseconds, win32::TimerProcedure);
  it->second.deferred = true;
}

void ResetWindows() {
  for (const auto& [id, timer] : win32::Timers()) ::KillTimer(nullptr, id);
  win32::Timers().clear();
  win32::DestroyApplicationWindow();
  // A quit request left over from a previous run must not end the next one.
  MSG message;
  while (::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace plat::native
