// The virtual clock, its timers and the message loop of the headless
// platform. Time moves only when the driver (a test or a tool) says so.
#include <algorithm>

#include "platform/forms.h"
#include "platform/headless/state.h"
#include "platform/kernel.h"
#include "platform/native.h"

namespace plat::headless {

void SetTickCount(DWORD tick) {
  // Running timers keep their phase: the clock is set, not advanced, so no
  // tick falls due for the time skipped.
  State& state = TheState();
  for (auto& [id, record] : state.timers) record.due = record.due - state.now + tick;
  state.now = tick;
}
DWORD TickCount() { return static_cast<DWORD>(TheState().now); }
void SetPerformanceCounter(std::int64_t value) { TheState().performanceCounter = value; }
std::size_t RunningTimers() { return TheState().timers.size(); }

void AdvanceTime(DWORD milliseconds) {
  State& state = TheState();
  const std::uint64_t target = state.now + milliseconds;
  while (!state.quit) {
    // The timer due first (the lowest id among equals) fires next.
    auto next = state.timers.end();
    for (auto it = state.timers.begin(); it != state.timers.end(); ++it) {
      if (it->second.due <= target && (next == state.timers.end() || it->second.due < next->second.due)) {
        next = it;
      }
    }
    if (next == state.timers.end()) break;
    TTimer* timer = next->second.timer;
    state.now = std::max(state.now, next->second.due);
    next->second.due += next->second.interval;
    timer->NativeTick();  // may stop this timer or open a nested loop
  }
  if (!state.quit && state.now < target) state.now = target;
}

void SetDriver(std::function<void()> driver) { TheState().driver = std::move(driver); }

}  // namespace plat::headless

namespace plat::native {

using headless::TheState;

std::uintptr_t StartTimer(TTimer& timer, UINT milliseconds) {
  auto& state = TheState();
  const std::uintptr_t id = state.nextTimerId++;
  // The interval is at least 10 ms, as with the system timer.
  const DWORD interval = milliseconds < 10 ? 10 : milliseconds;
  state.timers[id] = headless::TimerRecord{&timer, interval, state.now + interval};
  return id;
}

void StopTimer(std::uintptr_t id) { TheState().timers.erase(id); }

void DeferTimer(std::uintptr_t id, UINT milliseconds) {
  auto& state = TheState();
  auto it = state.timers.find(id);
  if (it != state.timers.end()) it->second.due = state.now + (milliseconds < 10 ? 10 : milliseconds);
}

void RunMessageLoop() {
  auto& state = TheState();
  if (state.driver && !state.quit) {
    // The driver may be replaced while it runs; keep this one alive.
    std::function<void()> driver = state.driver;
    driver();
  }
}

void QuitMessageLoop() { TheState().quit = true; }

}  // namespace plat::native

namespace plat {

DWORD GetTickCount() { return headless::TickCount(); }

BOOL QueryPerformanceCounter(LARGE_INTEGER* counter) {
  if (counter == nullptr) return FALSE;
  counter->QuadPart = headless::TheState().performanceCounter;
  return TRUE;
}

}  // namespace plat
