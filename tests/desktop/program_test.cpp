// The desktop program as a user meets it: started on a private X server
// with a compositor, driven with xdotool, its settings read from the files
// it leaves behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "tests/desktop/test_display.h"

namespace fwdesktop {
namespace {

using namespace std::chrono_literals;

constexpr int kTreeWidth = 200, kTreeHeight = 310;
// Points of the tree picture: fully transparent, and fully opaque where
// neither the garland nor the stars ever draw.
constexpr int kClearX = 2, kClearY = 305;
constexpr int kSolidX = 160, kSolidY = 301;
// A point on the tree itself, for clicks.
constexpr int kGripX = 100, kGripY = 200;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_ = &TestDisplay::Get();
    char dir[] = "/tmp/fenwillow-desktop-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    config_ = dir;
  }
  void TearDown() override {
    program_.Signal(SIGKILL);
    program_.Wait(5s);
    EXPECT_EQ(std::system(("rm -rf '" + config_ + "'").c_str()), 0);
  }

  std::string RegistryFile() const { return config_ + "/fenwillow/registry"; }
  std::string AutostartFile() const { return config_ + "/autostart/fenwillow.desktop"; }

  // Starts the program and waits until its window shows the tree.
  void Start(const std::vector<std::string>& arguments = {}) {
    std::vector<std::string> argv{FENWILLOW_EXECUTABLE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    program_.Start(argv, {{"XDG_CONFIG_HOME", config_}}, config_ + "/program.log");
    ASSERT_TRUE(WaitFor([&] { return (window_ = screen_->FindWindow("frmMain")) != 0 && Shown(); }, 15s))
        << "the tree did not appear";
  }

  bool Shown() {
    const WindowPlace place = screen_->Place(window_);
    if (place.width != kTreeWidth || place.height != kTreeHeight) return false;
    const int x = place.x + kSolidX, y = place.y + kSolidY;
    return !Near(screen_->ScreenAt(x, y), TestDisplay::DesktopAt(x, y), 8);
  }

  WindowPlace Place() { return screen_->Place(window_); }
  Rgb Solid() { return screen_->ScreenAt(Place().x + kSolidX, Place().y + kSolidY); }

  int CountPopups() {
    Display* x = screen_->X();
    Window root = DefaultRootWindow(x), parent, *children = nullptr;
    unsigned int count = 0;
    int popups = 0;
    XQueryTree(x, root, &root, &parent, &children, &count);
    for (unsigned int i = 0; i < count; ++i) {
      XWindowAttributes a{};
      if (XGetWindowAttributes(x, children[i], &a) && a.override_redirect && a.map_state == IsViewable &&
          a.width > 1 && a.height > 1) {
        ++popups;
      }
    }
    if (children) XFree(children);
    return popups;
  }

  // Opens the context menu with a right click on the tree, then walks it
  // with the keyboard (the pointer moved out of the way) and waits until
  // it has closed.
  void ChooseFromMenu(const std::vector<std::string>& keys) {
    const WindowPlace place = Place();
    ASSERT_EQ(TestDisplay::Xdotool({"mousemove", std::to_string(place.x + kGripX), std::to_string(place.y + kGripY),
                                    "click", "3"}),
              0);
    ASSERT_TRUE(WaitFor([&] { return CountPopups() > 0; }, 5s)) << "no menu opened";
    std::vector<std::string> arguments{"mousemove", "0", "0", "key", "--delay", "100"};
    arguments.insert(arguments.end(), keys.begin(), keys.end());
    ASSERT_EQ(TestDisplay::Xdotool(arguments), 0);
    ASSERT_TRUE(WaitFor([&] { return CountPopups() == 0; }, 5s)) << "the menu stayed open";
  }

  std::optional<long> Saved(const std::string& name) {
    std::ifstream in(RegistryFile());
    std::string line;
    const std::string prefix = "dword \"" + name + "\" ";
    while (std::getline(in, line)) {
      if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    }
    return std::nullopt;
  }

  static bool Exists(const std::string& path) { return std::ifstream(path).good(); }
  static std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TestDisplay* screen_ = nullptr;
  std::string config_;
  ChildProcess program_;
  Window window_ = 0;
};

// Keys that walk the menu from its top: About..., Options, Exit; Options
// opens on Stars, Garland, Transparent, OnTop, StartUp; Transparent on 0%.
const std::vector<std::string> kStars{"Down", "Down", "Right", "Return"};
const std::vector<std::string> kStartUp{"Down", "Down", "Right", "Down", "Down", "Down", "Down", "Return"};
const std::vector<std::string> k50Percent{"Down", "Down", "Right", "Down", "Down", "Right",
                                          "Down", "Down", "Down",  "Down", "Down", "Return"};
const std::vector<std::string> kExit{"Down", "Down", "Down", "Return"};

TEST_F(ProgramTest, FirstRunShowsTheTreeInTheLowerRightCornerOverTheDesktop) {
  Start();
  const WindowPlace place = Place();
  // Without a window manager the work area is the whole screen.
  EXPECT_EQ(place.x, TestDisplay::kWidth - kTreeWidth - 5);
  EXPECT_EQ(place.y, TestDisplay::kHeight - kTreeHeight);
  const int x = place.x + kClearX, y = place.y + kClearY;
  EXPECT_TRUE(Near(screen_->ScreenAt(x, y), TestDisplay::DesktopAt(x, y), 2))
      << "a transparent pixel shows " << Describe(screen_->ScreenAt(x, y)) << " instead of the desktop "
      << Describe(TestDisplay::DesktopAt(x, y));
  const std::vector<std::string> state = screen_->NetWmState(window_);
  for (const char* hint : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_ABOVE"}) {
    EXPECT_NE(std::find(state.begin(), state.end(), hint), state.end()) << hint;
  }
  // For a person to look at: the screen the test saw.
  screen_->SaveScreen("desktop-first-run.ppm");
}

TEST_F(ProgramTest, MenuCommandsChangeTheWindowAndExitSavesThem) {
  Start();
  ChooseFromMenu(kStars);
  const Rgb opaque = Solid();
  ChooseFromMenu(k50Percent);
  // Level 50% shows the window at constant opacity 145 of 255.
  const int x = Place().x + kSolidX, y = Place().y + kSolidY;
  const Rgb desk = TestDisplay::DesktopAt(x, y);
  const auto blend = [](int s, int d) { return (s * 145 + d * 110 + 127) / 255; };
  const Rgb expected{blend(opaque.r, desk.r), blend(opaque.g, desk.g), blend(opaque.b, desk.b)};
  EXPECT_TRUE(WaitFor([&] { return Near(Solid(), expected, 3); }, 5s))
      << "at 50% an opaque pixel shows " << Describe(Solid()) << ", expected " << Describe(expected);
  ChooseFromMenu(kStartUp);
  ChooseFromMenu(kExit);
  ASSERT_EQ(program_.Wait(10s), 0);
  EXPECT_EQ(Saved("Stars"), 0);
  EXPECT_EQ(Saved("Garland"), 1);
  EXPECT_EQ(Saved("TrVal"), 5);
  EXPECT_EQ(Saved("OnTop"), 1);
  EXPECT_FALSE(Exists(AutostartFile())) << "StartUp was unchecked";
}

TEST_F(ProgramTest, DraggingMovesTheWindowAndTerminationSavesThePlace) {
  Start();
  const WindowPlace before = Place();
  const int x = before.x + kGripX, y = before.y + kGripY;
  ASSERT_EQ(TestDisplay::Xdotool({"mousemove", std::to_string(x), std::to_string(y), "mousedown", "1", "sleep",
                                  "0.2", "mousemove", std::to_string(x - 150), std::to_string(y - 100), "sleep",
                                  "0.2", "mousemove", std::to_string(x - 300), std::to_string(y - 200), "sleep",
                                  "0.2", "mouseup", "1"}),
            0);
  ASSERT_TRUE(WaitFor([&] { return Place().x == before.x - 300 && Place().y == before.y - 200; }, 5s))
      << "the window is at " << Place().x << ", " << Place().y;
  program_.Signal(SIGTERM);
  ASSERT_EQ(program_.Wait(10s), 0);
  EXPECT_EQ(Saved("Left"), before.x - 300);
  EXPECT_EQ(Saved("Top"), before.y - 200);
  // The first run leaves StartUp checked: the autostart entry runs this
  // very program.
  const std::string entry = ReadAll(AutostartFile());
  EXPECT_NE(entry.find(std::string("Exec=") + FENWILLOW_EXECUTABLE), std::string::npos) << entry;
}

TEST_F(ProgramTest, TheNextStartUsesTheSavedPlaceAndLevel) {
  Start();
  ChooseFromMenu(k50Percent);
  const WindowPlace first = Place();
  const int x = first.x + kGripX, y = first.y + kGripY;
  ASSERT_EQ(TestDisplay::Xdotool({"mousemove", std::to_string(x), std::to_string(y), "mousedown", "1", "sleep",
                                  "0.2", "mousemove", std::to_string(x - 400), std::to_string(y - 50), "sleep",
                                  "0.2", "mouseup", "1"}),
            0);
  ASSERT_TRUE(WaitFor([&] { return Place().x == first.x - 400; }, 5s));
  ChooseFromMenu(kExit);
  ASSERT_EQ(program_.Wait(10s), 0);

  Start();
  EXPECT_EQ(Place().x, first.x - 400);
  EXPECT_EQ(Place().y, first.y - 50);
  EXPECT_EQ(Saved("TrVal"), 5);
  program_.Signal(SIGINT);
  EXPECT_EQ(program_.Wait(10s), 0);
}

TEST_F(ProgramTest, ClicksOnTransparentPixelsPassThrough) {
  Start();
  const WindowPlace place = Place();
  // A right click beside the picture opens no menu; on the picture it does.
  ASSERT_EQ(TestDisplay::Xdotool({"mousemove", std::to_string(place.x + kClearX), std::to_string(place.y + kClearY),
                                  "click", "3"}),
            0);
  // Give a menu the time it would need to show before deciding it did not.
  EXPECT_FALSE(WaitFor([&] { return CountPopups() > 0; }, 1500ms));
  ChooseFromMenu({"Escape"});
}

}  // namespace
}  // namespace fwdesktop
