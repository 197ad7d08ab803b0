// The About box: GTK's own dialog, which shows the licence itself and
// needs no browser; the page that ships with the program is a link in it.
#include <algorithm>
#include <cstring>

#include "platform/gtk/gtk_state.h"
#include "platform/shell.h"

namespace plat {

namespace {

constexpr int kLogoHeight = 160;

// The picture at a whole fraction of its size, at most kLogoHeight tall.
GdkPixbuf* Logo(const TAboutBox& about) {
  const int w = about.pictureWidth, h = about.pictureHeight;
  if (w <= 0 || h <= 0 || about.picture.size() != static_cast<std::size_t>(w) * h * 4) return nullptr;
  // Premultiplied blue, green, red, alpha bytes are cairo's ARGB32 on a
  // little-endian machine.
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  unsigned char* rows = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < h; ++y) std::memcpy(rows + y * stride, &about.picture[static_cast<std::size_t>(y) * w * 4], w * 4);
  cairo_surface_mark_dirty(surface);
  GdkPixbuf* whole = gdk_pixbuf_get_from_surface(surface, 0, 0, w, h);
  cairo_surface_destroy(surface);
  const int shrink = (h + kLogoHeight - 1) / kLogoHeight;
  if (whole == nullptr || shrink == 1) return whole;
  GdkPixbuf* small =
      gdk_pixbuf_scale_simple(whole, std::max(1, w / shrink), std::max(1, h / shrink), GDK_INTERP_BILINEAR);
  g_object_unref(whole);
  return small;
}

}  // namespace

BOOL ShowAboutBox(HWND, const TAboutBox& about) {
  auto& state = gtk::TheState();
  if (state.displayLost || state.quit || !gtk::EnsureGtk()) return FALSE;
  GtkWidget* dialog = gtk_about_dialog_new();
  GtkAboutDialog* box = GTK_ABOUT_DIALOG(dialog);
  gtk_about_dialog_set_program_name(box, about.name.c_str());
  gtk_about_dialog_set_version(box, about.version.c_str());
  gtk_about_dialog_set_comments(box, about.comments.c_str());
  gtk_about_dialog_set_copyright(box, about.copyright.c_str());
  gtk_about_dialog_set_license(box, about.licence.c_str());
  gtk_about_dialog_set_wrap_license(box, TRUE);
  if (char* uri = about.page.empty() ? nullptr : g_filename_to_uri(about.page.c_str(), nullptr, nullptr)) {
    gtk_about_dialog_set_website(box, uri);
    gtk_about_dialog_set_website_label(box, "The page that comes with it");
    g_free(uri);
  }
  if (GdkPixbuf* logo = Logo(about)) {
    gtk_about_dialog_set_logo(box, logo);
    g_object_unref(logo);
  }
  gtk::RunDialog(dialog);
  return TRUE;
}

}  // namespace plat
