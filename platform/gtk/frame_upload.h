// Puts each presented frame on an X11 window with one image upload, through
// shared memory where the X server offers it, instead of a paint cycle of
// the toolkit (a server-side buffer made, painted and copied for every
// frame). The toolkit's own painting still answers exposures, from the same
// frame.
#pragma once

#include "platform/gtk/gtk_state.h"

namespace plat::gtk {

// Uploads what the window shows: the frame at its constant opacity. False
// when the window is not an X11 window on the screen; then the toolkit
// has to paint it.
bool UploadFrame(WindowRecord& record);
// Frees what the uploads to a window keep.
void ReleaseUploads(WindowRecord& record);

}  // namespace plat::gtk
