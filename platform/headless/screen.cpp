// The virtual screen: layered presentations, screen measures, compositing.
#include <algorithm>

#include "platform/gdi.h"
#include "platform/headless/state.h"
#include "platform/kernel.h"
#include "platform/soft/bitmap_rows.h"
#include "platform/window.h"

namespace plat::headless {

void SetScreen(int width, int height, const RECT& workArea) {
  State& state = TheState();
  state.screenWidth = width;
  state.screenHeight = height;
  state.workArea = workArea;
}

void SetOtherMonitors(std::vector<RECT> monitors) { TheState().otherMonitors = std::move(monitors); }

const Presentation* LastPresentation(HWND window) {
  const auto& last = TheState().last;
  if (window == nullptr) return last.empty() ? nullptr : &last.back();
  for (const Presentation& p : last) {
    if (p.window == window) return &p;
  }
  return nullptr;
}

std::size_t PresentationCount() { return TheState().presentations; }
void OnPresent(std::function<void(const Presentation&)> listener) {
  TheState().presentListener = std::move(listener);
}
void FailPresentations(bool fail) { TheState().failPresentations = fail; }
void FailNextSetWindowLong(DWORD errorCode) { TheState().failSetWindowLong = errorCode; }

std::vector<std::uint8_t> CompositeOver(const Presentation& layer, const std::vector<std::uint8_t>& desktop,
                                        int desktopWidth, int desktopHeight) {
  std::vector<std::uint8_t> out = desktop;
  const unsigned ca = layer.constantAlpha;
  const int x0 = std::max<int>(0, layer.position.x), y0 = std::max<int>(0, layer.position.y);
  const int x1 = std::min<int>(desktopWidth, layer.position.x + layer.size.cx);
  const int y1 = std::min<int>(desktopHeight, layer.position.y + layer.size.cy);
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* src =
        layer.pixels.data() + (static_cast<std::size_t>(y - layer.position.y) * layer.size.cx + (x0 - layer.position.x)) * 4;
    std::uint8_t* dst = out.data() + (static_cast<std::size_t>(y) * desktopWidth + x0) * 4;
    for (int x = x0; x < x1; ++x, src += 4, dst += 4) {
      // Premultiplied source over the desktop, scaled by the constant alpha.
      const unsigned a = (src[3] * ca + 127) / 255;
      for (int c = 0; c < 3; ++c) {
        const unsigned s = (src[c] * ca + 127) / 255;
        dst[c] = static_cast<std::uint8_t>(std::min(255u, s + (dst[c] * (255 - a) + 127) / 255));
      }
    }
  }
  return out;
}

namespace {

// The pixels of the bitmap selected into `dc`, as top-down 32-bit rows,
// cut to the rectangle at `origin` of the given size.
bool ReadSurface(HDC dc, POINT origin, SIZE size, std::vector<std::uint8_t>& pixels) {
  std::vector<std::uint8_t> copy;
  TDibRows32 rows;
  if (!soft::PresentedRows(dc, origin, size, copy, rows)) return false;
  const std::size_t rowBytes = static_cast<std::size_t>(size.cx) * 4;
  pixels.resize(rowBytes * size.cy);
  for (int y = 0; y < size.cy; ++y) {
    std::copy_n(rows.Row(origin.y + y) + static_cast<std::size_t>(origin.x) * 4, rowBytes,
                pixels.data() + static_cast<std::size_t>(y) * rowBytes);
  }
  return true;
}

}  // namespace
}  // namespace plat::headless

namespace plat {

using headless::TheState;

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN) return TheState().screenWidth;
  if (index == SM_CYSCREEN) return TheState().screenHeight;
  return 0;
}

BOOL SystemParametersInfoA(UINT action, UINT, void* value, UINT) {
  if (action != SPI_GETWORKAREA || value == nullptr) return FALSE;
  *static_cast<RECT*>(value) = TheState().workArea;
  return TRUE;
}

BOOL EnumDisplayMonitors(HDC, const RECT*, MONITORENUMPROC callback, LPARAM data) {
  if (callback == nullptr) return FALSE;
  const headless::State& state = TheState();
  std::vector<RECT> monitors{RECT{0, 0, state.screenWidth, state.screenHeight}};
  monitors.insert(monitors.end(), state.otherMonitors.begin(), state.otherMonitors.end());
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    if (!callback(reinterpret_cast<HMONITOR>(i + 1), nullptr, &monitors[i], data)) break;
  }
  return TRUE;
}

