// Whether anybody can see a form window. Every reason it cannot is learnt
// from an event of the X server, the window manager or the session's
// buses, never by asking again and again, so that a paused program sleeps.
#pragma once

#include "platform/gtk/gtk_state.h"

namespace plat::gtk {

// The reasons a form window cannot be seen (TForm::NativeHiddenBy).
enum THiddenBy : unsigned {
  kSaverExtension = 1u << 0,  // the X server's screen saver is on
  kSaverProperty = 1u << 1,   // xscreensaver blanks or locks the screen
  kUnmapped = 1u << 2,        // the window is not on the screen
  kIconified = 1u << 3,
  kOtherDesktop = 1u << 4,    // it stands on a workspace not shown
  kFullScreen = 1u << 5,      // the active window fills its monitor
  kDesktopSaver = 1u << 6,    // the desktop's screen saver runs (D-Bus)
  kGnomeSaver = 1u << 7,      // GNOME's screen shield is up (D-Bus)
  kLocked = 1u << 8,          // the login manager locked the session
};

// Starts watching what the X server and the window manager say of a shown
// form window, and what the toolkit says.
void WatchSight(WindowRecord& record);
// Starts watching what the toolkit says of a shown form window on any
// window system (unmapped, iconified), and applies what the buses said
// before it was shown.
void WatchToolkitSight(WindowRecord& record);
// Starts watching the session bus (the desktop's screen saver) and the
// system bus (the login manager's lock), once per process.
void WatchSessionBuses();
// The reasons the buses gave so far, for a form window made after them.
unsigned BusHiddenBy();

}  // namespace plat::gtk
