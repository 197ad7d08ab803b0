// The autostart entry as the desktop reads it: GLib takes it and starts the
// very program, whatever its path, and desktop-file-validate has nothing
// to say about it.
#include "platform/soft/registry_xdg.h"

#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

namespace fwdesktop {
namespace {

TEST(AutostartEntryTest, GLibStartsTheProgramWhateverItsPath) {
  char made[] = "/tmp/fw-autostart-XXXXXX";
  ASSERT_NE(mkdtemp(made), nullptr);
  const std::string dir = made, entry = dir + "/fenwillow.desktop";
  for (const std::string name : {"fenwillow", "my apps", "100%", "a%b c", "q\"u$o`t\\e'", "h\xc3\xa9 %U"}) {
    const std::string program = dir + "/" + name;
    std::ofstream(program) << "#!/bin/sh\nprintf %s \"$0\" > " << dir << "/ran\n";
    ASSERT_EQ(chmod(program.c_str(), 0755), 0);
    std::ofstream(entry) << plat::soft::AutostartEntry("Fenwillow", program);
    EXPECT_EQ(std::system(("test -z \"$(desktop-file-validate '" + entry + "' 2>&1)\"").c_str()), 0) << name;

    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(entry.c_str());
    ASSERT_NE(info, nullptr) << "GLib refuses the entry for " << name;
    GPid pid = 0;
    const auto started = [](GDesktopAppInfo*, GPid child, gpointer data) { *static_cast<GPid*>(data) = child; };
    ASSERT_TRUE(g_desktop_app_info_launch_uris_as_manager(info, nullptr, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr,
                                                          nullptr, started, &pid, nullptr));
    ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
    g_object_unref(info);
    std::stringstream argument0;
    argument0 << std::ifstream(dir + "/ran").rdbuf();
    EXPECT_EQ(argument0.str(), program);
  }
  EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}

}  // namespace
}  // namespace fwdesktop
