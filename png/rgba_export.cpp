#include "png/rgba_export.h"

#include "png/pngimage.h"

std::vector<std::uint8_t> ExportRGBA(const TPNGObject& image) {
  const TChunkIHDR& header = image.RequireHeader();
  if (header.ColorBits == nullptr) return {};
  const int w = static_cast<int>(header.Width);
  const int h = static_cast<int>(header.Height);
  const int bpp = header.DibInfo.bmiHeader.biBitCount;
  const plat::RGBQUAD* table = header.DibInfo.bmiColors;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
  std::uint8_t* out = rgba.data();
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = image.ColorRow(y);
    const std::uint8_t* alpha = image.AlphaRow(y);
    for (int x = 0; x < w; ++x, out += 4) {
      if (bpp == 24) {
        out[0] = row[3 * x + 2];
        out[1] = row[3 * x + 1];
        out[2] = row[3 * x];
      } else {
        const int perByte = 8 / bpp;
        const int index = (row[x / perByte] >> (8 - bpp - bpp * (x % perByte))) & ((1 << bpp) - 1);
        out[0] = table[index].rgbRed;
        out[1] = table[index].rgbGreen;
        out[2] = table[index].rgbBlue;
      }
      out[3] = alpha != nullptr ? alpha[x] : 255;
    }
  }
  return rgba;
}
