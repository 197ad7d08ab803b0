#include "platform/gtk/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/soft/executable_path.h"
#include "platform/soft/registry_xdg.h"

namespace plat::gtk {

namespace {

std::string Where(const std::string& path) { return path.empty() ? "nowhere: no home directory is known" : path; }

// The paths are this user's, as the program would use them now.
std::string Help() {
  const std::string store = soft::StoreDirectory();
  return "Usage: fenwillow [add]\n"
         "       fenwillow --help | --version\n"
         "\n"
         "Puts a decorated tree on the desktop, with a garland that lights up at\n"
         "random and stars that twinkle and fall through it. To place its window it\n"
         "needs a Wayland compositor with layer-shell (sway, KDE Plasma, ...) or an\n"
         "X server (on other Wayland desktops, GNOME's too, the compositor's Xwayland).\n"
         "\n"
         "  add        start a further copy at a random place on the screen\n"
         "  --help     print this help and exit\n"
         "  --version  print the version and exit\n"
         "Other arguments are ignored.\n"
         "\n"
         "Drag the tree with the mouse. Right-click it (or press the Menu key) for\n"
         "the menu: About..., Options (Stars, Garland, Transparent, OnTop, StartUp),\n"
         "and Exit, which quits. The settings are saved whenever the ornament closes\n"
         "(Exit, log-out, the display's end, kill); where they cannot be, it says\n"
         "so and closes all the same, with exit status 1:\n"
         "  " + Where(store.empty() ? "" : soft::StorePath(store)) + "\n"
         "\"StartUp\" is checked from the first run, so the first exit also writes\n"
         "  " + Where(soft::AutostartEntryPath("Fenwillow")) + "\n"
         "which starts the ornament at every logon; uncheck \"StartUp\" and exit to\n"
         "remove it. The entry starts this very program,\n"
         "  " + soft::ExecutablePath() + "\n"
         "so a copy run from a build tree starts from that tree at logon.\n"
         "\n"
         "While nobody can see the tree it draws nothing and sleeps: while a screen\n"
         "saver runs or the session is locked (the X server's screen saver,\n"
         "xscreensaver, the desktop's screen saver on the session bus, the login\n"
         "manager's lock), while its window is iconified, hidden or on another\n"
         "workspace, and while a full-screen window is active on its monitor. Then\n"
         "it goes on from where it stood. With the garland alone it wakes only when\n"
         "the garland changes; with both animations off, not at all.\n";
}

int Print(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "fenwillow: cannot write to standard output: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}

}  // namespace

std::optional<int> AnswerInformationOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) return Print(Help());
    if (std::strcmp(argv[i], "--version") == 0) return Print("fenwillow " FENWILLOW_VERSION "\n");
  }
  return std::nullopt;
}

}  // namespace plat::gtk
