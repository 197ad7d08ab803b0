// Mouse and keyboard input of a form window, and the move drag it starts.
//
// Any button press reaches the form's mouse-down handler, which asks for
// the system move. The left and middle buttons hand the move to the window
// manager at once. A right press must still be able to open the context
// menu on its release, so it becomes a move only once the pointer travels
// past the drag threshold with the button held.
#include "platform/gtk/gtk_state.h"
#include "platform/gtk/input_mapping.h"
#include "platform/window.h"

namespace plat::gtk {

namespace {

constexpr guint kRightButton = 3;

void BeginMove(WindowRecord& record, guint button, double xRoot, double yRoot, guint32 time) {
  if (record.widget == nullptr) return;
  gtk_window_begin_move_drag(GTK_WINDOW(record.widget), static_cast<gint>(button), static_cast<gint>(xRoot),
                             static_cast<gint>(yRoot), time);
}

void OpenContextMenu(WindowRecord& record, int screenX, int screenY) {
  if (record.form != nullptr) record.form->NativeContextPopup(screenX, screenY);
}

gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer) {
  // The extra double- and triple-click events follow a plain press that
  // was already delivered.
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  WindowRecord* record = FindWidget(widget);
  if (record == nullptr || record->form == nullptr) return TRUE;
  State& state = TheState();
  state.press = Press{true, event->button, event->x_root, event->y_root, event->time, nullptr};
  for (auto& [handle, candidate] : state.windows) {
    if (candidate.get() == record) state.press.window = handle;
  }
  state.popupAfterPress = false;
  record->form->NativeMouseDown(MouseButtonOf(event->button), ShiftStateOf(event->state, event->button),
                                static_cast<int>(event->x), static_cast<int>(event->y));
  state.press.held = false;
  // The release came while the press was still being handled.
  if (state.popupAfterPress) {
    state.popupAfterPress = false;
    if ((record = FindWidget(widget)) != nullptr) OpenContextMenu(*record, state.popupX, state.popupY);
  }
  return TRUE;
}

gboolean OnButtonRelease(GtkWidget* widget, GdkEventButton* event, gpointer) {
  State& state = TheState();
  if (state.awaitingDrag && event->button == state.press.button) state.awaitingDrag = false;
  if (event->button != kRightButton) return TRUE;
  WindowRecord* record = FindWidget(widget);
  const int x = static_cast<int>(event->x_root), y = static_cast<int>(event->y_root);
  if (record == nullptr || !HitsPicture(*record, x, y)) return TRUE;
  if (state.press.held) {
    state.popupAfterPress = true;
    state.popupX = x;
    state.popupY = y;
  } else {
    OpenContextMenu(*record, x, y);
  }
  return TRUE;
}

gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer) {
  State& state = TheState();
  if (!state.awaitingDrag) return FALSE;
  const Press& press = state.press;
  if (!gtk_drag_check_threshold(widget, static_cast<gint>(press.xRoot), static_cast<gint>(press.yRoot),
                                static_cast<gint>(event->x_root), static_cast<gint>(event->y_root))) {
    return TRUE;
  }
  state.awaitingDrag = false;
  // From the pressed point, so the window catches up with the pointer.
  if (WindowRecord* record = FindWidget(widget)) BeginMove(*record, press.button, press.xRoot, press.yRoot, event->time);
  return TRUE;
}

// The keyboard's menu key (or Shift+F10) opens the menu at the window's
// top-left corner.
gboolean OnPopupMenuKey(GtkWidget* widget, gpointer) {
  if (WindowRecord* record = FindWidget(widget)) {
    if (record->form != nullptr) record->form->NativeContextPopup(record->form->Left(), record->form->Top());
  }
  return TRUE;
}

// Whether the right button is still down; a release that went elsewhere
// (another client took the pointer) must not leave the press waiting.
bool RightButtonHeld(GtkWidget* widget) {
  GdkWindow* window = gtk_widget_get_window(widget);
  GdkDisplay* display = gtk_widget_get_display(widget);
  if (window == nullptr) return false;
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
  GdkModifierType mask;
  gdk_window_get_device_position(window, pointer, nullptr, nullptr, &mask);
  return (mask & GDK_BUTTON3_MASK) != 0;
}

}  // namespace

void ConnectInput(GtkWidget* widget) {
  gtk_widget_add_events(widget, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_BUTTON_MOTION_MASK |
                                    GDK_KEY_PRESS_MASK);
  gtk_widget_set_can_focus(widget, TRUE);
  g_signal_connect(widget, "button-press-event", G_CALLBACK(OnButtonPress), nullptr);
  g_signal_connect(widget, "button-release-event", G_CALLBACK(OnButtonRelease), nullptr);
  g_signal_connect(widget, "motion-notify-event", G_CALLBACK(OnMotion), nullptr);
  g_signal_connect(widget, "popup-menu", G_CALLBACK(OnPopupMenuKey), nullptr);
}

}  // namespace plat::gtk

namespace plat {

// The window manager takes the pointer over when the move begins.
BOOL ReleaseCapture() { return TRUE; }

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_SYSCOMMAND || wParam != SC_DRAGMOVE) return 0;
  gtk::State& state = gtk::TheState();
  gtk::WindowRecord* record = gtk::FindWindow(window);
  // A move needs the press that is being handled, on this window.
  if (record == nullptr || record->widget == nullptr || !state.press.held || state.press.window != window) return 0;
  const gtk::Press press = state.press;
  if (press.button != gtk::kRightButton) {
    gtk::BeginMove(*record, press.button, press.xRoot, press.yRoot, press.time);
    return 0;
  }
  // Timers and other events keep running while the press waits.
  state.awaitingDrag = true;
  GtkWidget* widget = record->widget;
  while (state.awaitingDrag && !state.quit && gtk::FindWidget(widget) != nullptr) {
    gtk_main_iteration();
    if (state.awaitingDrag && !gtk::RightButtonHeld(widget)) state.awaitingDrag = false;
  }
  state.awaitingDrag = false;
  return 0;
}

}  // namespace plat
