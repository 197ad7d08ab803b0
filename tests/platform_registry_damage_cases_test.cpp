// More ways a store file goes bad: cut at every byte, flipped at every
// byte, values of the wrong type, a directory in its place. Either the
// store reads whole, or it is moved aside byte for byte with a notice; a
// store that cannot be replaced fails the writes.
#include <sys/stat.h>

#include <map>

#include "tests/platform_registry_fixture.h"

namespace fwtest {
namespace {

using RegistryDamageCases = RegistryTest;

const char* const kSettings[] = {"Stars", "Garland", "OnTop", "TrVal", "Top", "Left"};

class DamagedCopies : public RegistryDamageCases {
 protected:
  void SetUp() override {
    RegistryDamageCases::SetUp();
    HKEY key = Open(kSettingsKey);
    for (DWORD i = 0; i < 6; ++i) SetDword(key, kSettings[i], 100 + i);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    saved_ = ReadFile(StoreFile());
    whole_ = LoadAll();
    ASSERT_EQ(whole_.size(), 6u);
  }

  static std::map<std::string, DWORD> LoadAll() {
    std::map<std::string, DWORD> values;
    HKEY key = Open(kSettingsKey);
    for (const char* name : kSettings) {
      if (const auto value = GetDword(key, name)) values[name] = *value;
    }
    RegCloseKey(key);
    return values;
  }

  // Puts `damaged` in place of the store and loads it: either it is read as
  // a store (returned), or it was moved aside exactly as it was, with a
  // notice, and nothing is read.
  std::optional<std::map<std::string, DWORD>> Load(const std::string& damaged) {
    WriteFile(StoreFile(), damaged);
    const auto values = LoadAll();
    const std::string notice = TakeRegistryNotice();
    const auto aside = FilesStartingWith(config_ + "/fenwillow", "registry.damaged-");
    if (aside.empty()) {
      EXPECT_EQ(notice, "") << damaged;
      return values;
    }
    EXPECT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFile(aside[0]), damaged);
    EXPECT_NE(notice.find("has been moved to " + aside[0]), std::string::npos) << notice;
    EXPECT_TRUE(values.empty()) << "defaults, not a part of the damaged file";
    for (const auto& path : aside) remove(path.c_str());
    return std::nullopt;
  }

  std::string saved_;
  std::map<std::string, DWORD> whole_;
};

TEST_F(DamagedCopies, EveryCutIsMovedAsideOrReadsWhole) {
  int readWhole = 0;
  for (std::size_t cut = 0; cut < saved_.size(); ++cut) {
    const auto values = Load(saved_.substr(0, cut));
    if (!values) continue;
    EXPECT_EQ(*values, whole_) << "a cut store never reads as a part of itself: cut at " << cut;
    ++readWhole;
  }
  EXPECT_LE(readWhole, 1) << "at most the last line feed may go";
}

TEST_F(DamagedCopies, EveryFlippedByteIsMovedAsideOrReadsAsAStore) {
  for (std::size_t i = 0; i < saved_.size(); ++i) {
    for (const char mask : {'\x01', '\x20', '\x80'}) {
      std::string damaged = saved_;
      damaged[i] = static_cast<char>(damaged[i] ^ mask);
      Load(damaged);
    }
  }
  // And the program carries on with a fresh store.
  SaveDword("Stars", 7);
  EXPECT_EQ(LoadDword("Stars"), 7u);
}

TEST_F(RegistryDamageCases, ValuesOfTheWrongTypeAreReportedAsTheyAreAndKept) {
  const std::string store =
      "fenwillow-registry 1\nkey \"Software\"\nkey \"Software\\Fenwillow\"\n"
      "sz \"Stars\" \"1\"\nraw \"Garland\" 4 0100000000000000\nraw \"OnTop\" 4 01\n"
      "raw \"TrVal\" 3 09000000\nend\n";
  WriteFile(StoreFile(), store);
  HKEY key = Open(kSettingsKey);
  struct Expected {
    const char* name;
    DWORD type;
    DWORD size;
    LONG fourByteRead;
  };
  for (const Expected e : {Expected{"Stars", REG_SZ, 2, ERROR_SUCCESS},
                           Expected{"Garland", REG_DWORD, 8, ERROR_MORE_DATA},
                           Expected{"OnTop", REG_DWORD, 1, ERROR_SUCCESS},
                           Expected{"TrVal", REG_BINARY, 4, ERROR_SUCCESS}}) {
    DWORD type = 0, value = 0, size = 4;
    EXPECT_EQ(RegQueryValueExA(key, e.name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
              e.fourByteRead)
        << e.name;
    EXPECT_EQ(type, e.type) << e.name;
    EXPECT_EQ(size, e.size) << e.name;
  }
  RegCloseKey(key);
  EXPECT_EQ(TakeRegistryNotice(), "") << "a value of another type is not damage";
  EXPECT_EQ(ReadFile(StoreFile()), store);
  // The next save rewrites the values with their types; the others stay.
  SaveDword("Garland", 1);
  HKEY again = Open(kSettingsKey);
  EXPECT_EQ(GetDword(again, "Garland"), 1u);
  RegCloseKey(again);
  EXPECT_NE(ReadFile(StoreFile()).find("sz \"Stars\" \"1\""), std::string::npos);
}

TEST_F(RegistryDamageCases, ADirectoryInPlaceOfTheStoreIsReportedAndFailsTheWrites) {
  mkdir((config_ + "/fenwillow").c_str(), 0700);
  ASSERT_EQ(mkdir(StoreFile().c_str(), 0700), 0);
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_ACCESS_DENIED);
  DWORD value = 0, size = 4;
  EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "Stars", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                             &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(TakeRegistryNotice(), "The settings file " + StoreFile() +
                                      " cannot be read (Is a directory); default settings are used.");
  const DWORD one = 1;
  EXPECT_NE(RegSetValueExA(HKEY_CURRENT_USER, "Stars", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
            ERROR_SUCCESS);
  struct stat info;
  ASSERT_EQ(stat(StoreFile().c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode)) << "left in place";
  EXPECT_EQ(TakeRegistryNotice(), "") << "told once";
}

}  // namespace
}  // namespace fwtest
