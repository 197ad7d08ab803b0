// A pointer for the desktop tests on Wayland compositors, where X's input
// tools reach only X clients: a wlroots virtual pointer (sway) or KWin's
// fake input. Reads commands from standard input, one a line, and keeps
// its device until the input ends:
//   move X Y      the pointer to screen point (X, Y)
//   down B, up B  press or release button B (1 left, 2 middle, 3 right)
//   sleep S       wait S seconds
//   echo TEXT     print TEXT once everything before it reached the compositor
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fake-input-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace {

struct Globals {
  wl_seat* seat = nullptr;
  zwlr_virtual_pointer_manager_v1* virtualPointers = nullptr;
  org_kde_kwin_fake_input* fakeInput = nullptr;
  zxdg_output_manager_v1* outputManager = nullptr;
  std::vector<wl_output*> outputs;
  // The bounds of the outputs together (the layout), for absolute motion.
  int left = 0, top = 0, right = 0, bottom = 0;
};

// An output's place in the layout, which only xdg-output tells.
struct Output {
  Globals* globals;
  int x = 0, y = 0;
};

void OnPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
  static_cast<Output*>(data)->x = x;
  static_cast<Output*>(data)->y = y;
}
void OnSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
  const auto* output = static_cast<Output*>(data);
  Globals& g = *output->globals;
  if (g.right == g.left) {
    g.left = output->x, g.top = output->y, g.right = output->x + width, g.bottom = output->y + height;
  } else {
    g.left = std::min(g.left, output->x), g.top = std::min(g.top, output->y);
    g.right = std::max(g.right, output->x + width), g.bottom = std::max(g.bottom, output->y + height);
  }
}
void OnDone(void*, zxdg_output_v1*) {}
void OnName(void*, zxdg_output_v1*, const char*) {}
void OnDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kOutput{OnPosition, OnSize, OnDone, OnName, OnDescription};

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
  } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
    g.outputManager =
        static_cast<zxdg_output_manager_v1*>(wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, 2));
  } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
    g.outputs.push_back(static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1)));
  }
}
void OnGlobalRemoved(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry{OnGlobal, OnGlobalRemoved};

uint32_t Now() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t ButtonCode(int button) { return button == 1 ? BTN_LEFT : button == 2 ? BTN_MIDDLE : BTN_RIGHT; }

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "wayland-pointer: cannot connect to the compositor\n");
    return 1;
  }
  Globals g;
  wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, &g);
  wl_display_roundtrip(display);
  zwlr_virtual_pointer_v1* pointer = nullptr;
  if (g.virtualPointers != nullptr) {
    if (g.outputManager == nullptr) {
      std::fprintf(stderr, "wayland-pointer: the compositor does not tell where its outputs are (xdg-output)\n");
      return 1;
    }
    for (wl_output* output : g.outputs) {
      zxdg_output_v1_add_listener(zxdg_output_manager_v1_get_xdg_output(g.outputManager, output), &kOutput,
                                  new Output{&g});
    }
    wl_display_roundtrip(display);
    pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g.virtualPointers, g.seat);
  } else if (g.fakeInput != nullptr) {
    org_kde_kwin_fake_input_authenticate(g.fakeInput, "fenwillow tests", "desktop tests");
  } else {
    std::fprintf(stderr, "wayland-pointer: the compositor has neither a virtual pointer nor fake input\n");
    return 1;
  }
  wl_display_roundtrip(display);
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "move") {
      int x = 0, y = 0;
      words >> x >> y;
      if (pointer != nullptr) {
        zwlr_virtual_pointer_v1_motion_absolute(pointer, Now(), static_cast<uint32_t>(x - g.left),
                                                static_cast<uint32_t>(y - g.top), static_cast<uint32_t>(g.right - g.left),
                                                static_cast<uint32_t>(g.bottom - g.top));
        zwlr_virtual_pointer_v1_frame(pointer);
      } else {
        org_kde_kwin_fake_input_pointer_motion_absolute(g.fakeInput, wl_fixed_from_int(x), wl_fixed_from_int(y));
      }
    } else if (command == "down" || command == "up") {
      int button = 1;
      words >> button;
      const uint32_t state = command == "down" ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED;
      if (pointer != nullptr) {
        zwlr_virtual_pointer_v1_button(pointer, Now(), ButtonCode(button), state);
        zwlr_virtual_pointer_v1_frame(pointer);
      } else {
        org_kde_kwin_fake_input_button(g.fakeInput, ButtonCode(button), state);
      }
    } else if (command == "sleep") {
      double seconds = 0;
      words >> seconds;
      std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    } else if (command == "echo") {
      wl_display_roundtrip(display);
      std::string rest;
      std::getline(words, rest);
      std::printf("%s\n", rest.empty() ? "" : rest.c_str() + 1);
      std::fflush(stdout);
    } else if (!command.empty()) {
      std::fprintf(stderr, "wayland-pointer: unknown command %s\n", command.c_str());
      return 2;
    }
    wl_display_flush(display);
  }
  if (pointer != nullptr) zwlr_virtual_pointer_v1_destroy(pointer);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return 0;
}
