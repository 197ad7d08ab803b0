#include "platform/bitmap_handles.h"

#include <algorithm>

#include "platform/exception.h"

namespace plat::handles {

namespace {

const char* const kOutOfResources = "Out of system resources";

BITMAPINFO* AsInfo(BITMAPINFO256& info) { return reinterpret_cast<BITMAPINFO*>(&info); }

struct NewDib {
  HBITMAP handle;
  std::uint8_t* bits;
};
NewDib MakeDib(int width, int height, int bitsPerPixel, const std::vector<RGBQUAD>& table) {
  BITMAPINFO256 info = DibInfo(width, height, bitsPerPixel, table);
  void* bits = nullptr;
  HBITMAP made = CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (made == nullptr || bits == nullptr) {
    if (made != nullptr) DeleteObject(made);
    throw EOutOfMemory(kOutOfResources);
  }
  return {made, static_cast<std::uint8_t*>(bits)};
}

// Rows of `bitmap` into `bits`, laid out as `info` says.
void ReadRows(HBITMAP bitmap, int height, void* bits, BITMAPINFO256& info) {
  MemoryDc dc(nullptr);
  const int lines = GetDIBits(dc.Handle(), bitmap, 0, static_cast<UINT>(height), bits, AsInfo(info), DIB_RGB_COLORS);
  if (lines != height) throw EInvalidGraphic("Bitmap image is not valid");
}

}  // namespace


bool Facts::Readable() const { return isDib && dib::IsHandledDepth(bitsPerPixel); }

Facts Inspect(HBITMAP bitmap) {
  Facts facts;
  if (bitmap == nullptr) return facts;
  DIBSECTION section{};
  const int got = GetObjectA(bitmap, sizeof section, &section);
  if (got == static_cast<int>(sizeof(DIBSECTION))) {
    facts.isDib = true;
    facts.bits = static_cast<std::uint8_t*>(section.dsBm.bmBits);
  } else if (got != static_cast<int>(sizeof(BITMAP))) {
    return facts;
  }
  facts.isBitmap = true;
  facts.width = section.dsBm.bmWidth;
  facts.height = section.dsBm.bmHeight < 0 ? -section.dsBm.bmHeight : section.dsBm.bmHeight;
  facts.bitsPerPixel = section.dsBm.bmBitsPixel;
  return facts;
}

Facts InspectForeign(HBITMAP bitmap) {
  Facts facts = Inspect(bitmap);
  if (!facts.Readable() || facts.bits == nullptr || facts.height < 2) return facts;
  // First bytes for the two rows that make their pixel 0 read back as
  // different colours: blue 0 and 255, or index 0 and the first index of
  // another colour. Where every index has one colour, nothing can tell the
  // rows apart, and the section is taken as bottom-up.
  std::uint8_t marked = 0xFF;
  std::uint32_t markedColour = 0xFF, colourBits = 0xFF;
  if (facts.bitsPerPixel <= 8) {
    const std::vector<RGBQUAD> table = ColourTable(bitmap, facts);
    const auto other = std::find_if(table.begin(), table.end(),
                                    [&](const RGBQUAD& c) { return dib::ColourOf(c) != dib::ColourOf(table[0]); });
    if (other == table.end()) return facts;
    marked = static_cast<std::uint8_t>((other - table.begin()) << (8 - facts.bitsPerPixel));
    markedColour = dib::ColourOf(*other);
    colourBits = 0xFFFFFF;
  }
  std::uint8_t* first = facts.bits;
  std::uint8_t* last = facts.bits + static_cast<std::size_t>(facts.height - 1) * facts.Layout().Stride();
  std::vector<std::uint32_t> bottom(static_cast<std::size_t>(facts.width));
  BITMAPINFO256 info = DibInfo(facts.width, facts.height, 32, {});
  MemoryDc dc(nullptr);
  GdiFlush();
  const std::uint8_t savedFirst = *first, savedLast = *last;
  *first = 0x00;
  *last = marked;
  // Scan line 0 is the bottom row of the image.
  const int lines = GetDIBits(dc.Handle(), bitmap, 0, 1, bottom.data(), AsInfo(info), DIB_RGB_COLORS);
  *first = savedFirst;
  *last = savedLast;
  facts.topDown = lines == 1 && (bottom[0] & colourBits) == markedColour;
  return facts;
}

std::vector<RGBQUAD> ColourTable(HBITMAP bitmap, const Facts& facts) {
  BITMAPINFO256 info = DibInfo(facts.width, facts.height, facts.bitsPerPixel, {});
  MemoryDc dc(nullptr);
  GetDIBits(dc.Handle(), bitmap, 0, static_cast<UINT>(facts.height), nullptr, AsInfo(info), DIB_RGB_COLORS);
  return std::vector<RGBQUAD>(info.bmiColors, info.bmiColors + (std::size_t{1} << facts.bitsPerPixel));
}

BITMAPINFO256 DibInfo(int width, int height, int bitsPerPixel, const std::vector<RGBQUAD>& table) {
  BITMAPINFO256 info{};
  BITMAPINFOHEADER& h = info.bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bitsPerPixel);
  h.biCompression = BI_RGB;
  std::copy_n(table.begin(), std::min<std::size_t>(table.size(), 256), info.bmiColors);
  return info;
}

