// Layered presentation: a premultiplied 32-bit frame with one constant
// opacity, painted onto the window's RGBA visual. Cairo's ARGB32 is the
// same premultiplied blue-green-red-alpha layout, so rows are copied as
// they are. Fully transparent pixels let the mouse through.
#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/gdi.h"
#include "platform/gtk/alpha_shape.h"
#include "platform/gtk/frame_upload.h"
#include "platform/gtk/gtk_state.h"
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

void Resize(WindowRecord& record, int width, int height) {
  if (width == record.width && height == record.height) return;
  record.width = width;
  record.height = height;
  if (record.widget == nullptr) return;
  gtk_widget_set_size_request(record.widget, width, height);
  gtk_window_resize(GTK_WINDOW(record.widget), width, height);
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
  PaintFrame(cr, FindWidget(widget));
  return TRUE;
}

}  // namespace plat::gtk

namespace plat {

BOOL UpdateLayeredWindow(HWND window, HDC, POINT* destination, SIZE* size, HDC source, POINT* sourcePoint,
                         COLORREF, BLENDFUNCTION* blend, DWORD flags) {
  gtk::WindowRecord* record = gtk::FindWindow(window);
  if (record == nullptr || record->form == nullptr || !(record->exStyle & WS_EX_LAYERED) || size == nullptr ||
      source == nullptr || blend == nullptr || flags != ULW_ALPHA || blend->BlendOp != AC_SRC_OVER ||
      size->cx <= 0 || size->cy <= 0) {
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
  cairo_surface_t* surface = gtk::FrameSurface(*record, *size);
  if (surface == nullptr) {
    SetLastError(8);  // not enough memory
    return FALSE;
  }
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const bool alphaBefore = record->constantAlpha != 0;
  bool alphaChanged = !sameSize;
  record->alpha.resize(static_cast<std::size_t>(size->cx) * size->cy);
  for (int y = 0; y < size->cy; ++y) {
    const std::uint8_t* from = rows.Row(origin.y + y) + static_cast<std::size_t>(origin.x) * 4;
    std::uint8_t* alpha = record->alpha.data() + static_cast<std::size_t>(y) * size->cx;
    if (gtk::CopyRowAndAlpha(from, data + static_cast<std::size_t>(y) * stride, alpha, size->cx)) alphaChanged = true;
  }
  cairo_surface_mark_dirty(surface);
  record->constantAlpha = blend->SourceConstantAlpha;
  if (destination != nullptr && (destination->x != record->left || destination->y != record->top)) {
    gtk::MoveWidget(*record, destination->x, destination->y);
  }
  gtk::Resize(*record, size->cx, size->cy);
  if (alphaChanged || alphaBefore != (record->constantAlpha != 0)) gtk::ApplyShape(*record);
  if (record->widget != nullptr && !gtk::UploadFrame(*record)) gtk_widget_queue_draw(record->widget);
  return TRUE;
}

}  // namespace plat
