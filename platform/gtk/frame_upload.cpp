#include "platform/gtk/frame_upload.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <gdk/gdkx.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "platform/gtk/fade.h"
#include "platform/gtk/stale_area.h"

namespace plat::gtk {

namespace {

// An image in memory shared with the X server, seen by cairo as a surface.
struct SharedImage {
  XShmSegmentInfo segment{};
  XImage* image = nullptr;
  cairo_surface_t* surface = nullptr;
  // The request that last put it on a window, while the server may not
  // have read it yet.
  bool put = false;
  unsigned long putRequest = 0;
};

}  // namespace

// Images a window's frames take by turns. Before an image is written again
// the program must know that the server has read it, which costs a round
// trip (a wake-up of both) unless the answer to something else told it:
// with six, that is at most every sixth frame (four times a second), for
// 1.5 MB of memory shared with the server.
constexpr int kTurns = 6;

struct Uploads {
  Display* display = nullptr;
  GC context = nullptr;
  // The window's frame itself (the window record holds the surface too),
  // and the frame at its constant opacity when that is not full, each
  // image by turns.
  SharedImage frames[kTurns];
  SharedImage faded[kTurns];
  int turn = 0;
  // Where the server has no shared memory for us: the faded frame in our
  // own memory, sent through the connection.
  cairo_surface_t* fadedLocal = nullptr;
  bool sharedFailed = false;
};

namespace {

void Drop(Display* display, SharedImage& shared, bool attached) {
  if (shared.surface != nullptr) cairo_surface_destroy(shared.surface);
  if (attached) XShmDetach(display, &shared.segment);
  if (shared.segment.shmaddr != nullptr) shmdt(shared.segment.shmaddr);
  if (shared.image != nullptr) {
    shared.image->data = nullptr;
    XDestroyImage(shared.image);
  }
  shared = SharedImage{};
}

// The window's X display and visual depth, or false when frames cannot be
// put on it directly: not an X11 window, not made yet, or the connection lost.
bool UploadTarget(const WindowRecord& record, GdkWindow** window, int* depth) {
  if (record.widget == nullptr || TheState().displayLost) return false;
  *window = gtk_widget_get_window(record.widget);
  if (*window == nullptr || !GDK_IS_X11_WINDOW(*window)) return false;
  // 32 bits with alpha under a compositor; 24 without one, where the
  // premultiplied colours show against black as they do when painted.
  *depth = gdk_visual_get_depth(gdk_window_get_visual(*window));
  return *depth == 32 || *depth == 24;
}

Uploads& UploadsOf(WindowRecord& record, GdkWindow* window) {
  if (record.uploads == nullptr) {
    record.uploads = new Uploads;
    record.uploads->display = GDK_WINDOW_XDISPLAY(window);
  }
  return *record.uploads;
}

// `shared` at the window's depth and the given size, made on first use and
// when the size changes; false where the server has no shared memory for
// this client (a remote display).
bool Share(Uploads& uploads, SharedImage& shared, GdkWindow* window, int depth, int width, int height) {
  if (shared.image != nullptr && shared.image->width == width && shared.image->height == height &&
      shared.image->depth == depth) {
    return true;
  }
  if (shared.image != nullptr) Drop(uploads.display, shared, true);
  if (uploads.sharedFailed) return false;
  if (!XShmQueryExtension(uploads.display)) {
    uploads.sharedFailed = true;
    return false;
  }
  shared.image = XShmCreateImage(uploads.display, gdk_x11_visual_get_xvisual(gdk_window_get_visual(window)),
                                 static_cast<unsigned>(depth), ZPixmap, nullptr, &shared.segment,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height));
  // Cairo lays its rows out as the server does here; anything else is not
  // shared.
  if (shared.image == nullptr || shared.image->bits_per_pixel != 32 ||
      shared.image->bytes_per_line != cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width)) {
    Drop(uploads.display, shared, false);
    uploads.sharedFailed = true;
    return false;
  }
  shared.segment.shmid =
      shmget(IPC_PRIVATE, static_cast<std::size_t>(shared.image->bytes_per_line) * height, IPC_CREAT | 0600);
  void* address = shared.segment.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(shared.segment.shmid, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    if (shared.segment.shmid >= 0) shmctl(shared.segment.shmid, IPC_RMID, nullptr);
    Drop(uploads.display, shared, false);
    uploads.sharedFailed = true;
    return false;
  }
  shared.segment.shmaddr = shared.image->data = static_cast<char*>(address);
  shared.segment.readOnly = True;
  GdkDisplay* display = gdk_window_get_display(window);
  gdk_x11_display_error_trap_push(display);
  XShmAttach(uploads.display, &shared.segment);
  XSync(uploads.display, False);
  const bool attached = gdk_x11_display_error_trap_pop(display) == 0;
  // Gone from the system once both sides have let go of it, even if the
  // program is killed.
  shmctl(shared.segment.shmid, IPC_RMID, nullptr);
  if (!attached) {
    Drop(uploads.display, shared, false);
    uploads.sharedFailed = true;
    return false;
  }
  shared.surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(address),
                                                       CAIRO_FORMAT_ARGB32, width, height,
                                                       shared.image->bytes_per_line);
  return true;
}

