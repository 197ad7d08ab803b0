// Native bitmap handles as TBitmap uses them: what a handle holds, and new
// handles made from old ones. Only calls of platform/gdi.h.
#pragma once

#include <vector>

#include "platform/dib_pixels.h"
#include "platform/gdi.h"

namespace plat::handles {

// What GetObjectA tells about a bitmap handle.
struct Facts {
  bool isBitmap = false;
  bool isDib = false;
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  bool topDown = false;          // memory order; see InspectForeign
  std::uint8_t* bits = nullptr;  // DIB memory

  // A DIB whose memory the window layer reads itself.
  bool Readable() const;
  dib::Layout Layout() const { return {bits, width, height, bitsPerPixel, topDown}; }
};
// GetObjectA reports every DIB section with a positive height, so this
// takes a DIB section to be bottom-up, as every DIB this layer makes is.
Facts Inspect(HBITMAP bitmap);
// Inspect, with the memory order of a DIB section made elsewhere: its
// first and last rows in memory are marked for a moment, and GetDIBits,
// which knows the order, tells which of them is the bottom row.
Facts InspectForeign(HBITMAP bitmap);

// The colour table of an indexed DIB (2^bpp entries).
std::vector<RGBQUAD> ColourTable(HBITMAP bitmap, const Facts& facts);

// A bitmap description with room for a full colour table.
BITMAPINFO256 DibInfo(int width, int height, int bitsPerPixel, const std::vector<RGBQUAD>& table);

// A memory device context compatible with the screen, with `selected`
// selected while it lives.
class MemoryDc {
 public:
  explicit MemoryDc(HBITMAP selected);
  ~MemoryDc();
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC Handle() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

// A new bottom-up DIB of `width` x `height` at the source's depth and with
// `table`, white beyond the top-left area copied from `source` (bits may be
// null: all white). Raises EOutOfMemory when it cannot be made.
HBITMAP ResizedDib(const dib::Layout& source, const std::vector<RGBQUAD>& table, int width, int height);

// A new device-dependent bitmap of `width` x `height` (monochrome when
// `monochrome`, else the screen's format), white beyond the top-left area
// copied from `source` (may be null). `source` must not be selected into a
// device context. Raises EOutOfMemory when it cannot be made.
HBITMAP ResizedDdb(HBITMAP source, int sourceWidth, int sourceHeight, bool monochrome, int width, int height);

// A new bottom-up DIB of depth `bitsPerPixel` holding top-down 32-bit
// `pixels`; indexed depths get the table dib::ChooseColourTable picks.
HBITMAP DibFromPixels(const std::vector<std::uint32_t>& pixels, int width, int height, int bitsPerPixel);

// A new bottom-up DIB of 24 or 32 bits holding the pixels of `source`
// (indexed ones through `table`), converted a row at a time.
HBITMAP DibAtDepth(const dib::Layout& source, const std::vector<RGBQUAD>& table, int bitsPerPixel);
// The same for a bitmap that no device context holds, read through
// GetDIBits straight into the new DIB's memory.
HBITMAP DibAtDepth(HBITMAP source, int width, int height, int bitsPerPixel);

// A new device-dependent bitmap in the screen's format holding top-down
// 32-bit `pixels`.
HBITMAP DdbFromPixels(const std::vector<std::uint32_t>& pixels, int width, int height);

// The pixels of a bitmap that no device context holds, through GetDIBits
// (top-down, 32-bit).
std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap, int width, int height);

}  // namespace plat::handles
