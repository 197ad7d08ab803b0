// Shared state of the GTK backend (one desktop per process).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

// The platform's types first: GLib defines TRUE and FALSE as macros.
#include "platform/forms.h"

#include <gtk/gtk.h>

namespace plat::gtk {

// A window of the program: the application's hidden owner (no widget, no
// form) or a form's borderless GTK window.
struct WindowRecord {
  TForm* form = nullptr;
  GtkWidget* widget = nullptr;
  LONG exStyle = 0;
  HWND owner = nullptr;
  bool topmost = false;
  // Out of the taskbar, the pager and the task switcher.
  bool skipTaskbar = false;
  bool visible = false;
  // Where the window is, as last requested or reported by the window system.
  int left = 0, top = 0, width = 0, height = 0;
  // The last presented frame and its constant opacity.
  cairo_surface_t* frame = nullptr;
  BYTE constantAlpha = 0;
  // The frame's alpha bytes, row by row, for the input shape and hit tests.
  std::vector<std::uint8_t> alpha;
  // What the uploads of frames to the X server keep (frame_upload.cpp).
  struct Uploads* uploads = nullptr;
  // Another window manager is taking over, and the place the window had
  // before (window_place.cpp).
  bool managerChanging = false;
  POINT kept{0, 0};
  // A layer surface's drag: the surface that shows the frames at the place
  // the drag has reached, and whether the window itself shows nothing
  // meanwhile (wayland_window.cpp).
  GtkWidget* follower = nullptr;
  bool blank = false;
};

// The button press a window move may start from.
struct Press {
  bool held = false;
  guint button = 0;
  // The pressed point in the window and on the screen, and the window's
  // place then.
  double x = 0, y = 0;
  double xRoot = 0, yRoot = 0;
  int left = 0, top = 0;
  guint32 time = 0;
  HWND window = nullptr;
  // The press became a move of its window: its release opens no menu.
  bool moved = false;
};

// What a press that asked for the system move is doing.
enum class Drag {
  kNone,
  kWaiting,      // a right press, until the pointer passes the drag threshold
  kProgramMove,  // the program moves the window with the pointer
};

// A timer's GLib source: its periodic one, or the one-shot of a deferred
// tick.
struct TimerSource {
  TTimer* timer = nullptr;
  UINT interval = 0;
  guint source = 0;
  bool deferred = false;
};

struct State {
  std::map<HWND, std::unique_ptr<WindowRecord>> windows;
  HWND application = nullptr;
  std::map<std::uintptr_t, TimerSource> timers;
  std::uintptr_t lastTimerId = 0;
  bool quit = false;
  // The display connection is gone: nothing may draw or show a box.
  bool displayLost = false;
  Press press;
  Drag drag = Drag::kNone;
  // A context menu the release of that press asked for, opened once the
  // press has been handled.
  bool popupAfterPress = false;
  int popupX = 0, popupY = 0;
  // Open modal dialogs and menu, closed when the program quits.
  std::vector<GtkWidget*> dialogs;
  GtkWidget* menu = nullptr;
};

State& TheState();
WindowRecord* FindWindow(HWND window);
WindowRecord* FindWidget(GtkWidget* widget);
// The handle of a window's record; nullptr for a record no longer kept.
HWND HandleOf(const WindowRecord& record);
// Initialises GTK on first use (tests and programs that did not call
// OpenDisplay); false when no display can be opened.
bool EnsureGtk();

// Event handlers of a form window (windows.cpp, input.cpp, presentation.cpp).
void ConnectInput(GtkWidget* widget);
gboolean DrawFrame(GtkWidget* widget, cairo_t* cr, gpointer);
// Paints what the window shows, the last frame at its constant opacity, over
// whatever `cr` held.
void PaintFrame(cairo_t* cr, const WindowRecord* record);
// Reapplies the input (and, without a compositor, the visible) shape.
void ApplyShape(WindowRecord& record);
void MoveWidget(WindowRecord& record, int left, int top);
// The GTK menu showing the items, check marks and radio marks of `menu`;
// activating an item records it as the choice of TrackPopupMenu.
GtkWidget* BuildContextMenu(TPopupMenu& menu);
// Whether the last frame shows a pixel that is not fully transparent at the
// screen point.
bool HitsPicture(const WindowRecord& record, int screenX, int screenY);
// Runs a dialog modally, centred and above other windows, until it is
// answered or the program quits, then destroys it.
void RunDialog(GtkWidget* dialog);

}  // namespace plat::gtk
