// How GDK's buttons and modifier masks read as the form framework's.
#pragma once

// The platform's types first: GLib defines TRUE and FALSE as macros.
#include "platform/forms.h"

#include <gdk/gdk.h>

namespace plat::gtk {

// Button 1 is the left, 2 the middle, 3 the right; any further button
// counts as the middle one.
TMouseButton MouseButtonOf(guint button);
// The keys and buttons held, plus the button just pressed.
TShiftState ShiftStateOf(guint modifiers, guint pressedButton);
// Whether the move drag of the X window manager of this name follows the
// button until its release. Mutter (GNOME's) ends its move only at the
// release of the left button or of its resize button.
bool ManagerMoveFollows(const char* manager, guint button);

}  // namespace plat::gtk