BOOL UpdateLayeredWindow(HWND window, HDC, POINT* destination, SIZE* size, HDC source, POINT* sourcePoint,
                         COLORREF, BLENDFUNCTION* blend, DWORD flags) {
  auto& state = TheState();
  headless::WindowRecord* record = headless::FindWindow(window);
  if (record == nullptr || !(record->state.exStyle & WS_EX_LAYERED) || size == nullptr || source == nullptr ||
      blend == nullptr || flags != ULW_ALPHA || blend->BlendOp != AC_SRC_OVER || size->cx <= 0 || size->cy <= 0) {
    SetLastError(87);  // invalid parameter
    return FALSE;
  }
  if (state.failPresentations) {
    SetLastError(8);  // not enough memory
    return FALSE;
  }
  headless::Presentation shown;
  // The pixel memory of the presentation this one replaces is reused.
  shown.pixels = std::move(state.spare);
  shown.window = window;
  shown.size = *size;
  shown.position = destination ? *destination
                               : POINT{record->state.bounds.left, record->state.bounds.top};
  shown.constantAlpha = blend->SourceConstantAlpha;
  shown.tick = GetTickCount();
  if (!headless::ReadSurface(source, sourcePoint ? *sourcePoint : POINT{0, 0}, *size, shown.pixels)) {
    state.spare = std::move(shown.pixels);
    SetLastError(87);
    return FALSE;
  }
  record->state.bounds = RECT{shown.position.x, shown.position.y, shown.position.x + size->cx,
                              shown.position.y + size->cy};
  headless::CheckFullScreenCover();
  auto it = std::find_if(state.last.begin(), state.last.end(),
                         [&](const headless::Presentation& p) { return p.window == window; });
  if (it != state.last.end()) {
    state.spare = std::move(it->pixels);
    state.last.erase(it);
  }
  state.last.push_back(std::move(shown));
  ++state.presentations;
  if (state.presentListener) state.presentListener(state.last.back());
  return TRUE;
}

BOOL UpdateLayeredWindowParts(HWND window, HDC, POINT* destination, SIZE* size, HDC source,
                              POINT* sourcePoint, BLENDFUNCTION* blend, const RECT* parts, int count) {
  auto& state = TheState();
  auto it = std::find_if(state.last.begin(), state.last.end(),
                         [&](const headless::Presentation& p) { return p.window == window; });
  // Parts of a window that shows nothing yet, or a layer of another size,
  // would leave the rest undefined.
  if (it == state.last.end() || size == nullptr || size->cx != it->size.cx || size->cy != it->size.cy ||
      parts == nullptr || count <= 0) {
    SetLastError(87);
    return FALSE;
  }
  for (int i = 0; i < count; ++i) {
    const RECT& part = parts[i];
    if (part.left < 0 || part.top < 0 || part.left >= part.right || part.top >= part.bottom ||
        part.right > size->cx || part.bottom > size->cy) {
      SetLastError(87);
      return FALSE;
    }
  }
  headless::WindowRecord* record = headless::FindWindow(window);
  if (record == nullptr || !(record->state.exStyle & WS_EX_LAYERED) || source == nullptr || blend == nullptr ||
      blend->BlendOp != AC_SRC_OVER) {
    SetLastError(87);
    return FALSE;
  }
  if (state.failPresentations) {
    SetLastError(8);
    return FALSE;
  }
  std::vector<std::uint8_t> copy;
  TDibRows32 rows;
  const POINT origin = sourcePoint ? *sourcePoint : POINT{0, 0};
  if (!soft::PresentedRows(source, origin, *size, copy, rows)) {
    SetLastError(87);
    return FALSE;
  }
  // Only the parts are read; the rest of the window keeps what it showed.
  headless::Presentation& shown = *it;
  const std::size_t rowBytes = static_cast<std::size_t>(size->cx) * 4;
  for (int i = 0; i < count; ++i) {
    const RECT& part = parts[i];
    for (LONG y = part.top; y < part.bottom; ++y) {
      std::copy_n(rows.Row(origin.y + y) + (static_cast<std::size_t>(origin.x) + part.left) * 4,
                  static_cast<std::size_t>(part.right - part.left) * 4,
                  shown.pixels.begin() + rowBytes * y + static_cast<std::size_t>(part.left) * 4);
    }
  }
  if (destination != nullptr) shown.position = *destination;
  record->state.bounds = RECT{shown.position.x, shown.position.y, shown.position.x + size->cx,
                              shown.position.y + size->cy};
  headless::CheckFullScreenCover();
  shown.constantAlpha = blend->SourceConstantAlpha;
  shown.tick = GetTickCount();
  shown.parts.assign(parts, parts + count);
  ++state.presentations;
  if (state.presentListener) state.presentListener(shown);
  return TRUE;
}

}  // namespace plat
