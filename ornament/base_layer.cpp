#include "ornament/base_layer.h"

#include "ornament/Unit1.h"
#include "ornament/shown_layer.h"
#include "platform/forms.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/window.h"
#include "png/pngimage.h"

std::unique_ptr<TPNGObject> BasePng;
std::unique_ptr<plat::TBitmap> BaseBitmap;
std::uint64_t BaseLayerBuilds = 0;
std::uint8_t Opacity = 0;
bool PresentationBoxOpen = false;
TShownLayer Shown;

void ShowMessage(const std::string& text) {
  const std::string caption = plat::Application().Title();
  plat::MessageBoxA(frmMain ? frmMain->Handle() : nullptr, text.c_str(), caption.c_str(), plat::MB_OK);
}

namespace {

// The system's text for an error code, without trailing blanks, line
// breaks and full stops.
std::string SystemErrorText(plat::DWORD code) {
  char buffer[1024] = {};
  const plat::DWORD n = plat::FormatMessageA(plat::FORMAT_MESSAGE_FROM_SYSTEM | plat::FORMAT_MESSAGE_IGNORE_INSERTS,
                                             nullptr, code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, n);
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
  return text;
}

// The content generation of the tree picture's buffers that BaseBitmap was
// made from.
std::uint64_t BaseTreeContent = 0;

// Each colour byte c of a B, G, R, A pixel becomes c × A div 255.
inline void PremultiplyPixel(std::uint8_t* pixel) {
  const unsigned a = pixel[3];
  // Most pixels of a picture are either opaque, which keeps them, or
  // fully transparent, which clears them.
  if (a == 255) return;
  if (a == 0) {
    pixel[0] = pixel[1] = pixel[2] = 0;
    return;
  }
  pixel[0] = static_cast<std::uint8_t>(pixel[0] * a / 255);
  pixel[1] = static_cast<std::uint8_t>(pixel[1] * a / 255);
  pixel[2] = static_cast<std::uint8_t>(pixel[2] * a / 255);
}

// A picture whose copy to a bitmap keeps its colours, with an alpha plane,
// becomes the layer in one pass: the pixels that copying it to a bitmap,
// widening that to 32 bits, copying the alpha and premultiplying give,
// without the two bitmaps in between. False for any other picture; the
// caller then builds the layer step by step.
bool BuildWideLayer(plat::TBitmap& bitmap, const TPNGObject& png) {
  if (!png.CopiesColoursUnchanged()) return false;
  const TChunkIHDR* header = png.HeaderOrNull();
  if (!header->AlphaPlane) return false;
  const int width = static_cast<int>(header->Width);
  const int height = static_cast<int>(header->Height);
  bitmap.SetPixelFormat(plat::TPixelFormat::pf32bit);
  bitmap.SetSize(width, height);
  plat::TDibRows32 rows;
  if (!bitmap.PixelRows(rows)) return false;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* colour = header->StoredColourRow(y);
    const std::uint8_t* alpha = header->AlphaPlane.get() + static_cast<std::size_t>(y) * width;
    std::uint8_t* pixel = rows.Row(y);
    for (int x = 0; x < width; ++x, colour += 3, pixel += 4) {
      pixel[0] = colour[0];
      pixel[1] = colour[1];
      pixel[2] = colour[2];
      pixel[3] = alpha[x];
      PremultiplyPixel(pixel);
    }
  }
  return true;
}

void MakeWindowLayered() {
  const plat::HWND window = frmMain->Handle();
  const plat::LONG style = plat::GetWindowLongA(window, plat::GWL_EXSTYLE);
  if (plat::SetWindowLongA(window, plat::GWL_EXSTYLE, style | plat::WS_EX_LAYERED) == 0) {
    ShowMessage(SystemErrorText(plat::GetLastError()));
  }
}

}  // namespace

void CopyPngAlpha(plat::TBitmap& bitmap, TPNGObject& png) {
  const int width = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* pixel = static_cast<std::uint8_t*>(bitmap.ScanLine(y));
    const std::uint8_t* alpha = png.AlphaRow(y);
    for (int x = 0; x < width; ++x) pixel[4 * x + 3] = alpha[x];
  }
}

void Premultiply(plat::TBitmap& bitmap) {
  const int width = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* pixel = static_cast<std::uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < width; ++x, pixel += 4) PremultiplyPixel(pixel);
  }
}

