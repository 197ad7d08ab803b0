// Shell call of the ornament, with the signature of the shell32 call.
#pragma once

#include "platform/wintypes.h"

namespace plat {

HANDLE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                     const char* directory, int show);

}  // namespace plat
