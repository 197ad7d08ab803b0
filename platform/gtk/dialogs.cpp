// Message boxes: modal GTK dialogs with one OK button. The main loop keeps
// running underneath, so timers go on ticking while a box (or any dialog
// run here) is open.
#include <algorithm>
#include <cstdio>

#include "platform/gtk/gtk_state.h"
#include "platform/window.h"

namespace plat {

void gtk::RunDialog(GtkWidget* dialog) {
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  auto& dialogs = TheState().dialogs;
  dialogs.push_back(dialog);
  gtk_dialog_run(GTK_DIALOG(dialog));
  dialogs.erase(std::find(dialogs.begin(), dialogs.end(), dialog));
  gtk_widget_destroy(dialog);
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT) {
  auto& state = gtk::TheState();
  // Texts from files or the system need not be valid UTF-8.
  char* body = g_utf8_make_valid(text ? text : "", -1);
  char* title = g_utf8_make_valid(caption ? caption : "", -1);
  if (state.displayLost || !gtk::EnsureGtk()) {
    std::fprintf(stderr, "%s: %s\n", title, body);
  } else if (!state.quit) {
    GtkWidget* dialog =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, "%s", body);
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    gtk::RunDialog(dialog);
  }
  g_free(body);
  g_free(title);
  return IDOK;
}

}  // namespace plat