bool PresentLayer(plat::TBitmap& bitmap, const char* failureText, bool compare) {
  plat::POINT destination{frmMain->Left(), frmMain->Top()};
  TShownLayer::TChange change;
  plat::TDibRows32 rows;
  if (compare && bitmap.PixelRows(rows)) {
    change = Shown.Take(rows, destination, Opacity);
  } else {
    Shown.Forget();
    change.any = change.whole = true;
  }
  if (!change.any) return true;
  plat::HDC screen = plat::GetDC(nullptr);
  plat::HDC memory = plat::CreateCompatibleDC(screen);
  plat::HGDIOBJ previous = plat::SelectObject(memory, bitmap.Handle());
  plat::SIZE size{bitmap.Width(), bitmap.Height()};
  plat::POINT source{0, 0};
  plat::BLENDFUNCTION blend{plat::AC_SRC_OVER, 0, Opacity, plat::AC_SRC_ALPHA};
  const bool presented =
      (change.whole ? plat::UpdateLayeredWindow(frmMain->Handle(), screen, &destination, &size, memory, &source, 0,
                                                &blend, plat::ULW_ALPHA)
                    : plat::UpdateLayeredWindowParts(frmMain->Handle(), screen, &destination, &size, memory, &source,
                                                     &blend, change.parts.data(),
                                                     static_cast<int>(change.parts.size()))) != 0;
  if (!presented) Shown.Forget();
  plat::SelectObject(memory, previous);
  plat::DeleteDC(memory);
  plat::ReleaseDC(nullptr, screen);
  // The box comes after the contexts are released: its modal loop runs
  // further frames, which must be free to select the bitmap again. Those
  // frames fail the same way while the box is open; one box says it, so
  // boxes never pile up inside each other's loops.
  if (!presented && !PresentationBoxOpen) {
    PresentationBoxOpen = true;
    try {
      ShowMessage(failureText);
    } catch (...) {
      PresentationBoxOpen = false;
      throw;
    }
    PresentationBoxOpen = false;
  }
  return presented;
}

namespace {

// Builds the layer; `previous` and `previousPng` are the layer and the
// tree picture's copy it replaces, if any.
void BuildLayer(std::unique_ptr<plat::TBitmap> previous, std::unique_ptr<TPNGObject> previousPng) {
  MakeWindowLayered();

  const TPNGObject& tree = *frmMain->Images.Find("imgTree");
  const std::uint64_t treeContent = tree.RequireHeader().ContentGeneration;
  // The layer depends on the tree picture alone, not on the opacity: an
  // unchanged picture keeps both the copy and the layer made from it.
  const bool reuse = previous && previousPng && BaseTreeContent == treeContent;
  // A build that fails half way leaves nothing to be reused.
  BaseTreeContent = 0;
  if (reuse) {
    BasePng = std::move(previousPng);
    BaseBitmap = std::move(previous);
  } else {
    BasePng = std::make_unique<TPNGObject>();
    BasePng->CopyImage(tree);

    BaseBitmap = std::make_unique<plat::TBitmap>();
    ++BaseLayerBuilds;
    if (!BuildWideLayer(*BaseBitmap, *BasePng)) {
      BaseBitmap->CopyFrom(BasePng.get());
      if (BaseBitmap->PixelFormat() != plat::TPixelFormat::pf32bit) BaseBitmap->SetPixelFormat(plat::TPixelFormat::pf32bit);
      if (BaseBitmap->HandleType() == plat::TBitmapHandleType::bmDDB) BaseBitmap->SetHandleType(plat::TBitmapHandleType::bmDIB);

      const int colorType = BasePng->RequireHeader().ColorType;
      if (colorType == 6 || colorType == 4) CopyPngAlpha(*BaseBitmap, *BasePng);
      Premultiply(*BaseBitmap);
    }
  }
  BaseTreeContent = treeContent;

  frmMain->SetWidth(BasePng->PixelWidth());
  frmMain->SetHeight(BasePng->PixelHeight());
  PresentLayer(*BaseBitmap, "No!!!!!");
}

}  // namespace

void BuildBaseLayer() { BuildLayer(nullptr, nullptr); }

void ApplyOpacity(std::uint8_t value) {
  Opacity = value;
  BuildLayer(std::move(BaseBitmap), std::move(BasePng));
  // The window shows the plain layer now: the next tick draws the frame.
  frmMain->TimerGarland.CancelDefer();
}
