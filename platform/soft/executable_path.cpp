#include "platform/soft/executable_path.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace plat::soft {

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

DWORD CopyModulePath(const std::string& path, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  const DWORD n = static_cast<DWORD>(std::min<std::size_t>(path.size(), size - 1));
  std::memcpy(buffer, path.data(), n);
  buffer[n] = '\0';
  return n;
}

}  // namespace plat::soft
