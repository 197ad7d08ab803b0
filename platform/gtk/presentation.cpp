// Layered presentation: a premultiplied 32-bit frame with one constant
// opacity, painted onto the window's RGBA visual. Cairo's ARGB32 is the
// same premultiplied blue-green-red-alpha layout, so rows are copied as
// they are. Fully transparent pixels let the mouse through. A frame that
// changed only in parts is copied and put on the screen only there.
#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/gdi.h"
#include "platform/gtk/alpha_shape.h"
#include "platform/gtk/frame_upload.h"
#include "platform/gtk/gtk_state.h"
#include "platform/gtk/stale_area.h"
#include "platform/kernel.h"
#include "platform/soft/bitmap_rows.h"
#include "platform/window.h"

namespace plat::gtk {

namespace {

// Copies a row of `count` 32-bit pixels and brings the row's alpha bytes
// up to date; true when any of them changed. Done for every frame, so
// sixteen pixels at a time where the processor allows.
bool CopyRowAndAlpha(const std::uint8_t* from, std::uint8_t* to, std::uint8_t* alpha, int count) {
  bool changed = false;
  int x = 0;
#ifdef __SSE2__
  for (; x + 16 <= count; x += 16) {
    // Four registers by name: an array of them would live on the stack.
    const auto* in = reinterpret_cast<const __m128i*>(from + 4 * x);
    auto* out = reinterpret_cast<__m128i*>(to + 4 * x);
    const __m128i p0 = _mm_loadu_si128(in), p1 = _mm_loadu_si128(in + 1);
    const __m128i p2 = _mm_loadu_si128(in + 2), p3 = _mm_loadu_si128(in + 3);
    _mm_storeu_si128(out, p0);
    _mm_storeu_si128(out + 1, p1);
    _mm_storeu_si128(out + 2, p2);
    _mm_storeu_si128(out + 3, p3);
    const __m128i low = _mm_packs_epi32(_mm_srli_epi32(p0, 24), _mm_srli_epi32(p1, 24));
    const __m128i high = _mm_packs_epi32(_mm_srli_epi32(p2, 24), _mm_srli_epi32(p3, 24));
    const __m128i bytes = _mm_packus_epi16(low, high);
    auto* kept = reinterpret_cast<__m128i*>(alpha + x);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_loadu_si128(kept))) != 0xFFFF) {
      _mm_storeu_si128(kept, bytes);
      changed = true;
    }
  }
#endif
  std::memcpy(to + 4 * x, from + 4 * x, static_cast<std::size_t>(count - x) * 4);
  for (; x < count; ++x) {
    if (alpha[x] != from[4 * x + 3]) {
      alpha[x] = from[4 * x + 3];
      changed = true;
    }
  }
  return changed;
}

// A surface of the frame's size: the memory the X server reads frames from
// where it can, else the last surface when it fits, else a new one.
cairo_surface_t* FrameSurface(WindowRecord& record, SIZE size) {
  cairo_surface_t* surface = SharedFrameSurface(record, size.cx, size.cy);
  if (surface != nullptr) {
    cairo_surface_reference(surface);
  } else if (record.frame != nullptr && cairo_image_surface_get_width(record.frame) == size.cx &&
             cairo_image_surface_get_height(record.frame) == size.cy) {
    return record.frame;
  } else {
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.cx, size.cy);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(surface);
      return nullptr;
    }
  }
  if (record.frame != nullptr) cairo_surface_destroy(record.frame);
  record.frame = surface;
  return surface;
}

