// What a frame surface lags behind the window's latest frame. A window
// keeps several surfaces (its frames by turns, their faded copies); each
// new frame changes some rectangles, and every surface brings just its own
// stale area up to date before it is shown again, instead of being
// rewritten whole.
#pragma once

#include <cairo.h>

namespace plat::gtk {

// The area of `surface` that does not hold the latest frame yet, or
// nullptr when all of it may be out of date (a new surface, or one that
// missed a change of the whole frame).
const cairo_region_t* StaleArea(cairo_surface_t* surface);
// A new frame differs from the one before in `changed` (nullptr: all over).
void MarkChanged(cairo_surface_t* surface, const cairo_region_t* changed);
// The surface now holds the latest frame.
void MarkFresh(cairo_surface_t* surface);

}  // namespace plat::gtk
