// Menus, message boxes, close requests, timers, screen measures and window
// hints of the GTK backend.
#include <signal.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/gtk/gtk_state.h"
#include "platform/kernel.h"
#include "platform/native.h"
#include "platform/shell.h"
#include "tests/desktop/backend_fixture.h"

namespace fwdesktop {
namespace {

using namespace plat;
using namespace std::chrono_literals;

std::vector<GtkWidget*> MenuChildren(GtkWidget* menu) {
  std::vector<GtkWidget*> items;
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* it = children; it != nullptr; it = it->next) items.push_back(GTK_WIDGET(it->data));
  g_list_free(children);
  return items;
}

const char* LabelOf(GtkWidget* item) { return gtk_menu_item_get_label(GTK_MENU_ITEM(item)); }
bool IsCheck(GtkWidget* item) { return GTK_IS_CHECK_MENU_ITEM(item); }
bool Active(GtkWidget* item) { return gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item)); }

TEST_F(BackendTest, TheMenuShowsCaptionsCheckMarksAndRadioMarks) {
  TPopupMenu popup;
  TMenuItem& root = popup.Items();
  TMenuItem* about = root.Add(std::make_unique<TMenuItem>("About..."));
  about->Default = true;
  root.Add(std::make_unique<TMenuItem>("-"));
  TMenuItem* options = root.Add(std::make_unique<TMenuItem>("Options"));
  TMenuItem* stars = options->Add(std::make_unique<TMenuItem>("Stars"));
  stars->AutoCheck = true;
  TMenuItem* onTop = options->Add(std::make_unique<TMenuItem>("OnTop"));
  onTop->AutoCheck = true;
  onTop->SetChecked(true);
  TMenuItem* levels[3];
  for (int k = 0; k < 3; ++k) {
    levels[k] = options->Add(std::make_unique<TMenuItem>(std::to_string(k * 10) + "%"));
    levels[k]->RadioItem = true;
    levels[k]->GroupIndex = 1;
    levels[k]->AutoCheck = true;
  }
  root.Add(std::make_unique<TMenuItem>("Exit"));
  ASSERT_TRUE(gtk::EnsureGtk());

  GtkWidget* menu = gtk::BuildContextMenu(popup);
  std::vector<GtkWidget*> top = MenuChildren(menu);
  ASSERT_EQ(top.size(), 4u);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(gtk_bin_get_child(GTK_BIN(top[0])))), "About...");
  EXPECT_TRUE(gtk_label_get_use_markup(GTK_LABEL(gtk_bin_get_child(GTK_BIN(top[0])))));
  EXPECT_FALSE(IsCheck(top[0]));
  EXPECT_TRUE(GTK_IS_SEPARATOR_MENU_ITEM(top[1]));
  EXPECT_STREQ(LabelOf(top[2]), "Options");
  EXPECT_STREQ(LabelOf(top[3]), "Exit");
  EXPECT_FALSE(IsCheck(top[3]));
  GtkWidget* submenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(top[2]));
  ASSERT_NE(submenu, nullptr);
  std::vector<GtkWidget*> inner = MenuChildren(submenu);
  ASSERT_EQ(inner.size(), 5u);
  EXPECT_TRUE(IsCheck(inner[0]) && !Active(inner[0])) << "Stars, unchecked";
  EXPECT_TRUE(IsCheck(inner[1]) && Active(inner[1])) << "OnTop, checked";
  EXPECT_FALSE(gtk_check_menu_item_get_draw_as_radio(GTK_CHECK_MENU_ITEM(inner[1])));
  // No level checked: every radio mark shows empty.
  for (int k = 2; k < 5; ++k) {
    ASSERT_TRUE(IsCheck(inner[k]));
    EXPECT_TRUE(gtk_check_menu_item_get_draw_as_radio(GTK_CHECK_MENU_ITEM(inner[k])));
    EXPECT_FALSE(Active(inner[k])) << LabelOf(inner[k]);
  }
  gtk_widget_destroy(menu);

  levels[1]->SetChecked(true);
  menu = gtk::BuildContextMenu(popup);
  inner = MenuChildren(gtk_menu_item_get_submenu(GTK_MENU_ITEM(MenuChildren(menu)[2])));
  EXPECT_FALSE(Active(inner[2]));
  EXPECT_TRUE(Active(inner[3]));
  EXPECT_FALSE(Active(inner[4]));
  // Building the menu chooses nothing and changes no check mark.
  EXPECT_TRUE(levels[1]->Checked());
  EXPECT_FALSE(stars->Checked());
  gtk_widget_destroy(menu);
}

