// The end of the desktop session, as the program meets it.
//
// The session manager's log-out (X session management, through libSM and
// libICE) is the end-of-session query: the close query runs, a refusal
// cancels the log-out, and the manager's "die" ends the program. When the
// display connection is lost all the same (the X server went away), the
// close query runs before the process ends: the settings store needs no
// display. The exit status is 1 when that last save failed.
#include "platform/gtk/session.h"

// The platform's types first: GLib defines TRUE and FALSE as macros.
#include "platform/gtk/gtk_state.h"
#include "platform/soft/executable_path.h"

#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace plat::gtk {

namespace {

SmcConn session = nullptr;
// The close query agreed to the log-out now under way.
bool endAgreed = false;

bool QueryEndSession() {
  TForm* form = Application().MainForm();
  endAgreed = form == nullptr || form->NativeQueryEndSession();
  return endAgreed;
}

// --- ICE connections in GLib's main loop ------------------------------------

gboolean OnIceInput(GIOChannel*, GIOCondition, gpointer data) {
  auto connection = static_cast<IceConn>(data);
  if (IceProcessMessages(connection, nullptr, nullptr) == IceProcessMessagesIOError) {
    // The manager went away; the program carries on without it.
    if (session != nullptr && SmcGetIceConnection(session) == connection) {
      SmcCloseConnection(session, 0, nullptr);
      session = nullptr;
    } else {
      IceCloseConnection(connection);
    }
    return G_SOURCE_REMOVE;
  }
  return G_SOURCE_CONTINUE;
}

void OnIceConnection(IceConn connection, IcePointer, Bool opening, IcePointer* watchData) {
  if (opening) {
    GIOChannel* channel = g_io_channel_unix_new(IceConnectionNumber(connection));
    const guint source = g_io_add_watch(channel, static_cast<GIOCondition>(G_IO_IN | G_IO_ERR | G_IO_HUP),
                                        OnIceInput, connection);
    g_io_channel_unref(channel);
    *watchData = reinterpret_cast<IcePointer>(static_cast<std::uintptr_t>(source));
  } else {
    const auto source = static_cast<guint>(reinterpret_cast<std::uintptr_t>(*watchData));
    if (source != 0) g_source_remove(source);
  }
}

// --- the session manager's messages -------------------------------------------

void OnInteract(SmcConn connection, SmPointer) {
  const bool agreed = QueryEndSession();
  SmcInteractDone(connection, agreed ? False : True);  // a refusal cancels the log-out
  SmcSaveYourselfDone(connection, True);
}

void OnSaveYourself(SmcConn connection, SmPointer, int, Bool shutdown, int interactStyle, Bool) {
  endAgreed = false;
  // A checkpoint without a log-out: the settings are saved when the
  // program closes, not before.
  if (!shutdown) {
    SmcSaveYourselfDone(connection, True);
    return;
  }
  // The close query may show a box, which needs the manager's leave.
  if (interactStyle != SmInteractStyleNone && SmcInteractRequest(connection, SmDialogNormal, OnInteract, nullptr)) {
    return;
  }
  SmcSaveYourselfDone(connection, QueryEndSession() ? True : False);
}

void OnDie(SmcConn connection, SmPointer) {
  // A manager may end the session without asking first; then nobody waits
  // for a box.
  TForm* form = Application().MainForm();
  if (!endAgreed && form != nullptr) form->NativeEndRequest();
  SmcCloseConnection(connection, 0, nullptr);
  session = nullptr;
  Application().Terminate();
}

void OnShutdownCancelled(SmcConn, SmPointer) { endAgreed = false; }

void OnSaveComplete(SmcConn, SmPointer) {}

// What the manager must know of a client. The program restarts at log-on
// through its own autostart entry (the "StartUp" item), never through the
// session.
void DescribeClient(SmcConn connection, const std::string& program) {
  std::string user = "unknown";
  if (const passwd* entry = getpwuid(getuid())) user = entry->pw_name;
  char restartNever = SmRestartNever;
  SmPropValue programValue{static_cast<int>(program.size()), const_cast<char*>(program.c_str())};
  SmPropValue userValue{static_cast<int>(user.size()), const_cast<char*>(user.c_str())};
  SmPropValue hintValue{1, &restartNever};
  SmProp programProp{const_cast<char*>(SmProgram), const_cast<char*>(SmARRAY8), 1, &programValue};
  SmProp restartProp{const_cast<char*>(SmRestartCommand), const_cast<char*>(SmLISTofARRAY8), 1, &programValue};
  SmProp cloneProp{const_cast<char*>(SmCloneCommand), const_cast<char*>(SmLISTofARRAY8), 1, &programValue};
  SmProp userProp{const_cast<char*>(SmUserID), const_cast<char*>(SmARRAY8), 1, &userValue};
  SmProp hintProp{const_cast<char*>(SmRestartStyleHint), const_cast<char*>(SmCARD8), 1, &hintValue};
  SmProp* properties[] = {&programProp, &restartProp, &cloneProp, &userProp, &hintProp};
  SmcSetProperties(connection, 5, properties);
}

// --- the display's end --------------------------------------------------------

[[noreturn]] int OnDisplayLost(Display*) { EndForLostDisplay(); }

}  // namespace

void EndForLostDisplay() {
  TheState().displayLost = true;
  std::fprintf(stderr, "%s: the display connection was lost; closing\n", Application().Title().c_str());
  if (TForm* form = Application().MainForm()) form->NativeEndRequest();
  std::fflush(nullptr);
  // Nothing that touches the display may run any more, GTK's exit
  // handlers included.
  _exit(Application().ExitCode());
}

void JoinSession() {
  XSetIOErrorHandler(OnDisplayLost);
  if (session != nullptr || std::getenv("SESSION_MANAGER") == nullptr) return;
  IceAddConnectionWatch(OnIceConnection, nullptr);
  SmcCallbacks callbacks{};
  callbacks.save_yourself.callback = OnSaveYourself;
  callbacks.die.callback = OnDie;
  callbacks.save_complete.callback = OnSaveComplete;
  callbacks.shutdown_cancelled.callback = OnShutdownCancelled;
  char* clientId = nullptr;
  char error[256] = {};
  session = SmcOpenConnection(nullptr, nullptr, SmProtoMajor, SmProtoMinor,
                              SmcSaveYourselfProcMask | SmcDieProcMask | SmcSaveCompleteProcMask |
                                  SmcShutdownCancelledProcMask,
                              &callbacks, nullptr, &clientId, sizeof error, error);
  if (session == nullptr) {
    std::fprintf(stderr, "%s: not taking part in the session: %s\n", Application().Title().c_str(), error);
    return;
  }
  DescribeClient(session, soft::ExecutablePath());
  // X window managers match the program's windows to its session entry.
  if (GDK_IS_X11_DISPLAY(gdk_display_get_default())) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gdk_x11_set_sm_client_id(clientId);
    G_GNUC_END_IGNORE_DEPRECATIONS
  }
  free(clientId);
}

}  // namespace plat::gtk
