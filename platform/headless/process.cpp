// Process facts of the headless platform: module path, shell calls, reset.
#include <cstring>

#include "platform/headless/state.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "platform/soft/executable_path.h"

namespace plat::headless {

void Reset() {
  State& state = TheState();
  state = State{};
}

}  // namespace plat::headless

namespace plat {

DWORD GetModuleFileNameA(HANDLE, char* buffer, DWORD size) {
  const std::string& chosen = headless::TheState().modulePath;
  return soft::CopyModulePath(chosen.empty() ? soft::ExecutablePath() : chosen, buffer, size);
}

HANDLE ShellExecuteA(HWND, const char* verb, const char* file, const char*, const char*, int) {
  headless::TheState().shellCalls.push_back(std::string(verb ? verb : "") + " " + (file ? file : ""));
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(42));  // above 32: success
}

// Like Windows, the virtual desktop has no About box: the program opens its page.
BOOL ShowAboutBox(HWND, const TAboutBox&) { return FALSE; }

}  // namespace plat
