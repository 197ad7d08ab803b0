#include "ornament/composer.h"

#include <cmath>
#include <limits>

#include "ornament/Unit1.h"
#include "ornament/base_layer.h"
#include "ornament/random.h"
#include "platform/kernel.h"
#include "png/pngimage.h"

bool StarsOn = false;
bool GarlandOn = false;
std::uint32_t LastGarlandTick = 0;
std::string GarlandName0;
std::string GarlandName1;
TStar StarField[kStarCount] = {};

namespace {

// The stars' paths are those of the x87 80-bit long double: with any other
// (a plain double, or a 128-bit one) the sums round otherwise and the stars
// drift from the paths the Windows program draws.
static_assert(std::numeric_limits<long double>::digits == 64 && std::numeric_limits<long double>::radix == 2,
              "star arithmetic needs long double to be the x87 80-bit extended type (64-bit mantissa)");

// Star arithmetic runs in extended precision; the fields keep 64-bit floats.
double RandomSpeed() { return static_cast<double>(static_cast<long double>(RandomInt(50)) / 10.0L - 2.0L); }

void ChooseGarlandFrames() {
  if (static_cast<std::uint32_t>(plat::GetTickCount() - LastGarlandTick) > kGarlandPeriodMs) {
    GarlandName0 = "img_0_" + std::to_string(RandomInt(5) + 1);
    GarlandName1 = "img_1_" + std::to_string(RandomInt(5) + 1);
    LastGarlandTick = plat::GetTickCount();
  }
}

void DrawPicture(plat::TBitmap& frame, const std::string& name, int x, int y) {
  frame.Canvas()->Draw(x, y, frmMain->Images.Find(name));
}

}  // namespace

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

int PrepareStar(TStar& s) {
  if (s.X == 0.0) {
    s.X = RandomInt(180);
    s.Y = RandomInt(280);
    s.Phase = RandomInt(12);
    s.DX = RandomSpeed();
  }
  if (s.Phase >= 11) s.Phase = 0;
  if (s.Y >= 280.0) {
    s.X = RandomInt(180);
    s.Y = RandomInt(20);
    s.Phase = 0;
    s.DX = RandomSpeed();
  }
  if (s.Phase == 0 && s.X < 10.0) s.Y = 350.0;
  if (s.Phase == 0 && s.X > 170.0) s.Y = 350.0;
  if (s.Phase == 0 && s.Y > 270.0) s.Y = 350.0;
  return s.Phase + 1 <= 6 ? s.Phase + 1 : 12 - s.Phase;
}

void AdvanceStar(TStar& s) {
  s.Phase += 1;
  s.Y = static_cast<double>(static_cast<long double>(s.Y) + 1.0L);
  s.X = static_cast<double>(static_cast<long double>(s.X) + static_cast<long double>(s.DX));
}

void RenderFrame() {
  plat::TBitmap frame;
  frame.CopyFrom(BaseBitmap.get());

  if (GarlandOn) {
    ChooseGarlandFrames();
    if (GarlandName0 != "img_0_5") DrawPicture(frame, GarlandName0, 0, 0);
    if (GarlandName1 != "img_1_5") DrawPicture(frame, GarlandName1, 0, 0);
  }

  if (StarsOn) {
    for (TStar& star : StarField) {
      const int stage = PrepareStar(star);
      DrawPicture(frame, "Star" + std::to_string(stage), RoundHalfEven(star.X), RoundHalfEven(star.Y));
      AdvanceStar(star);
    }
  }

  if (frame.PixelFormat() != plat::TPixelFormat::pf32bit) frame.SetPixelFormat(plat::TPixelFormat::pf32bit);
  if (frame.HandleType() == plat::TBitmapHandleType::bmDDB) frame.SetHandleType(plat::TBitmapHandleType::bmDIB);
  PresentLayer(frame, "UpdateLayeredWindow error");

  if (!StarsOn && !GarlandOn) frmMain->TimerGarland.SetEnabled(false);
}
