#include "tests/platform_gfx_support.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace gfx {

bool UnderWine() {
#ifdef _WIN32
  const ::HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

std::uint32_t GetPixel(const std::uint8_t* row, int x, int bpp) {
  switch (bpp) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
    default:
      return row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16) |
             (static_cast<std::uint32_t>(row[4 * x + 3]) << 24);
  }
}

void SetPixel(std::uint8_t* row, int x, int bpp, std::uint32_t v) {
  switch (bpp) {
    case 1: {
      const int shift = 7 - x % 8;
      row[x / 8] = static_cast<std::uint8_t>((row[x / 8] & ~(1 << shift)) | ((v & 1) << shift));
      break;
    }
    case 4: {
      const int shift = x % 2 ? 0 : 4;
      row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & ~(0xF << shift)) | ((v & 0xF) << shift));
      break;
    }
    case 8: row[x] = static_cast<std::uint8_t>(v); break;
    case 24:
      for (int i = 0; i < 3; ++i) row[3 * x + i] = static_cast<std::uint8_t>(v >> (8 * i));
      break;
    default:
      for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<std::uint8_t>(v >> (8 * i));
      break;
  }
}

}  // namespace gfx
