// The frame composer on the headless platform: determinism, the generator
// sequence, the garland rule, the star field and the timer.
#include <cstring>
#include <functional>

#include "ornament/Unit1.h"
#include "ornament/base_layer.h"
#include "ornament/composer.h"
#include "ornament/random.h"
#include "png/pngimage.h"
#include "tests/ornament_harness.h"

namespace {

using harness::Choose;
using harness::ConfigHome;
using harness::RunProgram;
namespace headless = plat::headless;

// An independent copy of the generator, to predict the program's draws.
struct Generator {
  std::uint32_t seed = 0;
  int Next(int n) {
    seed = seed * 134775813u + 1u;
    return static_cast<int>((static_cast<std::uint64_t>(seed) * static_cast<std::uint32_t>(n)) >> 32);
  }
};

// What the window shows after each tick; `whole` has every frame presented
// whole instead of in the parts that changed.
std::vector<std::uint64_t> FrameFingerprints(int frames, bool stars = true, bool whole = false,
                                             int* inParts = nullptr) {
  std::vector<std::uint64_t> prints;
  RunProgram([&] {
    if (!stars) Choose("Stars");
    for (int i = 0; i < frames; ++i) {
      if (whole) Shown.Forget();
      headless::AdvanceTime(40);
      prints.push_back(harness::Fingerprint(*headless::LastPresentation()));
      if (inParts != nullptr && !headless::LastPresentation()->parts.empty()) ++*inParts;
    }
    Choose("Exit");
  });
  std::filesystem::remove_all(std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "fenwillow");
  return prints;
}

TEST(Composer, SameFramesOnEveryRun) {
  ConfigHome home;
  const auto first = FrameFingerprints(60);
  EXPECT_EQ(FrameFingerprints(60), first);
  // And the picture does change from frame to frame.
  EXPECT_NE(first[0], first[1]);
}

// The garland's changes come in parts; the window shows what it would show
// had each come whole.
TEST(Composer, FramesInPartsShowWhatWholeFramesShow) {
  ConfigHome home;
  int inParts = 0;
  const auto parts = FrameFingerprints(400, false, false, &inParts);
  EXPECT_EQ(FrameFingerprints(400, false, true), parts);
  EXPECT_GT(inParts, 10);
}

TEST(Composer, FirstFrameFollowsTheGeneratorSequence) {
  ConfigHome home;
  Generator g;
  const std::string garland0 = "img_0_" + std::to_string(g.Next(5) + 1);
  const std::string garland1 = "img_1_" + std::to_string(g.Next(5) + 1);
  const double x = g.Next(180), y = g.Next(280);
  int phase = g.Next(12);
  const double dx = static_cast<double>(g.Next(50) / 10.0L - 2.0L);
  RunProgram([&] {
    EXPECT_EQ(GarlandName0, garland0);
    EXPECT_EQ(GarlandName1, garland1);
    if (phase >= 11) phase = 0;
    const bool parked = phase == 0 && (x < 10 || x > 170 || y > 270);
    EXPECT_EQ(StarField[0].Phase, phase + 1);
    EXPECT_EQ(StarField[0].X, x + dx);
    EXPECT_EQ(StarField[0].Y, (parked ? 350.0 : y) + 1.0);
    EXPECT_EQ(StarField[0].DX, dx);
    Choose("Exit");
  });
}

// With the stars on, and with the garland alone, whose frames in between
// are not drawn at all.
TEST(Composer, GarlandChangesOnlyAfterMoreThan640Ms) {
  for (const bool stars : {true, false}) {
    SCOPED_TRACE(stars ? "stars on" : "garland alone");
    ConfigHome home;
    RunProgram([&] {
      if (!stars) Choose("Stars");
      const std::uint32_t chosenAt = LastGarlandTick;
      const std::uint32_t seedAfterFirst = RandSeed;
      // 16 ticks are 640 ms: not more than the period, so no new choice.
      for (int i = 0; i < 16; ++i) headless::AdvanceTime(40);
      EXPECT_EQ(LastGarlandTick, chosenAt);
      const std::size_t shown = headless::PresentationCount();
      headless::AdvanceTime(40);
      EXPECT_EQ(LastGarlandTick, chosenAt + 17 * 40);
      EXPECT_NE(RandSeed, seedAfterFirst);
      if (!stars) {
        EXPECT_LE(shown, 5u);  // the start, the frame without stars and no tick since
      }
      Choose("Exit");
    });
  }
}

// Nothing is drawn while nobody can see the tree; the animation goes on
// from where it stood once somebody can.
TEST(Sight, NothingRunsWhileNobodyCanSeeTheTree) {
  const plat::RECT primary{0, 0, 1920, 1080}, second{1920, 0, 3200, 1024};
  const std::pair<const char*, std::function<void(bool)>> reasons[] = {
      {"screen saver", [](bool on) { headless::SetScreenSaverActive(on); }},
      {"locked session", [](bool on) { headless::SetSessionLocked(on); }},
      {"iconified", [](bool on) { headless::SetIconified(on); }},
      {"full-screen window", [&](bool on) { headless::SetFullScreenWindow(on ? &primary : nullptr); }},
  };
  for (const auto& reason : reasons) {
    SCOPED_TRACE(reason.first);
    const auto& hide = reason.second;
    ConfigHome home;
    RunProgram([&] {
      headless::AdvanceTime(400);
      hide(true);
      EXPECT_EQ(headless::RunningTimers(), 0u);
      TStar stood[kStarCount];
      std::memcpy(stood, StarField, sizeof stood);
      const std::size_t shown = headless::PresentationCount();
      headless::AdvanceTime(5000);
      EXPECT_EQ(headless::PresentationCount(), shown);
      hide(false);
      EXPECT_EQ(std::memcmp(stood, StarField, sizeof stood), 0);
      headless::AdvanceTime(40);
      EXPECT_EQ(headless::PresentationCount(), shown + 1);
      Choose("Exit");
    });
  }
  // A full-screen window on the other monitor hides nothing, until the tree
  // is dragged onto that monitor.
  ConfigHome home;
  RunProgram([&] {
    headless::SetOtherMonitors({second});
    headless::SetFullScreenWindow(&second);
    EXPECT_EQ(headless::RunningTimers(), 1u);
    headless::QueueDrag(500, 0, 100);
    ASSERT_TRUE(headless::Click(plat::TMouseButton::mbLeft, frmMain->Left() + 100, frmMain->Top() + 150));
    EXPECT_EQ(headless::RunningTimers(), 0u);
    Choose("Exit");
  });
}

TEST(Composer, GarlandKeepsChangingAcrossTheTickWrap) {
  ConfigHome home;
  headless::Reset();
  RunProgram([&] {
    headless::SetTickCount(0xFFFFFFFFu - 300);
    headless::AdvanceTime(40);
    const std::uint32_t before = LastGarlandTick;
    for (int i = 0; i < 40; ++i) headless::AdvanceTime(40);
    EXPECT_LT(LastGarlandTick, before);  // chosen again after the counter wrapped
    EXPECT_LT(LastGarlandTick, 2000u);
    Choose("Exit");
  });
}

TEST(Composer, BothAnimationsOffShowOnePlainFrameAndStopTheTimer) {
  ConfigHome home;
  RunProgram([&] {
    Choose("Stars");
    Choose("Garland");
    headless::AdvanceTime(40);
    EXPECT_EQ(headless::RunningTimers(), 0u);
    const std::size_t shown = headless::PresentationCount();
    const auto& frame = headless::LastPresentation()->pixels;
    // The plain frame is the base layer itself.
    for (int y = 0; y < BaseBitmap->Height(); ++y) {
      ASSERT_EQ(std::memcmp(frame.data() + static_cast<std::size_t>(y) * 200 * 4, BaseBitmap->ScanLine(y), 200 * 4), 0);
    }
    headless::AdvanceTime(2000);
    EXPECT_EQ(headless::PresentationCount(), shown);
    Choose("Stars");
    headless::AdvanceTime(40);
    EXPECT_EQ(headless::RunningTimers(), 1u);
    EXPECT_EQ(headless::PresentationCount(), shown + 1);
    Choose("Exit");
  });
}

// The garland is drawn once per change of its frames and copied in between;
// a change of a garland picture or of the base layer still shows at the
// next tick.
TEST(Composer, PictureChangesShowAtTheNextTickWhileTheGarlandStands) {
  ConfigHome home;
  RunProgram([&] {
    Choose("Stars");
    headless::AdvanceTime(40);
    const std::uint64_t before = harness::Fingerprint(*headless::LastPresentation());
    headless::AdvanceTime(40);
    ASSERT_EQ(harness::Fingerprint(*headless::LastPresentation()), before);
    for (const std::string& name : {GarlandName0, GarlandName1}) {
      TPNGObject* layer = frmMain->Images.Find(name);
      if (layer == nullptr) continue;  // the empty frame of a layer
      layer->AlphaRow(150)[100] = 255;
      layer->SetPixelColor(100, 150, plat::RGB(255, 0, 0));
      layer->AlphaRow(200)[100] = 0;  // leaves the tree's pixel below in sight
    }
    // Pictures never change behind the program's back, so it skips the
    // ticks until the garland's next choice; draw at the next one here.
    frmMain->TimerGarland.CancelDefer();
    headless::AdvanceTime(40);
    const std::uint64_t changedLayer = harness::Fingerprint(*headless::LastPresentation());
    EXPECT_NE(changedLayer, before);
    // A new base layer from a changed tree, at the same opacity as before.
    TPNGObject* tree = frmMain->Images.Find("imgTree");
    tree->AlphaRow(200)[100] = 255;
    tree->SetPixelColor(100, 200, plat::RGB(0, 0, 255));
    Choose("10%");
    Choose("0%");
    headless::AdvanceTime(40);
    EXPECT_NE(harness::Fingerprint(*headless::LastPresentation()), changedLayer);
    Choose("Exit");
  });
}

TEST(Composer, StarsFreezeAndResumeWhereTheyWere) {
  ConfigHome home;
  RunProgram([&] {
    headless::AdvanceTime(400);
    Choose("Stars");
    headless::AdvanceTime(40);  // this frame already omits the stars
    TStar frozen[kStarCount];
    std::memcpy(frozen, StarField, sizeof frozen);
    headless::AdvanceTime(4000);
    EXPECT_EQ(std::memcmp(frozen, StarField, sizeof frozen), 0);
    Choose("Stars");
    headless::AdvanceTime(40);
    EXPECT_EQ(StarField[5].Phase % 11, (frozen[5].Phase + 1) % 11);
    Choose("Exit");
  });
}

TEST(Composer, SwitchingAnAnimationOnDoesNotRestartARunningTimer) {
  ConfigHome home;
  RunProgram([&] {
    headless::AdvanceTime(20);
    Choose("Stars");  // off: the timer is running and stays so
    Choose("Stars");  // on: enabling a running timer keeps its rhythm
    const std::size_t shown = headless::PresentationCount();
    headless::AdvanceTime(20);
    EXPECT_EQ(headless::PresentationCount(), shown + 1);
    Choose("Exit");
  });
}

// --- Star rules, one record at a time -------------------------------------

TEST(StarRules, UninitialisedStarDrawsFourNumbers) {
  RandSeed = 0;
  Generator g;
  TStar s{};
  PrepareStar(s);
  EXPECT_EQ(s.X, g.Next(180));
  EXPECT_EQ(s.Y, g.Next(280));
  const int phase = g.Next(12);
  EXPECT_EQ(s.Phase, phase >= 11 ? 0 : phase);
  EXPECT_EQ(RandSeed, (g.Next(50), g.seed));
}

// The first seed whose next draws satisfy `wanted`.
template <class Predicate>
std::uint32_t FindSeed(Predicate wanted) {
  for (std::uint32_t seed = 0;; ++seed) {
    Generator g{seed};
    if (wanted(g)) return seed;
  }
}

TEST(StarRules, RespawnAtTheLeftEdgeIsParkedAtOnce) {
  RandSeed = FindSeed([](Generator& g) { return g.Next(180) < 10; });
  TStar s{3, 5.0, 280.0, 1.0};
  const int stage = PrepareStar(s);
  EXPECT_EQ(s.Phase, 0);
  EXPECT_EQ(stage, 1);
  EXPECT_EQ(s.Y, 350.0);
  AdvanceStar(s);
  EXPECT_GE(s.Y, 280.0);  // so it respawns again on the next frame
}

TEST(StarRules, RespawnAtXZeroWithoutSpeedIsPlacedAgainNextFrame) {
  const std::uint32_t seed = FindSeed([](Generator& g) {
    const bool atZero = g.Next(180) == 0;
    g.Next(20);
    return atZero && g.Next(50) == 20;  // DX = 20 / 10 - 2 = 0
  });
  RandSeed = seed;
  TStar s{4, 20.0, 285.0, 1.5};
  PrepareStar(s);
  AdvanceStar(s);
  EXPECT_EQ(s.X, 0.0);
  EXPECT_EQ(s.Y, 351.0);
  Generator g{seed};
  for (int i = 0; i < 3 + 4; ++i) g.Next(1);  // respawn, then a fresh placement
  PrepareStar(s);
  EXPECT_EQ(RandSeed, g.seed);
  EXPECT_LT(s.Y, 280.0);
}

TEST(StarRules, ZeroSpeedFallsStraightDown) {
  TStar s{2, 50.0, 100.0, 0.0};
  for (int i = 0; i < 20; ++i) {
    PrepareStar(s);
    AdvanceStar(s);
  }
  EXPECT_EQ(s.X, 50.0);
  EXPECT_EQ(s.Y, 120.0);
}

TEST(StarRules, TwinkleStagesRiseAndFall) {
  const int expected[11] = {1, 2, 3, 4, 5, 6, 6, 5, 4, 3, 2};
  TStar s{0, 50.0, 100.0, 0.0};
  for (int phase = 0; phase < 11; ++phase) {
    EXPECT_EQ(PrepareStar(s), expected[phase]) << phase;
    AdvanceStar(s);
  }
  EXPECT_EQ(PrepareStar(s), 1);  // 11 wraps to 0
}

TEST(StarRules, RoundingIsHalfToEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
}

TEST(Generator, MatchesTheLinearCongruentialDefinition) {
  RandSeed = 0;
  EXPECT_EQ(RandomInt(100), 0);  // seed 1: 100 >> 32
  EXPECT_EQ(RandSeed, 1u);
  RandSeed = 0xFFFFFFFFu;
  EXPECT_EQ(RandomInt(10), static_cast<int>((static_cast<std::uint64_t>(0xFFFFFFFFu * 134775813u + 1u) * 10) >> 32));
  RandSeed = 7;
  const std::uint32_t before = RandSeed;
  EXPECT_EQ(RandomInt(0), 0);
  EXPECT_EQ(RandomInt(-5), 0);
  EXPECT_NE(RandSeed, before);  // the step is taken even for an empty range
}

}  // namespace
