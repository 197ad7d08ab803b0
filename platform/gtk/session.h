// The desktop session's end: log-out through the session manager, and the
// loss of the display connection.
#pragma once

namespace plat::gtk {

// Takes part in the session of the manager named by SESSION_MANAGER, if
// any, and makes the loss of the display run the close query before the
// process ends. Called once the display is open.
void JoinSession();

}  // namespace plat::gtk
