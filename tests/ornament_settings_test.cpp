// Settings, placement and autostart of the ornament, through the real
// program and the software registry.
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "ornament/Unit1.h"
#include "ornament/base_layer.h"
#include "ornament/composer.h"
#include "ornament/random.h"
#include "tests/ornament_harness.h"

namespace {

using harness::BoxTexts;
using harness::Choose;
using harness::ConfigHome;
using harness::ReadDword;
using harness::RunProgram;
using harness::WriteDword;
namespace headless = plat::headless;

struct Place {
  int left;
  int top;
};

Place PlaceAfterStart(const std::vector<std::string>& arguments = {}) {
  Place place{};
  RunProgram(
      [&] {
        place = {frmMain->Left(), frmMain->Top()};
        Choose("Exit");
      },
      arguments);
  return place;
}

TEST(Placement, FirstRunGoesToTheWorkAreasLowerRightCorner) {
  ConfigHome home;
  const Place place = PlaceAfterStart();
  EXPECT_EQ(place.left, 1920 - 200 - 5);
  EXPECT_EQ(place.top, 1040 - 310);
  EXPECT_EQ(ReadDword("Left"), 1715);
  EXPECT_EQ(ReadDword("Top"), 730);
}

TEST(Placement, FirstRunUsesTheWorkAreasSizeNotItsOrigin) {
  ConfigHome home;
  Place place{};
  // A taskbar at the top: the work area runs from y = 40 to the bottom.
  RunProgram(
      [&] {
        place = {frmMain->Left(), frmMain->Top()};
        Choose("Exit");
      },
      {}, [] { headless::SetScreen(1920, 1080, plat::RECT{0, 40, 1920, 1080}); });
  EXPECT_EQ(place.left, 1715);
  EXPECT_EQ(place.top, 1040 - 310);  // not 1080 - 310
}

TEST(Placement, SavedPlaceIsValidatedAgainstTheMonitors) {
  ConfigHome home;
  // A second monitor to the right of the primary one, lower and shorter.
  const std::vector<plat::RECT> right{{1920, 200, 3200, 1000}};
  struct Case {
    int left, top;
    std::vector<plat::RECT> others;
    Place expected;
  } cases[] = {
      {-70, -140, {}, {-70, -140}},
      {-71, -141, {}, {550, 350}},
      {1920 - 30, 1080 - 30, {}, {1890, 1050}},
      {1920 - 29, 1080 - 29, {}, {550, 350}},
      {-71, 200, {}, {550, 200}},
      {100, 200, {}, {100, 200}},
      // Left on the second monitor: kept, to its own margins.
      {2500, 600, right, {2500, 600}},
      {3200 - 30, 1000 - 30, right, {3170, 970}},
      {3200 - 29, 600, right, {550, 600}},
      // Beside the second monitor, below it: dead space, brought back.
      {2500, 1000 - 29, right, {550, 971}},
      // The second monitor is gone.
      {2500, 600, {}, {550, 600}},
  };
  for (const Case& c : cases) {
    WriteDword("Left", static_cast<std::uint32_t>(c.left));
    WriteDword("Top", static_cast<std::uint32_t>(c.top));
    Place place{};
    RunProgram(
        [&] {
          place = {frmMain->Left(), frmMain->Top()};
          Choose("Exit");
        },
        {}, [&] { headless::SetOtherMonitors(c.others); });
    EXPECT_EQ(place.left, c.expected.left) << c.left << ", " << c.top;
    EXPECT_EQ(place.top, c.expected.top) << c.left << ", " << c.top;
  }
}

TEST(Placement, OnlyOneCoordinateStoredMeansFirstRun) {
  ConfigHome home;
  WriteDword("Left", 100);
  bool startUp = false;
  RunProgram([&] {
    EXPECT_EQ(frmMain->Left(), 1715);
    startUp = frmMain->pmiStartUp->Checked();
    Choose("Exit");
  });
  EXPECT_TRUE(startUp);
}

TEST(Placement, AddPlacesAtRandomAndReseeds) {
  ConfigHome home;
  WriteDword("Left", 100);
  WriteDword("Top", 200);
  Place place{};
  RunProgram(
      [&] {
        place = {frmMain->Left(), frmMain->Top()};
        Choose("Exit");
      },
      {"add"}, [] { headless::SetPerformanceCounter(0x1234567800000000ll + 99); });
  // Seeded from the low 32 bits of the performance counter.
  RandSeed = 99;
  const int left = RandomInt(1920 - 200 - 5);
  const int top = RandomInt(1040 - 310);
  EXPECT_EQ(place.left, left);
  EXPECT_EQ(place.top, top);
  EXPECT_EQ(ReadDword("Left"), left);  // saved like any other place
  EXPECT_EQ(ReadDword("Top"), top);
}

TEST(Placement, AddIsCaseSensitive) {
  ConfigHome home;
  WriteDword("Left", 100);
  WriteDword("Top", 200);
  std::uint32_t seed = 1;
  RunProgram(
      [&] {
        EXPECT_EQ(frmMain->Left(), 100);
        EXPECT_EQ(frmMain->Top(), 200);
        seed = RandSeed;
        Choose("Exit");
      },
      {"Add"});
  // Not reseeded: the first frame drew from seed 0.
  std::uint32_t expected = 0;
  for (int i = 0; i < 2 + 4 * kStarCount; ++i) expected = expected * 134775813u + 1u;
  EXPECT_EQ(seed, expected);
}

TEST(Levels, StoredLevelUsesItsLowByte) {
  ConfigHome home;
  WriteDword("TrVal", 265);
  RunProgram([&] {
    EXPECT_TRUE(frmMain->pmiLevels[9]->Checked());
    EXPECT_FALSE(frmMain->pmiLevels[1]->Checked());
    EXPECT_EQ(headless::LastPresentation()->constantAlpha, 57);
    Choose("Exit");
  });
  EXPECT_EQ(ReadDword("TrVal"), 9);
}

TEST(Levels, OutOfRangeLevelAppliesNoneAndStaysInvisible) {
  ConfigHome home;
  WriteDword("TrVal", 10);
  RunProgram([&] {
    EXPECT_EQ(Opacity, 0);
    EXPECT_EQ(headless::LastPresentation()->constantAlpha, 0);
    EXPECT_TRUE(frmMain->pmiLevels[1]->Checked());  // the design-time check
    Choose("30%");
    EXPECT_EQ(headless::LastPresentation()->constantAlpha, 189);
    Choose("Exit");
  });
  EXPECT_EQ(ReadDword("TrVal"), 3);
}

TEST(Levels, UncheckingTheLevelSavesTheLevelLastApplied) {
  ConfigHome home;
  WriteDword("TrVal", 4);
  RunProgram([&] {
    Choose("40%");  // already checked: now no level is checked
    for (plat::TMenuItem* level : frmMain->pmiLevels) EXPECT_FALSE(level->Checked());
    EXPECT_EQ(Opacity, 167);  // the same opacity applied again
    Choose("Exit");
  });
  EXPECT_EQ(ReadDword("TrVal"), 4);
}

TEST(StoredValues, RoundTripThroughARestart) {
  ConfigHome home;
  RunProgram([&] {
    Choose("Stars");
    Choose("OnTop");
    Choose("70%");
    Choose("Exit");
  });
  EXPECT_EQ(ReadDword("Stars"), 0);
  EXPECT_EQ(ReadDword("Garland"), 1);
  EXPECT_EQ(ReadDword("OnTop"), 0);
  EXPECT_EQ(ReadDword("TrVal"), 7);
  RunProgram([&] {
    EXPECT_FALSE(StarsOn);
    EXPECT_TRUE(GarlandOn);
    EXPECT_FALSE(headless::Window(frmMain->Handle())->topmost);
    EXPECT_EQ(Opacity, 101);
    Choose("Exit");
  });
}

TEST(StoredValues, AnUnreadableValueIsReportedThenTreatedAsMissing) {
  // Stored against the defaults (all checked, level 0), except Garland,
  // which keeps the animation running; StartUp was unchecked.
  struct Case {
    const char* name;
    plat::DWORD type;
    std::vector<std::uint8_t> data;
    const char* box;
  } cases[] = {
      {"Stars", plat::REG_SZ, {'y', 'e', 's', 0}, "Invalid data type for 'Stars'."},
      {"TrVal", plat::REG_DWORD, {3, 0, 0, 0, 0, 0, 0, 0}, "Failed to get data for 'TrVal'."},
      {"Top", plat::REG_SZ, {'2', 0}, "Invalid data type for 'Top'."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConfigHome home;
    for (auto [name, value] : {std::pair{"Stars", 0}, {"OnTop", 0}, {"Garland", 1}, {"TrVal", 3}, {"Left", 100},
                               {"Top", 200}}) {
      WriteDword(name, value);
    }
    harness::WriteValue(c.name, c.type, c.data);
    const std::string bad = c.name;
    RunProgram([&] {
      EXPECT_EQ(frmMain->pmiStars->Checked(), bad == "Stars");
      EXPECT_FALSE(frmMain->pmiOnTop->Checked());  // read after Stars
      EXPECT_EQ(Opacity, bad == "TrVal" ? 255 : 189);
      EXPECT_EQ(frmMain->Left(), bad == "Top" ? 1715 : 100);
      EXPECT_FALSE(frmMain->pmiStartUp->Checked());  // not a first run
      EXPECT_FALSE(headless::TaskbarButtonVisible());
      const std::size_t shown = headless::PresentationCount();
      headless::AdvanceTime(700);  // the garland alone changes the picture every 680 ms
      EXPECT_GT(headless::PresentationCount(), shown) << "animates";
      Choose("Exit");
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.box});
    EXPECT_NE(ReadDword(c.name), -1) << "rewritten with the right type";
    EXPECT_FALSE(std::filesystem::exists(home.AutostartFile()));
  }
}

TEST(StoredValues, AFailedSaveIsToldOnceAndTheProgramClosesAllTheSame) {
  ConfigHome home;
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunProgram([&] {
              // The settings directory becomes a file: nothing can be written.
              std::filesystem::remove_all(home.Path() / "fenwillow");
              std::ofstream(home.Path() / "fenwillow") << "in the way";
              Choose("Exit");
              EXPECT_TRUE(plat::Application().Terminated());
            }),
            1);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Failed to set data for 'Stars'."});
  EXPECT_NE(said.find((home.Path() / "fenwillow").string() + "/registry.lock: Not a directory\n"),
            std::string::npos)
      << said;
}

TEST(Autostart, WrittenWithTheProgramPathAndRemovedWhenUnchecked) {
  ConfigHome home;
  RunProgram([&] { Choose("Exit"); });
  ASSERT_TRUE(std::filesystem::exists(home.AutostartFile()));
  std::ifstream entry(home.AutostartFile());
  const std::string text((std::istreambuf_iterator<char>(entry)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Exec=/opt/fenwillow/bin/fenwillow"), std::string::npos);
  bool checkedOnLoad = false;
  RunProgram([&] {
    checkedOnLoad = frmMain->pmiStartUp->Checked();
    Choose("StartUp");
    Choose("Exit");
  });
  EXPECT_TRUE(checkedOnLoad);
  EXPECT_FALSE(std::filesystem::exists(home.AutostartFile()));
  RunProgram([&] {
    EXPECT_FALSE(frmMain->pmiStartUp->Checked());  // not a first run any more
    Choose("Exit");
  });
  EXPECT_FALSE(std::filesystem::exists(home.AutostartFile()));
}

TEST(Copies, ASecondCopysSaveDoesNotCorruptTheFirsts) {
  ConfigHome home;
  // Two copies exit at once, each with its own settings; the store holds
  // one copy's complete set.
  // Both copies have read the (absent) store before either saves, as two
  // copies running side by side would.
  int loaded[2], go[2];
  ASSERT_EQ(pipe(loaded), 0);
  ASSERT_EQ(pipe(go), 0);
  pid_t children[2];
  for (int copy = 0; copy < 2; ++copy) {
    children[copy] = fork();
    if (children[copy] == 0) {
      RunProgram([&] {
        char byte = 1;
        if (write(loaded[1], &byte, 1) != 1 || read(go[0], &byte, 1) != 1) _exit(2);
        Choose(copy == 0 ? "20%" : "60%");
        if (copy == 1) Choose("Stars");
        Choose("Exit");
      });
      _exit(0);
    }
  }
  char bytes[2];
  ASSERT_EQ(read(loaded[0], bytes, 1), 1);
  ASSERT_EQ(read(loaded[0], bytes + 1, 1), 1);
  ASSERT_EQ(write(go[1], bytes, 2), 2);
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::int64_t level = ReadDword("TrVal");
  ASSERT_TRUE(level == 2 || level == 6) << level;
  EXPECT_EQ(ReadDword("Stars"), level == 2 ? 1 : 0);
  EXPECT_EQ(ReadDword("Left"), 1715);
}

}  // namespace
