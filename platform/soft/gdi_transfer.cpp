#include "platform/soft/gdi_transfer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/row_copy.h"
#include "platform/soft/pixel_rows.h"

namespace plat::soft {

bool IsSupportedRop(DWORD rop) {
  return rop == SRCCOPY || rop == NOTSRCCOPY || rop == SRCAND || rop == SRCPAINT;
}

namespace {

// Source coordinate of destination offset d along one axis.
std::int64_t SourceOf(std::int64_t d, int sourceStart, int sourceSize, int destinationSize) {
  return sourceStart + d * sourceSize / destinationSize;
}

// The destination coordinates [first, last) along one axis that lie on the
// destination surface and map onto the source surface.
struct Span {
  int first;
  int last;
};
Span VisibleSpan(int start, int size, int surface, int sourceStart, int sourceSize, int sourceSurface) {
  std::int64_t first = std::max<std::int64_t>(start, 0);
  std::int64_t last = std::min<std::int64_t>(static_cast<std::int64_t>(start) + size, surface);
  while (first < last && SourceOf(first - start, sourceStart, sourceSize, size) < 0) ++first;
  while (last > first && SourceOf(last - 1 - start, sourceStart, sourceSize, size) >= sourceSurface) --last;
  return {static_cast<int>(first), static_cast<int>(std::max(first, last))};
}

void Combine(DWORD rop, const PixelValue* s, PixelValue* d, int n) {
  switch (rop) {
    case SRCCOPY:
      std::copy(s, s + n, d);
      break;
    case NOTSRCCOPY:
      for (int i = 0; i < n; ++i) d[i] = ~s[i];
      break;
    case SRCAND:
      for (int i = 0; i < n; ++i) d[i] &= s[i];
      break;
    case SRCPAINT:
      for (int i = 0; i < n; ++i) d[i] |= s[i];
      break;
  }
}

// 32 -> 32 without conversion: every ROP here works byte by byte, so the
// rows combine as plain bytes, all four of each pixel.
void CombineRow32(DWORD rop, const std::uint8_t* s, std::uint8_t* d, int n) {
  const std::size_t bytes = 4 * static_cast<std::size_t>(n);
  switch (rop) {
    case SRCCOPY:
      std::memcpy(d, s, bytes);
      break;
    case NOTSRCCOPY:
      for (std::size_t i = 0; i < bytes; ++i) d[i] = static_cast<std::uint8_t>(~s[i]);
      break;
    case SRCAND:
      for (std::size_t i = 0; i < bytes; ++i) d[i] &= s[i];
      break;
    case SRCPAINT:
      for (std::size_t i = 0; i < bytes; ++i) d[i] |= s[i];
      break;
  }
}

// 24 -> 32 without conversion: the source reads with a fourth byte of 0.
// One loop per operation, so that the choice is made once per row.
void CombineRow24To32(DWORD rop, const std::uint8_t* s, std::uint8_t* d, int n) {
  switch (rop) {
    case SRCCOPY:
      CopyRow24To32(s, d, n);
      break;
    case NOTSRCCOPY:
      for (int i = 0; i < n; ++i, s += 3, d += 4) {
        d[0] = static_cast<std::uint8_t>(~s[0]);
        d[1] = static_cast<std::uint8_t>(~s[1]);
        d[2] = static_cast<std::uint8_t>(~s[2]);
        d[3] = 0xFF;
      }
      break;
    case SRCAND:
      for (int i = 0; i < n; ++i, s += 3, d += 4) {
        d[0] &= s[0];
        d[1] &= s[1];
        d[2] &= s[2];
        d[3] = 0;
      }
      break;
    case SRCPAINT:
      for (int i = 0; i < n; ++i, s += 3, d += 4) {
        d[0] |= s[0];
        d[1] |= s[1];
        d[2] |= s[2];
      }
      break;
  }
}

// Unstretched columns between direct layouts need no gathering or
// conversion: each row combines straight from source bytes. Onto 24 bits
// only plain copies take this way.
bool IsDirectRowCopy(const Bitmap& destination, const Area& to, const Bitmap& source, const Area& from,
                     const PixelConverter& convert, DWORD rop) {
  if (from.width != to.width) return false;
  if (destination.bitsPerPixel == 32) {
    return convert.IsIdentity() && (source.bitsPerPixel == 32 || source.bitsPerPixel == 24);
  }
  return destination.bitsPerPixel == 24 && convert.DropsFourthByte() && rop == SRCCOPY &&
         (source.bitsPerPixel == 32 || source.bitsPerPixel == 24);
}

}  // namespace

void Transfer(Bitmap& destination, const Area& to, const Bitmap& source, const Area& from,
              PixelConverter& convert, DWORD rop) {
  const Span columns = VisibleSpan(to.x, to.width, destination.width, from.x, from.width, source.width);
  const Span rows = VisibleSpan(to.y, to.height, destination.height, from.y, from.height, source.height);
  if (columns.first >= columns.last || rows.first >= rows.last) return;

  // A copy within one surface reads from a snapshot, so that overlapping
  // areas see the original pixels.
  std::vector<std::uint8_t> snapshotBits;
  Bitmap snapshot;
  const Bitmap* reading = &source;
  if (&source == &destination) {
    const std::size_t bytes = static_cast<std::size_t>(source.stride) * static_cast<std::size_t>(source.height);
    snapshotBits.assign(source.bits, source.bits + bytes);
    snapshot.width = source.width;
    snapshot.height = source.height;
    snapshot.bitsPerPixel = source.bitsPerPixel;
    snapshot.stride = source.stride;
    snapshot.topDown = source.topDown;
    snapshot.bits = snapshotBits.data();
    reading = &snapshot;
  }

  const int n = columns.last - columns.first;
  if (IsDirectRowCopy(destination, to, *reading, from, convert, rop)) {
    const int sourceFirst = from.x + (columns.first - to.x);
    const std::size_t sourceBytes = static_cast<std::size_t>(reading->bitsPerPixel / 8);
    const std::size_t destinationBytes = static_cast<std::size_t>(destination.bitsPerPixel / 8);
    for (int y = rows.first; y < rows.last; ++y) {
      const int sourceRow = static_cast<int>(SourceOf(y - to.y, from.y, from.height, to.height));
      const std::uint8_t* s = reading->Row(sourceRow) + sourceBytes * static_cast<std::size_t>(sourceFirst);
      std::uint8_t* d = destination.Row(y) + destinationBytes * static_cast<std::size_t>(columns.first);
      if (sourceBytes == destinationBytes && sourceBytes == 3) {
        std::memcpy(d, s, 3 * static_cast<std::size_t>(n));
      } else if (destinationBytes == 3) {
        CopyRow32To24(s, d, n);
      } else if (sourceBytes == 4) {
        CombineRow32(rop, s, d, n);
      } else {
        CombineRow24To32(rop, s, d, n);
      }
    }
    return;
  }

  std::vector<int> sourceColumns(n);
  for (int i = 0; i < n; ++i) {
    sourceColumns[i] = static_cast<int>(SourceOf(columns.first + i - to.x, from.x, from.width, to.width));
  }
  std::vector<PixelValue> fetched(n);
  std::vector<PixelValue> converted(n);
  std::vector<PixelValue> result(n);
  for (int y = rows.first; y < rows.last; ++y) {
    const int sourceRow = static_cast<int>(SourceOf(y - to.y, from.y, from.height, to.height));
    GatherPixels(*reading, sourceRow, sourceColumns.data(), n, fetched.data());
    convert.Convert(fetched.data(), n, converted.data());
    if (rop != SRCCOPY) ReadPixels(destination, y, columns.first, n, result.data());
    Combine(rop, converted.data(), result.data(), n);
    WritePixels(destination, y, columns.first, n, result.data());
  }
}

}  // namespace plat::soft
