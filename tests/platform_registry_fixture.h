// A temporary XDG_CONFIG_HOME per test, and small helpers over the registry
// calls.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/registry.h"

namespace fwtest {

using namespace plat;

inline const char kSettingsKey[] = "Software\\Fenwillow";
inline const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string StoreFile() const { return config_ + "/fenwillow/registry"; }
  std::string AutostartFile(const std::string& name) const {
    return config_ + "/autostart/" + name;
  }

  static HKEY Open(const char* path);
  static void SetDword(HKEY key, const char* name, DWORD value);
  static std::optional<DWORD> GetDword(HKEY key, const char* name);
  // Opens, writes and closes, as one save does.
  static void SaveDword(const char* name, DWORD value);
  static std::optional<DWORD> LoadDword(const char* name);

  static std::string ReadFile(const std::string& path);
  static void WriteFile(const std::string& path, const std::string& text);
  // The files in `dir` whose names start with `prefix`.
  static std::vector<std::string> FilesStartingWith(const std::string& dir,
                                                    const std::string& prefix);

  // Runs `body` in a forked child and returns its exit code (-1 when it did
  // not exit normally).
  static int InChild(const std::function<int()>& body);
  // Like InChild, as an unprivileged user when the tests run as root (file
  // permissions do not stop root). 77 when no such user can be had.
  static int InUnprivilegedChild(const std::function<int()>& body);

  std::string config_;
};

}  // namespace fwtest
