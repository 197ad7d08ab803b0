#include "png/pngimage.h"

#include <cstring>
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
  DeleteChunks();
  DeletePaletteCache();
}

void TPNGObject::DeletePaletteCache() {
  if (PaletteHandleCache != nullptr) plat::DeleteObject(PaletteHandleCache);
  PaletteHandleCache = nullptr;
}

void TPNGObject::ResetGamma() {
  std::memcpy(ForwardGamma, IdentityGamma(), 256);
  std::memcpy(ReverseGamma, IdentityGamma(), 256);
}

void TPNGObject::DropChunks() {
  ResetGamma();
  textBudgetLeft_ = kImageTextBudget;
  DeleteChunks();
  ChunkList.SetCount(0);
}

void TPNGObject::DeleteChunks() {
  for (std::uint32_t i = 0; i < ChunkList.ItemCount(); ++i) delete ChunkList.ItemAt(i);
}

TChunkIHDR* TPNGObject::HeaderOrNull() const {
  TChunk* first = ChunkList.ItemAt(0);
  if (first == nullptr) return nullptr;
  // Asked several times for every picture drawn: the class itself is the
  // usual answer, and is checked before the chain of parents.
  static const TChunkClass& headerClass = TChunkIHDR::Class();
  const TChunkClass& kind = first->ChunkClass();
  return &kind == &headerClass || kind.InheritsFrom(headerClass) ? static_cast<TChunkIHDR*>(first) : nullptr;
}

bool TPNGObject::HasHeader() const { return HeaderOrNull() != nullptr; }

TChunkIHDR& TPNGObject::RequireHeader() const {
  TChunkIHDR* header = HeaderOrNull();
  if (header == nullptr) SignalError<EPNGHeaderNotPresent>(pnglang::EPNGHeaderNotPresentText);
  return *header;
}

int TPNGObject::PixelWidth() const {
  const TChunkIHDR* header = HeaderOrNull();
  return header != nullptr ? static_cast<int>(header->Width) : 0;
}

int TPNGObject::PixelHeight() const {
  const TChunkIHDR* header = HeaderOrNull();
  return header != nullptr ? static_cast<int>(header->Height) : 0;
}

void TPNGObject::SetPixelWidth(int) { SignalError<EPngError>(pnglang::EPngErrorResizeText); }

void TPNGObject::SetPixelHeight(int) { SignalError<EPngError>(pnglang::EPngErrorResizeText); }

TRowMetrics TPNGObject::RawRowMetrics() const {
  const TChunkIHDR* header = HeaderOrNull();
  if (header == nullptr) return {};
  const TChunkIHDR& h = *header;
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
