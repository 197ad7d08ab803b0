#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/bitmap.h"
#include "platform/gdi.h"
#include "png/alpha_blend.h"
#include "png/pngimage.h"

namespace {

// The memory device context and 32-bit top-down surface of one alpha
// drawing onto a destination whose pixels are not reachable in place,
// released on every way out.
class TAlphaSurface {
 public:
  TAlphaSurface(int width, int height) : width_(width), height_(height) {
    plat::BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(plat::BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = plat::BI_RGB;
    dc_ = plat::CreateCompatibleDC(nullptr);
    if (dc_ == nullptr) TPNGObject::SignalError<EPNGOutMemory>(pnglang::EPNGOutMemoryText);
    void* bits = nullptr;
    surface_ = plat::CreateDIBSection(dc_, &info, plat::DIB_RGB_COLORS, &bits, nullptr, 0);
    if (surface_ == nullptr || bits == nullptr) {
      if (surface_ != nullptr) plat::DeleteObject(surface_);
      plat::DeleteDC(dc_);
      TPNGObject::SignalError<EPNGOutMemory>(pnglang::EPNGOutMemoryText);
    }
    pixels_ = static_cast<std::uint8_t*>(bits);
    previous_ = plat::SelectObject(dc_, surface_);
  }
  ~TAlphaSurface() {
    plat::SelectObject(dc_, previous_);
    plat::DeleteObject(surface_);
    plat::DeleteDC(dc_);
  }
  TAlphaSurface(const TAlphaSurface&) = delete;
  TAlphaSurface& operator=(const TAlphaSurface&) = delete;

  plat::HDC Dc() const { return dc_; }
  plat::TDibRows32 Rows() const { return {pixels_, static_cast<std::ptrdiff_t>(4) * width_, width_, height_}; }

 private:
  int width_;
  int height_;
  plat::HDC dc_ = nullptr;
  plat::HBITMAP surface_ = nullptr;
  plat::HGDIOBJ previous_ = nullptr;
  std::uint8_t* pixels_ = nullptr;
};

// Unpacks exactly `width` indices of a stored row of 1, 4 or 8 bits per
// pixel, leftmost pixel in the most significant bits.
void UnpackIndices(const std::uint8_t* row, int bitsPerPixel, int width, std::uint8_t* out) {
  switch (bitsPerPixel) {
    case 1:
      for (int x = 0; x < width; ++x) out[x] = (row[x / 8] >> (7 - x % 8)) & 1;
      break;
    case 4:
      for (int x = 0; x < width; ++x) out[x] = (row[x / 2] >> ((x % 2) ? 0 : 4)) & 15;
      break;
    default:
      std::memcpy(out, row, static_cast<std::size_t>(width));
      break;
  }
}

// Colours (blue, green, red) and alphas of the palette entries an indexed
// image may use; entries at or beyond `entryCount` have none.
struct TPaletteBlend {
  std::uint8_t colour[256][3]{};
  std::uint8_t alpha[256]{};
  std::uint32_t entryCount = 0;
};

TPaletteBlend MakePaletteBlend(const TPNGObject& image) {
  TPaletteBlend blend;
  const auto* palette = image.ChunkList.FirstOfClass<TChunkPLTE>();
  const auto* trns = image.ChunkList.FirstOfClass<TChunktRNS>();
  // An indexed image without a palette has no entry for any pixel.
  if (palette == nullptr) TPNGObject::SignalError<EPngError>(pnglang::EPngErrorNoPaletteEntryText);
  blend.entryCount = palette->EntryCount;
  for (std::uint32_t i = 0; i < palette->EntryCount; ++i) {
    const std::uint32_t rgb = palette->PaletteEntry(i);
    blend.colour[i][0] = static_cast<std::uint8_t>(rgb);
    blend.colour[i][1] = static_cast<std::uint8_t>(rgb >> 8);
    blend.colour[i][2] = static_cast<std::uint8_t>(rgb >> 16);
    blend.alpha[i] = trns != nullptr ? trns->AlphaTable[i] : 255;
  }
  return blend;
}

// Every pixel of every row, drawn or clipped, must have a palette entry;
// checked before anything is drawn, so that a failure leaves the
// destination untouched.
void CheckPaletteIndices(const TChunkIHDR& header, const TPaletteBlend& palette, std::vector<std::uint8_t>& indices) {
  const int w = static_cast<int>(header.Width);
  if (w == 0) return;
  for (int y = 0; y < static_cast<int>(header.Height); ++y) {
    UnpackIndices(header.StoredColourRow(y), header.DibInfo.bmiHeader.biBitCount, w, indices.data());
    if (*std::max_element(indices.begin(), indices.end()) >= palette.entryCount) {
      TPNGObject::SignalError<EPngError>(pnglang::EPngErrorNoPaletteEntryText);
    }
  }
}

void BlendIndexed(const TChunkIHDR& header, const TPaletteBlend& palette, std::vector<std::uint8_t>& indices,
                  const TPlacement& place) {
  const int w = static_cast<int>(header.Width);
  for (int y = place.firstY; y < place.lastY; ++y) {
    UnpackIndices(header.StoredColourRow(y), header.DibInfo.bmiHeader.biBitCount, w, indices.data());
    std::uint8_t* t = place.At(place.firstX, y);
    for (int x = place.firstX; x < place.lastX; ++x, t += 4) {
      const std::uint8_t* s = palette.colour[indices[x]];
      const unsigned a = palette.alpha[indices[x]];
      t[0] = BlendChannel(s[0], a, t[0]);
      t[1] = BlendChannel(s[1], a, t[1]);
      t[2] = BlendChannel(s[2], a, t[2]);
    }
  }
}

// The runs of an image with an alpha plane, learned on its first drawing.
const TAlphaRuns& LearnedRuns(TChunkIHDR& header) {
  if (!header.AlphaRuns) {
    try {
      header.AlphaRuns = std::make_unique<TAlphaRuns>(header);
    } catch (const std::bad_alloc&) {
      TPNGObject::SignalError<EPNGOutMemory>(pnglang::EPNGOutMemoryText);
    }
  }
  return *header.AlphaRuns;
}

// Blends a w x h image onto the canvas with its top-left corner at (left,
// top). A canvas whose rows are reachable (a 32-bit DIB) is drawn on in
// place: the same pixels as through a temporary surface fetched and
// written back 1:1, without the surface and the two copies.
template <class Blend>
void DrawOnto(plat::TCanvas& canvas, const plat::RECT& rect, int w, int h, Blend blend) {
  plat::TDibRows32 direct;
  if (canvas.PixelRows(direct)) {
    blend(Place(direct, rect.left, rect.top, w, h));
    return;
  }
  plat::HDC dc = canvas.Handle();
  TAlphaSurface surface(w, h);
  plat::StretchBlt(surface.Dc(), 0, 0, w, h, dc, rect.left, rect.top, w, h, plat::SRCCOPY);
  blend(Place(surface.Rows(), 0, 0, w, h));
  plat::StretchBlt(dc, rect.left, rect.top, w, h, surface.Dc(), 0, 0, w, h, plat::SRCCOPY);
}

}  // namespace

void TPNGObject::Render(plat::TCanvas& canvas, const plat::RECT& rect) {
  TChunkIHDR* found = HeaderOrNull();
  if (found == nullptr) return;
  TChunkIHDR& header = *found;
  // A header that failed its own checks holds no colour data to draw.
  if (header.ColorBits == nullptr) return;
  const auto* description = reinterpret_cast<const plat::BITMAPINFO*>(&header.DibInfo);
  switch (TransparencyKind()) {
    case trColorKey:
      RenderColorKeyed(canvas.Handle(), header.ColorBits, header.DibInfo.bmiHeader, description, rect,
                       KeyColor());
      break;
    case trAlpha:
      RenderAlpha(canvas, rect);
      break;
    default:
      plat::StretchDIBits(canvas.Handle(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                          0, 0, static_cast<int>(header.Width), static_cast<int>(header.Height),
                          header.ColorBits, description, plat::DIB_RGB_COLORS, plat::SRCCOPY);
      break;
  }
}

void TPNGObject::RenderAlpha(plat::TCanvas& canvas, const plat::RECT& rect) {
  TChunkIHDR& header = RequireHeader();
  const int w = static_cast<int>(header.Width);
  const int h = static_cast<int>(header.Height);
  if (header.DibInfo.bmiHeader.biBitCount <= 8 && header.ColorType == 3) {
    const TPaletteBlend palette = MakePaletteBlend(*this);
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(w));
    CheckPaletteIndices(header, palette, indices);
    DrawOnto(canvas, rect, w, h, [&](const TPlacement& place) { BlendIndexed(header, palette, indices, place); });
    return;
  }
  // Grey and RGB images take their alpha from the plane.
  if (!header.AlphaPlane) return;
  static const TBlendRuns blend = ChooseBlendRuns();
  const TAlphaRuns& runs = LearnedRuns(header);
  DrawOnto(canvas, rect, w, h, [&](const TPlacement& place) { blend(runs, place); });
}
