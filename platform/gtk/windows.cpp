// Windows of the GTK backend: the application's hidden owner, the forms'
// borderless windows on an RGBA visual, their styles, owner, stacking,
// placement and close requests. What differs between X11 and a Wayland
// layer surface is the window system's (window_system.h).
#include "platform/gtk/frame_upload.h"
#include "platform/gtk/gtk_state.h"
#include "platform/gtk/window_system.h"
#include "platform/kernel.h"
#include "platform/native.h"
#include "platform/window.h"

namespace plat::gtk {

State& TheState() {
  static State state;
  return state;
}

WindowRecord* FindWindow(HWND window) {
  auto& windows = TheState().windows;
  auto it = windows.find(window);
  return it == windows.end() ? nullptr : it->second.get();
}

WindowRecord* FindWidget(GtkWidget* widget) {
  for (auto& [handle, record] : TheState().windows) {
    if (record->widget == widget) return record.get();
  }
  return nullptr;
}

HWND HandleOf(const WindowRecord& record) {
  for (const auto& [handle, candidate] : TheState().windows) {
    if (candidate.get() == &record) return handle;
  }
  return nullptr;
}

void MoveWidget(WindowRecord& record, int left, int top) {
  record.left = left;
  record.top = top;
  if (record.widget != nullptr) TheWindowSystem().move(record);
}

namespace {

HWND NewWindow(std::unique_ptr<WindowRecord> record) {
  // Small serial numbers, as Win32 hands out: a handle must survive the
  // 32-bit window long that stores an owner.
  static std::uintptr_t next = 0x20000;
  HWND handle = reinterpret_cast<HWND>(next++);
  TheState().windows[handle] = std::move(record);
  return handle;
}

// The taskbar button belongs to the application window: while it is
// hidden, the forms keep out of the taskbar and the pager.
bool ApplicationShown() {
  WindowRecord* app = FindWindow(TheState().application);
  return app == nullptr || app->visible;
}

void ApplyTaskbarHints(WindowRecord& record) {
  if (record.widget == nullptr) return;
  record.skipTaskbar = !ApplicationShown();
  TheWindowSystem().listing(record);
}

gboolean OnDelete(GtkWidget* widget, GdkEvent*, gpointer) {
  if (WindowRecord* record = FindWidget(widget)) record->form->NativeCloseRequest();
  return TRUE;  // the window goes only when the program ends
}

void OnCompositedChanged(GdkScreen*, gpointer) {
  for (auto& [handle, record] : TheState().windows) {
    if (record->widget != nullptr) ApplyShape(*record);
  }
}

void DestroyWidget(WindowRecord& record) {
  ReleaseUploads(record);
  if (record.widget != nullptr) {
    g_signal_handlers_disconnect_by_data(gtk_widget_get_screen(record.widget), &record);
    gtk_widget_destroy(record.widget);
    record.widget = nullptr;
  }
  if (record.follower != nullptr) {
    gtk_widget_destroy(record.follower);
    record.follower = nullptr;
  }
  if (record.frame != nullptr) {
    cairo_surface_destroy(record.frame);
    record.frame = nullptr;
  }
}

}  // namespace
}  // namespace plat::gtk

