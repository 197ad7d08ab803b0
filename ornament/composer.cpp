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

// The frame is drawn in the same bitmap tick after tick; each frame starts
// as an exact copy of the base layer all the same.
std::unique_ptr<plat::TBitmap> Frame;

// The pictures a frame draws, found in the window's store once per load of
// it rather than by name for every sprite.
struct TFramePictures {
  std::uint64_t storeLoad = 0;  // the load the pointers belong to
  TPNGObject* stars[6] = {};    // stage 1–6
  // Each garland layer's picture, for the name it was found by.
  std::string garlandName[2];
  TPNGObject* garland[2] = {};
};
TFramePictures Pictures;

void FindFramePictures(const TImageStore& store) {
  if (Pictures.storeLoad == store.LoadSerial()) return;
  Pictures = TFramePictures{};
  Pictures.storeLoad = store.LoadSerial();
  for (int stage = 1; stage <= 6; ++stage) Pictures.stars[stage - 1] = store.Find("Star" + std::to_string(stage));
}

TPNGObject* GarlandPicture(const TImageStore& store, int layer, const std::string& name) {
  if (Pictures.garlandName[layer] != name) {
    Pictures.garlandName[layer] = name;
    Pictures.garland[layer] = store.Find(name);
  }
  return Pictures.garland[layer];
}

// What a frame's garland is drawn from: the base layer's build and each
// layer's picture with its content.
struct TGarlandKey {
  std::uint64_t baseBuild = 0;
  const TPNGObject* layer[2] = {};
  std::uint64_t content[2] = {};

  explicit TGarlandKey(TPNGObject* const (&layers)[2]) : baseBuild(BaseLayerBuilds) {
    for (int i = 0; i < 2; ++i) {
      layer[i] = layers[i];
      const TChunkIHDR* header = layers[i] != nullptr ? layers[i]->HeaderOrNull() : nullptr;
      content[i] = header != nullptr ? header->ContentGeneration : 0;
    }
  }
  TGarlandKey() = default;
  bool operator==(const TGarlandKey& other) const {
    return baseBuild == other.baseBuild && layer[0] == other.layer[0] && layer[1] == other.layer[1] &&
           content[0] == other.content[0] && content[1] == other.content[1];
  }
};

// The base layer with the garland drawn over it. The garland changes every
// 640 ms, so from the second tick a garland stands on, frames start from a
// copy of this instead of blending both layers again.
struct TDressedBase {
  std::unique_ptr<plat::TBitmap> bitmap;
  TGarlandKey holds;    // what `bitmap` shows, when valid
  bool valid = false;
  TGarlandKey lastSeen;  // the garland of the tick before
};
TDressedBase Dressed;

// The dressed base for `layers`, or nullptr on the first tick they show.
plat::TBitmap* DressedBase(TPNGObject* const (&layers)[2]) {
  const TGarlandKey key(layers);
  if (Dressed.valid && Dressed.holds == key) return Dressed.bitmap.get();
  const bool standing = Dressed.lastSeen == key;
  Dressed.lastSeen = key;
  if (!standing || !BaseBitmap) return nullptr;
  Dressed.valid = false;
  if (!Dressed.bitmap) Dressed.bitmap = std::make_unique<plat::TBitmap>();
  Dressed.bitmap->CopyFrom(BaseBitmap.get());
  for (TPNGObject* picture : layers) Dressed.bitmap->Canvas()->Draw(0, 0, picture);
  Dressed.holds = key;
  Dressed.valid = true;
  return Dressed.bitmap.get();
}

void ChooseGarlandFrames() {
  if (static_cast<std::uint32_t>(plat::GetTickCount() - LastGarlandTick) > kGarlandPeriodMs) {
    GarlandName0 = "img_0_" + std::to_string(RandomInt(5) + 1);
    GarlandName1 = "img_1_" + std::to_string(RandomInt(5) + 1);
    LastGarlandTick = plat::GetTickCount();
  }
}

// With the garland alone, a frame changes only when the garland's frames
// are chosen: until the first tick more than 640 ms after the last choice,
// every tick would present the frame the window shows. Those ticks are
// skipped; the rest of the program brings the next tick back whenever
// something else changes what a frame shows.
void SkipStillTicks() {
  if (!GarlandOn || StarsOn) return;
  plat::TTimer& timer = frmMain->TimerGarland;
  const std::uint32_t elapsed = plat::GetTickCount() - LastGarlandTick;
  if (elapsed >= kGarlandPeriodMs || timer.Interval == 0) return;
  const std::uint32_t ticks = (kGarlandPeriodMs - elapsed) / timer.Interval + 1;
  if (ticks > 1) timer.Defer(ticks * timer.Interval);
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
  if (!Frame) Frame = std::make_unique<plat::TBitmap>();
  plat::TBitmap& frame = *Frame;
  const TImageStore& store = frmMain->Images;
  FindFramePictures(store);

  TPNGObject* layers[2] = {};
  if (GarlandOn) {
    ChooseGarlandFrames();
    if (GarlandName0 != "img_0_5") layers[0] = GarlandPicture(store, 0, GarlandName0);
    if (GarlandName1 != "img_1_5") layers[1] = GarlandPicture(store, 1, GarlandName1);
  }
  plat::TBitmap* dressed = layers[0] != nullptr || layers[1] != nullptr ? DressedBase(layers) : nullptr;
  if (dressed != nullptr) {
    frame.CopyFrom(dressed);
  } else {
    frame.CopyFrom(BaseBitmap.get());
    for (TPNGObject* picture : layers) frame.Canvas()->Draw(0, 0, picture);
  }

  if (StarsOn) {
    plat::TCanvas& canvas = *frame.Canvas();
    for (TStar& star : StarField) {
      const int stage = PrepareStar(star);
      canvas.Draw(RoundHalfEven(star.X), RoundHalfEven(star.Y), Pictures.stars[stage - 1]);
      AdvanceStar(star);
    }
  }

  if (frame.PixelFormat() != plat::TPixelFormat::pf32bit) frame.SetPixelFormat(plat::TPixelFormat::pf32bit);
  if (frame.HandleType() == plat::TBitmapHandleType::bmDDB) frame.SetHandleType(plat::TBitmapHandleType::bmDIB);
  // The stars move at every tick: a frame with them differs all over from
  // the one before, so only a frame without them is compared with it.
  const bool presented = PresentLayer(frame, "UpdateLayeredWindow error", !StarsOn);

  if (!StarsOn && !GarlandOn) frmMain->TimerGarland.SetEnabled(false);
  // A frame that did not reach the screen is tried again at the next tick.
  if (presented) SkipStillTicks();
}

void ReleaseFrame() {
  Frame.reset();
  Dressed = TDressedBase{};
}