// Waits, when the server may not have read what was last put from `shared`,
// until it has, so that it may be written again.
void Settle(Display* display, SharedImage& shared) {
  if (!shared.put) return;
  if (static_cast<long>(LastKnownRequestProcessed(display) - shared.putRequest) < 0) XSync(display, False);
  shared.put = false;
}

// The frame at its constant opacity, the pixels an exposure paints, made
// anew where it is out of date.
cairo_surface_t* Faded(Uploads& uploads, const WindowRecord& record, GdkWindow* window, int depth) {
  const int width = cairo_image_surface_get_width(record.frame);
  const int height = cairo_image_surface_get_height(record.frame);
  cairo_surface_t* target;
  SharedImage& shared = uploads.faded[uploads.turn];
  if (Share(uploads, shared, window, depth, width, height)) {
    Settle(uploads.display, shared);
    target = shared.surface;
  } else {
    if (uploads.fadedLocal == nullptr || cairo_image_surface_get_width(uploads.fadedLocal) != width ||
        cairo_image_surface_get_height(uploads.fadedLocal) != height) {
      if (uploads.fadedLocal != nullptr) cairo_surface_destroy(uploads.fadedLocal);
      uploads.fadedLocal = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
      if (cairo_surface_status(uploads.fadedLocal) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(uploads.fadedLocal);
        uploads.fadedLocal = nullptr;
        return nullptr;
      }
    }
    target = uploads.fadedLocal;
  }
  cairo_surface_flush(target);
  const unsigned char* from = cairo_image_surface_get_data(record.frame);
  const int fromStride = cairo_image_surface_get_stride(record.frame);
  unsigned char* to = cairo_image_surface_get_data(target);
  const int toStride = cairo_image_surface_get_stride(target);
  const cairo_rectangle_int_t all{0, 0, width, height};
  cairo_region_t* stale =
      StaleArea(target) != nullptr ? cairo_region_copy(StaleArea(target)) : cairo_region_create_rectangle(&all);
  for (int i = 0; i < cairo_region_num_rectangles(stale); ++i) {
    cairo_rectangle_int_t part;
    cairo_region_get_rectangle(stale, i, &part);
    for (int y = part.y; y < part.y + part.height; ++y) {
      FadeRow(from + static_cast<std::size_t>(y) * fromStride + 4 * part.x,
              to + static_cast<std::size_t>(y) * toStride + 4 * part.x, part.width * 4, record.constantAlpha);
    }
  }
  cairo_region_destroy(stale);
  MarkFresh(target);
  cairo_surface_mark_dirty(target);
  return target;
}

}  // namespace

cairo_surface_t* SharedFrameSurface(WindowRecord& record, int width, int height) {
  GdkWindow* window = nullptr;
  int depth = 0;
  if (!UploadTarget(record, &window, &depth)) return nullptr;
  Uploads& uploads = UploadsOf(record, window);
  SharedImage& next = uploads.frames[uploads.turn];
  // A frame of another size is let go before the memory it lies in.
  if (record.frame != nullptr && record.frame == next.surface &&
      (cairo_image_surface_get_width(record.frame) != width || cairo_image_surface_get_height(record.frame) != height)) {
    cairo_surface_destroy(record.frame);
    record.frame = nullptr;
  }
  if (!Share(uploads, next, window, depth, width, height)) return nullptr;
  Settle(uploads.display, next);
  return next.surface;
}

void MarkWindowChanged(WindowRecord& record, const cairo_region_t* changed) {
  if (record.frame != nullptr) MarkChanged(record.frame, changed);
  if (record.uploads == nullptr) return;
  Uploads& uploads = *record.uploads;
  for (SharedImage* images : {uploads.frames, uploads.faded}) {
    for (int turn = 0; turn < kTurns; ++turn) {
      if (images[turn].surface != nullptr) MarkChanged(images[turn].surface, changed);
    }
  }
  if (uploads.fadedLocal != nullptr) MarkChanged(uploads.fadedLocal, changed);
}

