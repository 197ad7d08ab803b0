// Puts each presented frame on an X11 window with one image upload, through
// shared memory where the X server offers it, instead of a paint cycle of
// the toolkit (a server-side buffer made, painted and copied for every
// frame). The toolkit's own painting still answers exposures, from the same
// frame.
#pragma once

#include "platform/gtk/gtk_state.h"

namespace plat::gtk {

// A surface of the given size for the window's next frame, in memory the X
// server reads it from, so that an upload copies nothing; nullptr where the
// window cannot take frames that way (not made yet, a remote display).
// It stays valid until the size changes or the uploads are released.
cairo_surface_t* SharedFrameSurface(WindowRecord& record, int width, int height);
// Every surface the window keeps lags behind a new frame in `changed`
// (nullptr: all over); see stale_area.h.
void MarkWindowChanged(WindowRecord& record, const cairo_region_t* changed);
// Uploads what changed of what the window shows: the frame at its
// constant opacity, in `changed`. False when the window is not an X11
// window on the screen; then the toolkit has to paint it.
bool UploadFrame(WindowRecord& record, const cairo_region_t* changed);
// Frees what the uploads to a window keep.
void ReleaseUploads(WindowRecord& record);

}  // namespace plat::gtk
