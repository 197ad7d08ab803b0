// How a form window meets the desktop's window system. Two siblings serve
// it: x11_window.cpp, a top-level window that a window manager frames,
// places and moves (on X11, also through a Wayland compositor's X server,
// and a plain Wayland window where the compositor offers nothing better),
// and wayland_window.cpp, a layer surface of a Wayland compositor that
// has the layer-shell protocol, which the program places and moves
// itself. The display the toolkit opened decides which one serves.
#pragma once

#include "platform/gtk/gtk_state.h"

namespace plat::gtk {

struct WindowSystem {
  // Makes a new window, not yet realized, what this system shows.
  void (*prepare)(WindowRecord& record);
  // Puts the window at record.left, record.top.
  void (*move)(WindowRecord& record);
  // Keeps the window above other windows or not, as record.topmost says.
  void (*stack)(WindowRecord& record);
  // Keeps the window out of the taskbar, the pager and the task switcher
  // (record.skipTaskbar), or lets it in.
  void (*listing)(WindowRecord& record);
  // The window was shown: from now on its place and whether anybody can
  // see it are followed.
  void (*shown)(WindowRecord& record);
  // Whether the window system's own move drag follows this button to its
  // release; where it does not, the program moves the window itself.
  bool (*movesWithButton)(const WindowRecord& record, guint button);
  // Where the pointer of an event of the press being handled stands on
  // the screen, from the event's coordinates in the window and on the
  // screen.
  POINT (*pointerOnScreen)(double x, double y, double xRoot, double yRoot);
};

extern const WindowSystem kToplevelWindows;
extern const WindowSystem kLayerSurfaces;

// The sibling that serves this process's display.
const WindowSystem& TheWindowSystem();

}  // namespace plat::gtk
