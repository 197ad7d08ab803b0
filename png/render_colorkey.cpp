#include <cstdlib>

#include "platform/gdi.h"
#include "png/pngimage.h"

// Masking with two monochrome masks: key-coloured source pixels are cleared
// to black and the destination is cleared where the image goes, so OR-ing
// the two leaves the destination showing through the key colour.
void RenderColorKeyed(plat::HDC dc, const void* bits, const plat::BITMAPINFOHEADER& header,
                      const plat::BITMAPINFO* description, const plat::RECT& rect, plat::COLORREF key) {
  using namespace plat;
  const int wd = rect.right - rect.left;
  const int hd = rect.bottom - rect.top;
  const int ws = std::abs(header.biWidth);
  const int hs = std::abs(header.biHeight);

  HDC src = CreateCompatibleDC(dc);
  HBITMAP srcBitmap = CreateDIBitmap(dc, &header, CBM_INIT, bits, description, DIB_RGB_COLORS);
  HGDIOBJ srcPrevious = SelectObject(src, srcBitmap);

  HDC back = CreateCompatibleDC(dc);
  HDC obj = CreateCompatibleDC(dc);
  HDC work = CreateCompatibleDC(dc);
  HBITMAP backBitmap = CreateBitmap(wd, hd, 1, 1, nullptr);
  HBITMAP objBitmap = CreateBitmap(wd, hd, 1, 1, nullptr);
  HBITMAP workBitmap = CreateCompatibleBitmap(dc, wd, hd);
  HGDIOBJ backPrevious = SelectObject(back, backBitmap);
  HGDIOBJ objPrevious = SelectObject(obj, objBitmap);
  HGDIOBJ workPrevious = SelectObject(work, workBitmap);

  const COLORREF oldBackground = SetBkColor(src, key);
  StretchBlt(obj, 0, 0, wd, hd, src, 0, 0, ws, hs, SRCCOPY);
  SetBkColor(src, oldBackground);
  BitBlt(back, 0, 0, wd, hd, obj, 0, 0, NOTSRCCOPY);
  BitBlt(work, 0, 0, wd, hd, dc, rect.left, rect.top, SRCCOPY);
  BitBlt(work, 0, 0, wd, hd, obj, 0, 0, SRCAND);
  StretchBlt(src, 0, 0, ws, hs, back, 0, 0, wd, hd, SRCAND);
  StretchBlt(work, 0, 0, wd, hd, src, 0, 0, ws, hs, SRCPAINT);
  BitBlt(dc, rect.left, rect.top, wd, hd, work, 0, 0, SRCCOPY);

  DeleteObject(SelectObject(back, backPrevious));
  DeleteObject(SelectObject(obj, objPrevious));
  DeleteObject(SelectObject(work, workPrevious));
  DeleteObject(SelectObject(src, srcPrevious));
  DeleteDC(work);
  DeleteDC(back);
  DeleteDC(obj);
  DeleteDC(src);
}
