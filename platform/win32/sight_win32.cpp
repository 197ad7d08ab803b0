// Whether anybody can see a form window on Windows: the session's lock
// and unlock notifications, the console display's power state, the window
// minimized or hidden, and a foreground window that fills its monitor (or
// the shell saying the user is not there: a screen saver, a locked
// desktop). The last two have no notification, so they are asked at most
// once a second, and only while something animates or they keep the
// animation paused.
#include "platform/forms.h"
#include "platform/monitor_cover.h"
#include "platform/window.h"
#include "platform/win32/sight_win32.h"
#include "platform/win32/win32_api.h"

#include <vector>

namespace plat::win32 {

namespace {

enum THiddenBy : unsigned { kLocked = 1, kDisplayOff = 2, kMinimized = 4, kNotShown = 8, kFullScreen = 16, kAway = 32 };

// {6FE69556-704A-47A0-8F24-C28D936FDA47}
constexpr ::GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr ::UINT kSessionChange = 0x02B1;  // WM_WTSSESSION_CHANGE
constexpr ::WPARAM kSessionLock = 0x7, kSessionUnlock = 0x8;
constexpr ::WPARAM kPowerSettingChange = 0x8013;  // PBT_POWERSETTINGCHANGE
constexpr int kUserNotPresent = 1;               // QUNS_NOT_PRESENT

::HWND watched = nullptr;
UINT_PTR askTimer = 0;
bool animating = false;

template <class Function>
Function Lookup(const char* library, const char* name) {
  ::HMODULE module = ::GetModuleHandleA(library);
  if (module == nullptr) module = ::LoadLibraryA(library);
  return module == nullptr ? nullptr : reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

TForm* WatchedForm() {
  return watched == nullptr ? nullptr : reinterpret_cast<TForm*>(::GetWindowLongPtrA(watched, GWLP_USERDATA));
}

BOOL CollectMonitor(HMONITOR, HDC, RECT* bounds, LPARAM data) {
  reinterpret_cast<std::vector<RECT>*>(data)->push_back(*bounds);
  return TRUE;
}

// The desktop's own windows fill the monitor too; they hide nothing.
bool IsShellDesktop(::HWND window) {
  char name[32] = {};
  ::GetClassNameA(window, name, sizeof name);
  return lstrcmpA(name, "Progman") == 0 || lstrcmpA(name, "WorkerW") == 0;
}

bool ForegroundFillsMonitor(::HWND own) {
  ::HWND foreground = ::GetForegroundWindow();
  if (foreground == nullptr || foreground == own || IsShellDesktop(foreground)) return false;
  ::DWORD process = 0;
  ::GetWindowThreadProcessId(foreground, &process);
  if (process == ::GetCurrentProcessId()) return false;
  ::RECT cover, bounds;
  if (!::GetWindowRect(foreground, &cover) || !::GetWindowRect(own, &bounds)) return false;
  std::vector<RECT> monitors;
  plat::EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  const auto rect = [](const ::RECT& r) { return RECT{r.left, r.top, r.right, r.bottom}; };
  return CoversMonitorOf(rect(cover), rect(bounds), monitors);
}

bool UserAway() {
  using Query = ::HRESULT(WINAPI*)(int*);
  static const auto query = Lookup<Query>("shell32.dll", "SHQueryUserNotificationState");
  int state = 0;
  return query != nullptr && query(&state) == S_OK && state == kUserNotPresent;
}

void ArmAsking();

void CALLBACK Ask(::HWND, ::UINT, UINT_PTR, ::DWORD) {
  TForm* form = WatchedForm();
  if (form == nullptr) return;
  form->NativeHiddenBy(kFullScreen, ForegroundFillsMonitor(watched));
  form->NativeHiddenBy(kAway, UserAway());
  ArmAsking();
}

// Asking goes on while something animates, or while the answer is what
// keeps the animation paused.
void ArmAsking() {
  TForm* form = WatchedForm();
  const bool ask = form != nullptr && (animating || form->HiddenBy() & (kFullScreen | kAway));
  if (ask && askTimer == 0) {
    askTimer = ::SetTimer(nullptr, 0, 1000, Ask);
  } else if (!ask && askTimer != 0) {
    ::KillTimer(nullptr, askTimer);
    askTimer = 0;
  }
}

}  // namespace

void WatchSight(::HWND window) {
  watched = window;
  using RegisterSession = ::BOOL(WINAPI*)(::HWND, ::DWORD);
  static const auto registerSession = Lookup<RegisterSession>("wtsapi32.dll", "WTSRegisterSessionNotification");
  if (registerSession != nullptr) registerSession(window, 0 /* NOTIFY_FOR_THIS_SESSION */);
  using RegisterPower = ::HANDLE(WINAPI*)(::HANDLE, const ::GUID*, ::DWORD);
  static const auto registerPower = Lookup<RegisterPower>("user32.dll", "RegisterPowerSettingNotification");
  if (registerPower != nullptr) registerPower(window, &kConsoleDisplayState, 0 /* DEVICE_NOTIFY_WINDOW_HANDLE */);
  ArmAsking();
}

void ForgetSight(::HWND window) {
  if (watched != window) return;
  watched = nullptr;
  ArmAsking();
}

bool SightMessage(::HWND window, TForm& form, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  switch (message) {
    case kSessionChange:
      if (wParam == kSessionLock || wParam == kSessionUnlock) form.NativeHiddenBy(kLocked, wParam == kSessionLock);
      return wParam == kSessionLock || wParam == kSessionUnlock;
    case WM_POWERBROADCAST: {
      if (wParam != kPowerSettingChange || lParam == 0) return false;
      const auto* setting = reinterpret_cast<const ::POWERBROADCAST_SETTING*>(lParam);
      if (!::IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) || setting->DataLength < sizeof(::DWORD)) {
        return false;
      }
      ::DWORD state = 0;  // 0 off, 1 on, 2 dimmed
      ::CopyMemory(&state, setting->Data, sizeof state);
      form.NativeHiddenBy(kDisplayOff, state == 0);
      return true;
    }
    case WM_SIZE:
      form.NativeHiddenBy(kMinimized, wParam == SIZE_MINIMIZED);
      return false;
    case WM_SHOWWINDOW:
      form.NativeHiddenBy(kNotShown, wParam == FALSE);
      return false;
    default:
      (void)window;
      return false;
  }
}

void AnimationTimersChanged(bool running) {
  animating = running;
  ArmAsking();
}

}  // namespace plat::win32
