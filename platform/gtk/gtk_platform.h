// The Linux desktop window backend: real windows through GTK 3.
#pragma once

namespace plat::gtk {

// Opens the display, taking GTK's own options out of the command line.
// Prints why and returns false when there is no display to show on.
bool OpenDisplay(int& argc, char**& argv);

}  // namespace plat::gtk
