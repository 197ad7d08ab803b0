// The Run key's values as XDG autostart entries.
#include <sys/stat.h>

#include "tests/platform_registry_fixture.h"

namespace fwtest {
namespace {

LONG SetPath(HKEY key, const char* name, const std::string& path, DWORD type = REG_SZ) {
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(path.c_str()),
                        static_cast<DWORD>(path.size() + 1));
}

std::optional<std::string> QueryPath(HKEY key, const char* name) {
  char buffer[512];
  DWORD type = 0, size = sizeof buffer;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  EXPECT_EQ(type, REG_SZ);
  EXPECT_GE(size, 1u);
  EXPECT_EQ(buffer[size - 1], '\0') << "stored with its terminating zero";
  return std::string(buffer, size - 1);
}

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

using RegistryAutostart = RegistryTest;

TEST_F(RegistryAutostart, SettingWritesADesktopEntryAndDeletingRemovesIt) {
  HKEY run = Open(kRunKey);
  ASSERT_EQ(SetPath(run, "Fenwillow", "/opt/fenwillow/bin/fenwillow"), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(AutostartFile("fenwillow.desktop")),
            "[Desktop Entry]\nType=Application\nName=Fenwillow\nTryExec=/opt/fenwillow/bin/fenwillow\n"
            "Exec=/opt/fenwillow/bin/fenwillow\nX-GNOME-Autostart-enabled=true\n");
  EXPECT_EQ(QueryPath(run, "FENWILLOW"), "/opt/fenwillow/bin/fenwillow");
  EXPECT_FALSE(Exists(StoreFile())) << "Run values stay out of the store";
  EXPECT_EQ(RegDeleteValueA(run, "Fenwillow"), ERROR_SUCCESS);
  EXPECT_FALSE(Exists(AutostartFile("fenwillow.desktop")));
  EXPECT_EQ(QueryPath(run, "Fenwillow"), std::nullopt);
  EXPECT_EQ(RegDeleteValueA(run, "Fenwillow"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FilesStartingWith(config_ + "/autostart", "fenwillow.desktop.").size(), 0u)
      << "no temporary left";
  RegCloseKey(run);
}

TEST_F(RegistryAutostart, PathsWithReservedCharactersAreQuotedAndComeBackUnchanged) {
  HKEY run = Open("software\\microsoft\\windows\\currentversion\\RUN");
  ASSERT_EQ(SetPath(run, "Fenwillow", "/home/u/My Apps/a$b\\c%d\"e"), ERROR_SUCCESS);
  EXPECT_NE(ReadFile(AutostartFile("fenwillow.desktop"))
                .find("\nTryExec=/home/u/My Apps/a$b\\\\c%d\"e\n"
                      "Exec=env \"/home/u/My Apps/a\\\\$b\\\\\\\\c%%d\\\\\"e\"\n"),
            std::string::npos)
      << ReadFile(AutostartFile("fenwillow.desktop"));
  for (const std::string path : {"/a b/fen`willow'; rm -rf ~ &| *?#()<>", "/x/\ttab\nline\r",
                                 "/h\xc3\xa9/fenwillow %U", " /leading space", "/trailing\\"}) {
    ASSERT_EQ(SetPath(run, "Fenwillow", path), ERROR_SUCCESS) << path;
    EXPECT_EQ(QueryPath(run, "Fenwillow"), path);
  }
  RegCloseKey(run);
}

TEST_F(RegistryAutostart, RefusesWhatADesktopEntryCannotHold) {
  HKEY run = Open(kRunKey);
  DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(run, "Fenwillow", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetPath(run, "Fenwillow", "/opt/x", REG_BINARY), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetPath(run, "Fenwillow", ""), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetPath(run, "Fenwillow", "/opt/\xff"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetPath(run, "Fenwillow", "/opt/\x1b[0m"), ERROR_INVALID_PARAMETER);
  for (const char* name : {"../../escape", "..", "", "a/b", "bell\a"}) {
    EXPECT_EQ(SetPath(run, name, "/opt/x"), ERROR_INVALID_PARAMETER) << name;
  }
  EXPECT_EQ(FilesStartingWith(config_, "escape").size(), 0u);
  EXPECT_FALSE(Exists(config_ + "/autostart/fenwillow.desktop"));
  RegCloseKey(run);
}

TEST_F(RegistryAutostart, ReadsEntriesWrittenByOthers) {
  HKEY run = Open(kRunKey);
  const std::string entry = AutostartFile("fenwillow.desktop");
  WriteFile(entry,
            "[Desktop Entry]\nName=F\nExec = /usr/bin/fenwillow add\n[Other]\nExec=/wrong\n");
  EXPECT_EQ(QueryPath(run, "Fenwillow"), "/usr/bin/fenwillow");
  WriteFile(entry, "[Other]\nExec=/wrong\n");
  EXPECT_EQ(QueryPath(run, "Fenwillow"), std::nullopt);
  WriteFile(entry, "[Desktop Entry]\nExec=/usr/bin/fenwillow\nHidden=true\n");
  EXPECT_EQ(QueryPath(run, "Fenwillow"), std::nullopt) << "a hidden entry starts nothing";
  WriteFile(entry, "[Desktop Entry]\nExec=/usr/bin/fenwillow\nX-GNOME-Autostart-enabled=false\n");
  EXPECT_EQ(QueryPath(run, "Fenwillow"), std::nullopt);
  WriteFile(entry, "[Desktop Entry]\nExec=env LANG=C \"/usr/bin/fen%%willow\" add\n");
  EXPECT_EQ(QueryPath(run, "Fenwillow"), "/usr/bin/fen%willow");
  WriteFile(entry, "[Desktop Entry]\nExec=\"/usr/bin/unclosed\n");
  EXPECT_EQ(QueryPath(run, "Fenwillow"), std::nullopt);
  EXPECT_EQ(RegDeleteValueA(run, "Fenwillow"), ERROR_SUCCESS) << "still ours to remove";
  RegCloseKey(run);
}

}  // namespace
}  // namespace fwtest
