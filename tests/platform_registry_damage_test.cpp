// Damaged, unreadable and unwritable stores: reported, never crashed on,
// never replaced behind the user's back.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>

#include "tests/platform_registry_fixture.h"

namespace fwtest {
namespace {

using RegistryDamage = RegistryTest;

// For the children, which report through their exit code alone.
std::optional<DWORD> Peek(const char* name) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    key = HKEY_CURRENT_USER;
  }
  DWORD value = 0, size = 4;
  const LONG result =
      RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? std::optional<DWORD>(value) : std::nullopt;
}

LONG Poke(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}

std::string GoodStore() {
  return "fenwillow-registry 1\nkey \"Software\\Fenwillow\"\ndword \"Stars\" 0\nend\n";
}

TEST_F(RegistryDamage, DamagedFilesAreMovedAsideWithANoticeAndDefaultsApply) {
  std::mt19937 random(7);
  std::string noise(3000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string huge = GoodStore();
  huge.insert(huge.size() - 4, std::string((1 << 20), '#').append("\n"));
  const std::string good = GoodStore();
  for (const std::string& damaged :
       {noise, good.substr(0, good.size() - 6), huge,
        std::string("fenwillow-registry 1\nkey \"K\"\nsz \"X\" \"\xe9\"\nend\n")}) {
    WriteFile(StoreFile(), damaged);
    EXPECT_EQ(LoadDword("Stars"), std::nullopt);
    const auto aside = FilesStartingWith(config_ + "/fenwillow", "registry.damaged-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFile(aside[0]), damaged) << "kept byte for byte";
    const std::string notice = TakeRegistryNotice();
    EXPECT_NE(notice.find("The settings file " + StoreFile() + " was damaged"), std::string::npos)
        << "[" << notice << "]";
    EXPECT_NE(notice.find("has been moved to " + aside[0] + "; default settings are used."),
              std::string::npos);
    EXPECT_EQ(TakeRegistryNotice(), "") << "told once";
    SaveDword("Stars", 1);
    EXPECT_EQ(LoadDword("Stars"), 1u) << "the program carries on with a fresh store";
    remove(aside[0].c_str());
  }
}

TEST_F(RegistryDamage, ASecondDamagedFileNeverReplacesTheFirst) {
  WriteFile(StoreFile(), "first damage");
  EXPECT_EQ(LoadDword("Stars"), std::nullopt);
  WriteFile(StoreFile(), "second damage");
  EXPECT_EQ(LoadDword("Stars"), std::nullopt);
  WriteFile(StoreFile(), "third damage");
  SaveDword("Stars", 1);  // a write finds it too
  std::vector<std::string> contents;
  for (const auto& path : FilesStartingWith(config_ + "/fenwillow", "registry.damaged-")) {
    contents.push_back(ReadFile(path));
  }
  std::sort(contents.begin(), contents.end());
  EXPECT_EQ(contents, (std::vector<std::string>{"first damage", "second damage", "third damage"}));
  EXPECT_EQ(LoadDword("Stars"), 1u);
}

TEST_F(RegistryDamage, AnUnreadableStoreIsReportedAndKept) {
  WriteFile(StoreFile(), GoodStore());
  chmod((config_ + "/fenwillow").c_str(), 0777);
  chmod(StoreFile().c_str(), 0);
  const int code = InUnprivilegedChild([&] {
    if (Peek("Stars")) return 1;
    const std::string notice = TakeRegistryNotice();
    if (notice != "The settings file " + StoreFile() +
                      " cannot be read (Permission denied); default settings are used.")
      return 2;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, 0, nullptr, &key,
                        nullptr) != ERROR_ACCESS_DENIED)
      return 3;
    return Poke(HKEY_CURRENT_USER, "Stars", 1) == ERROR_ACCESS_DENIED ? 0 : 4;
  });
  if (code == 77) GTEST_SKIP() << "no unprivileged user";
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(StoreFile()), GoodStore());
  EXPECT_TRUE(FilesStartingWith(config_ + "/fenwillow", "registry.damaged").empty());
}

TEST_F(RegistryDamage, WritesInAnUnwritableDirectoryFailAndLeaveTheStore) {
  SaveDword("Stars", 0);
  const std::string before = ReadFile(StoreFile());
  chmod(StoreFile().c_str(), 0644);
  // The lock can be had; the temporary file cannot be made.
  chmod((config_ + "/fenwillow/registry.lock").c_str(), 0644);
  chmod((config_ + "/fenwillow").c_str(), 0555);
  const int code = InUnprivilegedChild([&] {
    if (Peek("Stars") != 0u) return 1;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, 0, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return 2;
    if (Poke(key, "Stars", 1) != ERROR_ACCESS_DENIED) return 3;
    if (RegDeleteValueA(key, "Stars") != ERROR_ACCESS_DENIED) return 4;
    RegCloseKey(key);
    return Peek("Stars") == 0u ? 0 : 5;
  });
  if (code == 77) GTEST_SKIP() << "no unprivileged user";
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(StoreFile()), before);
}

TEST_F(RegistryDamage, ADamagedStoreThatCannotBeMovedIsNeverOverwritten) {
  WriteFile(StoreFile(), "damaged");
  chmod((config_ + "/fenwillow").c_str(), 0555);
  const int code = InUnprivilegedChild([&] {
    if (Peek("Stars")) return 1;
    if (TakeRegistryNotice().find("is damaged (line 1 cannot be read) and could not be moved aside "
                                  "(Permission denied); default settings are used.") ==
        std::string::npos)
      return 2;
    return Poke(HKEY_CURRENT_USER, "Stars", 1) == ERROR_SUCCESS ? 3 : 0;
  });
  if (code == 77) GTEST_SKIP() << "no unprivileged user";
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(StoreFile()), "damaged");
}

TEST_F(RegistryDamage, AFullDiskFailsTheWriteAndKeepsTheOldStore) {
  SaveDword("Stars", 0);
  const std::string before = ReadFile(StoreFile());
  const int code = InChild([&] {
    signal(SIGXFSZ, SIG_IGN);  // a file size limit stands in for a full disk
    const rlimit limit{before.size() + 8, before.size() + 8};
    setrlimit(RLIMIT_FSIZE, &limit);
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, 0, nullptr, &key, nullptr);
    if (Poke(key, "Stars", 1) != ERROR_SUCCESS) return 1;  // fits
    const std::string big(64, 'x');
    if (RegSetValueExA(key, "Big", 0, REG_BINARY, reinterpret_cast<const BYTE*>(big.data()), 64) !=
        ERROR_DISK_FULL)
      return 2;
    return RegCloseKey(key) == ERROR_SUCCESS ? 0 : 3;
  });
  EXPECT_EQ(code, 0);
  const std::string after = ReadFile(StoreFile());
  EXPECT_NE(after.find("dword \"Stars\" 1"), std::string::npos)
      << "the writes that fitted are published";
  EXPECT_EQ(after.find("Big"), std::string::npos);
}

}  // namespace
}  // namespace fwtest
