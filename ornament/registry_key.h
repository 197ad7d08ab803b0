// A registry key of the current user, opened with creation allowed, with
// typed reads and writes that raise ERegistryException on failure.
#pragma once

#include <string>

#include "platform/exception.h"
#include "platform/registry.h"

PLAT_DECLARE_EXCEPTION(ERegistryException, plat::Exception);

class TRegistryKey {
 public:
  // Opens (creating if missing) the key below HKEY_CURRENT_USER. A key that
  // cannot be opened is not an error: reads then find no values and writes
  // fail.
  explicit TRegistryKey(const std::string& path);
  ~TRegistryKey();
  TRegistryKey(const TRegistryKey&) = delete;
  TRegistryKey& operator=(const TRegistryKey&) = delete;

  bool ValueExists(const std::string& name) const;
  // "Failed to get data for '%s'" when the value cannot be read into four
  // bytes; "Invalid data type for '%s'" when it is not a 32-bit integer.
  std::int32_t ReadInteger(const std::string& name) const;
  // "Failed to set data for '%s'" when the write is refused.
  void WriteInteger(const std::string& name, std::int32_t value);
  void WriteString(const std::string& name, const std::string& value);
  // Nothing happens when the value does not exist.
  void DeleteValue(const std::string& name);

 private:
  plat::HKEY key_ = nullptr;
};