namespace plat::native {

using gtk::FindWindow;
using gtk::TheState;

HWND CreateApplicationWindow() {
  auto record = std::make_unique<gtk::WindowRecord>();
  record->visible = true;
  HWND handle = gtk::NewWindow(std::move(record));
  TheState().application = handle;
  return handle;
}

HWND CreateFormWindow(TForm& form) {
  auto record = std::make_unique<gtk::WindowRecord>();
  record->form = &form;
  record->exStyle = WS_EX_CONTROLPARENT;
  record->owner = Application().Handle();
  record->left = form.Left();
  record->top = form.Top();
  record->width = form.Width();
  record->height = form.Height();
  if (gtk::EnsureGtk()) {
    GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(widget);
    gtk_window_set_title(window, form.Caption().c_str());
    gtk_window_set_decorated(window, FALSE);
    gtk_window_set_resizable(window, FALSE);
    gtk_widget_set_app_paintable(widget, TRUE);
    GdkScreen* screen = gtk_widget_get_screen(widget);
    // Without an RGBA visual (no alpha channel on this display) the window
    // still shows, its transparent parts black.
    if (GdkVisual* rgba = gdk_screen_get_rgba_visual(screen)) gtk_widget_set_visual(widget, rgba);
    gtk_widget_set_size_request(widget, record->width, record->height);
    g_signal_connect(widget, "draw", G_CALLBACK(gtk::DrawFrame), nullptr);
    g_signal_connect(widget, "delete-event", G_CALLBACK(gtk::OnDelete), nullptr);
    g_signal_connect(screen, "composited-changed", G_CALLBACK(gtk::OnCompositedChanged), record.get());
    gtk::ConnectInput(widget);
    record->widget = widget;
    gtk::TheWindowSystem().prepare(*record);
    gtk::TheWindowSystem().move(*record);
    gtk::ApplyTaskbarHints(*record);
    gtk::ApplyShape(*record);
  }
  return gtk::NewWindow(std::move(record));
}

void DestroyFormWindow(HWND window) {
  auto& windows = TheState().windows;
  auto it = windows.find(window);
  if (it == windows.end()) return;
  gtk::DestroyWidget(*it->second);
  windows.erase(it);
}

void SetFormBounds(HWND window, int left, int top, int width, int height) {
  gtk::WindowRecord* record = FindWindow(window);
  if (record == nullptr) return;
  if (left != record->left || top != record->top) gtk::MoveWidget(*record, left, top);
  if (width != record->width || height != record->height) {
    record->width = width;
    record->height = height;
    if (record->widget != nullptr) {
      gtk_widget_set_size_request(record->widget, width, height);
      gtk_window_resize(GTK_WINDOW(record->widget), width, height);
    }
  }
}

void ShowFormWindow(HWND window) {
  gtk::WindowRecord* record = FindWindow(window);
  if (record == nullptr) return;
  record->visible = true;
  if (record->widget == nullptr) return;
  gtk_widget_show(record->widget);
  gtk::TheWindowSystem().shown(*record);
}

void ResetWindows() {
  auto& state = TheState();
  for (auto& [handle, record] : state.windows) gtk::DestroyWidget(*record);
  state.windows.clear();
  state.application = nullptr;
  for (auto& [id, timer] : state.timers) g_source_remove(timer.source);
  state.timers.clear();
  state.quit = false;
  state.press = gtk::Press{};
  state.drag = gtk::Drag::kNone;
  state.popupAfterPress = false;
}

}  // namespace plat::native

namespace plat {

using gtk::FindWindow;

LONG GetWindowLongA(HWND window, int index) {
  gtk::WindowRecord* record = FindWindow(window);
  if (record == nullptr) return 0;
  if (index == GWL_EXSTYLE) return record->exStyle;
  if (index == GWL_HWNDPARENT) return static_cast<LONG>(reinterpret_cast<std::intptr_t>(record->owner));
  return 0;
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
  gtk::WindowRecord* record = FindWindow(window);
  if (record == nullptr) {
    SetLastError(1400);  // invalid window handle
    return 0;
  }
  LONG previous = 0;
  if (index == GWL_EXSTYLE) {
    previous = record->exStyle;
    record->exStyle = value;
  } else if (index == GWL_HWNDPARENT) {
    // The owner only matters to the desktop's stacking on Windows; here it
    // is remembered for whoever asks.
    previous = static_cast<LONG>(reinterpret_cast<std::intptr_t>(record->owner));
    record->owner = reinterpret_cast<HWND>(static_cast<std::intptr_t>(value));
  }
  // 0 is also the answer when the previous value was 0; the error code
  // then says so.
  SetLastError(0);
  return previous;
}

HWND GetDesktopWindow() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10010)); }

BOOL ShowWindow(HWND window, int command) {
  gtk::WindowRecord* record = FindWindow(window);
  if (record == nullptr) return FALSE;
  const bool was = record->visible;
  record->visible = command != SW_HIDE;
  if (window == gtk::TheState().application) {
    for (auto& [handle, form] : gtk::TheState().windows) gtk::ApplyTaskbarHints(*form);
  } else if (record->widget != nullptr) {
    if (record->visible) {
      gtk_widget_show(record->widget);
    } else {
      gtk_widget_hide(record->widget);
    }
  }
  return was ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  gtk::WindowRecord* record = FindWindow(window);
  if (record == nullptr || record->form == nullptr) return FALSE;
  if (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
    record->topmost = insertAfter == HWND_TOPMOST;
    if (record->widget != nullptr) gtk::TheWindowSystem().stack(*record);
  }
  const int left = flags & SWP_NOMOVE ? record->left : x;
  const int top = flags & SWP_NOMOVE ? record->top : y;
  const int width = flags & SWP_NOSIZE ? record->width : cx;
  const int height = flags & SWP_NOSIZE ? record->height : cy;
  native::SetFormBounds(window, left, top, width, height);
  if (!(flags & SWP_NOMOVE)) record->form->NativeMoved(left, top);
  return TRUE;
}

}  // namespace plat
