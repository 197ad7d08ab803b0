// Where a form window really stands on the screen.
//
// A window manager reparents a top-level window into a frame and then puts
// the frame in place. The ConfigureNotify the window gets when it enters
// the frame is translated to screen coordinates when it is read; if that
// happens before the frame has moved, it tells of the frame's old place,
// and the frame's move itself sends the window nothing. So the window's
// ancestors are watched as well, and every event that may have moved the
// window asks the server where the window stands now: the last answer is
// always the true place.
//
// A window manager that replaces another (kwin_x11 --replace) finds the
// window where the one leaving put it, which need not be where it stood.
// The program watches who owns the window manager's selection: when that
// changes, it keeps the place the window had, and asks the new manager for
// it once that takes the window over, so that the place kept and saved is
// the one the user chose.
#include "platform/gtk/window_place.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <gdk/gdkx.h>

#include <string>

namespace plat::gtk {

namespace {

Display* XDisplayOf(GtkWidget* widget) { return GDK_DISPLAY_XDISPLAY(gtk_widget_get_display(widget)); }

// The X window of a realized form window, or None.
::Window XidOf(const WindowRecord& record) {
  if (record.widget == nullptr) return None;
  GdkWindow* window = gtk_widget_get_window(record.widget);
  return window != nullptr && GDK_IS_X11_WINDOW(window) ? GDK_WINDOW_XID(window) : None;
}

// Asks for the moves of every ancestor up to the root, so that a frame's
// move (and a further reparenting) reaches the filter.
void WatchAncestors(Display* display, ::Window window) {
  for (;;) {
    ::Window root = None, parent = None, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
    if (children != nullptr) XFree(children);
    if (parent == None || parent == root) return;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, parent, &attributes)) return;
    XSelectInput(display, parent, attributes.your_event_mask | StructureNotifyMask);
    window = parent;
  }
}

// Whether `ancestor` lies above `window` in the window tree.
bool IsAncestor(Display* display, ::Window ancestor, ::Window window) {
  while (window != None) {
    ::Window root = None, parent = None, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
    if (children != nullptr) XFree(children);
    if (parent == ancestor) return true;
    if (parent == root) return false;
    window = parent;
  }
  return false;
}

int selectionEvents = -1;  // XFixes' first event, if the server has it

GdkFilterReturn OnXEvent(GdkXEvent* native, GdkEvent*, gpointer) {
  const XEvent& event = *static_cast<XEvent*>(native);
  if (selectionEvents >= 0 && event.type == selectionEvents + XFixesSelectionNotify) {
    for (auto& [handle, record] : TheState().windows) {
      if (!record->managerChanging) record->kept = POINT{record->left, record->top};
      record->managerChanging = true;
    }
    return GDK_FILTER_CONTINUE;
  }
  if (event.type != ConfigureNotify && event.type != ReparentNotify) return GDK_FILTER_CONTINUE;
  const ::Window moved = event.type == ConfigureNotify ? event.xconfigure.window : event.xreparent.window;
  for (auto& [handle, record] : TheState().windows) {
    const ::Window xid = XidOf(*record);
    if (xid == None || record->form == nullptr) continue;
    Display* display = XDisplayOf(record->widget);
    gdk_x11_display_error_trap_push(gtk_widget_get_display(record->widget));
    const bool ours = moved == xid;
    if (ours || IsAncestor(display, moved, xid)) {
      if (event.type == ReparentNotify) WatchAncestors(display, xid);
      if (ours && event.type == ReparentNotify && record->managerChanging &&
          event.xreparent.parent != DefaultRootWindow(display)) {
        // Taken over by the new window manager.
        record->managerChanging = false;
        MoveWidget(*record, record->kept.x, record->kept.y);
        record->form->NativeMoved(record->kept.x, record->kept.y);
      } else {
        RefreshPlace(*record);
      }
    }
    gdk_x11_display_error_trap_pop_ignored(gtk_widget_get_display(record->widget));
  }
  return GDK_FILTER_CONTINUE;
}

}  // namespace

void WatchPlace(WindowRecord& record) {
  static bool filtering = false;
  const ::Window xid = XidOf(record);
  if (!filtering && xid != None) {
    gdk_window_add_filter(nullptr, OnXEvent, nullptr);
    filtering = true;
    Display* x = XDisplayOf(record.widget);
    int errors = 0;
    if (XFixesQueryExtension(x, &selectionEvents, &errors)) {
      const std::string name = "WM_S" + std::to_string(DefaultScreen(x));
      XFixesSelectSelectionInput(x, DefaultRootWindow(x), XInternAtom(x, name.c_str(), False),
                                 XFixesSetSelectionOwnerNotifyMask);
    } else {
      selectionEvents = -1;
    }
  }
  if (xid == None) return;
  GdkDisplay* display = gtk_widget_get_display(record.widget);
  gdk_x11_display_error_trap_push(display);
  WatchAncestors(XDisplayOf(record.widget), xid);
  gdk_x11_display_error_trap_pop_ignored(display);
}

void RefreshPlace(WindowRecord& record) {
  const ::Window xid = XidOf(record);
  if (xid == None || !gtk_widget_get_mapped(record.widget)) return;
  Display* display = XDisplayOf(record.widget);
  GdkDisplay* gdkDisplay = gtk_widget_get_display(record.widget);
  int x = 0, y = 0;
  ::Window child = None;
  gdk_x11_display_error_trap_push(gdkDisplay);
  const bool known = XTranslateCoordinates(display, xid, DefaultRootWindow(display), 0, 0, &x, &y, &child) != 0;
  if (gdk_x11_display_error_trap_pop(gdkDisplay) != 0 || !known) return;
  if (x == record.left && y == record.top) return;
  record.left = x;
  record.top = y;
  record.form->NativeMoved(x, y);
}

}  // namespace plat::gtk
