// The autostart entry as the desktop reads it: GLib takes it and starts the
// very program, whatever its path, and desktop-file-validate has nothing
// to say about it.
// The platform's types first: GLib defines TRUE and FALSE as macros.
#include "platform/registry.h"
#include "platform/soft/registry_xdg.h"

#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fwdesktop {
namespace {

std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    if (pclose(pipe) != 0) text += "(failed)";
  }
  return text;
}

TEST(AutostartEntryTest, GLibStartsTheProgramWhateverItsPath) {
  char made[] = "/tmp/fw-autostart-XXXXXX";
  ASSERT_NE(mkdtemp(made), nullptr);
  const std::string dir = made;
  setenv("XDG_CONFIG_HOME", made, 1);
  ASSERT_EQ(mkdir((dir + "/bin").c_str(), 0755), 0);
  for (const std::string name : {"fenwillow", "my apps", "100%", "a%b c", "q\"u$o`t\\e'", "h\xc3\xa9 %U"}) {
    const std::string program = dir + "/bin/" + name;
    std::ofstream(program) << "#!/bin/sh\nprintf %s \"$0\" > " << dir << "/ran\n";
    ASSERT_EQ(chmod(program.c_str(), 0755), 0);
    plat::HKEY run = nullptr;
    ASSERT_EQ(plat::RegCreateKeyExA(plat::HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                    0, nullptr, 0, plat::KEY_ALL_ACCESS, nullptr, &run, nullptr),
              plat::ERROR_SUCCESS);
    ASSERT_EQ(plat::RegSetValueExA(run, "Fenwillow", 0, plat::REG_SZ,
                                   reinterpret_cast<const plat::BYTE*>(program.c_str()),
                                   static_cast<plat::DWORD>(program.size() + 1)),
              plat::ERROR_SUCCESS);
    plat::RegCloseKey(run);
    const std::string entry = plat::soft::AutostartEntryPath("Fenwillow");
    EXPECT_EQ(Output("desktop-file-validate '" + entry + "'"), "") << name;

    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(entry.c_str());
    ASSERT_NE(info, nullptr) << "GLib refuses the entry for " << name;
    GPid pid = 0;
    GError* error = nullptr;
    const auto started = [](GDesktopAppInfo*, GPid child, gpointer data) { *static_cast<GPid*>(data) = child; };
    ASSERT_TRUE(g_desktop_app_info_launch_uris_as_manager(info, nullptr, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr,
                                                          nullptr, started, &pid, &error))
        << name << ": " << (error ? error->message : "");
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    g_object_unref(info);
    std::ifstream ran(dir + "/ran");
    std::stringstream argument0;
    argument0 << ran.rdbuf();
    EXPECT_EQ(argument0.str(), program);
    std::remove((dir + "/ran").c_str());
  }
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}

}  // namespace
}  // namespace fwdesktop
