#include "platform/bitmap.h"
#include "png/pngimage.h"

void TPNGObject::CopyImage(const TPNGObject& source) {
  if (&source == this) return;
  Interlacing = source.Interlacing;
  SetIdatSplitSize(source.IdatSplitSize());
  EncoderLevel = source.EncoderLevel;
  EncoderFilters = source.EncoderFilters;
  DropChunks();
  for (std::uint32_t i = 0; i < source.ChunkList.ItemCount(); ++i) {
    const TChunk* original = source.ChunkList.ItemAt(i);
    TChunk* copy = original->ChunkClass().Create(*this).release();
    ChunkList.Append(copy);
    copy->CopyChunk(*original);
  }
}

void TPNGObject::CopyFrom(plat::TPersistent* source) {
  if (auto* image = dynamic_cast<TPNGObject*>(source)) {
    CopyImage(*image);
  } else if (auto* bitmap = dynamic_cast<plat::TBitmap*>(source)) {
    CopyFromBitmap(bitmap->Handle(), bitmap->Transparent, bitmap->TransparentColor);
  } else {
    plat::TGraphic::CopyFrom(source);
  }
}
