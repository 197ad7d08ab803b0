#include "platform/win32/command_line.h"

namespace plat::win32 {

namespace {
bool IsSeparator(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }
}  // namespace

std::vector<std::string> SplitCommandLine(const char* line) {
  std::vector<std::string> arguments;
  if (line == nullptr) return arguments;
  const char* p = line;
  for (;;) {
    while (IsSeparator(*p)) ++p;
    if (*p == '\0') break;
    std::string argument;
    while (*p != '\0' && !IsSeparator(*p)) {
      if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') argument += *p++;
        if (*p == '"') ++p;
      } else {
        argument += *p++;
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace plat::win32
