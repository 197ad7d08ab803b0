#include "tests/platform_registry_fixture.h"

#include <ftw.h>
#include <glob.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fwtest {

void RegistryTest::SetUp() {
  char pattern[] = "/tmp/fw-registry-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  config_ = pattern;
  chmod(config_.c_str(), 0755);  // reachable by the unprivileged children
  setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  TakeRegistryNotice();
}

void RegistryTest::TearDown() {
  nftw(
      config_.c_str(), [](const char* path, const struct stat*, int, FTW*) { return remove(path); },
      16, FTW_DEPTH | FTW_PHYS);
  unsetenv("XDG_CONFIG_HOME");
}

HKEY RegistryTest::Open(const char* path) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  return key;
}

void RegistryTest::SetDword(HKEY key, const char* name, DWORD value) {
  EXPECT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
            ERROR_SUCCESS);
}

std::optional<DWORD> RegistryTest::GetDword(HKEY key, const char* name) {
  DWORD value = 0, type = 0, size = sizeof value;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(size, 4u);
  return value;
}

void RegistryTest::SaveDword(const char* name, DWORD value) {
  HKEY key = Open(kSettingsKey);
  SetDword(key, name, value);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

std::optional<DWORD> RegistryTest::LoadDword(const char* name) {
  HKEY key = Open(kSettingsKey);
  const auto value = GetDword(key, name);
  RegCloseKey(key);
  return value;
}

std::string RegistryTest::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void RegistryTest::WriteFile(const std::string& path, const std::string& text) {
  const std::string dir = path.substr(0, path.rfind('/'));
  mkdir(dir.c_str(), 0755);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::vector<std::string> RegistryTest::FilesStartingWith(const std::string& dir,
                                                         const std::string& prefix) {
  glob_t found{};
  std::vector<std::string> paths;
  if (glob((dir + "/" + prefix + "*").c_str(), 0, nullptr, &found) == 0) {
    paths.assign(found.gl_pathv, found.gl_pathv + found.gl_pathc);
  }
  globfree(&found);
  return paths;
}

int RegistryTest::InChild(const std::function<int()>& body) {
  fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RegistryTest::InUnprivilegedChild(const std::function<int()>& body) {
  return InChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 77;
    return body();
  });
}

}  // namespace fwtest
