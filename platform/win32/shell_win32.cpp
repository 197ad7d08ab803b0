// The shell call, forwarded unchanged to shell32.
#include "platform/shell.h"
#include "platform/win32/win32_api.h"

#include <shellapi.h>

namespace plat {

HANDLE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                     const char* directory, int show) {
  return ::ShellExecuteA(win32::As<::HWND>(owner), verb, file, parameters, directory, show);
}

// Windows has no About box of its own to offer.
BOOL ShowAboutBox(HWND, const TAboutBox&) { return FALSE; }

}  // namespace plat
