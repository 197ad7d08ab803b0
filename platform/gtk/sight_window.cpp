// What the toolkit says about whether a form window can be seen, on any
// window system: the window left the screen, or was iconified.
#include "platform/gtk/sight.h"

namespace plat::gtk {

namespace {

gboolean OnMapChange(GtkWidget* widget, GdkEvent* event, gpointer) {
  if (WindowRecord* record = FindWidget(widget)) record->form->NativeHiddenBy(kUnmapped, event->type == GDK_UNMAP);
  return FALSE;
}

gboolean OnWindowState(GtkWidget* widget, GdkEventWindowState* event, gpointer) {
  if (WindowRecord* record = FindWidget(widget)) {
    record->form->NativeHiddenBy(kIconified, (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0);
  }
  return FALSE;
}

}  // namespace

void WatchToolkitSight(WindowRecord& record) {
  if (record.widget == nullptr || record.form == nullptr) return;
  g_signal_connect(record.widget, "map-event", G_CALLBACK(OnMapChange), nullptr);
  g_signal_connect(record.widget, "unmap-event", G_CALLBACK(OnMapChange), nullptr);
  g_signal_connect(record.widget, "window-state-event", G_CALLBACK(OnWindowState), nullptr);
  record.form->NativeHiddenBy(BusHiddenBy(), true);
}

}  // namespace plat::gtk
