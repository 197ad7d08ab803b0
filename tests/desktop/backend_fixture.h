// The GTK backend driven in-process on the private X server: a small form
// that records what reaches it, frames made from known pixels, and a pump
// for GTK's events while waiting.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

#include "platform/forms.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "tests/desktop/test_display.h"

namespace fwdesktop {

class ProbeForm : public plat::TForm {
 public:
  ProbeForm(int left = 100, int top = 100) : plat::TForm("probe", left, top, kWidth, kHeight) {}
  static constexpr int kWidth = 64, kHeight = 48;

  void FormMouseDown(plat::TMouseButton button, plat::TShiftState, int, int) override;
  void FormCloseQuery(bool& canClose) override;

  bool moveOnPress = false;
  bool allowClose = true;
  int mouseDowns = 0;
  plat::TMouseButton lastButton = plat::TMouseButton::mbLeft;
  int closeQueries = 0;
};

class BackendTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A layered form, shown at its place with a first frame presented.
  void ShowLayered(ProbeForm& form, plat::BYTE opacity = 255);
  // How the frame's pixels are held.
  enum class Source { TopDownSection, BottomUpSection, DeviceBitmap };
  // Presents the probe frame: the top 8 rows fully transparent; below them
  // columns 0–23 opaque red, 24–39 green at alpha 128 (premultiplied), the
  // rest fully transparent.
  plat::BOOL Present(ProbeForm& form, plat::BYTE opacity, plat::DWORD flags = plat::ULW_ALPHA,
                     plat::POINT source = {0, 0}, Source kind = Source::TopDownSection);

  // Handles GTK's events until `condition` holds or `timeout` passes.
  static bool PumpUntil(const std::function<bool()>& condition,
                        std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Runs xdotool while GTK's events are handled, as a user's input would be.
  static int XdotoolPumping(const std::vector<std::string>& arguments);

  Rgb Screen(int x, int y) { return screen_->ScreenAt(x, y); }

  TestDisplay* screen_ = nullptr;
};

}  // namespace fwdesktop
