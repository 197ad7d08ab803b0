#include <cstdlib>
#include <memory>

#include "platform/bitmap.h"
#include "platform/gdi.h"
#include "png/pngimage.h"

namespace {

template <class C>
C* AppendChunk(TPNGObject& image) {
  auto* chunk = new C(image);
  image.ChunkList.Append(chunk);
  return chunk;
}

}  // namespace

void TPNGObject::CopyFromBitmap(plat::HBITMAP bitmap, bool transparent, plat::COLORREF key) {
  plat::BITMAP record{};
  plat::GetObjectA(bitmap, sizeof record, &record);
  DropChunks();
  const bool indexed = record.bmBitsPixel < 16;
  auto* header = AppendChunk<TChunkIHDR>(*this);
  TChunkPLTE* palette = indexed ? AppendChunk<TChunkPLTE>(*this) : nullptr;
  TChunktRNS* trns = transparent ? AppendChunk<TChunktRNS>(*this) : nullptr;
  AppendChunk<TChunkIDAT>(*this);
  AppendChunk<TChunkIEND>(*this);

  header->Width = static_cast<std::uint32_t>(record.bmWidth);
  header->Height = static_cast<std::uint32_t>(std::abs(record.bmHeight));
  header->BitDepth = indexed ? static_cast<std::uint8_t>(record.bmBitsPixel) : 8;
  header->ColorType = indexed ? 3 : 2;
  header->CompressionMethod = 0;
  header->InterlaceMethod = 0;
  header->BuildImageBuffers();
  if (header->ColorBits != nullptr) {
    plat::HDC dc = plat::CreateCompatibleDC(nullptr);
    plat::GetDIBits(dc, bitmap, 0, header->Height, header->ColorBits,
                    reinterpret_cast<plat::BITMAPINFO*>(&header->DibInfo), plat::DIB_RGB_COLORS);
    plat::DeleteDC(dc);
  }
  if (palette != nullptr) palette->EntryCount = std::uint32_t{1} << record.bmBitsPixel;
  if (trns != nullptr) trns->SetKeyColor(key);
}

void TPNGObject::ReadClipboardFormat(plat::UINT format, plat::HANDLE data, plat::HPALETTE palette) {
  plat::TBitmap bitmap;
  bitmap.ReadClipboardFormat(format, data, palette);
  CopyFromBitmap(bitmap.Handle(), false, 0);
}

void TPNGObject::WriteClipboardFormat(plat::UINT& format, plat::HANDLE& data, plat::HPALETTE& palette) {
  plat::TBitmap bitmap;
  bitmap.SetWidth(PixelWidth());
  bitmap.SetHeight(PixelHeight());
  Render(*bitmap.Canvas(), plat::RECT{0, 0, bitmap.Width(), bitmap.Height()});
  bitmap.WriteClipboardFormat(format, data, palette);
}
