// Where a form window really stands: the place the program keeps, presents
// at and saves follows the window manager's placement and moves.
#pragma once

#include "platform/gtk/gtk_state.h"

namespace plat::gtk {

// Starts watching the realized window and the frames a window manager puts
// around it.
void WatchPlace(WindowRecord& record);
// Asks the server where the mapped window stands; when that differs from
// what the record holds, the record and the form learn the new place.
void RefreshPlace(WindowRecord& record);

}  // namespace plat::gtk
