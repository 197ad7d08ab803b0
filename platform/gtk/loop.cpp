// The message loop and the timers: GTK's main loop, GLib timeouts.
#include "platform/gtk/gtk_state.h"
#include "platform/native.h"

namespace plat::gtk {

namespace {

gboolean OnTimer(gpointer data) {
  static_cast<TTimer*>(data)->NativeTick();
  return G_SOURCE_CONTINUE;
}

}  // namespace
}  // namespace plat::gtk

namespace plat::native {

using gtk::TheState;

void RunMessageLoop() {
  auto& state = TheState();
  if (!gtk::EnsureGtk()) return;
  while (!state.quit) gtk_main_iteration();
}

void QuitMessageLoop() {
  auto& state = TheState();
  state.quit = true;
  // Like a quit message reaching a modal loop: open boxes and the menu
  // close, so every loop unwinds to the outermost.
  for (GtkWidget* dialog : state.dialogs) gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  if (state.menu != nullptr) gtk_menu_shell_deactivate(GTK_MENU_SHELL(state.menu));
  g_main_context_wakeup(nullptr);
}

std::uintptr_t StartTimer(TTimer& timer, UINT milliseconds) {
  // The interval is at least 10 ms, as with the system timer.
  const guint id = g_timeout_add(milliseconds < 10 ? 10 : milliseconds, gtk::OnTimer, &timer);
  TheState().timers[id] = &timer;
  return id;
}

void StopTimer(std::uintptr_t id) {
  auto& timers = TheState().timers;
  auto it = timers.find(static_cast<guint>(id));
  if (it == timers.end()) return;
  g_source_remove(it->first);
  timers.erase(it);
}

}  // namespace plat::native
