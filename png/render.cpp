#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/bitmap.h"
#include "platform/gdi.h"
#include "png/pngimage.h"

namespace {

// The memory device context and 32-bit top-down surface of one alpha
// drawing, released on every way out.
class TAlphaSurface {
 public:
  TAlphaSurface(int width, int height) {
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
  std::uint8_t* Pixels() const { return pixels_; }

 private:
  plat::HDC dc_ = nullptr;
  plat::HBITMAP surface_ = nullptr;
  plat::HGDIOBJ previous_ = nullptr;
  std::uint8_t* pixels_ = nullptr;
};

inline std::uint8_t Blend(unsigned s, unsigned a, unsigned d) {
  return static_cast<std::uint8_t>((s * a + 255 + (255 - a) * d) >> 8);
}

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

}  // namespace

void TPNGObject::Render(plat::TCanvas& canvas, const plat::RECT& rect) {
  if (!HasHeader()) return;
  TChunkIHDR& header = RequireHeader();
  // A header that failed its own checks holds no colour data to draw.
  if (header.ColorBits == nullptr) return;
  const auto* description = reinterpret_cast<const plat::BITMAPINFO*>(&header.DibInfo);
  switch (TransparencyKind()) {
    case trColorKey:
      RenderColorKeyed(canvas.Handle(), header.ColorBits, header.DibInfo.bmiHeader, description, rect,
                       KeyColor());
      break;
    case trAlpha:
      RenderAlpha(canvas.Handle(), rect);
      break;
    default:
      plat::StretchDIBits(canvas.Handle(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                          0, 0, static_cast<int>(header.Width), static_cast<int>(header.Height),
                          header.ColorBits, description, plat::DIB_RGB_COLORS, plat::SRCCOPY);
      break;
  }
}

void TPNGObject::RenderAlpha(plat::HDC dc, const plat::RECT& rect) {
  const TChunkIHDR& header = RequireHeader();
  const int w = static_cast<int>(header.Width);
  const int h = static_cast<int>(header.Height);
  const int bpp = header.DibInfo.bmiHeader.biBitCount;
  const bool indexed = bpp <= 8 && header.ColorType == 3;
  // Checked before anything is made, so the destination stays untouched.
  const TPaletteBlend palette = indexed ? MakePaletteBlend(*this) : TPaletteBlend{};
  // Grey and RGB images take their alpha from the plane.
  if (!indexed && !header.AlphaPlane) return;

  TAlphaSurface surface(w, h);
  plat::StretchBlt(surface.Dc(), 0, 0, w, h, dc, rect.left, rect.top, w, h, plat::SRCCOPY);

  std::vector<std::uint8_t> indices(bpp <= 8 ? static_cast<std::size_t>(w) : 0);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* t = surface.Pixels() + static_cast<std::size_t>(4) * w * y;
    const std::uint8_t* stored = ColorRow(y);
    const std::uint8_t* alpha = header.AlphaPlane ? header.AlphaPlane.get() + static_cast<std::size_t>(y) * w
                                                  : nullptr;
    if (bpp == 24) {
      for (int x = 0; x < w; ++x, t += 4) {
        const unsigned a = alpha[x];
        t[0] = Blend(stored[3 * x], a, t[0]);
        t[1] = Blend(stored[3 * x + 1], a, t[1]);
        t[2] = Blend(stored[3 * x + 2], a, t[2]);
      }
      continue;
    }
    UnpackIndices(stored, bpp, w, indices.data());
    if (indexed) {
      if (w > 0 && *std::max_element(indices.begin(), indices.end()) >= palette.entryCount) {
        SignalError<EPngError>(pnglang::EPngErrorNoPaletteEntryText);
      }
      for (int x = 0; x < w; ++x, t += 4) {
        const std::uint8_t* s = palette.colour[indices[x]];
        const unsigned a = palette.alpha[indices[x]];
        t[0] = Blend(s[0], a, t[0]);
        t[1] = Blend(s[1], a, t[1]);
        t[2] = Blend(s[2], a, t[2]);
      }
    } else {
      // Grey with alpha: the stored level in all three channels.
      for (int x = 0; x < w; ++x, t += 4) {
        const unsigned s = indices[x];
        const unsigned a = alpha[x];
        t[0] = Blend(s, a, t[0]);
        t[1] = Blend(s, a, t[1]);
        t[2] = Blend(s, a, t[2]);
      }
    }
  }
  plat::StretchBlt(dc, rect.left, rect.top, w, h, surface.Dc(), 0, 0, w, h, plat::SRCCOPY);
}