GtkWidget* OpenMessageDialog() {
  GtkWidget* found = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* it = windows; it != nullptr; it = it->next) {
    if (GTK_IS_MESSAGE_DIALOG(it->data) && gtk_widget_get_visible(GTK_WIDGET(it->data))) found = GTK_WIDGET(it->data);
  }
  g_list_free(windows);
  return found;
}

int CountButtons(GtkWidget* widget) {
  if (GTK_IS_BUTTON(widget)) return 1;
  if (!GTK_IS_CONTAINER(widget)) return 0;
  int count = 0;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* it = children; it != nullptr; it = it->next) count += CountButtons(GTK_WIDGET(it->data));
  g_list_free(children);
  return count;
}

struct SeenBox {
  std::string title, text;
  int buttons = 0;
  int ticksWhenSeen = -1;
};

TEST_F(BackendTest, AMessageBoxIsModalWithOneOkButtonWhileTimersRun) {
  ASSERT_TRUE(gtk::EnsureGtk());
  TTimer timer;
  int ticks = 0;
  timer.Interval = 20;
  timer.OnTimer = [&] { ++ticks; };
  timer.SetEnabled(true);
  SeenBox seen;
  struct Watch {
    SeenBox* seen;
    int* ticks;
  } watch{&seen, &ticks};
  const guint source = g_timeout_add(30, [](gpointer data) -> gboolean {
    auto* w = static_cast<Watch*>(data);
    GtkWidget* dialog = OpenMessageDialog();
    if (dialog == nullptr || *w->ticks < 5) return G_SOURCE_CONTINUE;
    w->seen->title = gtk_window_get_title(GTK_WINDOW(dialog));
    gchar* text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    w->seen->text = text ? text : "";
    g_free(text);
    w->seen->buttons = CountButtons(dialog);
    w->seen->ticksWhenSeen = *w->ticks;
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    return G_SOURCE_REMOVE;
  }, &watch);
  EXPECT_EQ(MessageBoxA(nullptr, "No!!!!!", "fenwillow", MB_OK), IDOK);
  g_source_remove(source);
  EXPECT_EQ(seen.title, "fenwillow");
  EXPECT_EQ(seen.text, "No!!!!!");
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_GE(seen.ticksWhenSeen, 5) << "the timer stopped while the box was open";
  EXPECT_EQ(OpenMessageDialog(), nullptr);
}

TEST_F(BackendTest, AMessageBoxShowsTextThatIsNotUtf8) {
  ASSERT_TRUE(gtk::EnsureGtk());
  std::string text;
  const guint source = g_timeout_add(30, [](gpointer out) -> gboolean {
    GtkWidget* dialog = OpenMessageDialog();
    if (dialog == nullptr) return G_SOURCE_CONTINUE;
    gchar* shown = nullptr;
    g_object_get(dialog, "text", &shown, nullptr);
    *static_cast<std::string*>(out) = shown ? shown : "";
    g_free(shown);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    return G_SOURCE_REMOVE;
  }, &text);
  // A percent sign is text, not a format.
  EXPECT_EQ(MessageBoxA(nullptr, "Caf\xE9 100%s", "t", MB_OK), IDOK);
  g_source_remove(source);
  EXPECT_TRUE(g_utf8_validate(text.c_str(), -1, nullptr));
  EXPECT_EQ(text.rfind("Caf", 0), 0u);
  EXPECT_NE(text.find("100%s"), std::string::npos) << text;
}

