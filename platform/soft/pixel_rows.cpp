#include "platform/soft/pixel_rows.h"

namespace plat::soft {

namespace {

template <int Bpp>
struct Layout;

template <>
struct Layout<1> {
  static PixelValue Get(const std::uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }
  static void Put(std::uint8_t* row, int x, PixelValue v) {
    const int shift = 7 - (x & 7);
    std::uint8_t& byte = row[x >> 3];
    byte = static_cast<std::uint8_t>((byte & ~(1u << shift)) | ((v & 1u) << shift));
  }
};

template <>
struct Layout<4> {
  static PixelValue Get(const std::uint8_t* row, int x) {
    return (row[x >> 1] >> ((~x & 1) << 2)) & 0xFu;  // high nibble first
  }
  static void Put(std::uint8_t* row, int x, PixelValue v) {
    const int shift = (~x & 1) << 2;
    std::uint8_t& byte = row[x >> 1];
    byte = static_cast<std::uint8_t>((byte & ~(0xFu << shift)) | ((v & 0xFu) << shift));
  }
};

template <>
struct Layout<8> {
  static PixelValue Get(const std::uint8_t* row, int x) { return row[x]; }
  static void Put(std::uint8_t* row, int x, PixelValue v) { row[x] = static_cast<std::uint8_t>(v); }
};

template <>
struct Layout<24> {
  static PixelValue Get(const std::uint8_t* row, int x) {
    const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
    return p[0] | (PixelValue{p[1]} << 8) | (PixelValue{p[2]} << 16);
  }
  static void Put(std::uint8_t* row, int x, PixelValue v) {
    std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
  }
};

template <>
struct Layout<32> {
  static PixelValue Get(const std::uint8_t* row, int x) {
    const std::uint8_t* p = row + 4 * static_cast<std::size_t>(x);
    return p[0] | (PixelValue{p[1]} << 8) | (PixelValue{p[2]} << 16) | (PixelValue{p[3]} << 24);
  }
  static void Put(std::uint8_t* row, int x, PixelValue v) {
    std::uint8_t* p = row + 4 * static_cast<std::size_t>(x);
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
  }
};

template <int Bpp>
void Read(const std::uint8_t* row, int x, int n, PixelValue* out) {
  for (int i = 0; i < n; ++i) out[i] = Layout<Bpp>::Get(row, x + i);
}

template <int Bpp>
void Gather(const std::uint8_t* row, const int* xs, int n, PixelValue* out) {
  for (int i = 0; i < n; ++i) out[i] = Layout<Bpp>::Get(row, xs[i]);
}

template <int Bpp>
void Write(std::uint8_t* row, int x, int n, const PixelValue* in) {
  for (int i = 0; i < n; ++i) Layout<Bpp>::Put(row, x + i, in[i]);
}

}  // namespace

void ReadPixels(const Bitmap& bitmap, int y, int x, int n, PixelValue* out) {
  const std::uint8_t* row = bitmap.Row(y);
  switch (bitmap.bitsPerPixel) {
    case 1: Read<1>(row, x, n, out); break;
    case 4: Read<4>(row, x, n, out); break;
    case 8: Read<8>(row, x, n, out); break;
    case 24: Read<24>(row, x, n, out); break;
    case 32: Read<32>(row, x, n, out); break;
  }
}

void GatherPixels(const Bitmap& bitmap, int y, const int* xs, int n, PixelValue* out) {
  const std::uint8_t* row = bitmap.Row(y);
  switch (bitmap.bitsPerPixel) {
    case 1: Gather<1>(row, xs, n, out); break;
    case 4: Gather<4>(row, xs, n, out); break;
    case 8: Gather<8>(row, xs, n, out); break;
    case 24: Gather<24>(row, xs, n, out); break;
    case 32: Gather<32>(row, xs, n, out); break;
  }
}

void WritePixels(Bitmap& bitmap, int y, int x, int n, const PixelValue* in) {
  std::uint8_t* row = bitmap.Row(y);
  switch (bitmap.bitsPerPixel) {
    case 1: Write<1>(row, x, n, in); break;
    case 4: Write<4>(row, x, n, in); break;
    case 8: Write<8>(row, x, n, in); break;
    case 24: Write<24>(row, x, n, in); break;
    case 32: Write<32>(row, x, n, in); break;
  }
}

}  // namespace plat::soft
