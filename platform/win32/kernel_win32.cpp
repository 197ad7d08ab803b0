// Kernel calls, forwarded unchanged to kernel32, and the program's
// arguments read from the system's command line.
#include "platform/kernel.h"
#include "platform/win32/command_line.h"
#include "platform/win32/win32_api.h"

namespace plat {

using win32::As;

DWORD GetTickCount() { return ::GetTickCount(); }

BOOL QueryPerformanceCounter(LARGE_INTEGER* counter) {
  return ::QueryPerformanceCounter(As<::LARGE_INTEGER*>(counter));
}

DWORD GetModuleFileNameA(HANDLE module, char* buffer, DWORD size) {
  return ::GetModuleFileNameA(static_cast<HMODULE>(module), buffer, size);
}

const char* GetCommandLineA() { return ::GetCommandLineA(); }
DWORD GetLastError() { return ::GetLastError(); }
void SetLastError(DWORD code) { ::SetLastError(code); }

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer,
                     DWORD size, void* arguments) {
  return ::FormatMessageA(flags, source, messageId, languageId, buffer, size,
                          static_cast<va_list*>(arguments));
}

// Argument 0 is the module's full path, the rest come from the command line
// as the system holds it; what the C runtime made of it is not used, since
// it reads quotes and backslashes differently.
std::string ParamStr(int index) {
  if (index == 0) {
    char path[MAX_PATH + 1];
    const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n < sizeof path ? n : 0);
  }
  const std::vector<std::string> arguments = win32::SplitCommandLine(::GetCommandLineA());
  return index > 0 && static_cast<std::size_t>(index) < arguments.size() ? arguments[index] : std::string();
}

int ParamCount() {
  const std::size_t n = win32::SplitCommandLine(::GetCommandLineA()).size();
  return n == 0 ? 0 : static_cast<int>(n) - 1;
}

// The system's command line above is the one source of the arguments, so
// the entry point's copy is not kept.
void SetCommandLineArguments(int, char**) {}

}  // namespace plat
