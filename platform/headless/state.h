// Shared state of the headless platform (one virtual machine per process).
#pragma once

#include <deque>
#include <map>
#include <memory>

#include "platform/headless/headless.h"

namespace plat::headless {

struct WindowRecord {
  WindowState state;
  TForm* form = nullptr;  // null for the application window
};

struct TimerRecord {
  TTimer* timer = nullptr;
  DWORD interval = 0;
  std::uint64_t due = 0;
};

struct Drag {
  int dx = 0;
  int dy = 0;
  DWORD duration = 0;
};

struct State {
  // screen
  int screenWidth = 1920;
  int screenHeight = 1080;
  RECT workArea{0, 0, 1920, 1040};
  std::vector<RECT> otherMonitors;
  std::vector<Presentation> last;  // last presentation per window
  std::vector<std::uint8_t> spare;  // pixel memory of a replaced presentation
  std::size_t presentations = 0;
  std::function<void(const Presentation&)> presentListener;
  bool failPresentations = false;
  DWORD failSetWindowLong = 0;
  // windows
  std::map<HWND, std::unique_ptr<WindowRecord>> windows;
  HWND application = nullptr;
  // clock
  std::uint64_t now = 3600000;  // an hour after boot, as a real desktop would be
  std::int64_t performanceCounter = 0;
  std::map<std::uintptr_t, TimerRecord> timers;
  std::uintptr_t nextTimerId = 1;
  // loop
  std::function<void()> driver;
  bool quit = false;
  // input and dialogs
  std::deque<Drag> drags;
  std::deque<std::string> menuChoices;
  std::vector<MenuItemSnapshot> lastMenu;
  std::size_t menusOpened = 0;
  std::vector<MessageBoxRecord> boxes;
  std::function<void(const MessageBoxRecord&)> boxResponder;
  int boxNesting = 0;
  int deepestNesting = 0;
  // what keeps the window from being seen
  bool fullScreen = false;
  RECT fullScreenBounds{0, 0, 0, 0};
  // process
  std::string modulePath;
  std::vector<std::string> shellCalls;
};

State& TheState();
WindowRecord* FindWindow(HWND window);
TForm* MainFormOnScreen();
// Tells the main form whether the full-screen window covers it, after
// either of them moved.
void CheckFullScreenCover();

}  // namespace plat::headless
