// Window-system calls, forwarded unchanged to user32.
#include "platform/window.h"
#include "platform/win32/win32_api.h"

namespace plat {

using win32::As;

LONG GetWindowLongA(HWND window, int index) { return ::GetWindowLongA(As<::HWND>(window), index); }

LONG SetWindowLongA(HWND window, int index, LONG value) {
  return ::SetWindowLongA(As<::HWND>(window), index, value);
}

BOOL UpdateLayeredWindow(HWND window, HDC screen, POINT* destination, SIZE* size, HDC source,
                         POINT* sourcePoint, COLORREF key, BLENDFUNCTION* blend, DWORD flags) {
  return ::UpdateLayeredWindow(As<::HWND>(window), As<::HDC>(screen), As<::POINT*>(destination),
                               As<::SIZE*>(size), As<::HDC>(source), As<::POINT*>(sourcePoint), key,
                               As<::BLENDFUNCTION*>(blend), flags);
}

BOOL UpdateLayeredWindowParts(HWND window, HDC screen, POINT* destination, SIZE* size, HDC source,
                              POINT* sourcePoint, BLENDFUNCTION* blend, const RECT* parts, int count) {
  if (parts == nullptr || count <= 0) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ::RECT dirty = *reinterpret_cast<const ::RECT*>(&parts[0]);
  for (int i = 1; i < count; ++i) {
    ::RECT both;
    ::UnionRect(&both, &dirty, reinterpret_cast<const ::RECT*>(&parts[i]));
    dirty = both;
  }
  // Looked up, not linked: Windows before Vista has no indirect update, and
  // there the whole layer is presented.
  using Indirect = ::BOOL(WINAPI*)(::HWND, const ::UPDATELAYEREDWINDOWINFO*);
  static const auto indirect = reinterpret_cast<Indirect>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "UpdateLayeredWindowIndirect")));
  if (indirect == nullptr) {
    return UpdateLayeredWindow(window, screen, destination, size, source, sourcePoint, 0, blend, ULW_ALPHA);
  }
  ::UPDATELAYEREDWINDOWINFO info{};
  info.cbSize = sizeof info;
  info.hdcDst = As<::HDC>(screen);
  info.pptDst = As<const ::POINT*>(destination);
  info.psize = As<const ::SIZE*>(size);
  info.hdcSrc = As<::HDC>(source);
  info.pptSrc = As<const ::POINT*>(sourcePoint);
  info.pblend = As<const ::BLENDFUNCTION*>(blend);
  info.dwFlags = ULW_ALPHA;
  info.prcDirty = &dirty;
  return indirect(As<::HWND>(window), &info);
}

HWND GetDesktopWindow() { return As<HWND>(::GetDesktopWindow()); }
BOOL ShowWindow(HWND window, int command) { return ::ShowWindow(As<::HWND>(window), command); }

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return ::SetWindowPos(As<::HWND>(window), As<::HWND>(insertAfter), x, y, cx, cy, flags);
}

BOOL ReleaseCapture() { return ::ReleaseCapture(); }

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(As<::HWND>(window), message, wParam, lParam);
}

int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

BOOL SystemParametersInfoA(UINT action, UINT param, void* value, UINT winIni) {
  return ::SystemParametersInfoA(action, param, value, winIni);
}

namespace {
struct MonitorCallback {
  MONITORENUMPROC callback;
  LPARAM data;
};
::BOOL CALLBACK ForwardMonitor(::HMONITOR monitor, ::HDC dc, ::LPRECT bounds, ::LPARAM context) {
  const auto* forward = reinterpret_cast<const MonitorCallback*>(context);
  return forward->callback(As<HMONITOR>(monitor), As<HDC>(dc), reinterpret_cast<RECT*>(bounds), forward->data);
}
}  // namespace

BOOL EnumDisplayMonitors(HDC dc, const RECT* clip, MONITORENUMPROC callback, LPARAM data) {
  if (callback == nullptr) return FALSE;
  MonitorCallback forward{callback, data};
  return ::EnumDisplayMonitors(As<::HDC>(dc), reinterpret_cast<const ::RECT*>(clip), ForwardMonitor,
                               reinterpret_cast<::LPARAM>(&forward));
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  return ::MessageBoxA(As<::HWND>(owner), text, caption, type);
}

}  // namespace plat
