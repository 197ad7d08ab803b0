// The running executable's full path as the system reports it.
#pragma once

#include <string>

#include "platform/wintypes.h"

namespace plat::soft {

std::string ExecutablePath();

// Copies `path` into the caller's buffer as GetModuleFileNameA does: cut to
// size - 1 characters, always terminated; returns the characters copied.
DWORD CopyModulePath(const std::string& path, char* buffer, DWORD size);

}  // namespace plat::soft
