// Registry calls of the platform layer, with the signatures and results of
// the advapi32 calls of the same name. platform/win32 forwards to them;
// platform/soft keeps a per-user store on disk (format in
// soft/registry_store.cpp) and maps the values of the Run key to XDG
// autostart entries.
//
// One difference on the software backend: the store writes made through a
// key handle reach the disk together, in one atomic replacement, when that
// handle is closed (or the last of this process's writing handles is).
// Until then this process sees them and other processes do not, and the
// store stays locked against other writers, so copies that save at the
// same moment never mix their values and a copy killed half-way leaves the
// store as it was. Every write still reports its own failure.
#pragma once

#include <string>

#include "platform/wintypes.h"

namespace plat {

// The predefined key of the current user, with its Win32 value.
inline HKEY const HKEY_CURRENT_USER =
    reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<LONG>(0x80000001)));

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_WRITE_FAULT = 29;
constexpr LONG ERROR_LOCK_VIOLATION = 33;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_DISK_FULL = 112;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_REGISTRY_CORRUPT = 1015;
constexpr LONG ERROR_NOT_ENOUGH_QUOTA = 1816;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* keyClass,
                     DWORD options, DWORD access, void* security, HKEY* result,
                     DWORD* disposition);
// With `data` null only the type and size are reported. When the buffer is
// too small the call fails with ERROR_MORE_DATA and *size says how much is
// needed.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type,
                      BYTE* data, DWORD* size);
LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                    const BYTE* data, DWORD size);
LONG RegDeleteValueA(HKEY key, const char* valueName);
// Closing a key publishes the store writes made through it (see above);
// a failure to do so is returned.
LONG RegCloseKey(HKEY key);

// A message about the store that the user should see (a damaged store that
// was moved aside, for instance), or empty. Taking it clears it. The
// Windows registry has no such messages.
std::string TakeRegistryNotice();

}  // namespace plat