TEST_F(BackendTest, TheAboutBoxShowsTheProgramItsPictureAndLicenceAndLinksThePage) {
  TAboutBox about{"Fenwillow", "9.8.7", "", "", "Permission is hereby granted", "/usr/share/fenwillow/about.html",
                  // Two pixels: red at half alpha, premultiplied, then opaque blue.
                  {0, 0, 128, 128, 255, 0, 0, 255}, 2, 1};
  std::string seen;
  const guint source = g_timeout_add(30, [](gpointer data) -> gboolean {
    GList* windows = gtk_window_list_toplevels();
    GList* found = g_list_find_custom(windows, nullptr, [](gconstpointer w, gconstpointer) {
      return GTK_IS_ABOUT_DIALOG(w) && gtk_widget_get_visible(GTK_WIDGET(w)) ? 0 : 1;
    });
    GtkAboutDialog* box = found ? GTK_ABOUT_DIALOG(found->data) : nullptr;
    g_list_free(windows);
    if (box == nullptr) return G_SOURCE_CONTINUE;
    const guchar* logo = gdk_pixbuf_get_pixels(gtk_about_dialog_get_logo(box));
    *static_cast<std::string*>(data) = std::string(gtk_about_dialog_get_program_name(box)) + " " +
                                       gtk_about_dialog_get_version(box) + ", " + gtk_about_dialog_get_license(box) +
                                       ", " + gtk_about_dialog_get_website(box) + ", logo " +
                                       std::string(reinterpret_cast<const char*>(logo), 8);
    gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_CLOSE);
    return G_SOURCE_REMOVE;
  }, &seen);
  EXPECT_TRUE(ShowAboutBox(nullptr, about));
  g_source_remove(source);
  // The logo's pixels are red, green, blue and straight alpha.
  EXPECT_EQ(seen, "Fenwillow 9.8.7, Permission is hereby granted, file:///usr/share/fenwillow/about.html, logo " +
                      std::string("\xff\0\0\x80\0\0\xff\xff", 8));
}

TEST_F(BackendTest, CloseRequestsRunTheCloseQueryUntilItAgrees) {
  std::unique_ptr<ProbeForm> holder;
  ProbeForm* form = Application().CreateForm(holder);
  form->allowClose = false;
  SetWindowLongA(form->Handle(), GWL_EXSTYLE, WS_EX_LAYERED);
  ASSERT_TRUE(Present(*form, 255));
  struct Script {
    ProbeForm* form;
    int step = 0;
    bool openAfterRefusal = false;
  } script{form};
  // First the window manager's close, refused; then a termination signal.
  g_timeout_add(100, [](gpointer data) -> gboolean {
    auto* s = static_cast<Script*>(data);
    if (s->step == 0) {
      gtk_window_close(GTK_WINDOW(gtk::FindWindow(s->form->Handle())->widget));
    } else if (s->step == 1) {
      s->openAfterRefusal = s->form->closeQueries == 1 && !Application().Terminated();
      s->form->allowClose = true;
      raise(SIGTERM);
      return G_SOURCE_REMOVE;
    }
    ++s->step;
    return G_SOURCE_CONTINUE;
  }, &script);
  Application().Run();
  EXPECT_TRUE(script.openAfterRefusal);
  EXPECT_EQ(form->closeQueries, 2);
  EXPECT_TRUE(Application().Terminated());
}

