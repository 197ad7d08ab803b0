// The desktop session's end: log-out through the session manager, and the
// loss of the display connection.
#pragma once

namespace plat::gtk {

// Takes part in the session of the manager named by SESSION_MANAGER, if
// any, and makes the loss of the display run the close query before the
// process ends. Called once the display is open.
void JoinSession();
// The display connection is lost: runs the close query, which needs no
// display, and ends the process with the program's exit status.
[[noreturn]] void EndForLostDisplay();

}  // namespace plat::gtk
