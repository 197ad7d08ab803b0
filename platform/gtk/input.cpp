// Mouse and keyboard input of a form window, and the move drag it starts.
//
// Any button press reaches the form's mouse-down handler, which asks for
// the system move. Where the window system's own move follows the button
// to its release, the left and middle buttons hand the move to it at once;
// elsewhere (a layer surface, which compositors never move; mutter, whose
// move ends only at the release of the left button) the program moves the
// window with the pointer until the button is released, and the call
// returns then, as the system move does on Windows. A right press must
// still be able to open the context menu on its release, so it becomes a
// move only once the pointer travels past the drag threshold with the
// button held; after a move, its release opens no menu.
#include "platform/gtk/gtk_state.h"
#include "platform/gtk/input_mapping.h"
#include "platform/gtk/window_system.h"
#include "platform/window.h"

namespace plat::gtk {

namespace {

constexpr guint kRightButton = 3;

void OpenContextMenu(WindowRecord& record, int screenX, int screenY) {
  if (record.form != nullptr) record.form->NativeContextPopup(screenX, screenY);
}

// The press becomes a move: the window system's, or the program's from
// here on.
void StartMove(WindowRecord& record, guint32 time) {
  State& state = TheState();
  state.press.moved = true;
  if (!TheWindowSystem().movesWithButton(record, state.press.button)) {
    state.drag = Drag::kProgramMove;
    return;
  }
  state.drag = Drag::kNone;
  // From the pressed point, so the window catches up with the pointer.
  gtk_window_begin_move_drag(GTK_WINDOW(record.widget), static_cast<gint>(state.press.button),
                             static_cast<gint>(state.press.xRoot), static_cast<gint>(state.press.yRoot), time);
}

// Keeps the pressed point of the window under the pointer.
void FollowPointer(WindowRecord& record, const GdkEventMotion& event) {
  const POINT pointer = TheWindowSystem().pointerOnScreen(event.x, event.y, event.x_root, event.y_root);
  const Press press = TheState().press;
  const int left = pointer.x - static_cast<int>(press.x), top = pointer.y - static_cast<int>(press.y);
  if (left == record.left && top == record.top) return;
  TheState().press.moved = true;
  MoveWidget(record, left, top);
  record.form->NativeMoved(left, top);
}

gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer) {
  // The extra double- and triple-click events follow a plain press that
  // was already delivered.
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  WindowRecord* record = FindWidget(widget);
  if (record == nullptr || record->form == nullptr) return TRUE;
  State& state = TheState();
  state.press = Press{true,          event->button, event->x,  event->y, event->x_root, event->y_root,
                      record->left, record->top,   event->time, HandleOf(*record), false};
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
  const bool ofThePress = event->button == state.press.button;
  if (ofThePress) state.drag = Drag::kNone;
  if (event->button != kRightButton || (ofThePress && state.press.moved)) return TRUE;
  WindowRecord* record = FindWidget(widget);
  if (record == nullptr) return TRUE;
  const POINT pointer = TheWindowSystem().pointerOnScreen(event->x, event->y, event->x_root, event->y_root);
  const int x = pointer.x, y = pointer.y;
  if (!HitsPicture(*record, x, y)) return TRUE;
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
  WindowRecord* record = FindWidget(widget);
  if (state.drag == Drag::kNone || record == nullptr || record->form == nullptr) return FALSE;
  if (state.drag == Drag::kWaiting) {
    // In the window's coordinates, which still hold: it has not moved.
    const Press& press = state.press;
    if (!gtk_drag_check_threshold(widget, static_cast<gint>(press.x), static_cast<gint>(press.y),
                                  static_cast<gint>(event->x), static_cast<gint>(event->y))) {
      return TRUE;
    }
    StartMove(*record, event->time);
  }
  if (state.drag == Drag::kProgramMove) FollowPointer(*record, *event);
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

// The Menu key by its symbol: the toolkit's binding for it goes by key
// codes, which miss it where a virtual keyboard (an on-screen or remote
// one on Wayland) brings a keymap of its own.
gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer) {
  return event->keyval == GDK_KEY_Menu ? OnPopupMenuKey(widget, nullptr) : FALSE;
}

// Whether the button is still down; a release that went elsewhere (another
// client took the pointer) must not leave the press waiting.
bool ButtonHeld(GtkWidget* widget, guint button) {
  GdkWindow* window = gtk_widget_get_window(widget);
  GdkDisplay* display = gtk_widget_get_display(widget);
  if (window == nullptr || button < 1 || button > 5) return false;
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
  GdkModifierType mask;
  gdk_window_get_device_position(window, pointer, nullptr, nullptr, &mask);
  return (mask & (GDK_BUTTON1_MASK << (button - 1))) != 0;
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
  g_signal_connect(widget, "key-press-event", G_CALLBACK(OnKeyPress), nullptr);
}

}  // namespace plat::gtk

namespace plat {

// The window manager takes the pointer over when its move begins; the
// program's own move keeps the implicit grab of the press.
BOOL ReleaseCapture() { return TRUE; }

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_SYSCOMMAND || wParam != SC_DRAGMOVE) return 0;
  gtk::State& state = gtk::TheState();
  gtk::WindowRecord* record = gtk::FindWindow(window);
  // A move needs the press that is being handled, on this window.
  if (record == nullptr || record->widget == nullptr || !state.press.held || state.press.window != window) return 0;
  const guint button = state.press.button;
  const bool systemMove = gtk::TheWindowSystem().movesWithButton(*record, button);
  if (systemMove && button != gtk::kRightButton) {
    gtk::StartMove(*record, state.press.time);
    return 0;
  }
  state.drag = button == gtk::kRightButton ? gtk::Drag::kWaiting : gtk::Drag::kProgramMove;
  // Timers and other events keep running while the press waits or moves
  // the window.
  GtkWidget* widget = record->widget;
  while (state.drag != gtk::Drag::kNone && !state.quit && gtk::FindWidget(widget) != nullptr) {
    gtk_main_iteration();
    if (state.drag != gtk::Drag::kNone && !gtk::ButtonHeld(widget, button)) state.drag = gtk::Drag::kNone;
  }
  state.drag = gtk::Drag::kNone;
  // The window may now stand mostly on another monitor than where it began.
  if ((record = gtk::FindWindow(window)) != nullptr && record->widget != nullptr && state.press.moved &&
      !systemMove) {
    gtk::TheWindowSystem().move(*record);
  }
  return 0;
}

}  // namespace plat
