// Kernel calls the ornament makes, with the signatures and meaning of the
// kernel32 calls of the same name.
#pragma once

#include <string>

#include "platform/wintypes.h"

namespace plat {

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  std::int64_t QuadPart;
};

constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;

// Milliseconds since boot, wrapping modulo 2^32.
DWORD GetTickCount();
BOOL QueryPerformanceCounter(LARGE_INTEGER* counter);
// Full path of the running executable (module null); returns its length.
DWORD GetModuleFileNameA(HANDLE module, char* buffer, DWORD size);
const char* GetCommandLineA();
DWORD GetLastError();
void SetLastError(DWORD code);
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     char* buffer, DWORD size, void* arguments);

// The program's command-line arguments as the entry point received them;
// argument 0 is the program. Empty when out of range.
std::string ParamStr(int index);
int ParamCount();
// Called once by the entry point.
void SetCommandLineArguments(int argc, char** argv);

}  // namespace plat
