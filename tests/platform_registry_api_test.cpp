// The advapi32-shaped calls over the store file.
#include <cstdlib>
#include <cstring>

#include "tests/platform_registry_fixture.h"

namespace fwtest {
namespace {

struct Read {
  LONG result;
  DWORD type;
  std::string data;
};

Read Query(HKEY key, const char* name) {
  Read r{0, 0, std::string(64, '?')};
  DWORD size = 64;
  r.result =
      RegQueryValueExA(key, name, nullptr, &r.type, reinterpret_cast<BYTE*>(&r.data[0]), &size);
  r.data.resize(r.result == ERROR_SUCCESS ? size : 0);
  return r;
}

LONG Set(HKEY key, const char* name, DWORD type, const std::string& data) {
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size()));
}

using RegistryApi = RegistryTest;

TEST_F(RegistryApi, EveryTypeComesBackExactlyFromTheFile) {
  const std::string binary("\0\xff\"%\n\\ end", 11);
  const std::string sz("C:\\Program Files\\Fenwillow.exe\0", 31);
  HKEY key = Open(kSettingsKey);
  SetDword(key, "Top", static_cast<DWORD>(-140));
  EXPECT_EQ(Set(key, "Path", REG_SZ, sz), ERROR_SUCCESS);
  EXPECT_EQ(Set(key, "Unended", REG_SZ, "abc"), ERROR_SUCCESS);
  EXPECT_EQ(Set(key, "Blob", REG_BINARY, binary), ERROR_SUCCESS);
  EXPECT_EQ(Set(key, "Multi", 7, std::string("a\0b\0\0", 5)), ERROR_SUCCESS);
  EXPECT_EQ(Set(key, "Empty", REG_NONE, ""), ERROR_SUCCESS);
  EXPECT_EQ(Set(key, "na\"m%e\xe9\n", REG_DWORD, std::string("\1\0\0\0", 4)), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  // Nothing of this process is pending any more: these reads parse the file.
  key = Open(kSettingsKey);
  EXPECT_EQ(GetDword(key, "Top"), static_cast<DWORD>(-140));
  EXPECT_EQ(Query(key, "Path").type, REG_SZ);
  EXPECT_EQ(Query(key, "Path").data, sz);
  EXPECT_EQ(Query(key, "Unended").data, "abc");
  EXPECT_EQ(Query(key, "Blob").type, REG_BINARY);
  EXPECT_EQ(Query(key, "Blob").data, binary);
  EXPECT_EQ(Query(key, "Multi").type, 7u);
  EXPECT_EQ(Query(key, "Multi").data, std::string("a\0b\0\0", 5));
  EXPECT_EQ(Query(key, "Empty").result, ERROR_SUCCESS);
  EXPECT_EQ(Query(key, "Empty").data, "");
  EXPECT_EQ(GetDword(key, "NA\"M%E\xe9\n"), 1u);
  RegCloseKey(key);
  EXPECT_EQ(TakeRegistryNotice(), "");
}

TEST_F(RegistryApi, KeysAndNamesIgnoreCaseAndKeepTheirFirstSpelling) {
  DWORD how = 0;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, &how),
            ERROR_SUCCESS);
  EXPECT_EQ(how, REG_CREATED_NEW_KEY);
  SetDword(key, "Stars", 1);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\fenWILLOW\\", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, &how),
            ERROR_SUCCESS);
  EXPECT_EQ(how, REG_OPENED_EXISTING_KEY);
  EXPECT_EQ(GetDword(key, "STARS"), 1u);
  SetDword(key, "stars", 0);
  RegCloseKey(key);
  const std::string text = ReadFile(StoreFile());
  EXPECT_NE(text.find("key \"Software\\Fenwillow\"\ndword \"Stars\" 0\n"), std::string::npos)
      << text;
}

