#include "platform/gtk/stale_area.h"

namespace plat::gtk {

namespace {

const cairo_user_data_key_t kStaleKey{};

void DestroyRegion(void* region) { cairo_region_destroy(static_cast<cairo_region_t*>(region)); }

}  // namespace

const cairo_region_t* StaleArea(cairo_surface_t* surface) {
  return static_cast<const cairo_region_t*>(cairo_surface_get_user_data(surface, &kStaleKey));
}

void MarkChanged(cairo_surface_t* surface, const cairo_region_t* changed) {
  auto* stale = static_cast<cairo_region_t*>(cairo_surface_get_user_data(surface, &kStaleKey));
  if (stale == nullptr) return;  // out of date all over already
  if (changed == nullptr) {
    cairo_surface_set_user_data(surface, &kStaleKey, nullptr, nullptr);
  } else {
    cairo_region_union(stale, changed);
  }
}

void MarkFresh(cairo_surface_t* surface) {
  cairo_surface_set_user_data(surface, &kStaleKey, cairo_region_create(), DestroyRegion);
}

}  // namespace plat::gtk
