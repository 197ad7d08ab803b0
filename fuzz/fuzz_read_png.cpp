// Feeds arbitrary bytes to ReadPng, then exercises what a decoded (or
// partially decoded) image offers its callers: copies, pixels, drawing and
// conversion into a bitmap.
#include <cstddef>
#include <cstdint>

#include "platform/bitmap.h"
#include "platform/stream.h"
#include "png/pngimage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TPNGObject image;
  plat::TBufferStream stream(data, size);
  try {
    image.ReadPng(stream);
  } catch (const plat::Exception&) {
    // Codec errors are the expected outcome for most inputs; what was read
    // up to the error must still be safe to use below.
  }
  try {
    if (!image.HasHeader()) return 0;
    (void)image.TransparencyKind();
    (void)image.KeyColor();
    TPNGObject copy;
    copy.CopyImage(image);
    const int w = image.PixelWidth();
    const int h = image.PixelHeight();
    if (w > 0 && h > 0) {
      (void)image.PixelColor(w - 1, h - 1);
      (void)image.PixelColor(0, 0);
      image.SetPixelColor(w / 2, h / 2, plat::RGB(1, 2, 3));
    }
    // Drawing and conversion, for images small enough to keep runs fast.
    if (w > 0 && h > 0 && w <= 256 && h <= 256) {
      plat::TBitmap surface;
      surface.SetPixelFormat(plat::TPixelFormat::pf32bit);
      surface.SetSize(48, 40);
      surface.Canvas()->Draw(-3, -2, &image);
      image.Render(*surface.Canvas(), plat::RECT{1, 1, 40, 30});
      plat::TBitmap converted;
      image.CopyTo(&converted);
    }
  } catch (const plat::Exception&) {
  }
  return 0;
}
