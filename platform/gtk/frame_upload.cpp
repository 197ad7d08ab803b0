#include "platform/gtk/frame_upload.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <gdk/gdkx.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstring>

namespace plat::gtk {

struct Uploads {
  Display* display = nullptr;
  GC context = nullptr;
  // The frame at its constant opacity, when that is not full.
  cairo_surface_t* faded = nullptr;
  // The image in memory shared with the server, while it works.
  XShmSegmentInfo segment{};
  XImage* shared = nullptr;
  bool sharedFailed = false;
};

namespace {

void DropShared(Uploads& uploads, bool attached) {
  if (attached) XShmDetach(uploads.display, &uploads.segment);
  if (uploads.segment.shmaddr != nullptr) shmdt(uploads.segment.shmaddr);
  if (uploads.shared != nullptr) {
    uploads.shared->data = nullptr;
    XDestroyImage(uploads.shared);
  }
  uploads.shared = nullptr;
  uploads.segment = XShmSegmentInfo{};
}

// A shared image of the window's size and depth, made on first use; null
// where the server has no shared memory for this client (a remote display).
XImage* SharedImage(Uploads& uploads, GdkWindow* window, int depth, int width, int height) {
  if (uploads.shared != nullptr && uploads.shared->width == width && uploads.shared->height == height &&
      uploads.shared->depth == depth) {
    return uploads.shared;
  }
  if (uploads.shared != nullptr) DropShared(uploads, true);
  if (uploads.sharedFailed) return nullptr;
  if (!XShmQueryExtension(uploads.display)) {
    uploads.sharedFailed = true;
    return nullptr;
  }
  uploads.shared = XShmCreateImage(uploads.display, gdk_x11_visual_get_xvisual(gdk_window_get_visual(window)),
                                   static_cast<unsigned>(depth), ZPixmap, nullptr, &uploads.segment,
                                   static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (uploads.shared == nullptr) {
    uploads.sharedFailed = true;
    return nullptr;
  }
  uploads.segment.shmid =
      shmget(IPC_PRIVATE, static_cast<std::size_t>(uploads.shared->bytes_per_line) * height, IPC_CREAT | 0600);
  void* address = uploads.segment.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(uploads.segment.shmid, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    if (uploads.segment.shmid >= 0) shmctl(uploads.segment.shmid, IPC_RMID, nullptr);
    DropShared(uploads, false);
    uploads.sharedFailed = true;
    return nullptr;
  }
  uploads.segment.shmaddr = uploads.shared->data = static_cast<char*>(address);
  uploads.segment.readOnly = True;
  GdkDisplay* display = gdk_window_get_display(window);
  gdk_x11_display_error_trap_push(display);
  XShmAttach(uploads.display, &uploads.segment);
  XSync(uploads.display, False);
  const bool attached = gdk_x11_display_error_trap_pop(display) == 0;
  // Gone from the system once both sides have let go of it, even if the
  // program is killed.
  shmctl(uploads.segment.shmid, IPC_RMID, nullptr);
  if (!attached) {
    DropShared(uploads, false);
    uploads.sharedFailed = true;
    return nullptr;
  }
  return uploads.shared;
}

// The frame at its constant opacity, painted as an exposure paints it, so
// that an upload and an exposure show the same pixels.
cairo_surface_t* Faded(Uploads& uploads, const WindowRecord& record) {
  const int width = cairo_image_surface_get_width(record.frame);
  const int height = cairo_image_surface_get_height(record.frame);
  if (uploads.faded == nullptr || cairo_image_surface_get_width(uploads.faded) != width ||
      cairo_image_surface_get_height(uploads.faded) != height) {
    if (uploads.faded != nullptr) cairo_surface_destroy(uploads.faded);
    uploads.faded = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(uploads.faded) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(uploads.faded);
      uploads.faded = nullptr;
      return nullptr;
    }
  }
  cairo_t* cr = cairo_create(uploads.faded);
  PaintFrame(cr, &record);
  cairo_destroy(cr);
  cairo_surface_flush(uploads.faded);
  return uploads.faded;
}

}  // namespace

bool UploadFrame(WindowRecord& record) {
  if (record.widget == nullptr || record.frame == nullptr || TheState().displayLost ||
      !gtk_widget_get_mapped(record.widget)) {
    return false;
  }
  GdkWindow* window = gtk_widget_get_window(record.widget);
  if (window == nullptr || !GDK_IS_X11_WINDOW(window)) return false;
  // 32 bits with alpha under a compositor; 24 without one, where the
  // premultiplied colours show against black as they do when painted.
  const int depth = gdk_visual_get_depth(gdk_window_get_visual(window));
  if (depth != 32 && depth != 24) return false;
  if (record.uploads == nullptr) {
    record.uploads = new Uploads;
    record.uploads->display = GDK_WINDOW_XDISPLAY(window);
  }
  Uploads& uploads = *record.uploads;
  cairo_surface_t* shown = record.constantAlpha == 255 ? record.frame : Faded(uploads, record);
  if (shown == nullptr) return false;
  const int width = cairo_image_surface_get_width(shown);
  const int height = cairo_image_surface_get_height(shown);
  const int stride = cairo_image_surface_get_stride(shown);
  const auto* pixels = cairo_image_surface_get_data(shown);

  const Window target = GDK_WINDOW_XID(window);
  if (uploads.context == nullptr) uploads.context = XCreateGC(uploads.display, target, 0, nullptr);
  GdkDisplay* display = gdk_window_get_display(window);
  XImage* shared = SharedImage(uploads, window, depth, width, height);
  // A window gone on the server's side must not end the program.
  gdk_x11_display_error_trap_push(display);
  if (shared != nullptr) {
    for (int y = 0; y < height; ++y) {
      std::memcpy(shared->data + static_cast<std::ptrdiff_t>(y) * shared->bytes_per_line,
                  pixels + static_cast<std::ptrdiff_t>(y) * stride, static_cast<std::size_t>(width) * 4);
    }
    // Waiting here until the server has read the image frees the segment
    // for the next frame. A completion event would cost the program a
    // second wake-up for every frame, and more processor time.
    XShmPutImage(uploads.display, target, uploads.context, shared, 0, 0, 0, 0, static_cast<unsigned>(width),
                 static_cast<unsigned>(height), False);
    XSync(uploads.display, False);
  } else {
    // Through the connection, where the server has no shared memory for us.
    XImage image{};
    image.width = width;
    image.height = height;
    image.format = ZPixmap;
    image.data = const_cast<char*>(reinterpret_cast<const char*>(pixels));
    image.byte_order = LSBFirst;  // cairo's ARGB32 is a native word; x86 is little-endian
    image.bitmap_unit = 32;
    image.bitmap_bit_order = LSBFirst;
    image.bitmap_pad = 32;
    image.depth = depth;
    image.bytes_per_line = stride;
    image.bits_per_pixel = 32;
    image.red_mask = 0xFF0000;
    image.green_mask = 0x00FF00;
    image.blue_mask = 0x0000FF;
    if (XInitImage(&image) != 0) {
      XPutImage(uploads.display, target, uploads.context, &image, 0, 0, 0, 0, static_cast<unsigned>(width),
                static_cast<unsigned>(height));
    }
    XFlush(uploads.display);
  }
  gdk_x11_display_error_trap_pop_ignored(display);
  return true;
}

void ReleaseUploads(WindowRecord& record) {
  if (record.uploads == nullptr) return;
  Uploads& uploads = *record.uploads;
  const bool connected = !TheState().displayLost;
  if (uploads.shared != nullptr) {
    if (connected) {
      // The server lets go of the segment before it is unmapped here.
      XShmDetach(uploads.display, &uploads.segment);
      XSync(uploads.display, False);
    }
    DropShared(uploads, false);
  }
  if (uploads.context != nullptr && connected) XFreeGC(uploads.display, uploads.context);
  if (uploads.faded != nullptr) cairo_surface_destroy(uploads.faded);
  delete record.uploads;
  record.uploads = nullptr;
}

}  // namespace plat::gtk
