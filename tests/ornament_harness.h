// Runs the real ornament on the headless platform, with a private settings
// directory, a script playing the user and helpers to read what happened.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "platform/registry.h"

namespace harness {

namespace headless = plat::headless;

// A temporary XDG_CONFIG_HOME for one test, removed afterwards.
class ConfigHome {
 public:
  ConfigHome();
  ~ConfigHome();
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path StoreFile() const { return path_ / "fenwillow" / "registry"; }
  std::filesystem::path AutostartFile() const { return path_ / "autostart" / "fenwillow.desktop"; }

 private:
  std::filesystem::path path_;
};

// Runs the program with the given arguments (after the program name) on a
// fresh headless platform; `setup` prepares the platform before the program
// starts and the script runs as the message loop. Returns the exit code.
int RunProgram(const std::function<void()>& script, const std::vector<std::string>& arguments = {},
               const std::function<void()>& setup = {});

// The context-menu key, then the item with this caption.
void Choose(const std::string& caption);

// Values in the settings store, written or read through the registry calls.
void WriteDword(const std::string& name, std::uint32_t value);
void WriteValue(const std::string& name, plat::DWORD type, const std::vector<std::uint8_t>& data);
// The stored DWORD, or -1 when the value is missing or not a DWORD.
std::int64_t ReadDword(const std::string& name);

// Texts of every message box shown so far.
std::vector<std::string> BoxTexts();

// A fingerprint (FNV-1a, 64 bits) of a presentation's pixels.
std::uint64_t Fingerprint(const headless::Presentation& shown);

}  // namespace harness
