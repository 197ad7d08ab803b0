#include "platform/soft/pixel_convert.h"

#include "platform/colour_tables.h"

namespace plat::soft {

namespace {
// Bounds the memory of the nearest-colour search on images of many colours.
constexpr std::size_t kMaxRemembered = 1 << 16;
}  // namespace

SourceFormat OwnColours(const Bitmap& bitmap) {
  SourceFormat format;
  format.bitsPerPixel = bitmap.bitsPerPixel;
  for (const RGBQUAD& c : bitmap.colours) format.colours.push_back(ColourValue(c));
  return format;
}

SourceFormat MonochromeOnto(const DeviceContext& destination) {
  SourceFormat format;
  format.bitsPerPixel = 1;
  format.colours = {ColourValue(destination.text), ColourValue(destination.background)};
  return format;
}

TargetFormat NearestTarget(const Bitmap& bitmap) {
  TargetFormat target;
  if (bitmap.bitsPerPixel == 32) {
    target.kind = TargetFormat::Kind::Direct32;
  } else if (bitmap.bitsPerPixel == 24) {
    target.kind = TargetFormat::Kind::Direct24;
  } else {
    target.kind = TargetFormat::Kind::Indexed;
    target.table = bitmap.colours;
  }
  return target;
}

TargetFormat KeyedTarget(COLORREF background) {
  TargetFormat target;
  target.kind = TargetFormat::Kind::Keyed;
  target.key = ColourValue(background);
  return target;
}

PixelConverter PixelConverter::Identity() { return PixelConverter(); }

PixelConverter::PixelConverter(const SourceFormat& source, TargetFormat target)
    : target_(std::move(target)) {
  if (source.bitsPerPixel <= 8) {
    mode_ = Mode::Lookup;
    for (PixelValue colour : source.colours) lookup_.push_back(MapColour(colour));
    lookup_.resize(std::size_t{1} << source.bitsPerPixel, lookup_.empty() ? 0 : lookup_.front());
    return;
  }
  switch (target_.kind) {
    case TargetFormat::Kind::Direct32: mode_ = Mode::Identity; break;
    case TargetFormat::Kind::Direct24: mode_ = Mode::DropFourth; break;
    case TargetFormat::Kind::Indexed: mode_ = Mode::Nearest; break;
    case TargetFormat::Kind::Keyed: mode_ = Mode::Key; break;
  }
}

PixelValue PixelConverter::MapColour(PixelValue colour) {
  colour &= 0xFFFFFFu;
  switch (target_.kind) {
    case TargetFormat::Kind::Direct32:
    case TargetFormat::Kind::Direct24:
      return colour;
    case TargetFormat::Kind::Indexed:
      return static_cast<PixelValue>(NearestColourIndex(
          target_.table.data(), static_cast<int>(target_.table.size()), static_cast<BYTE>(colour >> 16),
          static_cast<BYTE>(colour >> 8), static_cast<BYTE>(colour)));
    case TargetFormat::Kind::Keyed:
      return colour == target_.key ? 1u : 0u;
  }
  return 0;
}

void PixelConverter::Convert(const PixelValue* in, int n, PixelValue* out) {
  switch (mode_) {
    case Mode::Identity:
      for (int i = 0; i < n; ++i) out[i] = in[i];
      break;
    case Mode::Lookup:
      for (int i = 0; i < n; ++i) out[i] = lookup_[in[i]];
      break;
    case Mode::DropFourth:
      for (int i = 0; i < n; ++i) out[i] = in[i] & 0xFFFFFFu;
      break;
    case Mode::Key:
      for (int i = 0; i < n; ++i) out[i] = (in[i] & 0xFFFFFFu) == target_.key ? 1u : 0u;
      break;
    case Mode::Nearest:
      for (int i = 0; i < n; ++i) {
        const PixelValue colour = in[i] & 0xFFFFFFu;
        auto found = nearest_.find(colour);
        if (found == nearest_.end()) {
          if (nearest_.size() >= kMaxRemembered) nearest_.clear();
          found = nearest_.emplace(colour, MapColour(colour)).first;
        }
        out[i] = found->second;
      }
      break;
  }
}

}  // namespace plat::soft
