// The part of a frame that shows: the rectangles of pixels whose alpha is
// not zero, one per run of such pixels within a row.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

namespace plat::gtk {

std::vector<cairo_rectangle_int_t> VisibleRuns(const std::uint8_t* alpha, int width, int height);

}  // namespace plat::gtk
