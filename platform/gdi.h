// Graphics calls of the platform layer: device contexts, bitmaps, blits,
// palettes and the clipboard. Each has the signature and meaning of the
// gdi32/user32 call of the same name; platform/win32 forwards to it and
// platform/soft implements it in memory.
//
// What callers rely on, on every backend:
//  - a 1:1 SRCCOPY between two 32-bit surfaces copies all four bytes;
//  - every copy is clipped to the destination surface;
//  - a DIB section runs top-down or bottom-up as the sign of the height it
//    was made with says (GetObjectA reports that height positive);
//  - a device-dependent bitmap has the screen's format (32 bits per pixel);
//  - a colour-to-monochrome copy gives 1 where the source equals the source
//    context's background colour; monochrome-to-colour gives the destination
//    context's text colour for 0 and its background colour for 1 (black and
//    white in a new memory device context);
//  - enlarging is nearest-neighbour. Shrinking differs: the software
//    backend keeps one pixel of each run it drops, Win32's default stretch
//    mode (BLACKONWHITE) ANDs the run together.
#pragma once

#include "platform/wintypes.h"

namespace plat {

// Device contexts. GetDC(nullptr) is the screen's context.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
COLORREF SetBkColor(HDC dc, COLORREF colour);
COLORREF SetTextColor(HDC dc, COLORREF colour);
// The object of the given type selected into the context (OBJ_BITMAP).
constexpr UINT OBJ_BITMAP = 7;
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
// Finishes pending drawing, so that DIB section memory can be read.
BOOL GdiFlush();
// BITSPIXEL: bits per pixel of the context's device (for the screen, of
// its device-dependent bitmaps).
constexpr int BITSPIXEL = 12;
int GetDeviceCaps(HDC dc, int index);

// Bitmaps.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD offset);
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init,
                       const void* bits, const BITMAPINFO* info, UINT usage);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                     const void* bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// Fills a BITMAP record, or a DIBSECTION for a DIB section when `size`
// allows; for a palette, its entry count as a WORD. Without a buffer, the
// size of a BITMAP for any bitmap.
int GetObjectA(HANDLE object, int size, void* buffer);
int GetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT scanLines, void* bits,
              BITMAPINFO* info, UINT usage);

// Blits.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx,
            int sy, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx,
                int sy, int sourceWidth, int sourceHeight, DWORD rop);
int StretchDIBits(HDC dest, int x, int y, int width, int height, int sx, int sy,
                  int sourceWidth, int sourceHeight, const void* bits,
                  const BITMAPINFO* info, UINT usage, DWORD rop);

// Palettes.
HPALETTE CreatePalette(const LOGPALETTE* palette);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour);

// Clipboard. The data handle of CF_BITMAP is an HBITMAP owned by the
// clipboard once set.
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
HANDLE SetClipboardData(UINT format, HANDLE data);
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);

}  // namespace plat