// Writes the new frame into `surface` where the surface is out of date,
// and the alpha bytes where the frame changed (`changed`, which lies
// within that area); true when any alpha byte changed.
bool WriteFrame(cairo_surface_t* surface, const TDibRows32& rows, POINT origin, const cairo_region_t* changed,
                WindowRecord& record) {
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const int width = cairo_image_surface_get_width(surface);
  const auto pixels = [&](int x, int y) { return data + static_cast<std::size_t>(y) * stride + 4 * x; };
  const auto source = [&](int x, int y) { return rows.Row(origin.y + y) + (static_cast<std::size_t>(origin.x) + x) * 4; };

  bool alphaChanged = false;
  for (int i = 0; i < cairo_region_num_rectangles(changed); ++i) {
    cairo_rectangle_int_t part;
    cairo_region_get_rectangle(changed, i, &part);
    for (int y = part.y; y < part.y + part.height; ++y) {
      std::uint8_t* alpha = record.alpha.data() + static_cast<std::size_t>(y) * width + part.x;
      if (CopyRowAndAlpha(source(part.x, y), pixels(part.x, y), alpha, part.width)) alphaChanged = true;
    }
  }
  // What earlier frames changed while this surface waited its turn (all
  // of it, for a new surface).
  const cairo_rectangle_int_t all{0, 0, width, cairo_image_surface_get_height(surface)};
  cairo_region_t* rest =
      StaleArea(surface) != nullptr ? cairo_region_copy(StaleArea(surface)) : cairo_region_create_rectangle(&all);
  cairo_region_subtract(rest, changed);
  for (int i = 0; i < cairo_region_num_rectangles(rest); ++i) {
    cairo_rectangle_int_t part;
    cairo_region_get_rectangle(rest, i, &part);
    for (int y = part.y; y < part.y + part.height; ++y) {
      std::memcpy(pixels(part.x, y), source(part.x, y), static_cast<std::size_t>(part.width) * 4);
    }
  }
  cairo_region_destroy(rest);
  MarkFresh(surface);
  cairo_surface_mark_dirty(surface);
  return alphaChanged;
}

void Resize(WindowRecord& record, int width, int height) {
  if (width == record.width && height == record.height) return;
  record.width = width;
  record.height = height;
  if (record.widget == nullptr) return;
  gtk_widget_set_size_request(record.widget, width, height);
  gtk_window_resize(GTK_WINDOW(record.widget), width, height);
}

// The presentation of UpdateLayeredWindow and UpdateLayeredWindowParts;
// `parts` null for the whole layer.
BOOL Present(HWND window, POINT* destination, SIZE* size, HDC source, POINT* sourcePoint, BLENDFUNCTION* blend,
             const RECT* parts, int count) {
  WindowRecord* record = FindWindow(window);
  if (record == nullptr || record->form == nullptr || !(record->exStyle & WS_EX_LAYERED) || size == nullptr ||
      source == nullptr || blend == nullptr || blend->BlendOp != AC_SRC_OVER || size->cx <= 0 || size->cy <= 0) {
    SetLastError(87);  // invalid parameter
    return FALSE;
  }
  static std::vector<std::uint8_t> copy;
  TDibRows32 rows;
  const POINT origin = sourcePoint ? *sourcePoint : POINT{0, 0};
  if (!soft::PresentedRows(source, origin, *size, copy, rows)) {
    SetLastError(87);
    return FALSE;
  }
  const bool sameSize = record->frame != nullptr && cairo_image_surface_get_width(record->frame) == size->cx &&
                        cairo_image_surface_get_height(record->frame) == size->cy;
  // Parts are a change from what the window shows: of the same size, at
  // the same opacity.
  const bool whole = parts == nullptr || !sameSize || blend->SourceConstantAlpha != record->constantAlpha;
  cairo_region_t* changed;
  if (whole) {
    const cairo_rectangle_int_t all{0, 0, size->cx, size->cy};
    changed = cairo_region_create_rectangle(&all);
  } else {
    changed = cairo_region_create();
    for (int i = 0; i < count; ++i) {
      const cairo_rectangle_int_t part{parts[i].left, parts[i].top, parts[i].right - parts[i].left,
                                       parts[i].bottom - parts[i].top};
      cairo_region_union_rectangle(changed, &part);
    }
    const cairo_rectangle_int_t all{0, 0, size->cx, size->cy};
    cairo_region_intersect_rectangle(changed, &all);
  }
  MarkWindowChanged(*record, whole ? nullptr : changed);
  cairo_surface_t* surface = FrameSurface(*record, *size);
  if (surface == nullptr) {
    cairo_region_destroy(changed);
    SetLastError(8);  // not enough memory
    return FALSE;
  }
  const bool alphaBefore = record->constantAlpha != 0;
  record->alpha.resize(static_cast<std::size_t>(size->cx) * size->cy);
  const bool alphaChanged = WriteFrame(surface, rows, origin, changed, *record) || !sameSize;
  record->constantAlpha = blend->SourceConstantAlpha;
  if (destination != nullptr && (destination->x != record->left || destination->y != record->top)) {
    MoveWidget(*record, destination->x, destination->y);
  }
  Resize(*record, size->cx, size->cy);
  if (alphaChanged || alphaBefore != (record->constantAlpha != 0)) ApplyShape(*record);
  if (record->widget != nullptr && !UploadFrame(*record, changed)) {
    gtk_widget_queue_draw_region(record->widget, changed);
    if (record->blank) gtk_widget_queue_draw_region(record->follower, changed);
  }
  cairo_region_destroy(changed);
  return TRUE;
}

}  // namespace

