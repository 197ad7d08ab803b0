// A pointer for the desktop tests on Wayland compositors, where X's input
// tools reach only X clients: a wlroots virtual pointer (sway) or KWin's
// fake input. `wayland-pointer WIDTH HEIGHT` (the size of the outputs'
// layout) reads commands from standard input, one a line, and keeps its
// device until the input ends:
//   move X Y      the pointer to screen point (X, Y)
//   down B, up B  press or release button B (1 left, 2 middle, 3 right)
//   echo TEXT     print TEXT once everything before it reached the compositor
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "fake-input-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

struct Globals {
  wl_seat* seat = nullptr;
  zwlr_virtual_pointer_manager_v1* virtualPointers = nullptr;
  org_kde_kwin_fake_input* fakeInput = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  auto& g = *static_cast<Globals*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && g.seat == nullptr) {
    g.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
    g.virtualPointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
  } else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 3) {
    g.fakeInput = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 3));
  }
}
void OnGlobalRemoved(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry{OnGlobal, OnGlobalRemoved};

uint32_t Now() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

int main(int argc, char** argv) {
  wl_display* display = argc == 3 ? wl_display_connect(nullptr) : nullptr;
  if (display == nullptr) {
    std::fprintf(stderr, "usage: wayland-pointer WIDTH HEIGHT, with WAYLAND_DISPLAY naming a compositor\n");
    return 1;
  }
  const auto width = static_cast<uint32_t>(std::atoi(argv[1])), height = static_cast<uint32_t>(std::atoi(argv[2]));
  Globals g;
  wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, &g);
  wl_display_roundtrip(display);
  zwlr_virtual_pointer_v1* pointer = nullptr;
  if (g.virtualPointers != nullptr) {
    pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g.virtualPointers, g.seat);
  } else if (g.fakeInput != nullptr) {
    org_kde_kwin_fake_input_authenticate(g.fakeInput, "fenwillow tests", "desktop tests");
  } else {
    std::fprintf(stderr, "wayland-pointer: the compositor has neither a virtual pointer nor fake input\n");
    return 1;
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    std::string command, rest;
    int a = 0, b = 0;
    words >> command;
    if (command == "move" && words >> a >> b) {
      if (pointer != nullptr) {
        zwlr_virtual_pointer_v1_motion_absolute(pointer, Now(), a, b, width, height);
        zwlr_virtual_pointer_v1_frame(pointer);
      } else {
        org_kde_kwin_fake_input_pointer_motion_absolute(g.fakeInput, wl_fixed_from_int(a), wl_fixed_from_int(b));
      }
    } else if ((command == "down" || command == "up") && words >> a) {
      const uint32_t button = a == 1 ? BTN_LEFT : a == 2 ? BTN_MIDDLE : BTN_RIGHT;
      const uint32_t state = command == "down" ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED;
      if (pointer != nullptr) {
        zwlr_virtual_pointer_v1_button(pointer, Now(), button, state);
        zwlr_virtual_pointer_v1_frame(pointer);
      } else {
        org_kde_kwin_fake_input_button(g.fakeInput, button, state);
      }
    } else if (command == "echo") {
      wl_display_roundtrip(display);
      std::getline(words, rest);
      std::printf("%s\n", rest.c_str());
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "wayland-pointer: cannot read \"%s\"\n", line.c_str());
      return 2;
    }
    wl_display_flush(display);
  }
  if (pointer != nullptr) zwlr_virtual_pointer_v1_destroy(pointer);
  wl_display_roundtrip(display);
  return 0;
}
