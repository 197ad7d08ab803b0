// A form window as a top-level window that a window manager frames, places
// and moves: on X11, natively or through a Wayland compositor's X server;
// also a plain Wayland window where GDK_BACKEND=wayland asks for one on a
// compositor without layer-shell, which then places it as it likes.
// The platform's types first: GLib defines TRUE and FALSE as macros.
#include "platform/gtk/input_mapping.h"
#include "platform/gtk/sight.h"
#include "platform/gtk/window_place.h"
#include "platform/gtk/window_system.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace plat::gtk {

namespace {

// KWin lists a window in its task switcher unless a state of its own says
// not to, which the toolkit does not know. It is asked for as EWMH asks
// for a state change of a mapped window; other window managers ignore it.
void AskSkipSwitcher(const WindowRecord& record) {
  GdkWindow* window = gtk_widget_get_window(record.widget);
  if (window == nullptr || !GDK_IS_X11_WINDOW(window) || !gdk_window_is_visible(window)) return;
  GdkDisplay* display = gdk_window_get_display(window);
  XClientMessageEvent message{};
  message.type = ClientMessage;
  message.window = GDK_WINDOW_XID(window);
  message.message_type = gdk_x11_get_xatom_by_name_for_display(display, "_NET_WM_STATE");
  message.format = 32;
  message.data.l[0] = record.skipTaskbar ? 1 : 0;  // add or remove
  message.data.l[1] = static_cast<long>(gdk_x11_get_xatom_by_name_for_display(display, "_KDE_NET_WM_STATE_SKIP_SWITCHER"));
  message.data.l[3] = 1;  // asked by an application
  Display* x = GDK_DISPLAY_XDISPLAY(display);
  XSendEvent(x, DefaultRootWindow(x), False, SubstructureRedirectMask | SubstructureNotifyMask,
             reinterpret_cast<XEvent*>(&message));
}

// The coordinates a configure event carries may be stale (see
// window_place.cpp); the server is asked instead.
gboolean OnConfigure(GtkWidget* widget, GdkEventConfigure*, gpointer) {
  if (WindowRecord* record = FindWidget(widget)) RefreshPlace(*record);
  return FALSE;
}

gboolean OnMapped(GtkWidget* widget, GdkEvent*, gpointer) {
  if (WindowRecord* record = FindWidget(widget)) {
    RefreshPlace(*record);
    AskSkipSwitcher(*record);
  }
  return FALSE;
}

void Prepare(WindowRecord& record) {
  g_signal_connect(record.widget, "configure-event", G_CALLBACK(OnConfigure), nullptr);
  g_signal_connect(record.widget, "map-event", G_CALLBACK(OnMapped), nullptr);
}

void Move(WindowRecord& record) { gtk_window_move(GTK_WINDOW(record.widget), record.left, record.top); }

void Stack(WindowRecord& record) { gtk_window_set_keep_above(GTK_WINDOW(record.widget), record.topmost); }

void Listing(WindowRecord& record) {
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(record.widget), record.skipTaskbar);
  gtk_window_set_skip_pager_hint(GTK_WINDOW(record.widget), record.skipTaskbar);
  AskSkipSwitcher(record);
}

void Shown(WindowRecord& record) {
  WatchPlace(record);
  WatchSight(record);
}

bool MovesWithButton(const WindowRecord& record, guint button) {
  GdkScreen* screen = gtk_widget_get_screen(record.widget);
  return !GDK_IS_X11_SCREEN(screen) || ManagerMoveFollows(gdk_x11_screen_get_window_manager_name(screen), button);
}

POINT PointerOnScreen(double, double, double xRoot, double yRoot) {
  return POINT{static_cast<LONG>(xRoot), static_cast<LONG>(yRoot)};
}

}  // namespace

const WindowSystem kToplevelWindows{Prepare, Move, Stack, Listing, Shown, MovesWithButton, PointerOnScreen};

}  // namespace plat::gtk
