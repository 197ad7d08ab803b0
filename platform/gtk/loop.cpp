// The message loop and the timers: GTK's main loop, GLib timeouts.
#include "platform/gtk/gtk_state.h"
#include "platform/native.h"

namespace plat::gtk {

namespace {

gboolean OnTimer(gpointer data);

// The interval is at least 10 ms, as with the system timer.
guint AddSource(std::uintptr_t id, UINT milliseconds) {
  return g_timeout_add(milliseconds < 10 ? 10 : milliseconds, OnTimer, reinterpret_cast<gpointer>(id));
}

gboolean OnTimer(gpointer data) {
  const auto id = reinterpret_cast<std::uintptr_t>(data);
  auto& timers = TheState().timers;
  auto it = timers.find(id);
  if (it == timers.end()) return G_SOURCE_REMOVE;
  TTimer* timer = it->second.timer;
  if (!it->second.deferred) {
    timer->NativeTick();
    return G_SOURCE_CONTINUE;
  }
  // The deferred tick: the interval's rhythm starts again from here.
  it->second.deferred = false;
  it->second.source = AddSource(id, it->second.interval);
  timer->NativeTick();  // may stop the timer, and with it that source
  return G_SOURCE_REMOVE;
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
  auto& state = TheState();
  const std::uintptr_t id = ++state.lastTimerId;
  state.timers[id] = gtk::TimerSource{&timer, milliseconds, gtk::AddSource(id, milliseconds), false};
  return id;
}

void StopTimer(std::uintptr_t id) {
  auto& timers = TheState().timers;
  auto it = timers.find(id);
  if (it == timers.end()) return;
  g_source_remove(it->second.source);
  timers.erase(it);
}

void DeferTimer(std::uintptr_t id, UINT milliseconds) {
  auto& timers = TheState().timers;
  auto it = timers.find(id);
  if (it == timers.end()) return;
  g_source_remove(it->second.source);
  it->second.source = gtk::AddSource(id, milliseconds);
  it->second.deferred = true;
}

}  // namespace plat::native
