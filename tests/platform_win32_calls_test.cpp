// The Windows backend's own logic and its forwarding, under Wine: argument
// splitting, the registry through the platform types, resources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/win32/command_line.h"

namespace {

using plat::win32::SplitCommandLine;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
  EXPECT_EQ((Args{"prog", "add"}), SplitCommandLine("prog add"));
  EXPECT_EQ((Args{"C:\\Program Files\\Fenwillow.exe", "add"}),
            SplitCommandLine("\"C:\\Program Files\\Fenwillow.exe\" add"));
  // Tabs and other control characters separate too; runs of them count once.
  EXPECT_EQ((Args{"a", "b", "c"}), SplitCommandLine("  a\t\tb \r\n c  "));
  // Quotes may sit inside an argument and are dropped wherever they are.
  EXPECT_EQ((Args{"prog", "a dd", "x"}), SplitCommandLine("prog a\" d\"d x"));
}

TEST(SplitCommandLine, BackslashesAndUnclosedQuotesAreLiteral) {
  // Unlike the C runtime's rules, a backslash never escapes a quote.
  EXPECT_EQ((Args{"prog", "C:\\dir\\", "add"}), SplitCommandLine("prog \"C:\\dir\\\" add"));
  EXPECT_EQ((Args{"prog", "to the end "}), SplitCommandLine("prog \"to the end "));
  EXPECT_EQ((Args{"prog", ""}), SplitCommandLine("prog \"\""));
  EXPECT_EQ(Args{}, SplitCommandLine(""));
  EXPECT_EQ(Args{}, SplitCommandLine(nullptr));
}

TEST(ParamStr, ProgramIsTheModulePathAndArgumentsComeFromTheCommandLine) {
  char path[1024];
  const plat::DWORD n = plat::GetModuleFileNameA(nullptr, path, sizeof path);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::string(path, n), plat::ParamStr(0));
  const Args fromSystem = SplitCommandLine(plat::GetCommandLineA());
  ASSERT_FALSE(fromSystem.empty());
  EXPECT_EQ(static_cast<int>(fromSystem.size()) - 1, plat::ParamCount());
  EXPECT_EQ(fromSystem.back(), plat::ParamStr(plat::ParamCount()));
  EXPECT_EQ("", plat::ParamStr(plat::ParamCount() + 1));
  EXPECT_EQ("", plat::ParamStr(-1));
}

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(plat::ERROR_SUCCESS,
              plat::RegCreateKeyExA(plat::HKEY_CURRENT_USER, "Software\\FenwillowBackendTest", 0, nullptr,
                                    plat::REG_OPTION_NON_VOLATILE, plat::KEY_ALL_ACCESS, nullptr, &key_, nullptr));
  }
  void TearDown() override {
    for (const char* name : {"Number", "Text"}) plat::RegDeleteValueA(key_, name);
    EXPECT_EQ(plat::ERROR_SUCCESS, plat::RegCloseKey(key_));
  }
  plat::HKEY key_ = nullptr;
};

TEST_F(Registry, TypedValuesRoundTripThroughThePlatformTypes) {
  const plat::DWORD number = 0x12345678;
  ASSERT_EQ(plat::ERROR_SUCCESS, plat::RegSetValueExA(key_, "Number", 0, plat::REG_DWORD,
                                                      reinterpret_cast<const plat::BYTE*>(&number), 4));
  plat::DWORD type = 0, size = 0, read = 0;
  ASSERT_EQ(plat::ERROR_SUCCESS, plat::RegQueryValueExA(key_, "Number", nullptr, &type, nullptr, &size));
  EXPECT_EQ(plat::REG_DWORD, type);
  EXPECT_EQ(4u, size);
  ASSERT_EQ(plat::ERROR_SUCCESS, plat::RegQueryValueExA(key_, "Number", nullptr, &type,
                                                        reinterpret_cast<plat::BYTE*>(&read), &size));
  EXPECT_EQ(number, read);

  const char text[] = "Z:\\Fenwillow.exe";
  ASSERT_EQ(plat::ERROR_SUCCESS, plat::RegSetValueExA(key_, "Text", 0, plat::REG_SZ,
                                                      reinterpret_cast<const plat::BYTE*>(text), sizeof text));
  plat::BYTE small[4];
  size = sizeof small;
  EXPECT_EQ(plat::ERROR_MORE_DATA, plat::RegQueryValueExA(key_, "Text", nullptr, &type, small, &size));
  EXPECT_EQ(sizeof text, size);
  EXPECT_EQ(plat::REG_SZ, type);

  EXPECT_EQ(plat::ERROR_SUCCESS, plat::RegDeleteValueA(key_, "Number"));
  EXPECT_EQ(plat::ERROR_FILE_NOT_FOUND, plat::RegQueryValueExA(key_, "Number", nullptr, &type, nullptr, &size));
  EXPECT_EQ(plat::ERROR_FILE_NOT_FOUND, plat::RegDeleteValueA(key_, "Number"));
  EXPECT_EQ("", plat::TakeRegistryNotice());
}

TEST(Resources, NamedDataOfTheExecutable) {
  // tests/wine/test_resource.rc: the text "stored", then the word 0x0102.
  const plat::TResourceData found = plat::FindResourceData("FwTestData");
  ASSERT_NE(nullptr, found.data);
  ASSERT_EQ(8u, found.size);
  EXPECT_EQ("stored", std::string(reinterpret_cast<const char*>(found.data), 6));
  EXPECT_EQ(0x02, found.data[6]);
  EXPECT_EQ(0x01, found.data[7]);
  // Resource names do not depend on case.
  EXPECT_EQ(found.data, plat::FindResourceData("fwtestdata").data);
  const plat::TResourceData none = plat::FindResourceData("NoSuchPicture");
  EXPECT_EQ(nullptr, none.data);
  EXPECT_EQ(0u, none.size);
}

}  // namespace
