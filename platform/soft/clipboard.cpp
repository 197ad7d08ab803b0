// An in-memory clipboard for one process. It holds bitmaps only (CF_BITMAP)
// and owns them once set.
#include "platform/gdi.h"
#include "platform/soft/gdi_objects.h"

namespace plat {

namespace {

struct Clipboard {
  bool open = false;
  soft::Bitmap* bitmap = nullptr;
};

Clipboard& State() {
  static Clipboard clipboard;
  return clipboard;
}

// DeleteObject refuses bitmaps the clipboard owns, so the one held here
// stays valid until the clipboard lets it go.
soft::Bitmap* HeldBitmap() { return State().bitmap; }

void Discard() {
  soft::Bitmap* bitmap = HeldBitmap();
  if (bitmap == nullptr) return;
  // A program may still have the bitmap selected; the clipboard's data goes
  // all the same, and the context falls back to its stock bitmap.
  if (bitmap->selectedInto != nullptr) {
    bitmap->selectedInto->selected = soft::StockBitmap();
    bitmap->selectedInto = nullptr;
  }
  soft::Destroy(bitmap);
  State().bitmap = nullptr;
}

}  // namespace

BOOL OpenClipboard(HWND) {
  if (State().open) return FALSE;
  State().open = true;
  return TRUE;
}

BOOL CloseClipboard() {
  if (!State().open) return FALSE;
  State().open = false;
  return TRUE;
}

BOOL EmptyClipboard() {
  if (!State().open) return FALSE;
  Discard();
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  if (!State().open || format != CF_BITMAP) return nullptr;
  soft::Bitmap* bitmap = soft::LookupBitmap(data);
  if (bitmap == nullptr || bitmap->isStock) return nullptr;
  if (bitmap != HeldBitmap()) {
    Discard();
    bitmap->onClipboard = true;
    State().bitmap = bitmap;
  }
  return data;
}

HANDLE GetClipboardData(UINT format) {
  if (!State().open || format != CF_BITMAP) return nullptr;
  return soft::HandleOf(HeldBitmap());
}

BOOL IsClipboardFormatAvailable(UINT format) {
  return format == CF_BITMAP && HeldBitmap() != nullptr ? TRUE : FALSE;
}

}  // namespace plat
