// What keeps the program's window from being seen on the virtual desktop.
#include <vector>

#include "platform/forms.h"
#include "platform/headless/state.h"
#include "platform/monitor_cover.h"

namespace plat::headless {

namespace {

enum THiddenBy : unsigned { kScreenSaver = 1, kLocked = 2, kIconified = 4, kFullScreen = 8 };

void HiddenBy(unsigned reason, bool hidden) {
  if (TForm* form = MainFormOnScreen()) form->NativeHiddenBy(reason, hidden);
}

}  // namespace

void SetScreenSaverActive(bool active) { HiddenBy(kScreenSaver, active); }
void SetSessionLocked(bool locked) { HiddenBy(kLocked, locked); }
void SetIconified(bool iconified) { HiddenBy(kIconified, iconified); }

void SetFullScreenWindow(const RECT* bounds) {
  State& state = TheState();
  state.fullScreen = bounds != nullptr;
  if (bounds != nullptr) state.fullScreenBounds = *bounds;
  CheckFullScreenCover();
}

void CheckFullScreenCover() {
  State& state = TheState();
  TForm* form = MainFormOnScreen();
  if (form == nullptr) return;
  const WindowRecord* record = FindWindow(form->Handle());
  std::vector<RECT> monitors{RECT{0, 0, state.screenWidth, state.screenHeight}};
  monitors.insert(monitors.end(), state.otherMonitors.begin(), state.otherMonitors.end());
  form->NativeHiddenBy(kFullScreen, state.fullScreen && record != nullptr &&
                                        CoversMonitorOf(state.fullScreenBounds, record->state.bounds, monitors));
}

}  // namespace plat::headless
