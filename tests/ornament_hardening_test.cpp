// Faults the user must survive: presentations that fail on every tick, a
// settings store that was damaged on disk, and boxes that open before the
// window shows.
#include <fstream>
#include <functional>
#include <iterator>

#include "ornament/Unit1.h"
#include "tests/ornament_harness.h"

namespace {

using namespace harness;

TEST(FailingPresentations, AnHourOfFailuresKeepsAtMostOneBoxOpen) {
  ConfigHome home;
  std::size_t framesWhileOpen = 0;
  RunProgram([&] {
    headless::FailPresentations(true);
    // The user leaves the first box open for an hour; the composer keeps
    // running inside its modal loop and fails on every one of those ticks.
    headless::OnMessageBox([&](const headless::MessageBoxRecord&) {
      const std::size_t before = headless::PresentationCount();
      headless::OnMessageBox(nullptr);
      headless::AdvanceTime(60 * 60 * 1000);
      framesWhileOpen = headless::PresentationCount() - before;
    });
    headless::AdvanceTime(40);
    EXPECT_EQ(headless::MessageBoxes().size(), 1u);
    // Once it is closed, the next failure says so again.
    headless::AdvanceTime(40);
    EXPECT_EQ(headless::MessageBoxes().size(), 2u);
    headless::FailPresentations(false);
    Choose("Exit");
  });
  EXPECT_EQ(headless::DeepestMessageBoxNesting(), 1);
  EXPECT_EQ(framesWhileOpen, 0u);  // none of them was shown
  EXPECT_TRUE(std::filesystem::exists(home.StoreFile()));  // and the exit saved
}

TEST(DamagedStore, IsReportedKeptAsideAndReplacedOnExit) {
  ConfigHome home;
  std::filesystem::create_directories(home.StoreFile().parent_path());
  {
    std::ofstream damaged(home.StoreFile(), std::ios::binary);
    damaged << "\x89 not a settings file \x01\x02";
  }
  bool shown = false;
  RunProgram([&] {
    shown = frmMain->Visible();
    Choose("Exit");
  });
  EXPECT_TRUE(shown);  // the program still starts, at the first-run place
  ASSERT_FALSE(BoxTexts().empty());
  EXPECT_NE(BoxTexts().front().find("damaged"), std::string::npos) << BoxTexts().front();
  std::size_t kept = 0;
  for (const auto& entry : std::filesystem::directory_iterator(home.StoreFile().parent_path())) {
    const std::string name = entry.path().filename().string();
    if (entry.path() != home.StoreFile() && name != "registry.lock" && name.rfind("registry", 0) == 0) {
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_EQ(content, "\x89 not a settings file \x01\x02");
      ++kept;
    }
  }
  EXPECT_EQ(kept, 1u);  // the damaged file, moved aside
  EXPECT_EQ(ReadDword("Stars"), 1);  // a fresh store was written
}

// Each box below opens before the window shows, and the user takes a while
// to close it: the timer ticks inside the box meanwhile. Once the window is
// shown, the animation runs all the same.
TEST(BoxesBeforeTheWindowShows, LeaveTheAnimationRunning) {
  struct Case {
    const char* name;
    std::function<void(const ConfigHome&)> prepare;
    std::function<void()> setup;
  };
  const std::vector<Case> cases = {
      {"damaged store",
       [](const ConfigHome& home) {
         std::filesystem::create_directories(home.StoreFile().parent_path());
         std::ofstream(home.StoreFile(), std::ios::binary) << "damaged";
       },
       {}},
      {"refused layered style", {}, [] { headless::FailNextSetWindowLong(5); }},
      {"failed presentation of the stored level", [](const ConfigHome&) { WriteDword("TrVal", 3); },
       [] { headless::FailPresentations(true); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConfigHome home;
    if (c.prepare) c.prepare(home);
    std::size_t boxes = 0, frames = 0;
    std::uint64_t before = 0, after = 0;
    RunProgram(
        [&] {
          headless::OnMessageBox(nullptr);
          boxes = headless::MessageBoxes().size();
          before = Fingerprint(*headless::LastPresentation());
          const std::size_t count = headless::PresentationCount();
          headless::AdvanceTime(400);
          frames = headless::PresentationCount() - count;
          after = Fingerprint(*headless::LastPresentation());
          Choose("Exit");
        },
        {},
        [&] {
          if (c.setup) c.setup();
          headless::OnMessageBox([](const headless::MessageBoxRecord&) {
            headless::FailPresentations(false);
            headless::AdvanceTime(200);
          });
        });
    EXPECT_GE(boxes, 1u);
    EXPECT_EQ(frames, 10u);
    EXPECT_NE(before, after);
  }
}

}  // namespace
