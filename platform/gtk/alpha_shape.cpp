#include "platform/gtk/alpha_shape.h"

namespace plat::gtk {

std::vector<cairo_rectangle_int_t> VisibleRuns(const std::uint8_t* alpha, int width, int height) {
  std::vector<cairo_rectangle_int_t> runs;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = alpha + static_cast<std::size_t>(y) * width;
    int x = 0;
    while (x < width) {
      while (x < width && row[x] == 0) ++x;
      const int start = x;
      while (x < width && row[x] != 0) ++x;
      if (x > start) runs.push_back(cairo_rectangle_int_t{start, y, x - start, 1});
    }
  }
  return runs;
}

}  // namespace plat::gtk
