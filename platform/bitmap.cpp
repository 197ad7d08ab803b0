#include "platform/bitmap.h"

#include <limits>

#include "platform/bitmap_handles.h"
#include "platform/colour_tables.h"
#include "platform/exception.h"

namespace plat {

namespace {

int DepthOf(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
    case TPixelFormat::pfDevice: break;
  }
  return 0;
}

TPixelFormat FormatOf(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 24: return TPixelFormat::pf24bit;
    default: return TPixelFormat::pf32bit;
  }
}

const char* const kNotABitmap = "Bitmap image is not valid";

}  // namespace

TBitmap::TBitmap() : canvas_(*this) {}

TBitmap::~TBitmap() {
  canvas_.Deselect();
  if (handle_ != nullptr) DeleteObject(handle_);
}

void TBitmap::Replace(HBITMAP bitmap, bool topDown) {
  canvas_.Deselect();
  if (handle_ != nullptr) DeleteObject(handle_);
  handle_ = bitmap;
  width_ = 0;
  height_ = 0;
  bits_ = nullptr;
  topDown_ = false;
  madeHere_ = true;
  if (bitmap != nullptr) {
    const handles::Facts facts = handles::Inspect(bitmap);
    width_ = facts.width;
    height_ = facts.height;
    type_ = facts.isDib ? TBitmapHandleType::bmDIB : TBitmapHandleType::bmDDB;
    bitsPerPixel_ = facts.bitsPerPixel;
    bits_ = facts.bits;
    topDown_ = facts.isDib && topDown;
    colours_ = facts.Readable() && facts.bitsPerPixel <= 8 ? handles::ColourTable(bitmap, facts)
                                                           : std::vector<RGBQUAD>{};
  }
  canvas_.Reselect();
}

std::vector<std::uint32_t> TBitmap::ReadPixels() {
  // A DIB of another depth (such as 16 bits) is read through GetDIBits.
  if (type_ == TBitmapHandleType::bmDIB && bits_ != nullptr && dib::IsHandledDepth(bitsPerPixel_)) {
    GdiFlush();
    return dib::Decode(dib::Layout{bits_, width_, height_, bitsPerPixel_, topDown_}, colours_);
  }
  // Win32 reads the pixels only of a bitmap that no device context holds.
  canvas_.Deselect();
  std::vector<std::uint32_t> pixels;
  try {
    pixels = handles::PixelsOf(handle_, width_, height_);
  } catch (...) {
    canvas_.Reselect();
    throw;
  }
  canvas_.Reselect();
  return pixels;
}

void TBitmap::WriteDib(int bitsPerPixel) {
  const bool readableDib =
      type_ == TBitmapHandleType::bmDIB && bits_ != nullptr && dib::IsHandledDepth(bitsPerPixel_);
  if (bitsPerPixel < 24 || (type_ == TBitmapHandleType::bmDIB && !readableDib)) {
    Replace(handles::DibFromPixels(ReadPixels(), width_, height_, bitsPerPixel));
    return;
  }
  // 24 and 32 bits need no colour table chosen from the whole image, so
  // the pixels go over a row at a time.
  if (readableDib) {
    Replace(handles::DibAtDepth(dib::Layout{bits_, width_, height_, bitsPerPixel_, topDown_}, colours_, bitsPerPixel));
    return;
  }
  // Win32 reads the pixels only of a bitmap that no device context holds.
  canvas_.Deselect();
  HBITMAP made = nullptr;
  try {
    made = handles::DibAtDepth(handle_, width_, height_, bitsPerPixel);
  } catch (...) {
    canvas_.Reselect();
    throw;
  }
  Replace(made);
}

HBITMAP TBitmap::ResizedDib(int width, int height) {
  std::vector<RGBQUAD> table = colours_;
  if (table.empty() && bitsPerPixel_ <= 8) table = StandardColourTable(bitsPerPixel_);
  return handles::ResizedDib(dib::Layout{bits_, width_, height_, bitsPerPixel_, topDown_}, table, width, height);
}

HBITMAP TBitmap::ResizedDdb(int width, int height) {
  canvas_.Deselect();
  HBITMAP made = nullptr;
  try {
    made = handles::ResizedDdb(handle_, width_, height_, bitsPerPixel_ == 1, width, height);
  } catch (...) {
    canvas_.Reselect();
    throw;
  }
  canvas_.Reselect();
  return made;
}

HBITMAP TBitmap::Duplicate() {
  if (handle_ == nullptr) return nullptr;
  return type_ == TBitmapHandleType::bmDIB ? ResizedDib(width_, height_) : ResizedDdb(width_, height_);
}

bool TBitmap::CopyPixelsInPlace(const TBitmap& other) {
  // A copy made anew would be a bottom-up DIB of the source's depth; one
  // this bitmap already is takes the pixels without a new handle.
  const bool sameDib = madeHere_ && type_ == TBitmapHandleType::bmDIB && other.type_ == TBitmapHandleType::bmDIB &&
                       bits_ != nullptr && other.bits_ != nullptr && !topDown_ && width_ == other.width_ &&
                       height_ == other.height_ && bitsPerPixel_ == other.bitsPerPixel_ && bitsPerPixel_ >= 24;
  if (!sameDib) return false;
  GdiFlush();
  dib::CopyOverlap(dib::Layout{other.bits_, width_, height_, bitsPerPixel_, other.topDown_},
                   dib::Layout{bits_, width_, height_, bitsPerPixel_, topDown_});
  return true;
}

HBITMAP TBitmap::Handle() {
  canvas_.Deselect();
  return handle_;
}

