// The headless platform: a virtual screen, a virtual millisecond clock with
// its timers, scripted input, menus chosen by caption and message boxes
// that are recorded and answered. Tests and tools drive the real program
// through this interface; nothing here needs a display.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/forms.h"
#include "platform/wintypes.h"

namespace plat::headless {

// --- Screen -----------------------------------------------------------------

// One call of UpdateLayeredWindow as the screen received it.
struct Presentation {
  HWND window = nullptr;
  POINT position{0, 0};
  SIZE size{0, 0};
  BYTE constantAlpha = 0;
  DWORD tick = 0;
  std::vector<std::uint8_t> pixels;  // top-down rows, premultiplied B, G, R, A
  // Where this presentation changed the window (UpdateLayeredWindowParts);
  // empty when it presented the whole layer.
  std::vector<RECT> parts;
};

// The primary screen's size and work area (default 1920 × 1080 with a
// 40-pixel taskbar at the bottom).
void SetScreen(int width, int height, const RECT& workArea);
// Monitors beside the primary one (whose bounds are the screen's), in
// screen coordinates; none by default.
void SetOtherMonitors(std::vector<RECT> monitors);
// The last successful presentation of a window (or of any window), or null:
// what the window shows, all of it, whether it came whole or in parts.
const Presentation* LastPresentation(HWND window = nullptr);
std::size_t PresentationCount();
// Called after every successful presentation.
void OnPresent(std::function<void(const Presentation&)> listener);
// While set, UpdateLayeredWindow fails (returns FALSE and presents nothing).
void FailPresentations(bool fail);
// The next SetWindowLongA fails with this error code (0: no failure).
void FailNextSetWindowLong(DWORD errorCode);

// Composites a presentation over a desktop picture the way the window
// system blends a layered window: top-down B, G, R, A rows of
// desktopWidth × desktopHeight; the result has the desktop's size.
std::vector<std::uint8_t> CompositeOver(const Presentation& layer,
                                        const std::vector<std::uint8_t>& desktop,
                                        int desktopWidth, int desktopHeight);

// --- Windows ----------------------------------------------------------------

struct WindowState {
  LONG exStyle = 0;
  HWND owner = nullptr;
  bool visible = false;
  bool topmost = false;
  RECT bounds{0, 0, 0, 0};
};
// Null for a window that does not exist.
const WindowState* Window(HWND window);
// Whether the application's window, which carries the taskbar button, is
// visible.
bool TaskbarButtonVisible();

// --- Clock and timers -------------------------------------------------------

// Sets the tick count (milliseconds since boot, wrapping at 2^32; an hour
// at start).
void SetTickCount(DWORD tick);
DWORD TickCount();
// Moves the clock forward, delivering every timer tick that falls due in
// order, each at its own time. Does nothing once the message loop has been
// asked to quit.
void AdvanceTime(DWORD milliseconds);
// Number of running timers.
std::size_t RunningTimers();
void SetPerformanceCounter(std::int64_t value);

// --- The message loop -------------------------------------------------------

// What the message loop does once the main window is shown: the driver
// plays the user (advances time, clicks, chooses menu items). The loop ends
// when the driver returns.
void SetDriver(std::function<void()> driver);

// --- Input ------------------------------------------------------------------

// A mouse press and release at a screen point. The press reaches the window
// only where its last presentation is not fully transparent; a right
// button's release then opens the context menu there.
// Returns whether the window received the click.
bool Click(TMouseButton button, int screenX, int screenY);
// The keyboard's context-menu key: the menu opens at the window's top-left.
void ContextMenuKey();
// The next window move loop follows the mouse by (dx, dy) over `durationMs`
// in 10 ms steps, delivering timer ticks on the way.
void QueueDrag(int dx, int dy, DWORD durationMs);

// The next context menu chooses the item with this caption (none: the menu
// is dismissed). Choices queue up, one per menu.
void QueueMenuChoice(const std::string& caption);
struct MenuItemSnapshot {
  std::string caption;
  int depth = 0;
  bool checked = false;
  bool radio = false;
  bool isDefault = false;
};
// The items of the last menu opened, depth first, as shown.
const std::vector<MenuItemSnapshot>& LastMenu();
std::size_t MenusOpened();

// --- Message boxes ----------------------------------------------------------

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  UINT type = 0;
};
const std::vector<MessageBoxRecord>& MessageBoxes();
// Runs while a box is open (inside its modal loop), before it is answered
// with OK. Use it to let time pass while the box is shown.
void OnMessageBox(std::function<void(const MessageBoxRecord&)> responder);
// Most boxes open at the same time so far.
int DeepestMessageBoxNesting();

// --- What can be seen ------------------------------------------------------

// What keeps anybody from seeing the program's window, as a desktop reports
// it: the screen saver running, the session locked, the window iconified.
void SetScreenSaverActive(bool active);
void SetSessionLocked(bool locked);
void SetIconified(bool iconified);
// The focused window is full-screen with these bounds (nullptr: it is not).
// It hides the program's window while it covers the monitor that holds most
// of the window.
void SetFullScreenWindow(const RECT* bounds);

// --- Session ----------------------------------------------------------------

// A close request from the system (a window manager's close).
void RequestClose();
// The end-of-session query; returns whether the program agreed.
bool QueryEndSession();

// --- Process ----------------------------------------------------------------

void SetModulePath(const std::string& path);
// Calls of ShellExecuteA, as "verb file".
const std::vector<std::string>& ShellCalls();

// Everything back to the state of a fresh process (screen, clock, windows,
// queues, records, module path).
void Reset();

}  // namespace plat::headless
