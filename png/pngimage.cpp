#include "png/pngimage.h"

#include <memory>

#include "platform/gdi.h"
#include "png/pngcrc.h"

namespace {

std::unique_ptr<plat::TGraphic> MakePngObject() { return std::make_unique<TPNGObject>(); }

// Unit start and shut-down: they run whenever the codec is linked, since
// this translation unit holds the image object's constructor.
struct TPngUnit {
  TPngUnit() {
    ClearChunkCrcTable();
    InstallStandardChunkClasses();
    plat::TPicture::RegisterFormat("PNG", "Portable Network Graphics", "TPNGObject", &MakePngObject);
  }
  ~TPngUnit() {
    plat::TPicture::UnregisterFormat("TPNGObject");
    ReleaseChunkRegistry();
  }
};
const TPngUnit PngUnit;

}  // namespace

TPNGObject::TPNGObject() { ResetGamma(); }

TPNGObject::~TPNGObject() {
  DropChunks();
  DeletePaletteCache();
}

void TPNGObject::DeletePaletteCache() {
  if (PaletteHandleCache != nullptr) plat::DeleteObject(PaletteHandleCache);
  PaletteHandleCache = nullptr;
}

void TPNGObject::ResetGamma() {
  for (int i = 0; i < 256; ++i) {
    ForwardGamma[i] = static_cast<std::uint8_t>(i);
    ReverseGamma[i] = static_cast<std::uint8_t>(i);
  }
}

void TPNGObject::DropChunks() {
  ResetGamma();
  textBudgetLeft_ = kImageTextBudget;
  for (std::uint32_t i = 0; i < ChunkList.ItemCount(); ++i) delete ChunkList.ItemAt(i);
  ChunkList.SetCount(0);
}

bool TPNGObject::HasHeader() const {
  const TChunk* first = ChunkList.ItemAt(0);
  return first != nullptr && first->IsOfClass(TChunkIHDR::Class());
}

TChunkIHDR& TPNGObject::RequireHeader() const {
  if (!HasHeader()) SignalError<EPNGHeaderNotPresent>(pnglang::EPNGHeaderNotPresentText);
  return *static_cast<TChunkIHDR*>(ChunkList.ItemAt(0));
}

int TPNGObject::PixelWidth() const { return HasHeader() ? static_cast<int>(RequireHeader().Width) : 0; }

int TPNGObject::PixelHeight() const { return HasHeader() ? static_cast<int>(RequireHeader().Height) : 0; }

void TPNGObject::SetPixelWidth(int) { SignalError<EPngError>(pnglang::EPngErrorResizeText); }

void TPNGObject::SetPixelHeight(int) { SignalError<EPngError>(pnglang::EPngErrorResizeText); }

TRowMetrics TPNGObject::RawRowMetrics() const {
  if (!HasHeader()) return {};
  const TChunkIHDR& h = RequireHeader();
  const std::int64_t w = h.Width;
  const std::int64_t d = h.BitDepth;
  std::int64_t rowBytes = 0;
  std::int64_t pixelStride = 0;
  switch (h.ColorType) {
    case 0: rowBytes = (w * d + 7) / 8; pixelStride = d == 16 ? 2 : 1; break;
    case 3: rowBytes = (w * d + 7) / 8; pixelStride = 1; break;
    case 2: rowBytes = w * d * 3 / 8; pixelStride = d * 3 / 8; break;
    case 4: rowBytes = w * d * 2 / 8; pixelStride = d * 2 / 8; break;
    case 6: rowBytes = w * d * 4 / 8; pixelStride = d * 4 / 8; break;
    default: break;
  }
  return {static_cast<std::int32_t>(rowBytes), static_cast<std::int32_t>(pixelStride)};
}
