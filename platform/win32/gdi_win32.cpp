// Graphics and clipboard calls, forwarded unchanged to gdi32 and user32.
#include "platform/gdi.h"
#include "platform/win32/win32_api.h"

namespace plat {

using win32::As;

HDC GetDC(HWND window) { return As<HDC>(::GetDC(As<::HWND>(window))); }
int ReleaseDC(HWND window, HDC dc) { return ::ReleaseDC(As<::HWND>(window), As<::HDC>(dc)); }
HDC CreateCompatibleDC(HDC dc) { return As<HDC>(::CreateCompatibleDC(As<::HDC>(dc))); }
BOOL DeleteDC(HDC dc) { return ::DeleteDC(As<::HDC>(dc)); }
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) { return ::SelectObject(As<::HDC>(dc), object); }
BOOL DeleteObject(HGDIOBJ object) { return ::DeleteObject(object); }
COLORREF SetBkColor(HDC dc, COLORREF colour) { return ::SetBkColor(As<::HDC>(dc), colour); }
COLORREF SetTextColor(HDC dc, COLORREF colour) { return ::SetTextColor(As<::HDC>(dc), colour); }
HGDIOBJ GetCurrentObject(HDC dc, UINT type) { return ::GetCurrentObject(As<::HDC>(dc), type); }
BOOL GdiFlush() { return ::GdiFlush(); }
int GetDeviceCaps(HDC dc, int index) { return ::GetDeviceCaps(As<::HDC>(dc), index); }

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
  return As<HBITMAP>(
      ::CreateDIBSection(As<::HDC>(dc), As<const ::BITMAPINFO*>(info), usage, bits, section, offset));
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  return As<HBITMAP>(::CreateDIBitmap(As<::HDC>(dc), As<const ::BITMAPINFOHEADER*>(header), init, bits,
                                      As<const ::BITMAPINFO*>(info), usage));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  return As<HBITMAP>(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  return As<HBITMAP>(::CreateCompatibleBitmap(As<::HDC>(dc), width, height));
}

int GetObjectA(HANDLE object, int size, void* buffer) { return ::GetObjectA(object, size, buffer); }

int GetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT scanLines, void* bits, BITMAPINFO* info,
              UINT usage) {
  return ::GetDIBits(As<::HDC>(dc), As<::HBITMAP>(bitmap), startScan, scanLines, bits,
                     As<::BITMAPINFO*>(info), usage);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
  return ::BitBlt(As<::HDC>(dest), x, y, width, height, As<::HDC>(source), sx, sy, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy,
                int sourceWidth, int sourceHeight, DWORD rop) {
  return ::StretchBlt(As<::HDC>(dest), x, y, width, height, As<::HDC>(source), sx, sy, sourceWidth,
                      sourceHeight, rop);
}

int StretchDIBits(HDC dest, int x, int y, int width, int height, int sx, int sy, int sourceWidth,
                  int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  return ::StretchDIBits(As<::HDC>(dest), x, y, width, height, sx, sy, sourceWidth, sourceHeight, bits,
                         As<const ::BITMAPINFO*>(info), usage, rop);
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  return As<HPALETTE>(::CreatePalette(As<const ::LOGPALETTE*>(palette)));
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  return ::GetPaletteEntries(As<::HPALETTE>(palette), start, count, As<::PALETTEENTRY*>(entries));
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour) {
  return ::GetNearestPaletteIndex(As<::HPALETTE>(palette), colour);
}

BOOL OpenClipboard(HWND owner) { return ::OpenClipboard(As<::HWND>(owner)); }
BOOL CloseClipboard() { return ::CloseClipboard(); }
BOOL EmptyClipboard() { return ::EmptyClipboard(); }
HANDLE SetClipboardData(UINT format, HANDLE data) { return ::SetClipboardData(format, data); }
HANDLE GetClipboardData(UINT format) { return ::GetClipboardData(format); }
BOOL IsClipboardFormatAvailable(UINT format) { return ::IsClipboardFormatAvailable(format); }

}  // namespace plat
