// Conversion of pixel values from a source layout into a destination
// layout, chosen once per transfer. Colours move as 24-bit values (blue
// low); a 32-bit destination keeps the fourth byte of a 32-bit source and
// gets 0 from any other.
#pragma once

#include <unordered_map>
#include <vector>

#include "platform/soft/gdi_objects.h"
#include "platform/soft/pixel_rows.h"

namespace plat::soft {

// The colour of a table entry or a COLORREF as a 24-bit pixel value.
inline PixelValue ColourValue(const RGBQUAD& c) {
  return c.rgbBlue | (PixelValue{c.rgbGreen} << 8) | (PixelValue{c.rgbRed} << 16);
}
inline PixelValue ColourValue(COLORREF c) {
  return GetBValue(c) | (PixelValue{GetGValue(c)} << 8) | (PixelValue{GetRValue(c)} << 16);
}

struct SourceFormat {
  int bitsPerPixel = 32;
  std::vector<PixelValue> colours;  // indexed sources: the colour of each index
};

struct TargetFormat {
  enum class Kind {
    Direct32,
    Direct24,
    Indexed,  // the nearest entry of `table`
    Keyed,    // 1 where the colour equals `key`, else 0
  };
  Kind kind = Kind::Direct32;
  std::vector<RGBQUAD> table;
  PixelValue key = 0;
};

// A source read through its own colour table (a device-dependent
// monochrome bitmap reads as black and white).
SourceFormat OwnColours(const Bitmap& bitmap);
// A device-dependent monochrome source drawn onto a colour destination:
// 0 gives the destination context's text colour, 1 its background colour.
SourceFormat MonochromeOnto(const DeviceContext& destination);
// A destination taking the nearest colour it can hold.
TargetFormat NearestTarget(const Bitmap& bitmap);
// A monochrome destination keyed by the source context's background colour.
TargetFormat KeyedTarget(COLORREF background);

class PixelConverter {
 public:
  // Passes values unchanged (between identical layouts).
  static PixelConverter Identity();
  PixelConverter(const SourceFormat& source, TargetFormat target);

  void Convert(const PixelValue* in, int n, PixelValue* out);
  bool IsIdentity() const { return mode_ == Mode::Identity; }
  bool DropsFourthByte() const { return mode_ == Mode::DropFourth; }

 private:
  enum class Mode { Identity, Lookup, DropFourth, Nearest, Key };
  PixelConverter() = default;
  PixelValue MapColour(PixelValue colour);

  Mode mode_ = Mode::Identity;
  TargetFormat target_;
  std::vector<PixelValue> lookup_;                          // Lookup: per source index
  std::unordered_map<PixelValue, PixelValue> nearest_;      // Nearest: colours seen so far
};

}  // namespace plat::soft
