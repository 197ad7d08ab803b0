// The platform layer's records are passed to the system by reinterpreting
// pointers, so every one must have the system's size and field offsets.
#include <cstddef>

#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/window.h"
#include "platform/wintypes.h"

// Constants the platform layer spells out itself, copied before the system
// headers turn their names into macros, then compared with those macros.
#define FW_CONSTANTS(X) \
  X(BI_RGB) X(DIB_RGB_COLORS) X(CBM_INIT) X(SRCCOPY) \
  X(SRCPAINT) X(SRCAND) X(NOTSRCCOPY) X(CF_BITMAP) \
  X(OBJ_BITMAP) X(BITSPIXEL) X(GWL_EXSTYLE) X(WS_EX_LAYERED) X(AC_SRC_OVER) \
  X(AC_SRC_ALPHA) X(ULW_ALPHA) X(SW_HIDE) X(SW_SHOW) \
  X(SW_SHOWMAXIMIZED) X(SWP_NOSIZE) X(SWP_NOMOVE) X(WM_SYSCOMMAND) \
  X(SM_CXSCREEN) X(SM_CYSCREEN) X(SPI_GETWORKAREA) X(MB_OK) \
  X(IDOK) X(REG_SZ) X(REG_DWORD) X(REG_BINARY) \
  X(KEY_ALL_ACCESS) X(ERROR_SUCCESS) X(ERROR_FILE_NOT_FOUND) X(ERROR_MORE_DATA) \
  X(FORMAT_MESSAGE_FROM_SYSTEM) X(FORMAT_MESSAGE_IGNORE_INSERTS)

namespace mirror {
#define FW_COPY(name) constexpr auto k##name = plat::name;
FW_CONSTANTS(FW_COPY)
#undef FW_COPY
constexpr auto kSC_DRAGMOVE = plat::SC_DRAGMOVE;
}  // namespace mirror

#include "platform/win32/win32_api.h"

#define FW_SAME_SIZE(T) static_assert(sizeof(plat::T) == sizeof(::T), #T " differs in size")
#define FW_SAME_FIELD(T, F) \
  static_assert(offsetof(plat::T, F) == offsetof(::T, F), #T "::" #F " differs in place")

FW_SAME_SIZE(BYTE);
FW_SAME_SIZE(WORD);
FW_SAME_SIZE(DWORD);
FW_SAME_SIZE(LONG);
FW_SAME_SIZE(UINT);
FW_SAME_SIZE(BOOL);
FW_SAME_SIZE(COLORREF);
FW_SAME_SIZE(WPARAM);
FW_SAME_SIZE(LPARAM);
FW_SAME_SIZE(LRESULT);
FW_SAME_SIZE(HDC);
FW_SAME_SIZE(HWND);
FW_SAME_SIZE(HKEY);

FW_SAME_SIZE(POINT);
FW_SAME_FIELD(POINT, x);
FW_SAME_FIELD(POINT, y);
FW_SAME_SIZE(SIZE);
FW_SAME_FIELD(SIZE, cx);
FW_SAME_FIELD(SIZE, cy);
FW_SAME_SIZE(RECT);
FW_SAME_FIELD(RECT, left);
FW_SAME_FIELD(RECT, top);
FW_SAME_FIELD(RECT, right);
FW_SAME_FIELD(RECT, bottom);

FW_SAME_SIZE(BITMAPINFOHEADER);
FW_SAME_FIELD(BITMAPINFOHEADER, biSize);
FW_SAME_FIELD(BITMAPINFOHEADER, biWidth);
FW_SAME_FIELD(BITMAPINFOHEADER, biHeight);
FW_SAME_FIELD(BITMAPINFOHEADER, biPlanes);
FW_SAME_FIELD(BITMAPINFOHEADER, biBitCount);
FW_SAME_FIELD(BITMAPINFOHEADER, biCompression);
FW_SAME_FIELD(BITMAPINFOHEADER, biSizeImage);
FW_SAME_FIELD(BITMAPINFOHEADER, biXPelsPerMeter);
FW_SAME_FIELD(BITMAPINFOHEADER, biYPelsPerMeter);
FW_SAME_FIELD(BITMAPINFOHEADER, biClrUsed);
FW_SAME_FIELD(BITMAPINFOHEADER, biClrImportant);
FW_SAME_SIZE(RGBQUAD);
FW_SAME_FIELD(RGBQUAD, rgbBlue);
FW_SAME_FIELD(RGBQUAD, rgbRed);
FW_SAME_SIZE(BITMAPINFO);
FW_SAME_FIELD(BITMAPINFO, bmiColors);
static_assert(offsetof(plat::BITMAPINFO256, bmiColors) == offsetof(::BITMAPINFO, bmiColors),
              "BITMAPINFO256 has its colour table where BITMAPINFO has it");

FW_SAME_SIZE(BITMAP);
FW_SAME_FIELD(BITMAP, bmType);
FW_SAME_FIELD(BITMAP, bmWidth);
FW_SAME_FIELD(BITMAP, bmHeight);
FW_SAME_FIELD(BITMAP, bmWidthBytes);
FW_SAME_FIELD(BITMAP, bmPlanes);
FW_SAME_FIELD(BITMAP, bmBitsPixel);
FW_SAME_FIELD(BITMAP, bmBits);
FW_SAME_SIZE(DIBSECTION);
FW_SAME_FIELD(DIBSECTION, dsBm);
FW_SAME_FIELD(DIBSECTION, dsBmih);
FW_SAME_FIELD(DIBSECTION, dsBitfields);
FW_SAME_FIELD(DIBSECTION, dshSection);
FW_SAME_FIELD(DIBSECTION, dsOffset);

FW_SAME_SIZE(PALETTEENTRY);
FW_SAME_FIELD(PALETTEENTRY, peRed);
FW_SAME_FIELD(PALETTEENTRY, peBlue);
FW_SAME_FIELD(PALETTEENTRY, peFlags);
FW_SAME_SIZE(LOGPALETTE);
FW_SAME_FIELD(LOGPALETTE, palNumEntries);
FW_SAME_FIELD(LOGPALETTE, palPalEntry);
static_assert(offsetof(plat::LOGPALETTE256, palPalEntry) == offsetof(::LOGPALETTE, palPalEntry),
              "LOGPALETTE256 has its entries where LOGPALETTE has them");

FW_SAME_SIZE(BLENDFUNCTION);
FW_SAME_FIELD(BLENDFUNCTION, BlendOp);
FW_SAME_FIELD(BLENDFUNCTION, BlendFlags);
FW_SAME_FIELD(BLENDFUNCTION, SourceConstantAlpha);
FW_SAME_FIELD(BLENDFUNCTION, AlphaFormat);

FW_SAME_SIZE(LARGE_INTEGER);
static_assert(offsetof(plat::LARGE_INTEGER, QuadPart) == offsetof(::LARGE_INTEGER, QuadPart),
              "LARGE_INTEGER::QuadPart differs in place");

#define FW_COMPARE(name) static_assert(mirror::k##name == name, #name " differs");
FW_CONSTANTS(FW_COMPARE)
#undef FW_COMPARE
static_assert(mirror::kSC_DRAGMOVE == (SC_MOVE | HTCAPTION), "SC_DRAGMOVE differs");
