// TBitmap and TCanvas: the window layer's bitmap object and its drawing
// surface, written once on top of the graphics calls of platform/gdi.h.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/dib_rows32.h"
#include "platform/gdi.h"
#include "platform/graphic.h"

namespace plat {

class TBitmap;

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };
enum class TBitmapHandleType { bmDIB, bmDDB };

// The drawing surface of a TBitmap: a memory device context with the
// bitmap selected, made on first use. The context stays the same for the
// canvas's life; whenever the owner changes its bitmap, the new one is
// selected into it.
class TCanvas {
 public:
  explicit TCanvas(TBitmap& owner) : owner_(owner) {}
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The device context with the owner's current bitmap selected.
  HDC Handle();
  // The owner's rows, for drawing on them in place: see TBitmap::PixelRows.
  bool PixelRows(TDibRows32& rows);
  // Draws `graphic` with its top-left corner at (x, y): nothing for a null
  // or empty graphic, else the background colour (brush) and text colour
  // (font) are set on the context and the graphic renders into
  // (x, y, x + width, y + height).
  void Draw(int x, int y, TGraphic* graphic);

  COLORREF BrushColor = RGB(255, 255, 255);
  COLORREF FontColor = RGB(0, 0, 0);

 private:
  friend class TBitmap;
  // The owner's bitmap leaves the context (before the owner replaces or
  // reads it) and comes back (after).
  void Deselect();
  void Reselect();

  TBitmap& owner_;
  HDC dc_ = nullptr;
  HGDIOBJ stock_ = nullptr;  // what the context held before the owner's bitmap
  bool holdsOwner_ = false;
};

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  const char* ClassName() const override { return "TBitmap"; }

  // A TBitmap source gives an exact copy (all four bytes of 32-bit pixels,
  // size, format, handle type, transparency); null empties this bitmap;
  // anything else is asked to copy itself into this bitmap.
  void CopyFrom(TPersistent* source) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Resizing keeps the pixel format and the overlapping content; new area
  // is white. A negative size raises EInvalidGraphic.
  void SetWidth(int width);
  void SetHeight(int height);
  void SetSize(int width, int height);

  // pfDevice for a device-dependent bitmap, else the DIB's depth.
  TPixelFormat PixelFormat() const;
  // Converts the content into a bottom-up DIB of the given depth. Colours
  // are kept exactly where the depth holds them: 24 -> 32 puts 0 in every
  // fourth byte; 1, 4 and 8 bits get a table of exactly the image's colours
  // when they fit, else the fixed table of that depth (platform/
  // colour_tables.h) with each pixel's nearest colour. pfDevice turns the
  // bitmap into a device-dependent one.
  void SetPixelFormat(TPixelFormat format);

  TBitmapHandleType HandleType() const { return type_; }
  // A DDB becomes a DIB of its own depth; a DIB becomes a DDB in the
  // screen's format.
  void SetHandleType(TBitmapHandleType type);

  // The native bitmap handle, owned by this object; nullptr while empty.
  // The canvas lets go of it, so that the caller may select it into a
  // context of its own (a bitmap lives in one context at a time); the
  // canvas takes it back on its next use.
  HBITMAP Handle();
  // Takes ownership of `bitmap`; the former image, size and format are gone.
  // A handle that is not a bitmap raises EInvalidGraphic and is not taken.
  void SetHandle(HBITMAP bitmap);

  // Address of row y counted from the top, whatever the memory order. A
  // device-dependent bitmap is turned into a DIB first. A row outside the
  // image raises EInvalidGraphic.
  void* ScanLine(int y);
  // The rows of a 32-bit DIB that this object made itself, with pending
  // drawing on it finished; false for any other bitmap. (Win32 does not
  // tell the row order of a DIB section handed in from outside.)
  bool PixelRows(TDibRows32& rows);

  TCanvas* Canvas() { return &canvas_; }

  COLORREF TransparentColor = 0;
  bool Transparent = false;

  // TGraphic
  // A stretched SRCCOPY of the whole bitmap into `rect`.
  void Render(TCanvas& canvas, const RECT& rect) override;
  bool IsEmpty() const override { return handle_ == nullptr; }
  int PixelHeight() const override { return height_; }
  HPALETTE PaletteHandle() override { return nullptr; }
  bool IsTransparent() const override { return Transparent; }
  int PixelWidth() const override { return width_; }
  void SetPixelHeight(int height) override { SetHeight(height); }
  void SetPaletteHandle(HPALETTE) override {}
  void SetPixelWidth(int width) override { SetWidth(width); }
  // Bitmap files are not read: raises EInvalidGraphic.
  void LoadFromStream(TStream& stream) override;
  // CF_BITMAP only: takes a copy of the bitmap handle in `data`; other
  // formats and handles that are not bitmaps raise EInvalidGraphic.
  void ReadClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  // Gives CF_BITMAP and a new bitmap handle holding a copy of this image
  // (nullptr for an empty bitmap); no palette.
  void WriteClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;

 private:
  friend class TCanvas;
  // Installs `bitmap` (owned; may be nullptr) in place of the current
  // handle and learns its size and layout from it; a DIB is bottom-up
  // unless `topDown` says otherwise.
  void Replace(HBITMAP bitmap, bool topDown = false);
  // The image as top-down 32-bit pixels (blue, green, red, fourth byte).
  std::vector<std::uint32_t> ReadPixels();
  // Replaces the image with a bottom-up DIB of depth `bitsPerPixel` holding
  // the same pixels.
  void WriteDib(int bitsPerPixel);
  // A new bitmap handle holding an exact copy of this image.
  HBITMAP Duplicate();
  // Copies `other`'s pixels into this bitmap's own memory when this bitmap
  // already has the layout a duplicate of `other` would have; false, and
  // nothing copied, otherwise.
  bool CopyPixelsInPlace(const TBitmap& other);
  // The resized copy of a DIB or a DDB, white beyond the old image.
  HBITMAP ResizedDib(int width, int height);
  HBITMAP ResizedDdb(int width, int height);

  HBITMAP handle_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  TBitmapHandleType type_ = TBitmapHandleType::bmDDB;
  // Depth of the DIB, or of the DDB (0 before any: the screen's). Kept while
  // the bitmap is empty, so that a later size gets the same format.
  int bitsPerPixel_ = 0;
  std::vector<RGBQUAD> colours_;     // the table of an indexed DIB
  std::uint8_t* bits_ = nullptr;     // DIB memory
  bool topDown_ = false;             // memory order of the DIB
  bool madeHere_ = false;            // the handle was made by this object, not handed in
  TCanvas canvas_;
};

}  // namespace plat
