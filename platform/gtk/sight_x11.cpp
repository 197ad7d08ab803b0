// What the X server and the window manager say about whether a form window
// can be seen: the screen saver, the window's own state and workspace, and
// an active full-screen window over its monitor. The root window's
// properties and the active window's are watched, never polled.
#include "platform/gtk/sight.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <gdk/gdkx.h>

#include <vector>

#include "platform/monitor_cover.h"

namespace plat::gtk {

namespace {

struct Watch {
  Display* display = nullptr;
  GdkDisplay* gdkDisplay = nullptr;
  ::Window root = None;
  int saverEvents = -1;  // the screen-saver extension's first event, if any
  Atom activeWindow = None, wmState = None, fullScreen = None, currentDesktop = None, wmDesktop = None,
       saverStatus = None;
  // The active window, when it belongs to another client, and whether it is
  // full-screen, with its bounds.
  ::Window active = None;
  bool activeFullScreen = false;
  RECT activeBounds{0, 0, 0, 0};
};
Watch watch;

::Window XidOf(const WindowRecord& record) {
  if (record.widget == nullptr) return None;
  GdkWindow* window = gtk_widget_get_window(record.widget);
  return window != nullptr && GDK_IS_X11_WINDOW(window) ? GDK_WINDOW_XID(window) : None;
}

template <class Visit>
void ForEachForm(Visit visit) {
  for (auto& [handle, record] : TheState().windows) {
    if (record->form != nullptr && XidOf(*record) != None) visit(*record);
  }
}

// The first `count` 32-bit items of a window property, or none when it is
// missing or of another type.
std::vector<unsigned long> Property(::Window window, Atom name, Atom type, long count) {
  Atom actualType = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> values;
  gdk_x11_display_error_trap_push(watch.gdkDisplay);
  const int status = XGetWindowProperty(watch.display, window, name, 0, count, False, type, &actualType, &format,
                                        &items, &after, &data);
  gdk_x11_display_error_trap_pop_ignored(watch.gdkDisplay);
  if (status == Success && data != nullptr && actualType == type && format == 32) {
    const auto* longs = reinterpret_cast<const unsigned long*>(data);
    values.assign(longs, longs + items);
  }
  if (data != nullptr) XFree(data);
  return values;
}

std::vector<RECT> Monitors() {
  std::vector<RECT> monitors;
  for (int i = 0; i < gdk_display_get_n_monitors(watch.gdkDisplay); ++i) {
    GdkMonitor* monitor = gdk_display_get_monitor(watch.gdkDisplay, i);
    GdkRectangle area;
    gdk_monitor_get_geometry(monitor, &area);
    // The X server's pixels, which the window bounds are in.
    const int scale = gdk_monitor_get_scale_factor(monitor);
    monitors.push_back(RECT{area.x * scale, area.y * scale, (area.x + area.width) * scale,
                            (area.y + area.height) * scale});
  }
  return monitors;
}

void CheckCover(WindowRecord& record) {
  const RECT bounds{record.left, record.top, record.left + record.width, record.top + record.height};
  record.form->NativeHiddenBy(kFullScreen,
                              watch.activeFullScreen && CoversMonitorOf(watch.activeBounds, bounds, Monitors()));
}

// Learns whether the active window is full-screen, and where it stands.
void ReadActiveState() {
  watch.activeFullScreen = false;
  if (watch.active == None) return;
  bool full = false;
  for (unsigned long state : Property(watch.active, watch.wmState, XA_ATOM, 64)) full = full || state == watch.fullScreen;
  if (!full) return;
  XWindowAttributes attributes{};
  int x = 0, y = 0;
  ::Window child = None;
  gdk_x11_display_error_trap_push(watch.gdkDisplay);
  const bool known = XGetWindowAttributes(watch.display, watch.active, &attributes) &&
                     XTranslateCoordinates(watch.display, watch.active, watch.root, 0, 0, &x, &y, &child);
  gdk_x11_display_error_trap_pop_ignored(watch.gdkDisplay);
  if (!known || attributes.map_state != IsViewable) return;
  watch.activeFullScreen = true;
  watch.activeBounds = RECT{x, y, x + attributes.width, y + attributes.height};
}

// Follows the root's active window: its state and moves are asked for,
// unless the window is one of ours (whose events the toolkit selects).
void FollowActiveWindow() {
  const std::vector<unsigned long> active = Property(watch.root, watch.activeWindow, XA_WINDOW, 1);
  ::Window now = active.empty() ? None : static_cast<::Window>(active[0]);
  if (now != None && gdk_x11_window_lookup_for_display(watch.gdkDisplay, now) != nullptr) now = None;
  gdk_x11_display_error_trap_push(watch.gdkDisplay);
  if (watch.active != None && watch.active != now) XSelectInput(watch.display, watch.active, NoEventMask);
  // Asked for again each time: the id may be a new window's, the one a
  // window manager left behind having gone.
  if (now != None) XSelectInput(watch.display, now, PropertyChangeMask | StructureNotifyMask);
  gdk_x11_display_error_trap_pop_ignored(watch.gdkDisplay);
  watch.active = now;
  ReadActiveState();
  ForEachForm(CheckCover);
}

void CheckDesktop(WindowRecord& record) {
  const std::vector<unsigned long> current = Property(watch.root, watch.currentDesktop, XA_CARDINAL, 1);
  const std::vector<unsigned long> own = Property(XidOf(record), watch.wmDesktop, XA_CARDINAL, 1);
  constexpr unsigned long kAllDesktops = 0xFFFFFFFF;
  record.form->NativeHiddenBy(kOtherDesktop, !current.empty() && !own.empty() && (own[0] & 0xFFFFFFFF) != kAllDesktops &&
                                                 own[0] != current[0]);
}

// xscreensaver keeps its state in a root property: 0 first while the screen
// shows, the atom of BLANK or LOCK while it does not.
void CheckSaverProperty() {
  const std::vector<unsigned long> status = Property(watch.root, watch.saverStatus, XA_INTEGER, 1);
  const bool blanked = !status.empty() && status[0] != 0;
  ForEachForm([&](WindowRecord& record) { record.form->NativeHiddenBy(kSaverProperty, blanked); });
}

void SetSaverExtension(bool on) {
  ForEachForm([&](WindowRecord& record) { record.form->NativeHiddenBy(kSaverExtension, on); });
}

GdkFilterReturn OnXEvent(GdkXEvent* native, GdkEvent*, gpointer) {
  const XEvent& event = *static_cast<XEvent*>(native);
  if (watch.saverEvents >= 0 && event.type == watch.saverEvents + ScreenSaverNotify) {
    const auto& saver = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
    SetSaverExtension(saver.state != ScreenSaverOff);
  } else if (event.type == PropertyNotify) {
    const XPropertyEvent& property = event.xproperty;
    if (property.window == watch.root) {
      if (property.atom == watch.activeWindow) FollowActiveWindow();
      if (property.atom == watch.currentDesktop) ForEachForm(CheckDesktop);
      if (property.atom == watch.saverStatus) CheckSaverProperty();
    } else if (property.window == watch.active && property.atom == watch.wmState) {
      ReadActiveState();
      ForEachForm(CheckCover);
    } else if (property.atom == watch.wmDesktop) {
      ForEachForm([&](WindowRecord& record) {
        if (XidOf(record) == property.window) CheckDesktop(record);
      });
    }
  } else if ((event.type == DestroyNotify || event.type == UnmapNotify || event.type == MapNotify) &&
             event.xany.window == watch.active) {
    // A window manager may leave a closed window as the active one.
    if (event.type == DestroyNotify) watch.active = None;
    ReadActiveState();
    ForEachForm(CheckCover);
  } else if (event.type == ConfigureNotify && watch.active != None) {
    // The active window moved, or (through its frame) a form window did.
    if (event.xconfigure.window == watch.active) ReadActiveState();
    if (watch.activeFullScreen || event.xconfigure.window == watch.active) ForEachForm(CheckCover);
  }
  return GDK_FILTER_CONTINUE;
}

// The first form window starts the watch of the root window.
bool StartWatch(GdkWindow* window) {
  if (watch.display != nullptr) return true;
  watch.gdkDisplay = gdk_window_get_display(window);
  watch.display = GDK_DISPLAY_XDISPLAY(watch.gdkDisplay);
  watch.root = DefaultRootWindow(watch.display);
  const auto atom = [](const char* name) { return XInternAtom(watch.display, name, False); };
  watch.activeWindow = atom("_NET_ACTIVE_WINDOW");
  watch.wmState = atom("_NET_WM_STATE");
  watch.fullScreen = atom("_NET_WM_STATE_FULLSCREEN");
  watch.currentDesktop = atom("_NET_CURRENT_DESKTOP");
  watch.wmDesktop = atom("_NET_WM_DESKTOP");
  watch.saverStatus = atom("_SCREENSAVER_STATUS");
  gdk_x11_display_error_trap_push(watch.gdkDisplay);
  XWindowAttributes root{};
  if (XGetWindowAttributes(watch.display, watch.root, &root)) {
    XSelectInput(watch.display, watch.root, root.your_event_mask | PropertyChangeMask);
  }
  int errors = 0;
  if (XScreenSaverQueryExtension(watch.display, &watch.saverEvents, &errors)) {
    XScreenSaverSelectInput(watch.display, watch.root, ScreenSaverNotifyMask);
  } else {
    watch.saverEvents = -1;
  }
  gdk_x11_display_error_trap_pop_ignored(watch.gdkDisplay);
  gdk_window_add_filter(nullptr, OnXEvent, nullptr);
  return true;
}

}  // namespace

void WatchSight(WindowRecord& record) {
  if (record.widget == nullptr || record.form == nullptr) return;
  WatchToolkitSight(record);
  GdkWindow* window = gtk_widget_get_window(record.widget);
  if (window == nullptr || !GDK_IS_X11_WINDOW(window) || !StartWatch(window)) return;
  if (watch.saverEvents >= 0) {
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    gdk_x11_display_error_trap_push(watch.gdkDisplay);
    if (info != nullptr && XScreenSaverQueryInfo(watch.display, watch.root, info)) {
      record.form->NativeHiddenBy(kSaverExtension, info->state == ScreenSaverOn);
    }
    gdk_x11_display_error_trap_pop_ignored(watch.gdkDisplay);
    if (info != nullptr) XFree(info);
  }
  CheckSaverProperty();
  CheckDesktop(record);
  FollowActiveWindow();
}

}  // namespace plat::gtk
