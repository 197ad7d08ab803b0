// A helper for the Wine integration test: finds top-level windows by
// caption and reports on them or acts on them, polling with a time limit.
//
//   probe window CAPTION MS   "x y width height exstyle" of the visible window
//   probe close CAPTION MS    posts WM_CLOSE to the window
//   probe gone CAPTION MS     waits until no such window exists
//   probe box CAPTION MS      the text of a message box so captioned, then
//                             presses its OK button
//   probe screen              "screen-width screen-height work-width work-height"
//   probe menu - MS           "x y width height" of an open popup menu
//   probe taskbar             1 while the application window (which carries
//                             the taskbar button) is visible, else 0
//   probe endsession CAPTION MS
//                             asks the window whether the session may end
//                             (WM_QUERYENDSESSION, as at log-off): 1 or 0
//   probe lock|unlock CAPTION MS
//                             tells the window that the session was locked or
//                             unlocked (WM_WTSSESSION_CHANGE)
//   probe display-off|display-on CAPTION MS
//                             tells the window that the console display went
//                             off or on (the power-setting notification)
// Exit status 0 on success, 1 on a time-out, 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Polls `found` every 50 ms until it gives a window or `ms` have passed.
template <class Find>
HWND Await(Find found, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = found()) return window;
    if (GetTickCount() - start >= ms) return nullptr;
    Sleep(50);
  }
}

struct BoxSearch {
  const char* caption;
  HWND box;
};

// A message box is a dialog (class #32770) with the caption asked for.
BOOL CALLBACK FindBox(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<BoxSearch*>(context);
  char name[64] = {}, caption[256] = {};
  GetClassNameA(window, name, sizeof name);
  GetWindowTextA(window, caption, sizeof caption);
  if (std::strcmp(name, "#32770") == 0 && std::strcmp(caption, search->caption) == 0 && IsWindowVisible(window)) {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM context) {
  char name[64] = {};
  GetClassNameA(child, name, sizeof name);
  if (_stricmp(name, "Static") == 0) {
    char text[1024] = {};
    GetWindowTextA(child, text, sizeof text);
    if (text[0] != '\0') *reinterpret_cast<std::string*>(context) += text;
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "screen") == 0) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    std::printf("%d %d %ld %ld\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                work.right - work.left, work.bottom - work.top);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "taskbar") == 0) {
    HWND application = FindWindowA("TApplication", nullptr);
    std::printf("%d\n", application != nullptr && IsWindowVisible(application) ? 1 : 0);
    return 0;
  }
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: probe window|close|gone|box|endsession|lock|unlock|display-off|display-on CAPTION MS, "
                 "or probe screen|taskbar\n");
    return 2;
  }
  const std::string command = argv[1];
  const char* caption = argv[2];
  const DWORD ms = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
  auto byCaption = [&] { return FindWindowA(nullptr, caption); };

  if (command == "window") {
    HWND window = Await([&]() -> HWND {
      HWND w = byCaption();
      return w != nullptr && IsWindowVisible(w) ? w : nullptr;
    }, ms);
    if (window == nullptr) return 1;
    RECT r;
    GetWindowRect(window, &r);
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    std::printf("%ld %ld %ld %ld 0x%lx\n", r.left, r.top, r.right - r.left, r.bottom - r.top,
                static_cast<unsigned long>(exStyle));
    return 0;
  }
  if (command == "menu") {
    HWND menu = Await([]() -> HWND {
      HWND w = FindWindowA("#32768", nullptr);
      return w != nullptr && IsWindowVisible(w) ? w : nullptr;
    }, ms);
    if (menu == nullptr) return 1;
    RECT r;
    GetWindowRect(menu, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
  }
  if (command == "close") {
    HWND window = Await(byCaption, ms);
    return window != nullptr && PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (command == "endsession") {
    HWND window = Await(byCaption, ms);
    DWORD_PTR agreed = 0;
    if (window == nullptr ||
        !SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, ms, &agreed)) {
      return 1;
    }
    std::printf("%d\n", agreed ? 1 : 0);
    return 0;
  }
  if (command == "lock" || command == "unlock") {
    HWND window = Await(byCaption, ms);
    const WPARAM change = command == "lock" ? 0x7 /* WTS_SESSION_LOCK */ : 0x8 /* WTS_SESSION_UNLOCK */;
    return window != nullptr && PostMessageA(window, 0x02B1 /* WM_WTSSESSION_CHANGE */, change, 1) ? 0 : 1;
  }
  if (command == "display-off" || command == "display-on") {
    HWND window = Await(byCaption, ms);
    if (window == nullptr) return 1;
    // The notification points at its data, which must lie in the receiver.
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    HANDLE target = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process);
    if (target == nullptr) return 1;
    struct {
      GUID setting;
      DWORD length;
      DWORD state;
    } data{{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}},
           sizeof(DWORD), command == "display-on" ? 1u : 0u};
    void* remote = VirtualAllocEx(target, nullptr, sizeof data, MEM_COMMIT, PAGE_READWRITE);
    DWORD_PTR answer = 0;
    const bool sent = remote != nullptr && WriteProcessMemory(target, remote, &data, sizeof data, nullptr) &&
                      SendMessageTimeoutA(window, WM_POWERBROADCAST, 0x8013 /* PBT_POWERSETTINGCHANGE */,
                                          reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, ms, &answer);
    if (remote != nullptr) VirtualFreeEx(target, remote, 0, MEM_RELEASE);
    CloseHandle(target);
    return sent ? 0 : 1;
  }
  if (command == "gone") {
    return Await([&]() -> HWND { return byCaption() ? nullptr : GetDesktopWindow(); }, ms) ? 0 : 1;
  }
  if (command == "box") {
    BoxSearch search{caption, nullptr};
    HWND box = Await([&]() -> HWND {
      search.box = nullptr;
      EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
      return search.box;
    }, ms);
    if (box == nullptr) return 1;
    std::string text;
    EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
  }
  return 2;
}