MemoryDc::MemoryDc(HBITMAP selected) : dc_(CreateCompatibleDC(nullptr)) {
  if (dc_ == nullptr) throw EOutOfMemory(kOutOfResources);
  if (selected == nullptr) return;
  previous_ = SelectObject(dc_, selected);
  if (previous_ == nullptr) {
    DeleteDC(dc_);
    throw EInvalidGraphic("Bitmap is in use by another device context");
  }
}

MemoryDc::~MemoryDc() {
  if (previous_ != nullptr) SelectObject(dc_, previous_);
  DeleteDC(dc_);
}

HBITMAP ResizedDib(const dib::Layout& source, const std::vector<RGBQUAD>& table, int width, int height) {
  const NewDib made = MakeDib(width, height, source.bitsPerPixel, table);
  const dib::Layout target{made.bits, width, height, source.bitsPerPixel, false};
  const bool covered = source.bits != nullptr && source.width >= width && source.height >= height;
  if (!covered) dib::FillWhite(target, table);
  if (source.bits != nullptr) {
    GdiFlush();
    dib::CopyOverlap(source, target);
  }
  return made.handle;
}

HBITMAP ResizedDdb(HBITMAP source, int sourceWidth, int sourceHeight, bool monochrome, int width, int height) {
  HBITMAP made = nullptr;
  if (monochrome) {
    made = CreateBitmap(width, height, 1, 1, nullptr);
  } else {
    HDC screen = GetDC(nullptr);
    made = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
  }
  if (made == nullptr) throw EOutOfMemory(kOutOfResources);
  try {
    MemoryDc target(made);
    static const BYTE kWhitePixel[4] = {255, 255, 255, 0};
    BITMAPINFO256 one = DibInfo(1, 1, 32, {});
    StretchDIBits(target.Handle(), 0, 0, width, height, 0, 0, 1, 1, kWhitePixel, AsInfo(one), DIB_RGB_COLORS,
                  SRCCOPY);
    if (source != nullptr) {
      MemoryDc from(source);
      BitBlt(target.Handle(), 0, 0, std::min(width, sourceWidth), std::min(height, sourceHeight), from.Handle(), 0,
             0, SRCCOPY);
    }
  } catch (...) {
    DeleteObject(made);
    throw;
  }
  return made;
}

HBITMAP DibFromPixels(const std::vector<std::uint32_t>& pixels, int width, int height, int bitsPerPixel) {
  const std::vector<RGBQUAD> table =
      bitsPerPixel <= 8 ? dib::ChooseColourTable(pixels, bitsPerPixel) : std::vector<RGBQUAD>{};
  const NewDib made = MakeDib(width, height, bitsPerPixel, table);
  dib::Encode(pixels, dib::Layout{made.bits, width, height, bitsPerPixel, false}, table);
  return made.handle;
}

HBITMAP DibAtDepth(const dib::Layout& source, const std::vector<RGBQUAD>& table, int bitsPerPixel) {
  const NewDib made = MakeDib(source.width, source.height, bitsPerPixel, {});
  GdiFlush();
  dib::Transcode(source, table, dib::Layout{made.bits, source.width, source.height, bitsPerPixel, false});
  return made.handle;
}

HBITMAP DibAtDepth(HBITMAP source, int width, int height, int bitsPerPixel) {
  const NewDib made = MakeDib(width, height, bitsPerPixel, {});
  BITMAPINFO256 info = DibInfo(width, height, bitsPerPixel, {});
  try {
    ReadRows(source, height, made.bits, info);
  } catch (...) {
    DeleteObject(made.handle);
    throw;
  }
  return made.handle;
}

HBITMAP DdbFromPixels(const std::vector<std::uint32_t>& pixels, int width, int height) {
  std::vector<std::uint8_t> bytes(pixels.size() * 4);
  dib::Encode(pixels, dib::Layout{bytes.data(), width, height, 32, true}, {});
  BITMAPINFO256 info = DibInfo(width, -height, 32, {});
  HDC screen = GetDC(nullptr);
  HBITMAP made = CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, bytes.data(), AsInfo(info), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (made == nullptr) throw EOutOfMemory(kOutOfResources);
  return made;
}

std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap, int width, int height) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  BITMAPINFO256 info = DibInfo(width, -height, 32, {});
  ReadRows(bitmap, height, bytes.data(), info);
  return dib::Decode(dib::Layout{bytes.data(), width, height, 32, true}, {});
}

}  // namespace plat::handles
