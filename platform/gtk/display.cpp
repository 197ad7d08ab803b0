// The display: opening it, the primary monitor's measures, and the signals
// that ask the program to close.
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/gtk/gtk_platform.h"
#include "platform/gtk/gtk_state.h"
#include "platform/gtk/session.h"
#include "platform/gtk/sight.h"
#include "platform/gtk/wayland_session.h"
#include "platform/window.h"

#include <glib-unix.h>

namespace plat::gtk {

namespace {

bool opened = false;

// A termination request (the session ending, kill, Ctrl+C in a terminal)
// saves the settings as the Exit command would, and always ends the
// program: a failed save is told on standard error and in the exit status.
gboolean OnTerminationSignal(gpointer) {
  if (Application().Terminated()) return G_SOURCE_CONTINUE;
  if (TForm* form = Application().MainForm()) form->NativeEndRequest();
  Application().Terminate();
  return G_SOURCE_CONTINUE;
}

void Opened() {
  opened = true;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) g_unix_signal_add(signal, OnTerminationSignal, nullptr);
  JoinSession();
  WatchCompositorConnection();
  WatchSessionBuses();
}

// Placing the window where the user left it needs a Wayland compositor
// with layer-shell, or else X11, natively or through a Wayland
// compositor's X server; a backend the user chose with GDK_BACKEND is
// taken as chosen.
void AllowBackends() {
  const char* chosen = std::getenv("GDK_BACKEND");
  if (chosen == nullptr || *chosen == '\0') gdk_set_allowed_backends(CompositorOffersLayerShell() ? "wayland" : "x11");
  // Nothing here draws with OpenGL: without this the toolkit loads it to
  // choose its visuals, which on a display without a GPU means a software
  // renderer of some 60 MB.
  g_setenv("GDK_GL", "disable", FALSE);
}

GdkMonitor* PrimaryMonitor() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return nullptr;
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  return monitor != nullptr ? monitor : gdk_display_get_monitor(display, 0);
}

}  // namespace

bool OpenDisplay(int& argc, char**& argv) {
  if (opened) return true;
  AllowBackends();
  if (!gtk_init_check(&argc, &argv)) {
    const char* program = argc > 0 ? argv[0] : "fenwillow";
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
      std::fprintf(stderr,
                   "%s: no X server to show the window on (DISPLAY is not set); on Wayland it needs a "
                   "compositor with layer-shell, or the compositor's X server, Xwayland, to place its window\n",
                   program);
    } else {
      std::fprintf(stderr, "%s: cannot open the display %s\n", program, display);
    }
    return false;
  }
  Opened();
  return true;
}

bool EnsureGtk() {
  if (opened) return true;
  AllowBackends();
  if (!gtk_init_check(nullptr, nullptr)) return false;
  Opened();
  return true;
}

}  // namespace plat::gtk

namespace plat {

int GetSystemMetrics(int index) {
  if (!gtk::EnsureGtk()) return 0;
  GdkMonitor* monitor = gtk::PrimaryMonitor();
  if (monitor == nullptr) return 0;
  GdkRectangle geometry;
  gdk_monitor_get_geometry(monitor, &geometry);
  if (index == SM_CXSCREEN) return geometry.width;
  if (index == SM_CYSCREEN) return geometry.height;
  return 0;
}

BOOL EnumDisplayMonitors(HDC, const RECT*, MONITORENUMPROC callback, LPARAM data) {
  if (callback == nullptr || !gtk::EnsureGtk()) return FALSE;
  GdkDisplay* display = gdk_display_get_default();
  const int count = gdk_display_get_n_monitors(display);
  for (int i = 0; i < count; ++i) {
    GdkRectangle geometry;
    gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &geometry);
    RECT bounds{geometry.x, geometry.y, geometry.x + geometry.width, geometry.y + geometry.height};
    if (!callback(reinterpret_cast<HMONITOR>(static_cast<std::intptr_t>(i + 1)), nullptr, &bounds, data)) break;
  }
  return TRUE;
}

BOOL SystemParametersInfoA(UINT action, UINT, void* value, UINT) {
  if (action != SPI_GETWORKAREA || value == nullptr || !gtk::EnsureGtk()) return FALSE;
  GdkMonitor* monitor = gtk::PrimaryMonitor();
  if (monitor == nullptr) return FALSE;
  GdkRectangle area;
  gdk_monitor_get_workarea(monitor, &area);
  *static_cast<RECT*>(value) = RECT{area.x, area.y, area.x + area.width, area.y + area.height};
  return TRUE;
}

}  // namespace plat
