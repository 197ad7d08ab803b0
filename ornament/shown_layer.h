// What the window shows: the pixels, place and opacity of the last layer
// presented. A frame that changes nothing on screen is then not presented
// again, and one that changes a part of the picture is presented in parts,
// so that the window system and the compositor redraw only those.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/dib_rows32.h"
#include "platform/wintypes.h"

class TShownLayer {
 public:
  // How a layer differs from what is shown.
  struct TChange {
    bool any = false;    // false: the same pixels at the same place and opacity
    bool whole = false;  // the whole layer must be presented
    std::vector<plat::RECT> parts;  // otherwise: where it differs
  };

  // Compares `rows` presented at `place` with `opacity` with what is shown,
  // and takes it as shown from now on.
  TChange Take(const plat::TDibRows32& rows, plat::POINT place, std::uint8_t opacity);
  // The layer last taken did not reach the screen: the next one is
  // presented whole.
  void Forget();

 private:
  bool known_ = false;
  int width_ = 0, height_ = 0;
  plat::POINT place_{0, 0};
  std::uint8_t opacity_ = 0;
  std::vector<std::uint8_t> pixels_;  // top-down rows, width × 4 bytes each
};
