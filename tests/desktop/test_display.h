// A private X server for the desktop tests: Xvfb (1024 × 768) showing a
// known desktop picture, with the xcompmgr compositor, started once per
// test process. DISPLAY names it once it is up.
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
  Display* X() const { return display_; }

  // The desktop picture: a gradient, so that a pixel shows where it is.
  static Rgb DesktopAt(int x, int y);
  // What the screen shows now, composited.
  Rgb ScreenAt(int x, int y);
  // Saves the whole screen as a binary PPM (for a person to look at).
  void SaveScreen(const std::string& path);

  // The top-level window with this name (WM_NAME), or 0.
  Window FindWindow(const std::string& name);
  WindowPlace Place(Window window);
  // The atoms of the window's _NET_WM_STATE, by name.
  std::vector<std::string> NetWmState(Window window);

  // Runs xdotool with these arguments; its exit status.
  static int Xdotool(const std::vector<std::string>& arguments);

 private:
  TestDisplay();
  void PaintDesktop();
  bool Composited();

  ChildProcess server_;
  ChildProcess compositor_;
  Display* display_ = nullptr;
};

}  // namespace fwdesktop
