// The PNG codec's image object: a decoded PNG stream as a list of chunk
// objects, with the colour data as a bottom-up device-independent bitmap
// plus a separate 8-bit alpha plane, drawn and converted through the
// platform layer. Reading only; nothing here writes PNG data.
#pragma once

#include <cstdint>
#include <string>

#include "platform/graphic.h"
#include "platform/stream.h"
#include "platform/wintypes.h"
#include "png/chunk.h"
#include "png/chunk_gamma.h"
#include "png/chunk_header.h"
#include "png/chunk_imagedata.h"
#include "png/chunk_palette.h"
#include "png/chunk_text.h"
#include "png/pngerrors.h"
#include "png/pnglang.h"
#include "png/pnglist.h"

enum TTransparencyKind { trOpaque = 0, trColorKey = 1, trAlpha = 2 };

// The five PNG filter kinds, as bits of a set.
enum TFilter : std::uint8_t {
  pfNone = 1,
  pfSub = 2,
  pfUp = 4,
  pfAverage = 8,
  pfPaeth = 16,
};
using TFilters = std::uint8_t;

struct TRowMetrics {
  std::int32_t rowBytes = 0;     // one row of unfiltered samples
  std::int32_t pixelStride = 0;  // bytes per complete pixel, the filter distance
};

class TPNGObject : public plat::TGraphic {
 public:
  TPNGObject();
  ~TPNGObject() override;
  TPNGObject(const TPNGObject&) = delete;
  TPNGObject& operator=(const TPNGObject&) = delete;

  const char* ClassName() const override { return "TPNGObject"; }

  // Reading and copying.
  void ReadPng(plat::TStream& stream);
  void LoadFromStream(plat::TStream& stream) override { ReadPng(stream); }
  void CopyFrom(plat::TPersistent* source) override;
  void CopyTo(plat::TPersistent* target) override;
  // Whether a copy to a bitmap keeps the stored colours byte for byte:
  // 24-bit colour on a screen of at least 24 bits.
  bool CopiesColoursUnchanged() const;
  void CopyImage(const TPNGObject& source);
  void DropChunks();
  void ResetGamma();

  // The header.
  bool HasHeader() const;
  // The header chunk, or nullptr when the image has none.
  TChunkIHDR* HeaderOrNull() const;
  TChunkIHDR& RequireHeader() const;
  TRowMetrics RawRowMetrics() const;
  int PixelWidth() const override;
  int PixelHeight() const override;
  bool IsEmpty() const override { return ChunkList.ItemCount() == 0; }
  void SetPixelWidth(int width) override;
  void SetPixelHeight(int height) override;

  // Transparency.
  TTransparencyKind TransparencyKind() const;
  plat::COLORREF KeyColor() const;
  bool IsTransparent() const override { return TransparencyKind() != trOpaque; }

  // Drawing.
  void Render(plat::TCanvas& canvas, const plat::RECT& rect) override;

  // Rows.
  std::uint8_t* AlphaRow(int y) const;
  std::uint8_t* ColorRow(int y) const;

  // Rebuilding, pixels, palette and clipboard.
  void CopyFromBitmap(plat::HBITMAP bitmap, bool transparent, plat::COLORREF key);
  virtual plat::COLORREF PixelColor(int x, int y);
  virtual void SetPixelColor(int x, int y, plat::COLORREF colour);
  plat::HPALETTE PaletteHandle() override;
  void SetPaletteHandle(plat::HPALETTE palette) override;
  void ReadClipboardFormat(plat::UINT format, plat::HANDLE data, plat::HPALETTE palette) override;
  void WriteClipboardFormat(plat::UINT& format, plat::HANDLE& data, plat::HPALETTE& palette) override;

  // Every codec error is raised through here.
  template <class E>
  [[noreturn]] static void SignalError(const std::string& message) {
    throw E(message);
  }

  // What the texts read so far leave of kImageTextBudget; every read starts
  // with all of it.
  std::size_t TextBudgetLeft() const { return textBudgetLeft_; }
  void SpendTextBudget(std::size_t bytes) { textBudgetLeft_ -= bytes < textBudgetLeft_ ? bytes : textBudgetLeft_; }

  std::uint32_t IdatSplitSize() const { return idatSplitSize_; }
  // Values below 65535 are stored as 65535.
  void SetIdatSplitSize(std::uint32_t size) { idatSplitSize_ = size < 65535 ? 65535 : size; }

  TPNGList ChunkList{this};
  std::uint8_t ForwardGamma[256];
  std::uint8_t ReverseGamma[256];
  plat::HPALETTE PaletteHandleCache = nullptr;
  std::uint8_t Interlacing = 0;
  TFilters EncoderFilters = pfSub;
  std::uint8_t EncoderLevel = 7;

 private:
  void RenderAlpha(plat::TCanvas& canvas, const plat::RECT& rect);
  void DeletePaletteCache();
  // Destroys every chunk, leaving their slots in the list.
  void DeleteChunks();
  // The palette index nearest to `colour` among the first entries a pixel
  // field of `fieldEntries` values can hold.
  int NearestStoredIndex(plat::COLORREF colour, int fieldEntries);

  std::uint32_t idatSplitSize_ = 65535;
  std::size_t textBudgetLeft_ = kImageTextBudget;
};

// Colour-key masking of a bottom-up DIB into a rectangle of `dc`.
void RenderColorKeyed(plat::HDC dc, const void* bits, const plat::BITMAPINFOHEADER& header,
                      const plat::BITMAPINFO* description, const plat::RECT& rect,
                      plat::COLORREF key);
