// The store's text form: exact round trips and refusal of damaged text.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/registry.h"
#include "platform/soft/registry_store.h"

namespace {

using namespace plat;
using namespace plat::soft;

std::vector<BYTE> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

TEST(RegistryStoreFormat, WritesReadableLinesForEachKindOfValue) {
  RegStore store;
  store.SetValue("Software\\Fenwillow", "Left", REG_DWORD, {0xBA, 0xFF, 0xFF, 0xFF});
  store.SetValue("Software\\Fenwillow", "Path", REG_SZ, Bytes(std::string("C:\\a \"b\" 5%\0", 12)));
  store.SetValue("Software\\Fenwillow", "Short", REG_DWORD, {1, 2});
  store.SetValue("Software\\Fenwillow", "Bare", REG_SZ, Bytes("abc"));
  store.SetValue("Software\\Fenwillow", "None", REG_NONE, {});
  const std::string text = FormatStore(store);
  const std::string body = text.substr(text.find("fenwillow-registry 1\n"));
  EXPECT_EQ(body,
            "fenwillow-registry 1\n"
            "key \"Software\"\n"
            "key \"Software\\Fenwillow\"\n"
            "raw \"Bare\" 1 616263\n"
            "dword \"Left\" 4294967226\n"
            "raw \"None\" 0 -\n"
            "sz \"Path\" \"C:\\a %22b%22 5%25\"\n"
            "raw \"Short\" 4 0102\n"
            "end\n");
}

TEST(RegistryStoreFormat, RandomStoresSurviveTheRoundTripExactly) {
  std::mt19937 random(20240611);
  auto randomBytes = [&](std::size_t maxLength) {
    std::string s(random() % (maxLength + 1), '\0');
    for (char& c : s)
      c = static_cast<char>(random() % 4 == 0 ? random() % 256 : "aZ\\\"% \xc3\xa9"[random() % 8]);
    return s;
  };
  for (int round = 0; round < 200; ++round) {
    RegStore store;
    for (int k = 0; k < 3; ++k) {
      std::string path = "K" + std::to_string(k) + randomBytes(6);
      std::replace(path.begin(), path.end(), '\\', '/');
      for (int v = 0; v < 4; ++v) {
        const DWORD types[] = {REG_SZ, REG_DWORD, REG_BINARY, 7, 0xFFFFFFFF};
        std::string name = randomBytes(8);
        name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
        const std::string data = randomBytes(12);
        store.SetValue(path, name, types[random() % 5], Bytes(data));
      }
    }
    const std::string text = FormatStore(store);
    RegStore back;
    std::string reason;
    ASSERT_TRUE(ParseStore(text, &back, &reason)) << reason << "\n" << text;
    EXPECT_EQ(FormatStore(back), text);
    for (const auto& [folded, key] : store.Keys()) {
      for (const auto& [name, value] : key.values) {
        const RegValue* read = back.FindValue(key.path, value.name);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->name, value.name);
        EXPECT_EQ(read->type, value.type);
        EXPECT_EQ(read->data, value.data);
      }
    }
  }
}

TEST(RegistryStoreFormat, AcceptsCarefulHandEdits) {
  RegStore store;
  std::string reason;
  ASSERT_TRUE(
      ParseStore("# mine\r\n\r\nfenwillow-registry 1\r\n  key \"A\\B\"\r\n\tdword   \"X\"  7\r\n"
                 "raw \"Y\" 4 0a000000\r\nend\r\n# trailing note\n",
                 &store, &reason))
      << reason;
  ASSERT_NE(store.FindValue("a\\b", "x"), nullptr);
  EXPECT_EQ(store.FindValue("a\\b", "x")->data, (std::vector<BYTE>{7, 0, 0, 0}));
  EXPECT_EQ(store.FindValue("A\\B", "Y")->data, (std::vector<BYTE>{10, 0, 0, 0}));
}

TEST(RegistryStoreFormat, RefusesDamagedText) {
  const std::string head = "fenwillow-registry 1\nkey \"K\"\n";
  const char* const damaged[] = {
      "",                                                       // empty
      "key \"K\"\nend\n",                                       // no format line
      "fenwillow-registry 2\nend\n",                            // unknown version
      "fenwillow-registry 1\nkey \"K\"\n",                      // cut short: no end
      "fenwillow-registry 1\ndword \"X\" 1\nend\n",             // value outside a key
      "fenwillow-registry 1\nkey \"K\"\nkey \"k\"\nend\n",      // duplicate key
      "fenwillow-registry 1\nkey \"\\K\"\nend\n",               // empty path component
      "fenwillow-registry 1\nkey \"K\"\nend\ndword \"X\" 1\n",  // after the end
  };
  const char* const badLines[] = {
      "dword \"X\" 4294967296",
      "dword \"X\" -1",
      "dword \"X\" 1 2",
      "dword \"X\"",
      "sz \"X\" \"a%00b\"",
      "sz \"X\" \"open",
      "sz \"X\" \"%2\"",
      "sz \"X\" \"%zz\"",
      "raw \"X\" 3 abc",
      "raw \"X\" 3 0g",
      "raw \"X\" 3",
      "raw \"X\" 99999999999 00",
      "word \"X\" 1",
      "dword X 1",
      "dword \"X\" 1\ndword \"x\" 2",
      "sz \"X\" \"\xff\"",
      "sz \"X\" \"\xc0\xaf\"",
      "sz \"X\" \"\xed\xa0\x80\"",
      "sz \"X\" \"\x01\"",
  };
  RegStore store;
  std::string reason;
  for (const char* text : damaged) {
    EXPECT_FALSE(ParseStore(text, &store, &reason)) << text;
  }
  for (const char* line : badLines) {
    EXPECT_FALSE(ParseStore(head + line + "\nend\n", &store, &reason)) << line;
    EXPECT_TRUE(store.Keys().empty()) << "a refused file leaves nothing behind";
  }
  EXPECT_TRUE(ParseStore(head + "dword \"X\" 4294967295\nend\n", &store, &reason)) << reason;
}

}  // namespace
