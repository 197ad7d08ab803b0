// What the session's buses say about whether anybody can see the screen:
// the desktop's screen saver (org.freedesktop.ScreenSaver, which KDE and
// others provide, and GNOME's org.gnome.ScreenSaver) on the session bus,
// and the login manager's lock of this session on the system bus. Both
// buses are reached without waiting, and only their signals wake the
// program.
#include "platform/gtk/sight.h"

#include <gio/gio.h>
#include <unistd.h>

namespace plat::gtk {

namespace {

unsigned busHiddenBy = 0;

void SetHidden(unsigned reason, bool hidden) {
  busHiddenBy = hidden ? busHiddenBy | reason : busHiddenBy & ~reason;
  for (auto& [handle, record] : TheState().windows) {
    if (record->form != nullptr) record->form->NativeHiddenBy(reason, hidden);
  }
}

// A screen saver's service on the session bus: its name, its interface and
// object, and the reason it stands for.
struct Saver {
  const char* name;
  const char* path;
  unsigned reason;
};
constexpr Saver kSavers[] = {
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", kDesktopSaver},
    {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", kGnomeSaver},
};

void OnActiveChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                     gpointer data) {
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
  gboolean active = FALSE;
  g_variant_get(parameters, "(b)", &active);
  SetHidden(static_cast<const Saver*>(data)->reason, active != FALSE);
}

void OnGetActive(GObject* bus, GAsyncResult* result, gpointer data) {
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr);
  if (reply == nullptr) return;
  gboolean active = FALSE;
  g_variant_get(reply, "(b)", &active);
  g_variant_unref(reply);
  SetHidden(static_cast<const Saver*>(data)->reason, active != FALSE);
}

// A screen saver that comes is asked its state; one that goes hides
// nothing any more.
void OnSaverAppeared(GDBusConnection* bus, const gchar*, const gchar*, gpointer data) {
  const auto* saver = static_cast<const Saver*>(data);
  g_dbus_connection_call(bus, saver->name, saver->path, saver->name, "GetActive", nullptr, G_VARIANT_TYPE("(b)"),
                         G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, OnGetActive, data);
}

void OnSaverVanished(GDBusConnection*, const gchar*, gpointer data) {
  SetHidden(static_cast<const Saver*>(data)->reason, false);
}

void OnSessionBus(GObject*, GAsyncResult* result, gpointer) {
  GDBusConnection* bus = g_bus_get_finish(result, nullptr);
  if (bus == nullptr) return;  // no session bus: nothing to learn from it
  for (const Saver& saver : kSavers) {
    gpointer data = const_cast<Saver*>(&saver);
    // On any path: KDE's serves the interface at /ScreenSaver too.
    g_dbus_connection_signal_subscribe(bus, saver.name, saver.name, "ActiveChanged", nullptr, nullptr,
                                       G_DBUS_SIGNAL_FLAGS_NONE, OnActiveChanged, data, nullptr);
    g_bus_watch_name_on_connection(bus, saver.name, G_BUS_NAME_WATCHER_FLAGS_NONE, OnSaverAppeared,
                                   OnSaverVanished, data, nullptr);
  }
}

// --- The login manager -----------------------------------------------------

constexpr char kLogin[] = "org.freedesktop.login1";
constexpr char kSession[] = "org.freedesktop.login1.Session";

void OnLockSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal, GVariant*,
                  gpointer) {
  SetHidden(kLocked, g_strcmp0(signal, "Lock") == 0);
}

void OnLockedHint(GVariant* value) {
  if (value != nullptr && g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN)) {
    SetHidden(kLocked, g_variant_get_boolean(value) != FALSE);
  }
}

void OnSessionProperties(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                         GVariant* parameters, gpointer) {
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) return;
  GVariant* changed = g_variant_get_child_value(parameters, 1);
  GVariant* hint = g_variant_lookup_value(changed, "LockedHint", G_VARIANT_TYPE_BOOLEAN);
  OnLockedHint(hint);
  if (hint != nullptr) g_variant_unref(hint);
  g_variant_unref(changed);
}

void OnLockedHintReply(GObject* bus, GAsyncResult* result, gpointer) {
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr);
  if (reply == nullptr) return;
  GVariant* value = nullptr;
  g_variant_get(reply, "(v)", &value);
  OnLockedHint(value);
  if (value != nullptr) g_variant_unref(value);
  g_variant_unref(reply);
}

void OnOwnSession(GObject* source, GAsyncResult* result, gpointer) {
  auto* bus = G_DBUS_CONNECTION(source);
  GVariant* reply = g_dbus_connection_call_finish(bus, result, nullptr);
  if (reply == nullptr) return;  // not in a session the login manager knows
  const gchar* path = nullptr;
  g_variant_get(reply, "(&o)", &path);
  for (const char* signal : {"Lock", "Unlock"}) {
    g_dbus_connection_signal_subscribe(bus, kLogin, kSession, signal, path, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                       OnLockSignal, nullptr, nullptr);
  }
  g_dbus_connection_signal_subscribe(bus, kLogin, "org.freedesktop.DBus.Properties", "PropertiesChanged", path,
                                     kSession, G_DBUS_SIGNAL_FLAGS_NONE, OnSessionProperties, nullptr, nullptr);
  g_dbus_connection_call(bus, kLogin, path, "org.freedesktop.DBus.Properties", "Get",
                         g_variant_new("(ss)", kSession, "LockedHint"), G_VARIANT_TYPE("(v)"),
                         G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, OnLockedHintReply, nullptr);
  g_variant_unref(reply);
}

void OnSystemBus(GObject*, GAsyncResult* result, gpointer) {
  GDBusConnection* bus = g_bus_get_finish(result, nullptr);
  if (bus == nullptr) return;
  g_dbus_connection_call(bus, kLogin, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                         "GetSessionByPID", g_variant_new("(u)", static_cast<guint32>(getpid())),
                         G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, OnOwnSession, nullptr);
}

// A session bus the session has; without one, asking for it would start
// one of our own (D-Bus's autolaunch), where no screen saver speaks.
bool SessionBusRuns() {
  if (g_getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) return true;
  gchar* socket = g_build_filename(g_get_user_runtime_dir(), "bus", nullptr);
  const bool runs = g_file_test(socket, G_FILE_TEST_EXISTS);
  g_free(socket);
  return runs;
}

}  // namespace

void WatchSessionBuses() {
  static bool watching = false;
  if (watching) return;
  watching = true;
  if (SessionBusRuns()) g_bus_get(G_BUS_TYPE_SESSION, nullptr, OnSessionBus, nullptr);
  g_bus_get(G_BUS_TYPE_SYSTEM, nullptr, OnSystemBus, nullptr);
}

unsigned BusHiddenBy() { return busHiddenBy; }

}  // namespace plat::gtk
