// The context menu as a real GTK menu, opened modally.
//
// Radio levels are check items drawn as radio marks: a GTK radio group
// always has one member active, but the menu must be able to show no level
// checked.
#include "platform/gtk/gtk_state.h"
#include "platform/native.h"

namespace plat::gtk {

namespace {

TMenuItem* chosen = nullptr;

void OnActivate(GtkMenuItem*, gpointer item) { chosen = static_cast<TMenuItem*>(item); }
void OnDeactivate(GtkMenuShell*, gpointer) { TheState().menu = nullptr; }

GtkWidget* BuildMenu(const TMenuItem& parent);

GtkWidget* BuildItem(TMenuItem& item) {
  if (item.IsSeparator()) return gtk_separator_menu_item_new();
  GtkWidget* widget;
  if (!item.Items().empty()) {
    widget = gtk_menu_item_new_with_label(item.Caption().c_str());
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), BuildMenu(item));
    return widget;
  }
  if (item.RadioItem || item.AutoCheck || item.Checked()) {
    widget = gtk_check_menu_item_new_with_label(item.Caption().c_str());
    gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(widget), item.RadioItem);
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), item.Checked());
  } else {
    widget = gtk_menu_item_new_with_label(item.Caption().c_str());
  }
  if (item.Default) {
    // The default command stands out in bold.
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(widget));
    char* markup = g_markup_printf_escaped("<b>%s</b>", item.Caption().c_str());
    gtk_label_set_markup(GTK_LABEL(label), markup);
    g_free(markup);
  }
  // Connected after the check state is set, which activates the item too.
  g_signal_connect(widget, "activate", G_CALLBACK(OnActivate), &item);
  return widget;
}

GtkWidget* BuildMenu(const TMenuItem& parent) {
  GtkWidget* menu = gtk_menu_new();
  for (const auto& item : parent.Items()) gtk_menu_shell_append(GTK_MENU_SHELL(menu), BuildItem(*item));
  gtk_widget_show_all(menu);
  return menu;
}

}  // namespace

GtkWidget* BuildContextMenu(TPopupMenu& menu) { return BuildMenu(menu.Items()); }

}  // namespace plat::gtk

namespace plat::native {

TMenuItem* TrackPopupMenu(TPopupMenu& menu, HWND owner, int x, int y) {
  auto& state = gtk::TheState();
  if (!gtk::EnsureGtk() || state.menu != nullptr || state.quit) return nullptr;
  gtk::chosen = nullptr;
  GtkWidget* widget = gtk::BuildContextMenu(menu);
  g_signal_connect(widget, "deactivate", G_CALLBACK(gtk::OnDeactivate), nullptr);
  gtk::WindowRecord* record = gtk::FindWindow(owner);
  GdkWindow* anchor = record && record->widget ? gtk_widget_get_window(record->widget) : nullptr;
  state.menu = widget;
  if (anchor != nullptr) {
    const GdkRectangle point{x - record->left, y - record->top, 1, 1};
    gtk_menu_popup_at_rect(GTK_MENU(widget), anchor, &point, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST,
                           nullptr);
  } else {
    gtk_menu_popup_at_pointer(GTK_MENU(widget), nullptr);
  }
  // A menu that could not take the pointer never opened.
  if (!gtk_widget_get_visible(widget)) state.menu = nullptr;
  // The chosen item is activated in the same dispatch that closes the menu.
  while (state.menu != nullptr && !state.quit) gtk_main_iteration();
  state.menu = nullptr;
  gtk_widget_destroy(widget);
  TMenuItem* result = gtk::chosen;
  gtk::chosen = nullptr;
  return state.quit ? nullptr : result;
}

}  // namespace plat::native
