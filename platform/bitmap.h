// TBitmap and TCanvas: the window layer's bitmap object and its drawing
// surface, written once on top of the graphics calls of platform/gdi.h.
#pragma once

#include <memory>

#include "platform/gdi.h"
#include "platform/graphic.h"

namespace plat {

class TBitmap;

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };
enum class TBitmapHandleType { bmDIB, bmDDB };

// The drawing surface of a TBitmap: a memory device context with the
// bitmap selected, made on first use.
class TCanvas {
 public:
  explicit TCanvas(TBitmap& owner) : owner_(owner) {}
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The device context with the owner's current bitmap selected.
  HDC Handle();
  // Draws `graphic` with its top-left corner at (x, y): nothing for an empty
  // graphic, else the background colour (brush) and text colour (font) are
  // set on the context and the graphic renders into
  // (x, y, x + width, y + height).
  void Draw(int x, int y, TGraphic* graphic);

  COLORREF BrushColor = RGB(255, 255, 255);
  COLORREF FontColor = RGB(0, 0, 0);

 private:
  friend class TBitmap;
  void Deselect();  // lets the owner replace its bitmap

  TBitmap& owner_;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  const char* ClassName() const override { return "TBitmap"; }

  // A TBitmap source gives an exact copy (all four bytes of 32-bit pixels,
  // size, format, handle type, transparency); anything else is asked to
  // copy itself into this bitmap.
  void CopyFrom(TPersistent* source) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Resizing keeps the pixel format and the overlapping content; new area
  // is white.
  void SetWidth(int width);
  void SetHeight(int height);
  void SetSize(int width, int height);

  TPixelFormat PixelFormat() const;
  // Converts the content into a bottom-up DIB of the given depth, colours
  // preserved as far as the depth allows (24 -> 32 puts 0 in every fourth
  // byte). pfDevice turns the bitmap into a device-dependent one.
  void SetPixelFormat(TPixelFormat format);

  TBitmapHandleType HandleType() const;
  void SetHandleType(TBitmapHandleType type);

  // The native bitmap handle, owned by this object.
  HBITMAP Handle() const { return handle_; }
  // Takes ownership of `bitmap`; the former image, size and format are gone.
  void SetHandle(HBITMAP bitmap);

  // Address of row y counted from the top, whatever the memory order. A
  // device-dependent bitmap is turned into a DIB first.
  void* ScanLine(int y);

  TCanvas* Canvas() { return &canvas_; }

  COLORREF TransparentColor = 0;
  bool Transparent = false;

  // TGraphic
  void Render(TCanvas& canvas, const RECT& rect) override;
  bool IsEmpty() const override { return handle_ == nullptr || width_ == 0 || height_ == 0; }
  int PixelHeight() const override { return height_; }
  HPALETTE PaletteHandle() override { return nullptr; }
  bool IsTransparent() const override { return Transparent; }
  int PixelWidth() const override { return width_; }
  void SetPixelHeight(int height) override { SetHeight(height); }
  void SetPaletteHandle(HPALETTE) override {}
  void SetPixelWidth(int width) override { SetWidth(width); }
  void LoadFromStream(TStream& stream) override;
  // CF_BITMAP only: reads a copy of the bitmap handle in `data`.
  void ReadClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  // Gives CF_BITMAP and a new bitmap handle holding a copy of this image.
  void WriteClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;

 private:
  friend class TCanvas;
  void Replace(HBITMAP bitmap);  // installs a new handle and reads its size

  HBITMAP handle_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  TCanvas canvas_;
};

}  // namespace plat