TEST_F(RegistryApi, ReportsTypesAndSizesAsWindowsDoes) {
  HKEY key = Open(kSettingsKey);
  SetDword(key, "TrVal", 9);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "TrVal", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(size, 4u);
  BYTE small[2] = {0xAA, 0xAA};
  size = 2;
  type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "TrVal", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(small[0], 0xAA) << "a short buffer is left alone";
  EXPECT_EQ(RegQueryValueExA(key, "TrVal", nullptr, nullptr, small, nullptr),
            ERROR_INVALID_PARAMETER);
  size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, small, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegSetValueExA(key, "X", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST_F(RegistryApi, DeletesValuesThatExistOnly) {
  SaveDword("Left", 5);
  HKEY key = Open(kSettingsKey);
  EXPECT_EQ(RegDeleteValueA(key, "LEFT"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "Left"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
  EXPECT_EQ(LoadDword("Left"), std::nullopt);
}

TEST_F(RegistryApi, ClosedAndForeignHandlesAreRefused) {
  HKEY closed = Open(kSettingsKey);
  ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
  DWORD value = 1, size = 4;
  for (HKEY bad : {closed, static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(0x1234),
                   reinterpret_cast<HKEY>(&value)}) {
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExA(bad, "Sub", 0, nullptr, 0, 0, nullptr, &sub, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(bad, "Stars", nullptr, nullptr, nullptr, &size),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueExA(bad, "Stars", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteValueA(bad, "Stars"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
  }
  HKEY key = nullptr;
  for (const std::string& bad :
       {std::string("\\Software"), std::string("Software\\\\Fenwillow"), std::string(256, 'k')}) {
    EXPECT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, bad.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
        ERROR_INVALID_PARAMETER);
  }
}

TEST_F(RegistryApi, SubkeysOfOpenKeysAndTheRootItself) {
  HKEY software = Open("Software");
  HKEY fenwillow = nullptr;
  ASSERT_EQ(RegCreateKeyExA(software, "Fenwillow", 0, nullptr, 0, 0, nullptr, &fenwillow, nullptr),
            ERROR_SUCCESS);
  SetDword(fenwillow, "OnTop", 1);
  RegCloseKey(fenwillow);
  RegCloseKey(software);
  EXPECT_EQ(LoadDword("OnTop"), 1u);
  // Writes through the predefined key have no handle to close: they are on disk at once.
  SetDword(HKEY_CURRENT_USER, "Root", 3);
  EXPECT_NE(ReadFile(StoreFile()).find("key \"\"\ndword \"Root\" 3"), std::string::npos);
  EXPECT_EQ(GetDword(HKEY_CURRENT_USER, "root"), 3u);
}

TEST_F(RegistryApi, WritesReachTheFileTogetherWhenTheKeyIsClosed) {
  SaveDword("Stars", 1);
  const std::string before = ReadFile(StoreFile());
  HKEY key = Open(kSettingsKey);
  HKEY second = Open(kSettingsKey);
  SetDword(key, "Stars", 0);
  SetDword(second, "Garland", 0);
  EXPECT_EQ(GetDword(second, "Stars"), 0u) << "this process sees its own writes";
  EXPECT_EQ(ReadFile(StoreFile()), before) << "other processes do not, yet";
  RegCloseKey(key);
  EXPECT_EQ(ReadFile(StoreFile()), before) << "the batch waits for its last writer";
  RegCloseKey(second);
  const std::string after = ReadFile(StoreFile());
  EXPECT_NE(after.find("dword \"Garland\" 0\ndword \"Stars\" 0\n"), std::string::npos) << after;
}

TEST_F(RegistryApi, RefusesToGrowTheStorePastItsLimit) {
  const std::string big(400 * 1024, 'x');
  HKEY key = Open(kSettingsKey);
  EXPECT_EQ(Set(key, "A", REG_BINARY, big), ERROR_SUCCESS);
  EXPECT_EQ(Set(key, "B", REG_BINARY, big), ERROR_NOT_ENOUGH_QUOTA);
  RegCloseKey(key);
  key = Open(kSettingsKey);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "A", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, big.size());
  EXPECT_EQ(RegQueryValueExA(key, "B", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryApi, FallsBackToHomeWhenXdgConfigHomeIsNotAbsolute) {
  const char* savedHome = getenv("HOME");
  const std::string home = savedHome ? savedHome : "";
  setenv("HOME", config_.c_str(), 1);
  for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/dir"}) {
    if (xdg)
      setenv("XDG_CONFIG_HOME", xdg, 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    SaveDword("Stars", 1);
    EXPECT_NE(ReadFile(config_ + "/.config/fenwillow/registry").find("Stars"), std::string::npos)
        << (xdg ? xdg : "unset");
    remove((config_ + "/.config/fenwillow/registry").c_str());
  }
  setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace fwtest
