#include <algorithm>
#include <limits>

#include "platform/bitmap.h"
#include "platform/exception.h"

namespace plat {

TCanvas::~TCanvas() {
  if (dc_ == nullptr) return;
  Deselect();
  DeleteDC(dc_);
}

HDC TCanvas::Handle() {
  if (dc_ == nullptr) {
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_ == nullptr) throw EOutOfMemory("Out of system resources");
  }
  Reselect();
  return dc_;
}

bool TCanvas::PixelRows(TDibRows32& rows) { return owner_.PixelRows(rows); }

void TCanvas::Deselect() {
  if (!holdsOwner_) return;
  SelectObject(dc_, stock_);
  holdsOwner_ = false;
}

void TCanvas::Reselect() {
  if (dc_ == nullptr || holdsOwner_ || owner_.handle_ == nullptr) return;
  HGDIOBJ previous = SelectObject(dc_, owner_.handle_);
  if (previous == nullptr) return;  // the bitmap is held by another context
  stock_ = previous;
  holdsOwner_ = true;
}

namespace {
LONG Far(LONG start, int extent) {
  const std::int64_t end = static_cast<std::int64_t>(start) + extent;
  return static_cast<LONG>(std::min<std::int64_t>(end, std::numeric_limits<LONG>::max()));
}
}  // namespace

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (graphic == nullptr || graphic->IsEmpty()) return;
  HDC dc = Handle();
  SetBkColor(dc, BrushColor);
  SetTextColor(dc, FontColor);
  graphic->Render(*this, RECT{x, y, Far(x, graphic->PixelWidth()), Far(y, graphic->PixelHeight())});
}

}  // namespace plat
