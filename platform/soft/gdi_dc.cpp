// Device contexts: the screen's, and memory contexts holding one bitmap.
#include "platform/gdi.h"
#include "platform/soft/gdi_objects.h"

namespace plat {

using soft::Bitmap;
using soft::DeviceContext;

namespace {

constexpr COLORREF kInvalidColour = 0xFFFFFFFFu;  // CLR_INVALID

DeviceContext* Screen() {
  static DeviceContext* const screen = [] {
    auto dc = std::make_unique<DeviceContext>();
    dc->isScreen = true;
    return soft::Register(std::move(dc));
  }();
  return screen;
}

void Attach(DeviceContext& dc, Bitmap* bitmap) {
  if (dc.selected != nullptr && !dc.selected->isStock) dc.selected->selectedInto = nullptr;
  dc.selected = bitmap;
  if (!bitmap->isStock) bitmap->selectedInto = &dc;
}

}  // namespace

// Windows have no drawing surface of their own here: the window layer
// presents bitmaps through UpdateLayeredWindow. Only the screen has a
// context, and it holds nothing that can be read or drawn on.
HDC GetDC(HWND window) {
  if (window != nullptr) return nullptr;
  return static_cast<HDC>(soft::HandleOf(Screen()));
}

int ReleaseDC(HWND, HDC dc) { return soft::LookupDC(dc) == Screen() ? 1 : 0; }

HDC CreateCompatibleDC(HDC dc) {
  if (dc != nullptr && soft::LookupDC(dc) == nullptr) return nullptr;
  auto made = std::make_unique<DeviceContext>();
  made->selected = soft::StockBitmap();
  return static_cast<HDC>(soft::HandleOf(soft::Register(std::move(made))));
}

BOOL DeleteDC(HDC dc) {
  DeviceContext* found = soft::LookupDC(dc);
  if (found == nullptr || found->isScreen) return FALSE;
  if (!found->selected->isStock) found->selected->selectedInto = nullptr;
  soft::Destroy(found);
  return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  DeviceContext* context = soft::LookupDC(dc);
  Bitmap* bitmap = soft::LookupBitmap(object);
  if (context == nullptr || context->isScreen || bitmap == nullptr) return nullptr;
  // A bitmap lives in one memory context at a time.
  if (bitmap->selectedInto != nullptr && bitmap->selectedInto != context) return nullptr;
  Bitmap* previous = context->selected;
  Attach(*context, bitmap);
  return soft::HandleOf(previous);
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  DeviceContext* context = soft::LookupDC(dc);
  if (context == nullptr || type != OBJ_BITMAP) return nullptr;
  return soft::HandleOf(context->selected);
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
  DeviceContext* context = soft::LookupDC(dc);
  if (context == nullptr) return kInvalidColour;
  const COLORREF previous = context->background;
  context->background = colour & 0xFFFFFFu;
  return previous;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  DeviceContext* context = soft::LookupDC(dc);
  if (context == nullptr) return kInvalidColour;
  const COLORREF previous = context->text;
  context->text = colour & 0xFFFFFFu;
  return previous;
}

BOOL GdiFlush() { return TRUE; }  // drawing here is never batched

int GetDeviceCaps(HDC dc, int index) {
  DeviceContext* context = soft::LookupDC(dc);
  if (context == nullptr || index != BITSPIXEL) return 0;
  // The screen's device-dependent bitmaps have 32 bits; a memory context
  // has the depth of the bitmap it holds.
  return context->isScreen ? 32 : context->selected->bitsPerPixel;
}

}  // namespace plat