TEST_F(BackendTest, QuittingClosesAnOpenMessageBox) {
  std::unique_ptr<ProbeForm> holder;
  Application().CreateForm(holder);
  bool returned = false;
  TTimer opener;
  opener.Interval = 50;
  opener.OnTimer = [&] {
    opener.SetEnabled(false);
    g_timeout_add(200, [](gpointer) -> gboolean {
      Application().Terminate();
      return G_SOURCE_REMOVE;
    }, nullptr);
    MessageBoxA(nullptr, "open while the program quits", "t", MB_OK);
    returned = true;
  };
  opener.SetEnabled(true);
  Application().Run();
  EXPECT_TRUE(returned);
  EXPECT_EQ(OpenMessageDialog(), nullptr);
}

TEST_F(BackendTest, TimersTickUntilStopped) {
  ASSERT_TRUE(gtk::EnsureGtk());
  TTimer timer;
  int ticks = 0;
  timer.Interval = 15;
  timer.OnTimer = [&] { ++ticks; };
  timer.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  // A timer stopping itself from its own tick.
  timer.OnTimer = [&] {
    ++ticks;
    timer.SetEnabled(false);
  };
  EXPECT_TRUE(PumpUntil([&] { return !timer.Enabled(); }));
  const int stoppedAt = ticks;
  PumpUntil([] { return false; }, 150ms);
  EXPECT_EQ(ticks, stoppedAt);
  EXPECT_TRUE(gtk::TheState().timers.empty());
}

TEST_F(BackendTest, ScreenMeasuresComeFromThePrimaryMonitor) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), TestDisplay::kWidth);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), TestDisplay::kHeight);
  RECT area{-1, -1, -1, -1};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
  // No panel on this display: the work area is the whole screen.
  EXPECT_EQ(area.left, 0);
  EXPECT_EQ(area.top, 0);
  EXPECT_EQ(area.right, TestDisplay::kWidth);
  EXPECT_EQ(area.bottom, TestDisplay::kHeight);
  EXPECT_FALSE(SystemParametersInfoA(SPI_GETWORKAREA, 0, nullptr, 0));
  EXPECT_FALSE(SystemParametersInfoA(0x0001, 0, &area, 0));
}

