#include "platform/gtk/wayland_session.h"

#include <poll.h>

#include <cstdlib>
#include <cstring>

// The platform's types first: GLib defines TRUE and FALSE as macros.
#include "platform/gtk/gtk_state.h"
#include "platform/gtk/session.h"

#include <gdk/gdkwayland.h>
#include <wayland-client.h>

namespace plat::gtk {

namespace {

void OnGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
  if (std::strcmp(interface, "zwlr_layer_shell_v1") == 0) *static_cast<bool*>(data) = true;
}
void OnGlobalRemoved(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kGlobals{OnGlobal, OnGlobalRemoved};

// A source above the toolkit's own: its preparation, which runs first,
// finds the connection closed before the toolkit's tries to write to it.
struct HangUpSource {
  GSource source;
  GPollFD fd;
};

bool HungUp(int fd) {
  pollfd p{fd, 0, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0;
}

gboolean Prepare(GSource* source, gint* timeout) {
  *timeout = -1;
  return HungUp(reinterpret_cast<HangUpSource*>(source)->fd.fd);
}

gboolean Check(GSource* source) {
  return (reinterpret_cast<HangUpSource*>(source)->fd.revents & (G_IO_HUP | G_IO_ERR)) != 0;
}

gboolean Dispatch(GSource*, GSourceFunc, gpointer) { EndForLostDisplay(); }

GSourceFuncs kHangUpFuncs{Prepare, Check, Dispatch, nullptr, nullptr, nullptr};

}  // namespace

bool CompositorOffersLayerShell() {
  // WAYLAND_SOCKET, a connection handed down, could be opened only once.
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0' || std::getenv("WAYLAND_SOCKET") != nullptr) return false;
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return false;
  bool offered = false;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kGlobals, &offered);
  wl_display_roundtrip(display);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return offered;
}

void WatchCompositorConnection() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr || !GDK_IS_WAYLAND_DISPLAY(display)) return;
  GSource* source = g_source_new(&kHangUpFuncs, sizeof(HangUpSource));
  auto* hangUp = reinterpret_cast<HangUpSource*>(source);
  hangUp->fd.fd = wl_display_get_fd(gdk_wayland_display_get_wl_display(display));
  hangUp->fd.events = G_IO_HUP | G_IO_ERR;
  g_source_add_poll(source, &hangUp->fd);
  g_source_set_priority(source, G_PRIORITY_HIGH);
  g_source_attach(source, nullptr);
  g_source_unref(source);
}

}  // namespace plat::gtk