void TBitmap::CopyFrom(TPersistent* source) {
  if (source == this) return;
  if (source == nullptr) {
    Replace(nullptr);
    return;
  }
  auto* other = dynamic_cast<TBitmap*>(source);
  if (other == nullptr) {
    TPersistent::CopyFrom(source);
    return;
  }
  if (!CopyPixelsInPlace(*other)) Replace(other->Duplicate());
  width_ = other->width_;
  height_ = other->height_;
  type_ = other->type_;
  bitsPerPixel_ = other->bitsPerPixel_;
  colours_ = other->colours_;
  TransparentColor = other->TransparentColor;
  Transparent = other->Transparent;
}

void TBitmap::SetWidth(int width) { SetSize(width, height_); }
void TBitmap::SetHeight(int height) { SetSize(width_, height); }

void TBitmap::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw EInvalidGraphic("Bitmap size must not be negative");
  if (width == width_ && height == height_) return;
  HBITMAP made = nullptr;
  if (width > 0 && height > 0) {
    made = type_ == TBitmapHandleType::bmDIB ? ResizedDib(width, height) : ResizedDdb(width, height);
  }
  Replace(made);
  width_ = width;
  height_ = height;
}

TPixelFormat TBitmap::PixelFormat() const {
  return type_ == TBitmapHandleType::bmDDB ? TPixelFormat::pfDevice : FormatOf(bitsPerPixel_);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == TPixelFormat::pfDevice) {
    SetHandleType(TBitmapHandleType::bmDDB);
    return;
  }
  const int depth = DepthOf(format);
  if (type_ == TBitmapHandleType::bmDIB && bitsPerPixel_ == depth) return;
  if (handle_ == nullptr) {
    type_ = TBitmapHandleType::bmDIB;
    bitsPerPixel_ = depth;
    colours_.clear();
    return;
  }
  WriteDib(depth);
}

void TBitmap::SetHandleType(TBitmapHandleType type) {
  if (type == type_) return;
  if (type == TBitmapHandleType::bmDIB) {
    // A device-dependent bitmap becomes a DIB of its own depth: 1 bit for a
    // monochrome one, else 32 bits.
    const int depth = bitsPerPixel_ == 1 ? 1 : 32;
    if (handle_ == nullptr) {
      type_ = type;
      bitsPerPixel_ = depth;
      return;
    }
    WriteDib(depth);
    return;
  }
  if (handle_ == nullptr) {
    type_ = type;
    bitsPerPixel_ = 0;
    colours_.clear();
    return;
  }
  Replace(handles::DdbFromPixels(ReadPixels(), width_, height_));
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  if (bitmap == handle_) return;
  const handles::Facts facts = handles::InspectForeign(bitmap);
  if (bitmap != nullptr && !facts.isBitmap) throw EInvalidGraphic(kNotABitmap);
  Replace(bitmap, facts.topDown);
  madeHere_ = false;
  // A DIB of a depth this layer does not read (such as 16 bits) is kept as
  // 32 bits.
  if (facts.isDib && !facts.Readable()) WriteDib(32);
}

void* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= height_ || handle_ == nullptr) throw EInvalidGraphic("Scan line index out of range");
  if (type_ == TBitmapHandleType::bmDDB) SetHandleType(TBitmapHandleType::bmDIB);
  GdiFlush();
  const dib::Layout layout{bits_, width_, height_, bitsPerPixel_, topDown_};
  return layout.Row(y);
}

bool TBitmap::PixelRows(TDibRows32& rows) {
  if (!madeHere_ || type_ != TBitmapHandleType::bmDIB || bits_ == nullptr || bitsPerPixel_ != 32) return false;
  GdiFlush();
  const dib::Layout layout{bits_, width_, height_, bitsPerPixel_, topDown_};
  rows = TDibRows32{layout.Row(0), topDown_ ? layout.Stride() : -static_cast<std::ptrdiff_t>(layout.Stride()),
                    width_, height_};
  return true;
}

void TBitmap::Render(TCanvas& canvas, const RECT& rect) {
  if (IsEmpty()) return;
  const std::int64_t width = static_cast<std::int64_t>(rect.right) - rect.left;
  const std::int64_t height = static_cast<std::int64_t>(rect.bottom) - rect.top;
  if (width <= 0 || height <= 0 || width > std::numeric_limits<int>::max() ||
      height > std::numeric_limits<int>::max()) {
    return;
  }
  StretchBlt(canvas.Handle(), rect.left, rect.top, static_cast<int>(width), static_cast<int>(height),
             canvas_.Handle(), 0, 0, width_, height_, SRCCOPY);
}

void TBitmap::LoadFromStream(TStream&) { throw EInvalidGraphic("Bitmap files are not supported"); }

void TBitmap::ReadClipboardFormat(UINT format, HANDLE data, HPALETTE) {
  if (format != CF_BITMAP) throw EInvalidGraphic("Unsupported clipboard format");
  const auto bitmap = static_cast<HBITMAP>(data);
  const handles::Facts facts = handles::InspectForeign(bitmap);
  if (!facts.isBitmap) throw EInvalidGraphic(kNotABitmap);
  HBITMAP copy = nullptr;
  if (facts.Readable()) {
    const std::vector<RGBQUAD> table =
        facts.bitsPerPixel <= 8 ? handles::ColourTable(bitmap, facts) : std::vector<RGBQUAD>{};
    copy = handles::ResizedDib(facts.Layout(), table, facts.width, facts.height);
  } else {
    copy = handles::ResizedDdb(bitmap, facts.width, facts.height, !facts.isDib && facts.bitsPerPixel == 1,
                               facts.width, facts.height);
  }
  SetHandle(copy);
}

void TBitmap::WriteClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  format = CF_BITMAP;
  data = Duplicate();
  palette = nullptr;
}

}  // namespace plat
