// A private X server for the desktop tests: Xvfb (1024 × 768) showing a
// known desktop picture, with a window manager (FENWILLOW_TEST_WM: openbox,
// xfwm4, metacity, fluxbox, mutter; none when unset) and the xcompmgr
// compositor (mutter's own instead).
// The shared one is started once per test process, and DISPLAY names it
// once it is up; a test may start one of its own.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/desktop/child_process.h"

namespace fwdesktop {

struct Rgb {
  int r = 0, g = 0, b = 0;
};
bool Near(const Rgb& a, const Rgb& b, int tolerance);
std::string Describe(const Rgb& c);

struct WindowPlace {
  int x = 0, y = 0, width = 0, height = 0;
};

class TestDisplay {
 public:
  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 768;

  static TestDisplay& Get();
  explicit TestDisplay(const std::string& windowManager);
  ~TestDisplay();
  Display* X() const { return display_; }
  // ":N", for DISPLAY.
  const std::string& Name() const { return name_; }
  const std::string& WindowManager() const { return windowManager_; }
  // Ends the X server, as the end of an X session does.
  void KillServer();

  // The desktop picture: a gradient, so that a pixel shows where it is.
  static Rgb DesktopAt(int x, int y);
  // What the screen shows now, composited.
  Rgb ScreenAt(int x, int y);
  // Saves the whole screen as a binary PPM (for a person to look at).
  void SaveScreen(const std::string& path);

  // A fingerprint of what the screen shows in the rectangle.
  std::uint64_t Fingerprint(int x, int y, int width, int height);
  // The work area the window manager announces, or the whole screen.
  WindowPlace WorkArea();

  // The viewable client window with this name (WM_NAME), at any depth of
  // the window tree (a window manager puts clients into frames), or 0.
  Window FindWindow(const std::string& name);
  WindowPlace Place(Window window);
  // Open popup menus (viewable windows of the popup-menu type); a window
  // manager's own override-redirect windows do not count.
  int CountMenus();
  // The atoms of the window's _NET_WM_STATE, by name.
  std::vector<std::string> NetWmState(Window window);

  // Runs xdotool on this display with these arguments; its exit status.
  int Xdotool(const std::vector<std::string>& arguments);

 private:
  void PaintDesktop();
  bool Composited();

  std::string windowManager_;
  std::string name_;
  ChildProcess server_;
  ChildProcess manager_;
  ChildProcess compositor_;
  Display* display_ = nullptr;
};

}  // namespace fwdesktop