TEST_F(BackendTest, TaskbarAndStackingHintsFollowTheCalls) {
  ProbeForm hidden(100, 100), plain(300, 100);
  const HWND app = Application().Handle();
  EXPECT_EQ(GetWindowLongA(hidden.Handle(), GWL_HWNDPARENT), static_cast<LONG>(reinterpret_cast<std::intptr_t>(app)));
  const LONG desktop = static_cast<LONG>(reinterpret_cast<std::intptr_t>(GetDesktopWindow()));
  EXPECT_EQ(SetWindowLongA(hidden.Handle(), GWL_HWNDPARENT, desktop), static_cast<LONG>(reinterpret_cast<std::intptr_t>(app)));
  // The owner comes back whole from the 32-bit window long.
  EXPECT_EQ(reinterpret_cast<HWND>(static_cast<std::intptr_t>(GetWindowLongA(hidden.Handle(), GWL_HWNDPARENT))),
            GetDesktopWindow());
  EXPECT_EQ(reinterpret_cast<HWND>(static_cast<std::intptr_t>(GetWindowLongA(plain.Handle(), GWL_HWNDPARENT))), app);
  EXPECT_EQ(GetWindowLongA(hidden.Handle(), GWL_EXSTYLE), WS_EX_CONTROLPARENT);
  SetLastError(0);
  EXPECT_EQ(SetWindowLongA(nullptr, GWL_EXSTYLE, 0), 0);
  EXPECT_EQ(GetLastError(), 1400u);

  ShowLayered(plain);
  EXPECT_TRUE(ShowWindow(app, SW_HIDE)) << "the application window was shown";
  EXPECT_FALSE(ShowWindow(app, SW_HIDE));
  EXPECT_TRUE(SetWindowPos(hidden.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  ShowLayered(hidden);
  EXPECT_EQ(hidden.Left(), 100) << "SWP_NOMOVE kept the place";
  const auto has = [](const std::vector<std::string>& state, const char* atom) {
    return std::find(state.begin(), state.end(), atom) != state.end();
  };
  Window hiddenWindow = 0, plainWindow = 0;
  // Both windows are named "probe": tell them apart by their place.
  Display* x = screen_->X();
  Window root = DefaultRootWindow(x), parent, *children = nullptr;
  unsigned int count = 0;
  XQueryTree(x, root, &root, &parent, &children, &count);
  for (unsigned int i = 0; i < count; ++i) {
    char* name = nullptr;
    if (XFetchName(x, children[i], &name) && name != nullptr) {
      if (std::string(name) == "probe") (screen_->Place(children[i]).x == 100 ? hiddenWindow : plainWindow) = children[i];
      XFree(name);
    }
  }
  if (children) XFree(children);
  ASSERT_NE(hiddenWindow, 0u);
  ASSERT_NE(plainWindow, 0u);
  const std::vector<std::string> hiddenState = screen_->NetWmState(hiddenWindow);
  EXPECT_TRUE(has(hiddenState, "_NET_WM_STATE_SKIP_TASKBAR"));
  EXPECT_TRUE(has(hiddenState, "_NET_WM_STATE_SKIP_PAGER"));
  EXPECT_TRUE(has(hiddenState, "_NET_WM_STATE_ABOVE"));
  const std::vector<std::string> plainState = screen_->NetWmState(plainWindow);
  EXPECT_FALSE(has(plainState, "_NET_WM_STATE_SKIP_TASKBAR")) << "shown while the application window was";
  EXPECT_FALSE(has(plainState, "_NET_WM_STATE_ABOVE"));

  EXPECT_TRUE(SetWindowPos(plain.Handle(), nullptr, 500, 120, 0, 0, SWP_NOSIZE));
  EXPECT_EQ(plain.Left(), 500);
  EXPECT_TRUE(PumpUntil([&] { return screen_->Place(plainWindow).x == 500; }));
}

TEST_F(BackendTest, ShellExecuteOpensAddressesWithTheDefaultApplication) {
  char dir[] = "/tmp/fenwillow-shell-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string home = dir, opened = home + "/opened";
  mkdir((home + "/applications").c_str(), 0755);
  {
    std::ofstream script(home + "/open.sh");
    script << "#!/bin/sh\necho \"$1\" > '" << opened << "'\n";
  }
  chmod((home + "/open.sh").c_str(), 0755);
  std::ofstream(home + "/applications/fwtest-open.desktop")
      << "[Desktop Entry]\nType=Application\nName=Open\nExec=" << home << "/open.sh %u\n"
      << "MimeType=x-scheme-handler/https;\n";
  std::ofstream(home + "/mimeapps.list")
      << "[Default Applications]\nx-scheme-handler/https=fwtest-open.desktop\n";
  setenv("XDG_DATA_HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  setenv("XDG_DATA_DIRS", home.c_str(), 1);

  const auto code = [](HANDLE h) { return reinterpret_cast<std::intptr_t>(h); };
  EXPECT_GT(code(ShellExecuteA(nullptr, "open", "https://fenwillow.example/", nullptr, nullptr, 3)), 32);
  EXPECT_TRUE(PumpUntil([&] {
    std::ifstream in(opened);
    std::string line;
    return std::getline(in, line) && line == "https://fenwillow.example/";
  }));
  EXPECT_LE(code(ShellExecuteA(nullptr, "print", "https://fenwillow.example/", nullptr, nullptr, 3)), 32);
  EXPECT_LE(code(ShellExecuteA(nullptr, "open", nullptr, nullptr, nullptr, 3)), 32);
  EXPECT_LE(code(ShellExecuteA(nullptr, "open", "nohandler:thing", nullptr, nullptr, 3)), 32);
  EXPECT_EQ(std::system(("rm -rf '" + home + "'").c_str()), 0);
}

}  // namespace
}  // namespace fwdesktop
