// BitBlt and StretchBlt between memory device contexts.
#include "platform/gdi.h"
#include "platform/soft/gdi_transfer.h"

namespace plat {

namespace {

// How pixels of the source context's bitmap become pixels of the
// destination's: monochrome to monochrome bit for bit; colour to monochrome
// keyed by the source context's background colour; monochrome to colour
// through the destination context's text and background colours; otherwise
// through colours (the nearest entry for an indexed destination).
soft::PixelConverter BlitConverter(const soft::DeviceContext& destination, const soft::DeviceContext& source) {
  const soft::Bitmap& to = *destination.selected;
  const soft::Bitmap& from = *source.selected;
  if (from.IsMonochrome() && to.IsMonochrome()) return soft::PixelConverter::Identity();
  const soft::SourceFormat input = from.IsMonochrome() ? soft::MonochromeOnto(destination) : soft::OwnColours(from);
  const soft::TargetFormat output =
      to.IsMonochrome() ? soft::KeyedTarget(source.background) : soft::NearestTarget(to);
  return soft::PixelConverter(input, output);
}

}  // namespace

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy,
                int sourceWidth, int sourceHeight, DWORD rop) {
  soft::DeviceContext* to = soft::LookupDC(dest);
  soft::DeviceContext* from = soft::LookupDC(source);
  if (to == nullptr || from == nullptr || to->isScreen || from->isScreen) return FALSE;
  if (!soft::IsSupportedRop(rop)) return FALSE;
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return FALSE;
  soft::PixelConverter convert = BlitConverter(*to, *from);
  soft::Transfer(*to->selected, {x, y, width, height}, *from->selected, {sx, sy, sourceWidth, sourceHeight},
                 convert, rop);
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
  return StretchBlt(dest, x, y, width, height, source, sx, sy, width, height, rop);
}

}  // namespace plat
