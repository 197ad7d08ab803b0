#include "ornament/registry_key.h"

#include <cstring>

TRegistryKey::TRegistryKey(const std::string& path) {
  plat::DWORD disposition = 0;
  if (plat::RegCreateKeyExA(plat::HKEY_CURRENT_USER, path.c_str(), 0, nullptr, plat::REG_OPTION_NON_VOLATILE,
                            plat::KEY_ALL_ACCESS, nullptr, &key_, &disposition) != plat::ERROR_SUCCESS) {
    key_ = nullptr;
  }
}

TRegistryKey::~TRegistryKey() {
  if (key_ != nullptr) plat::RegCloseKey(key_);
}

bool TRegistryKey::ValueExists(const std::string& name) const {
  if (key_ == nullptr) return false;
  return plat::RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) == plat::ERROR_SUCCESS;
}

std::int32_t TRegistryKey::ReadInteger(const std::string& name) const {
  plat::BYTE data[4] = {0, 0, 0, 0};
  plat::DWORD type = plat::REG_NONE;
  plat::DWORD size = sizeof data;
  if (key_ == nullptr ||
      plat::RegQueryValueExA(key_, name.c_str(), nullptr, &type, data, &size) != plat::ERROR_SUCCESS) {
    throw ERegistryException("Failed to get data for '" + name + "'");
  }
  if (type != plat::REG_DWORD) throw ERegistryException("Invalid data type for '" + name + "'");
  std::int32_t value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

void TRegistryKey::WriteInteger(const std::string& name, std::int32_t value) {
  plat::BYTE data[4];
  std::memcpy(data, &value, sizeof data);
  if (key_ == nullptr ||
      plat::RegSetValueExA(key_, name.c_str(), 0, plat::REG_DWORD, data, sizeof data) != plat::ERROR_SUCCESS) {
    throw ERegistryException("Failed to set data for '" + name + "'");
  }
}

void TRegistryKey::WriteString(const std::string& name, const std::string& value) {
  if (key_ == nullptr ||
      plat::RegSetValueExA(key_, name.c_str(), 0, plat::REG_SZ, reinterpret_cast<const plat::BYTE*>(value.c_str()),
                           static_cast<plat::DWORD>(value.size() + 1)) != plat::ERROR_SUCCESS) {
    throw ERegistryException("Failed to set data for '" + name + "'");
  }
}

void TRegistryKey::DeleteValue(const std::string& name) {
  if (key_ != nullptr) plat::RegDeleteValueA(key_, name.c_str());
}
