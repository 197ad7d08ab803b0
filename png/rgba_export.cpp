#include "png/rgba_export.h"

#include "png/pngimage.h"

void ExportRGBARow(const TPNGObject& image, int y, std::uint8_t* out) {
  const TChunkIHDR& header = image.RequireHeader();
  const int w = static_cast<int>(header.Width);
  const int bpp = header.DibInfo.bmiHeader.biBitCount;
  const plat::RGBQUAD* table = header.DibInfo.bmiColors;
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

std::vector<std::uint8_t> ExportRGBA(const TPNGObject& image) {
  const TChunkIHDR& header = image.RequireHeader();
  if (header.ColorBits == nullptr) return {};
  const std::size_t rowBytes = std::size_t{header.Width} * 4;
  std::vector<std::uint8_t> rgba(rowBytes * header.Height);
  for (std::uint32_t y = 0; y < header.Height; ++y) {
    ExportRGBARow(image, static_cast<int>(y), rgba.data() + rowBytes * y);
  }
  return rgba;
}
