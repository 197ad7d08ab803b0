#include "tools/desktop_scene.h"

#include <algorithm>
#include <cmath>

#include "platform/bitmap.h"
#include "platform/stream.h"
#include "png/pngimage.h"

namespace {

std::uint8_t Mix(double a, double b, double t) { return static_cast<std::uint8_t>(std::lround(a + (b - a) * t)); }

void Put(std::vector<std::uint8_t>& pixels, int width, int x, int y, double r, double g, double b) {
  std::uint8_t* p = pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
  p[0] = static_cast<std::uint8_t>(std::clamp(b, 0.0, 255.0));
  p[1] = static_cast<std::uint8_t>(std::clamp(g, 0.0, 255.0));
  p[2] = static_cast<std::uint8_t>(std::clamp(r, 0.0, 255.0));
  p[3] = 255;
}

}  // namespace

std::vector<std::uint8_t> WinterNightDesktop(int width, int height) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
  const int taskbar = 40;
  const int sky = height - taskbar;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (y >= sky) {
        // A dark taskbar with a faint top edge.
        const double shade = y == sky ? 70 : 32;
        Put(pixels, width, x, y, shade, shade + 2, shade + 8);
        continue;
      }
      const double t = static_cast<double>(y) / sky;
      // Night sky: deep navy at the top, dusky violet near the horizon.
      double r = Mix(10, 62, t * t), g = Mix(16, 48, t * t), b = Mix(44, 96, t);
      // Rolling snow fields in front.
      const double hill = sky * 0.78 + std::sin(x * 0.006) * 28 + std::sin(x * 0.017 + 1.3) * 12;
      const double nearHill = sky * 0.88 + std::sin(x * 0.004 + 2.0) * 22;
      if (y > nearHill) {
        const double d = (y - nearHill) / (sky - nearHill);
        r = Mix(190, 150, d), g = Mix(205, 165, d), b = Mix(232, 205, d);
      } else if (y > hill) {
        const double d = (y - hill) / std::max(1.0, nearHill - hill);
        r = Mix(150, 120, d), g = Mix(165, 135, d), b = Mix(205, 180, d);
      } else {
        // Sparse fixed stars.
        const unsigned hash = static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u;
        if ((hash % 997u) == 0) r = g = b = 150 + (hash >> 24) % 100;
      }
      Put(pixels, width, x, y, r, g, b);
    }
  }
  return pixels;
}

std::vector<std::uint8_t> DesktopFromFile(const std::string& path, int width, int height) {
  TPNGObject png;
  plat::TFileStream stream(path);
  png.ReadPng(stream);
  // The picture is drawn the way the program draws any image: through the
  // canvas of a 32-bit bitmap, stretched to the screen for opaque images.
  plat::TBitmap screen;
  screen.SetPixelFormat(plat::TPixelFormat::pf32bit);
  screen.SetSize(width, height);
  plat::TCanvas* canvas = screen.Canvas();
  png.Render(*canvas, plat::RECT{0, 0, width, height});
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    const auto* row = static_cast<const std::uint8_t*>(screen.ScanLine(y));
    std::uint8_t* out = pixels.data() + static_cast<std::size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x) {
      out[4 * x] = row[4 * x];
      out[4 * x + 1] = row[4 * x + 1];
      out[4 * x + 2] = row[4 * x + 2];
      out[4 * x + 3] = 255;
    }
  }
  return pixels;
}