bool UploadFrame(WindowRecord& record, const cairo_region_t* changed) {
  GdkWindow* window = nullptr;
  int depth = 0;
  if (record.frame == nullptr || !UploadTarget(record, &window, &depth) || !gtk_widget_get_mapped(record.widget)) {
    return false;
  }
  Uploads& uploads = UploadsOf(record, window);
  cairo_surface_t* shown = record.constantAlpha == 255 ? record.frame : Faded(uploads, record, window, depth);
  if (shown == nullptr) return false;
  const Window target = GDK_WINDOW_XID(window);
  if (uploads.context == nullptr) uploads.context = XCreateGC(uploads.display, target, 0, nullptr);
  SharedImage* shared = shown == uploads.frames[uploads.turn].surface ? &uploads.frames[uploads.turn]
                        : shown == uploads.faded[uploads.turn].surface ? &uploads.faded[uploads.turn]
                                                                        : nullptr;
  // Through the connection, where the server has no shared memory for us.
  XImage image{};
  if (shared == nullptr) {
    image.width = cairo_image_surface_get_width(shown);
    image.height = cairo_image_surface_get_height(shown);
    image.format = ZPixmap;
    image.data = reinterpret_cast<char*>(cairo_image_surface_get_data(shown));
    image.byte_order = LSBFirst;  // cairo's ARGB32 is a native word; x86 is little-endian
    image.bitmap_unit = 32;
    image.bitmap_bit_order = LSBFirst;
    image.bitmap_pad = 32;
    image.depth = depth;
    image.bytes_per_line = cairo_image_surface_get_stride(shown);
    image.bits_per_pixel = 32;
    image.red_mask = 0xFF0000;
    image.green_mask = 0x00FF00;
    image.blue_mask = 0x0000FF;
    if (XInitImage(&image) == 0) return true;
  }
  GdkDisplay* display = gdk_window_get_display(window);
  // A window gone on the server's side must not end the program.
  gdk_x11_display_error_trap_push(display);
  // Each part is a put of its own, so that the server, and after it the
  // compositor, redraws only what changed.
  for (int i = 0; i < cairo_region_num_rectangles(changed); ++i) {
    cairo_rectangle_int_t part;
    cairo_region_get_rectangle(changed, i, &part);
    const unsigned width = static_cast<unsigned>(part.width), height = static_cast<unsigned>(part.height);
    if (shared != nullptr) {
      // No completion event: it would wake the program a second time for
      // every frame. The next writer of the image waits instead, if it must.
      shared->putRequest = NextRequest(uploads.display);
      XShmPutImage(uploads.display, target, uploads.context, shared->image, part.x, part.y, part.x, part.y, width,
                   height, False);
      shared->put = true;
    } else {
      XPutImage(uploads.display, target, uploads.context, &image, part.x, part.y, part.x, part.y, width, height);
    }
  }
  if (shared != nullptr) uploads.turn = (uploads.turn + 1) % kTurns;
  XFlush(uploads.display);
  gdk_x11_display_error_trap_pop_ignored(display);
  return true;
}

void ReleaseUploads(WindowRecord& record) {
  if (record.uploads == nullptr) return;
  Uploads& uploads = *record.uploads;
  // The frame must not outlive the memory it lies in.
  for (const SharedImage& shared : uploads.frames) {
    if (record.frame != nullptr && record.frame == shared.surface) {
      cairo_surface_destroy(record.frame);
      record.frame = nullptr;
    }
  }
  const bool connected = !TheState().displayLost;
  auto release = [&](SharedImage& shared) {
    if (shared.image == nullptr) return;
    if (connected) {
      // The server lets go of the segment before it is unmapped here.
      XShmDetach(uploads.display, &shared.segment);
      XSync(uploads.display, False);
    }
    Drop(uploads.display, shared, false);
  };
  for (SharedImage& shared : uploads.frames) release(shared);
  for (SharedImage& shared : uploads.faded) release(shared);
  if (uploads.context != nullptr && connected) XFreeGC(uploads.display, uploads.context);
  if (uploads.fadedLocal != nullptr) cairo_surface_destroy(uploads.fadedLocal);
  delete record.uploads;
  record.uploads = nullptr;
}

}  // namespace plat::gtk
