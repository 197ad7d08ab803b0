// A plain window for the desktop tests to click through the ornament to:
// it shows one colour, says "press B" on standard output for every button
// press it gets, and takes another colour each time. The title and the
// size come from the command line: click-target TITLE WIDTH HEIGHT.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>

namespace {

int presses = 0;

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer) {
  const double shade = (presses % 2) ? 0.8 : 0.3;
  cairo_set_source_rgb(cr, shade, 0.2, 0.2);
  cairo_paint(cr);
  return TRUE;
}

gboolean OnPress(GtkWidget* widget, GdkEventButton* event, gpointer) {
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  ++presses;
  std::printf("press %u\n", event->button);
  std::fflush(stdout);
  gtk_widget_queue_draw(widget);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: click-target TITLE WIDTH HEIGHT\n");
    return 2;
  }
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), argv[1]);
  gtk_window_set_default_size(GTK_WINDOW(window), std::atoi(argv[2]), std::atoi(argv[3]));
  gtk_widget_set_app_paintable(window, TRUE);
  gtk_widget_add_events(window, GDK_BUTTON_PRESS_MASK);
  g_signal_connect(window, "draw", G_CALLBACK(OnDraw), nullptr);
  g_signal_connect(window, "button-press-event", G_CALLBACK(OnPress), nullptr);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show(window);
  std::printf("shown\n");
  std::fflush(stdout);
  gtk_main();
  return 0;
}
