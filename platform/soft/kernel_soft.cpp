// Kernel calls that are the same on every non-Windows build: the command
// line, the calling thread's last error and system message texts.
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"

namespace plat {

namespace {

std::vector<std::string>& Arguments() {
  static std::vector<std::string> arguments;
  return arguments;
}

std::string& CommandLine() {
  static std::string line;
  return line;
}

thread_local DWORD lastError = 0;

// Texts of the system messages the program can meet, as the system words
// them (with their trailing full stop and line break).
const char* SystemMessage(DWORD code) {
  switch (code) {
    case 0: return "The operation completed successfully.\r\n";
    case 5: return "Access is denied.\r\n";
    case 6: return "The handle is invalid.\r\n";
    case 8: return "Not enough memory resources are available to process this command.\r\n";
    case 87: return "The parameter is incorrect.\r\n";
    case 1400: return "Invalid window handle.\r\n";
    default: return nullptr;
  }
}

}  // namespace

void SetCommandLineArguments(int argc, char** argv) {
  Arguments().assign(argv, argv + argc);
  std::string line;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i > 0) line += ' ';
    const bool quote = arg.empty() || arg.find_first_of(" \t\"") != std::string::npos;
    if (quote) line += '"';
    for (char c : arg) {
      if (c == '"') line += '\\';
      line += c;
    }
    if (quote) line += '"';
  }
  CommandLine() = line;
}

std::string ParamStr(int index) {
  const auto& arguments = Arguments();
  return index >= 0 && static_cast<std::size_t>(index) < arguments.size() ? arguments[index] : std::string();
}

int ParamCount() { return Arguments().empty() ? 0 : static_cast<int>(Arguments().size()) - 1; }

const char* GetCommandLineA() { return CommandLine().c_str(); }

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD code) { lastError = code; }

DWORD FormatMessageA(DWORD flags, const void*, DWORD messageId, DWORD, char* buffer, DWORD size, void*) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || buffer == nullptr || size == 0) return 0;
  const char* text = SystemMessage(messageId);
  if (text == nullptr) {
    SetLastError(317);  // the message number has no text
    return 0;
  }
  const std::size_t n = std::strlen(text);
  if (n + 1 > size) return 0;
  std::memcpy(buffer, text, n + 1);
  return static_cast<DWORD>(n);
}

}  // namespace plat
