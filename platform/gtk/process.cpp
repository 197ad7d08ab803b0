// Process facts of the desktop build: clocks, the module path and opening
// addresses with the desktop's default application.
#include <time.h>

#include <algorithm>
#include <cstring>

#include "platform/gtk/gtk_state.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/soft/executable_path.h"

namespace plat {

namespace {

std::uint64_t Nanoseconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}

HANDLE ShellResult(std::intptr_t code) { return reinterpret_cast<HANDLE>(code); }

}  // namespace

// Milliseconds since boot, time asleep included.
DWORD GetTickCount() { return static_cast<DWORD>(Nanoseconds(CLOCK_BOOTTIME) / 1000000u); }

BOOL QueryPerformanceCounter(LARGE_INTEGER* counter) {
  if (counter == nullptr) return FALSE;
  counter->QuadPart = static_cast<std::int64_t>(Nanoseconds(CLOCK_MONOTONIC));
  return TRUE;
}

DWORD GetModuleFileNameA(HANDLE, char* buffer, DWORD size) {
  return soft::CopyModulePath(soft::ExecutablePath(), buffer, size);
}

HANDLE ShellExecuteA(HWND, const char* verb, const char* file, const char*, const char*, int) {
  constexpr std::intptr_t kFileNotFound = 2, kNoAssociation = 31, kDone = 42;  // above 32: success
  if (file == nullptr || *file == '\0') return ShellResult(kFileNotFound);
  if (verb != nullptr && std::strcmp(verb, "open") != 0) return ShellResult(kNoAssociation);
  if (!gtk::EnsureGtk()) return ShellResult(kNoAssociation);
  char* uri = g_path_is_absolute(file) ? g_filename_to_uri(file, nullptr, nullptr) : g_strdup(file);
  if (uri == nullptr) return ShellResult(kFileNotFound);
  GError* error = nullptr;
  const gboolean shown = gtk_show_uri_on_window(nullptr, uri, GDK_CURRENT_TIME, &error);
  g_free(uri);
  if (error != nullptr) g_error_free(error);
  return ShellResult(shown ? kDone : kNoAssociation);
}

}  // namespace plat
