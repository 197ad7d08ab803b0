#include "tests/ornament_harness.h"

#include <cstdlib>

#include "ornament/program.h"
#include "ornament/settings.h"

namespace harness {

ConfigHome::ConfigHome() {
  char pattern[] = "/tmp/fenwillow-test-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (made == nullptr) throw std::runtime_error("cannot make a temporary directory");
  path_ = made;
  setenv("XDG_CONFIG_HOME", made, 1);
}

ConfigHome::~ConfigHome() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
  std::filesystem::remove_all(path_, ignored);
}

int RunProgram(const std::function<void()>& script, const std::vector<std::string>& arguments,
               const std::function<void()>& setup) {
  headless::Reset();
  if (setup) setup();
  headless::SetDriver(script);
  std::vector<std::string> words = {"/opt/fenwillow/bin/fenwillow"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  headless::SetModulePath(words.front());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return FenwillowMain(static_cast<int>(words.size()), argv.data());
}

void Choose(const std::string& caption) {
  headless::QueueMenuChoice(caption);
  headless::ContextMenuKey();
}

namespace {
plat::HKEY OpenSettings() {
  plat::HKEY key = nullptr;
  plat::DWORD disposition = 0;
  EXPECT_EQ(plat::RegCreateKeyExA(plat::HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, plat::REG_OPTION_NON_VOLATILE,
                                  plat::KEY_ALL_ACCESS, nullptr, &key, &disposition),
            plat::ERROR_SUCCESS);
  return key;
}
}  // namespace

void WriteValue(const std::string& name, plat::DWORD type, const std::vector<std::uint8_t>& data) {
  plat::HKEY key = OpenSettings();
  EXPECT_EQ(plat::RegSetValueExA(key, name.c_str(), 0, type, data.data(), static_cast<plat::DWORD>(data.size())),
            plat::ERROR_SUCCESS);
  plat::RegCloseKey(key);
}

void WriteDword(const std::string& name, std::uint32_t value) {
  WriteValue(name, plat::REG_DWORD,
             {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
              static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

std::int64_t ReadDword(const std::string& name) {
  plat::HKEY key = OpenSettings();
  plat::BYTE data[4] = {};
  plat::DWORD type = 0, size = sizeof data;
  const plat::LONG result = plat::RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size);
  plat::RegCloseKey(key);
  if (result != plat::ERROR_SUCCESS || type != plat::REG_DWORD || size != 4) return -1;
  return static_cast<std::int64_t>(static_cast<std::uint32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                              static_cast<std::uint32_t>(data[3]) << 24));
}

std::vector<std::string> BoxTexts() {
  std::vector<std::string> texts;
  for (const auto& box : headless::MessageBoxes()) texts.push_back(box.text);
  return texts;
}

std::uint64_t Fingerprint(const headless::Presentation& shown) {
  std::uint64_t hash = 1469598103934665603ull;
  for (std::uint8_t byte : shown.pixels) {
    hash ^= byte;
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace harness
