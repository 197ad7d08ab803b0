// Registry calls, forwarded unchanged to advapi32.
#include "platform/registry.h"
#include "platform/win32/win32_api.h"

namespace plat {

using win32::As;

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* keyClass, DWORD options,
                     DWORD access, void* security, HKEY* result, DWORD* disposition) {
  return ::RegCreateKeyExA(As<::HKEY>(key), subKey, reserved, keyClass, options, access,
                           static_cast<LPSECURITY_ATTRIBUTES>(security), As<::HKEY*>(result),
                           As<LPDWORD>(disposition));
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size) {
  return ::RegQueryValueExA(As<::HKEY>(key), valueName, As<LPDWORD>(reserved), As<LPDWORD>(type), data,
                            As<LPDWORD>(size));
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size) {
  return ::RegSetValueExA(As<::HKEY>(key), valueName, reserved, type, data, size);
}

LONG RegDeleteValueA(HKEY key, const char* valueName) { return ::RegDeleteValueA(As<::HKEY>(key), valueName); }

LONG RegCloseKey(HKEY key) { return ::RegCloseKey(As<::HKEY>(key)); }

// The system registry reports its own troubles through the calls' results.
std::string TakeRegistryNotice() { return std::string(); }

}  // namespace plat
