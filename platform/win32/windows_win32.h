// What the parts of the Win32 window backend share.
#pragma once

#include "platform/wintypes.h"

namespace plat::win32 {

// Forgets the application window after destroying it.
void DestroyApplicationWindow();

}  // namespace plat::win32
