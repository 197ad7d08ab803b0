// The values of HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run
// are XDG autostart entries: value N is $XDG_CONFIG_HOME/autostart/n.desktop
// (n = N in lower case), and its REG_SZ data is the program the entry runs.
#pragma once

#include <string_view>
#include <vector>

#include "platform/wintypes.h"

namespace plat::soft {

// Whether `path` (a normalised key path) is the Run key.
bool IsRunKey(std::string_view path);

// ERROR_FILE_NOT_FOUND when there is no entry, or one that starts nothing.
LONG QueryAutostartValue(std::string_view name, DWORD* type, std::vector<BYTE>* data);
// Only REG_SZ is taken; the data up to its first zero is the program path.
LONG SetAutostartValue(std::string_view name, DWORD type, const BYTE* data, DWORD size);
LONG DeleteAutostartValue(std::string_view name);

}  // namespace plat::soft