void ApplyShape(WindowRecord& record) {
  if (record.widget == nullptr) return;
  cairo_region_t* region;
  if (record.constantAlpha == 0 || record.frame == nullptr) {
    region = cairo_region_create();
  } else {
    const std::vector<cairo_rectangle_int_t> runs = VisibleRuns(
        record.alpha.data(), cairo_image_surface_get_width(record.frame), cairo_image_surface_get_height(record.frame));
    region = cairo_region_create_rectangles(runs.data(), static_cast<int>(runs.size()));
  }
  gtk_widget_input_shape_combine_region(record.widget, region);
  // Without a compositor the alpha channel is not shown: cut the window to
  // its visible pixels so that at least the fully transparent ones show
  // the desktop; the edges then blend against black.
  const bool composited = gdk_screen_is_composited(gtk_widget_get_screen(record.widget));
  gtk_widget_shape_combine_region(record.widget, composited ? nullptr : region);
  cairo_region_destroy(region);
}

bool HitsPicture(const WindowRecord& record, int screenX, int screenY) {
  if (record.frame == nullptr || record.constantAlpha == 0) return false;
  const int width = cairo_image_surface_get_width(record.frame);
  const int height = cairo_image_surface_get_height(record.frame);
  const int x = screenX - record.left, y = screenY - record.top;
  if (x < 0 || y < 0 || x >= width || y >= height) return false;
  return record.alpha[static_cast<std::size_t>(y) * width + x] != 0;
}

void PaintFrame(cairo_t* cr, const WindowRecord* record) {
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  if (record != nullptr && record->frame != nullptr && record->constantAlpha != 0) {
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_source_surface(cr, record->frame, 0, 0);
    cairo_paint_with_alpha(cr, record->constantAlpha / 255.0);
  }
}

gboolean DrawFrame(GtkWidget* widget, cairo_t* cr, gpointer) {
  const WindowRecord* record = FindWidget(widget);
  PaintFrame(cr, record != nullptr && !record->blank ? record : nullptr);
  return TRUE;
}

}  // namespace plat::gtk

namespace plat {

BOOL UpdateLayeredWindow(HWND window, HDC, POINT* destination, SIZE* size, HDC source, POINT* sourcePoint,
                         COLORREF, BLENDFUNCTION* blend, DWORD flags) {
  if (flags != ULW_ALPHA) {
    SetLastError(87);
    return FALSE;
  }
  return gtk::Present(window, destination, size, source, sourcePoint, blend, nullptr, 0);
}

BOOL UpdateLayeredWindowParts(HWND window, HDC, POINT* destination, SIZE* size, HDC source, POINT* sourcePoint,
                              BLENDFUNCTION* blend, const RECT* parts, int count) {
  if (parts == nullptr || count <= 0) {
    SetLastError(87);
    return FALSE;
  }
  return gtk::Present(window, destination, size, source, sourcePoint, blend, parts, count);
}

}  // namespace plat
