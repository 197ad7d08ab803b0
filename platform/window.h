// Window-system calls the ornament makes, with the signatures and meaning
// of the user32 calls of the same name. platform/win32 forwards to them;
// platform/headless and platform/gtk give them the same effect on a
// virtual screen and on a Linux desktop.
#pragma once

#include "platform/wintypes.h"

namespace plat {

// Window long indices and styles.
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_HWNDPARENT = -8;
constexpr LONG WS_EX_LAYERED = 0x80000;
// Every form window starts with this extended style, so adding a style
// never returns a previous value of 0 on success.
constexpr LONG WS_EX_CONTROLPARENT = 0x10000;

// Layered presentation.
constexpr BYTE AC_SRC_OVER = 0;
constexpr BYTE AC_SRC_ALPHA = 1;
constexpr DWORD ULW_ALPHA = 2;

// ShowWindow.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;

// SetWindowPos.
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-2));
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;

// The system move command: SC_MOVE plus the caption hit-test code.
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr WPARAM SC_DRAGMOVE = 0xF012;

// Screen measures.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr UINT SPI_GETWORKAREA = 0x0030;

// Monitors: called once per monitor with its bounds in screen coordinates
// (the primary monitor's top-left corner is 0, 0); FALSE stops the
// enumeration.
using MONITORENUMPROC = BOOL (*)(HMONITOR monitor, HDC dc, RECT* bounds, LPARAM data);

// Message boxes.
constexpr UINT MB_OK = 0x0000;
constexpr int IDOK = 1;

LONG GetWindowLongA(HWND window, int index);
LONG SetWindowLongA(HWND window, int index, LONG value);
BOOL UpdateLayeredWindow(HWND window, HDC screen, POINT* destination, SIZE* size, HDC source,
                         POINT* sourcePoint, COLORREF key, BLENDFUNCTION* blend, DWORD flags);
// UpdateLayeredWindow (with ULW_ALPHA, no colour key) for a layer that
// differs from what the window shows only inside `parts`, rectangles in
// the layer's own coordinates; the window keeps the rest. Where the window
// system takes one dirty rectangle (Windows' UpdateLayeredWindowIndirect),
// it is given their bounding box.
BOOL UpdateLayeredWindowParts(HWND window, HDC screen, POINT* destination, SIZE* size, HDC source,
                              POINT* sourcePoint, BLENDFUNCTION* blend, const RECT* parts, int count);
HWND GetDesktopWindow();
BOOL ShowWindow(HWND window, int command);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL ReleaseCapture();
// Only WM_SYSCOMMAND with SC_DRAGMOVE is meaningful off Windows: it runs the
// interactive move of the window, returning when the button is released
// (or, where the window manager moves the window itself, at once).
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int GetSystemMetrics(int index);
BOOL SystemParametersInfoA(UINT action, UINT param, void* value, UINT winIni);
// Only the whole desktop (no device context, no clipping) is enumerated.
BOOL EnumDisplayMonitors(HDC dc, const RECT* clip, MONITORENUMPROC callback, LPARAM data);
// A modal box with one OK button, centred on the screen; timers keep
// running while it is open.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

}  // namespace plat
