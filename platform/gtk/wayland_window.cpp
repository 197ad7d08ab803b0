// A form window as a layer surface of a Wayland compositor that has the
// layer-shell protocol (sway and the other wlroots compositors, KWin, ...):
// anchored at the top-left corner of an output with margins giving the
// place, on the top layer while it keeps above other windows and on the
// bottom one (over the desktop, under the windows) while not. It has no
// taskbar or switcher entry, takes the keyboard only when clicked (for the
// Menu key), and stands on the output that holds most of it.
//
// Compositors never move a layer surface; the program does, so the place
// it asks for is the place the window has. During the program's drag the
// window itself stays where the button was pressed and shows nothing: it
// keeps the press's hold of the pointer, and its motion events count from
// a place that does not change (compositors differ in where a surface
// moved under a held button counts from). A second surface, the follower,
// which takes no input, shows the frames at the place the drag has
// reached, on whichever output holds most of it; at the release the window
// takes that place and the follower goes.
#include <algorithm>
#include <vector>

// The platform's types first: GLib defines TRUE and FALSE as macros.
#include "platform/gtk/sight.h"
#include "platform/gtk/window_system.h"
#include "platform/monitor_cover.h"

#include <gdk/gdkwayland.h>
#include <gtk-layer-shell/gtk-layer-shell.h>

namespace plat::gtk {

namespace {

// The output that holds most of the window; else the first one.
GdkMonitor* OutputFor(const WindowRecord& record) {
  GdkDisplay* display = gtk_widget_get_display(record.widget);
  std::vector<RECT> outputs;
  for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
    GdkRectangle area;
    gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &area);
    outputs.push_back(RECT{area.x, area.y, area.x + area.width, area.y + area.height});
  }
  const RECT window{record.left, record.top, record.left + record.width, record.top + record.height};
  if (outputs.empty()) return nullptr;
  return gdk_display_get_monitor(display, std::max(MonitorOf(window, outputs), 0));
}

void SetLayer(GtkWidget* widget, const WindowRecord& record) {
  gtk_layer_set_layer(GTK_WINDOW(widget), record.topmost ? GTK_LAYER_SHELL_LAYER_TOP : GTK_LAYER_SHELL_LAYER_BOTTOM);
}

void MakeLayerSurface(GtkWidget* widget, const WindowRecord& record) {
  GtkWindow* window = GTK_WINDOW(widget);
  gtk_layer_init_for_window(window);
  gtk_layer_set_namespace(window, "fenwillow");
  gtk_layer_set_anchor(window, GTK_LAYER_SHELL_EDGE_TOP, TRUE);
  gtk_layer_set_anchor(window, GTK_LAYER_SHELL_EDGE_LEFT, TRUE);
  // Margins count from the output's edges, whatever panels keep for
  // themselves.
  gtk_layer_set_exclusive_zone(window, -1);
  SetLayer(widget, record);
}

void TakeNoInput(GtkWidget* widget) {
  cairo_region_t* nothing = cairo_region_create();
  gtk_widget_input_shape_combine_region(widget, nothing);
  cairo_region_destroy(nothing);
}

// Puts the surface at the record's place, on the output holding most of it.
void PlaceSurface(GtkWidget* widget, WindowRecord& record) {
  GtkWindow* window = GTK_WINDOW(widget);
  GdkMonitor* output = OutputFor(record);
  if (output == nullptr) return;
  if (output != gtk_layer_get_monitor(window)) {
    gtk_layer_set_monitor(window, output);
    // The surface is made anew there, and the toolkit gives the new one
    // only an input shape it is given again.
    if (widget == record.widget) {
      ApplyShape(record);
    } else {
      TakeNoInput(widget);
    }
  }
  GdkRectangle area;
  gdk_monitor_get_geometry(output, &area);
  gtk_layer_set_margin(window, GTK_LAYER_SHELL_EDGE_LEFT, record.left - area.x);
  gtk_layer_set_margin(window, GTK_LAYER_SHELL_EDGE_TOP, record.top - area.y);
}

gboolean DrawFollower(GtkWidget*, cairo_t* cr, gpointer window) {
  PaintFrame(cr, FindWindow(static_cast<HWND>(window)));
  return TRUE;
}

void ShowFollower(WindowRecord& record) {
  if (record.follower == nullptr) {
    GtkWidget* follower = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_set_app_paintable(follower, TRUE);
    if (GdkVisual* rgba = gdk_screen_get_rgba_visual(gtk_widget_get_screen(follower))) {
      gtk_widget_set_visual(follower, rgba);
    }
    MakeLayerSurface(follower, record);
    TakeNoInput(follower);
    g_signal_connect(follower, "draw", G_CALLBACK(DrawFollower), HandleOf(record));
    record.follower = follower;
  }
  gtk_widget_set_size_request(record.follower, record.width, record.height);
  SetLayer(record.follower, record);
  PlaceSurface(record.follower, record);
  if (!record.blank) {
    gtk_widget_show(record.follower);
    record.blank = true;
    gtk_widget_queue_draw(record.widget);
  }
}

void Prepare(WindowRecord& record) {
  MakeLayerSurface(record.widget, record);
  // Before version 4 a layer surface takes the keyboard from every window
  // or never: then never, and the Menu key does not reach it.
  if (gtk_layer_get_protocol_version() >= 4) {
    gtk_layer_set_keyboard_mode(GTK_WINDOW(record.widget), GTK_LAYER_SHELL_KEYBOARD_MODE_ON_DEMAND);
  }
}

void Move(WindowRecord& record) {
  const State& state = TheState();
  if (state.drag == Drag::kProgramMove && state.press.window == HandleOf(record)) {
    ShowFollower(record);
    return;
  }
  PlaceSurface(record.widget, record);
  if (record.blank) {
    record.blank = false;
    gtk_widget_hide(record.follower);
    gtk_widget_queue_draw(record.widget);
  }
}

void Stack(WindowRecord& record) {
  SetLayer(record.widget, record);
  if (record.follower != nullptr) SetLayer(record.follower, record);
}

// A layer surface is never listed.
void Listing(WindowRecord&) {}

void Shown(WindowRecord& record) { WatchToolkitSight(record); }

bool MovesWithButton(const WindowRecord&, guint) { return false; }

// The window has not moved since the press; its events have no screen
// coordinates.
POINT PointerOnScreen(double x, double y, double, double) {
  const Press& press = TheState().press;
  return POINT{press.left + static_cast<LONG>(x), press.top + static_cast<LONG>(y)};
}

}  // namespace

const WindowSystem kLayerSurfaces{Prepare, Move, Stack, Listing, Shown, MovesWithButton, PointerOnScreen};

const WindowSystem& TheWindowSystem() {
  static const WindowSystem* chosen = nullptr;
  if (chosen != nullptr) return *chosen;
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return kToplevelWindows;
  chosen = GDK_IS_WAYLAND_DISPLAY(display) && gtk_layer_is_supported() ? &kLayerSurfaces : &kToplevelWindows;
  return *chosen;
}

}  // namespace plat::gtk
