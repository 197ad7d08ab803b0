// The desktop program as a user meets it: started on a private X server
// with a compositor, driven with xdotool, its settings read from the files
// it leaves behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

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
    Launch(arguments);
    ASSERT_TRUE(WaitFor([&] { return (window_ = screen_->FindWindow("frmMain")) != 0 && Shown(); }, 15s))
        << "the tree did not appear";
  }
  void Launch(const std::vector<std::string>& arguments = {}, const std::string& configHome = "") {
    std::vector<std::string> argv{FENWILLOW_EXECUTABLE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::map<std::string, std::string> environment{{"XDG_CONFIG_HOME", configHome.empty() ? config_ : configHome},
                                                   {"DISPLAY", screen_->Name()}};
    environment.insert(environment_.begin(), environment_.end());
    program_.Start(argv, environment, config_ + "/program.log");
  }
  // Waits for the program's message box, then presses its OK button.
  void CloseBox() {
    Window box = 0;
    ASSERT_TRUE(WaitFor([&] { return (box = screen_->FindWindow("fenwillow")) != 0; }, 15s)) << "no box appeared";
    ASSERT_EQ(screen_->Xdotool({"windowfocus", "--sync", std::to_string(box), "key", "Return"}), 0);
    ASSERT_TRUE(WaitFor([&] { return screen_->FindWindow("fenwillow") == 0; }, 5s)) << "the box stayed open";
  }
  // Drags the tree with a button; the pointer travels (dx, dy).
  void Drag(int dx, int dy, int button = 1) {
    const WindowPlace from = Place();
    const int x = from.x + kGripX, y = from.y + kGripY;
    const std::string b = std::to_string(button);
    ASSERT_EQ(screen_->Xdotool({"mousemove", std::to_string(x), std::to_string(y), "mousedown", b, "sleep", "0.2",
                                "mousemove", std::to_string(x + dx / 2), std::to_string(y + dy / 2), "sleep", "0.2",
                                "mousemove", std::to_string(x + dx), std::to_string(y + dy), "sleep", "0.2",
                                "mouseup", b}),
              0);
    // A window manager may start its move a few pixels late.
    const auto near = [&](const WindowPlace& p) {
      return std::abs(p.x - from.x - dx) <= 8 && std::abs(p.y - from.y - dy) <= 8;
    };
    ASSERT_TRUE(WaitFor([&] { return near(Place()); }, 5s)) << "the window is at " << Place().x << ", " << Place().y;
    // Settled: the same place twice, 100 ms apart.
    WindowPlace last{-1, -1};
    ASSERT_TRUE(WaitFor(
        [&] {
          const WindowPlace now = Place();
          const bool still = now.x == last.x && now.y == last.y;
          last = now;
          std::this_thread::sleep_for(100ms);
          return still;
        },
        3s));
  }
  void WriteStore(const std::string& content) {
    std::system(("mkdir -p '" + config_ + "/fenwillow'").c_str());
    std::ofstream(RegistryFile(), std::ios::binary) << content;
  }
  // Whether the tree changes while it is watched: the stars and garland are on.
  bool Animating() {
    const WindowPlace place = Place();
    const std::uint64_t first = screen_->Fingerprint(place.x, place.y, kTreeWidth, kTreeHeight);
    return WaitFor([&] { return screen_->Fingerprint(place.x, place.y, kTreeWidth, kTreeHeight) != first; }, 3s);
  }

  bool Shown() {
    const WindowPlace place = screen_->Place(window_);
    if (place.width != kTreeWidth || place.height != kTreeHeight) return false;
    const int x = place.x + kSolidX, y = place.y + kSolidY;
    return !Near(screen_->ScreenAt(x, y), TestDisplay::DesktopAt(x, y), 8);
  }

  WindowPlace Place() { return screen_->Place(window_); }
  Rgb Solid() { return screen_->ScreenAt(Place().x + kSolidX, Place().y + kSolidY); }

  int CountPopups() { return screen_->CountMenus(); }

  // Opens the context menu with a right click on the tree, then walks it
  // with the keyboard (the pointer moved out of the way) and waits until
  // it has closed.
  void ChooseFromMenu(const std::vector<std::string>& keys) {
    const WindowPlace place = Place();
    ASSERT_EQ(screen_->Xdotool({"mousemove", std::to_string(place.x + kGripX), std::to_string(place.y + kGripY),
                                    "click", "3"}),
              0);
    ASSERT_TRUE(WaitFor([&] { return CountPopups() > 0; }, 5s)) << "no menu opened";
    std::vector<std::string> arguments{"mousemove", "0", "0", "key", "--delay", "100"};
    arguments.insert(arguments.end(), keys.begin(), keys.end());
    ASSERT_EQ(screen_->Xdotool(arguments), 0);
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

  // The times the program's threads went to sleep so far.
  long Sleeps() {
    long total = 0;
    const std::string tasks = "/proc/" + std::to_string(program_.Pid()) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
      std::ifstream status(task.path() / "status");
      std::string line;
      while (std::getline(status, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) total += std::strtol(line.c_str() + 24, nullptr, 10);
      }
    }
    return total;
  }
  // Whether the program sleeps through half a second, woken by nothing.
  bool Asleep() {
    const long before = Sleeps();
    std::this_thread::sleep_for(500ms);
    return Sleeps() - before <= 1;
  }

  TestDisplay* screen_ = nullptr;
  std::string config_;
  std::map<std::string, std::string> environment_;  // more for the program
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
  // From the work area's size, not its origin.
  const WindowPlace area = screen_->WorkArea();
  EXPECT_EQ(place.x, area.width - kTreeWidth - 5);
  EXPECT_EQ(place.y, area.height - kTreeHeight);
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
  // About... shows the desktop's own box, which needs no browser.
  ChooseFromMenu({"Down", "Return"});
  Window about = 0;
  ASSERT_TRUE(WaitFor([&] { return (about = screen_->FindWindow("About Fenwillow")) != 0; }, 10s));
  ASSERT_EQ(screen_->Xdotool({"windowfocus", "--sync", std::to_string(about), "key", "Escape"}), 0);
  ASSERT_TRUE(WaitFor([&] { return screen_->FindWindow("About Fenwillow") == 0; }, 5s)) << "the box stayed open";
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

// Start after start: the window stands where the last run left it, the
// first right click opens the menu, a drag moves it, and a termination
// saves where it really is. FENWILLOW_TEST_CYCLES sets how many (3).
TEST_F(ProgramTest, EveryStartShowsTheTreeWhereTheLastOneLeftIt) {
  const char* cycles = std::getenv("FENWILLOW_TEST_CYCLES");
  const int count = cycles != nullptr ? std::atoi(cycles) : 3;
  const WindowPlace area = screen_->WorkArea();
  int left = area.width - kTreeWidth - 5, top = area.height - kTreeHeight;
  for (int cycle = 1; cycle <= count; ++cycle) {
    SCOPED_TRACE("start " + std::to_string(cycle));
    Start();
    ASSERT_EQ(Place().x, left);
    ASSERT_EQ(Place().y, top);
    ChooseFromMenu({"Escape"});
    // Up and left, then back, so that the tree stays on the screen.
    const int dx = cycle % 2 == 1 ? -300 - cycle : 250 + cycle, dy = cycle % 2 == 1 ? -170 : 140 + cycle;
    Drag(dx, dy);
    left = Place().x;
    top = Place().y;
    program_.Signal(SIGTERM);
    ASSERT_EQ(program_.Wait(10s), 0);
    ASSERT_EQ(Saved("Left"), left);
    ASSERT_EQ(Saved("Top"), top);
  }
  // The first run left StartUp checked: the autostart entry runs this very
  // program.
  const std::string entry = ReadAll(AutostartFile());
  EXPECT_NE(entry.find(std::string("Exec=") + FENWILLOW_EXECUTABLE), std::string::npos) << entry;
}

// A drag with any button moves the tree and ends at the release: the
// pointer going on without the button leaves it there, and no menu opens.
TEST_F(ProgramTest, ADragWithAnyButtonEndsAtItsRelease) {
  Start();
  for (int button : {1, 2, 3}) {
    SCOPED_TRACE("button " + std::to_string(button));
    Drag(button % 2 ? -200 : 200, -100, button);
    const WindowPlace dragged = Place();
    ASSERT_EQ(screen_->Xdotool({"mousemove_relative", "--", "60", "40", "sleep", "0.5"}), 0);
    EXPECT_EQ(Place().x, dragged.x);
    EXPECT_EQ(Place().y, dragged.y);
    EXPECT_EQ(CountPopups(), 0);
  }
}

// The end of an X session: the server goes away under the running program.
TEST_F(ProgramTest, LosingTheDisplaySavesThePlace) {
  TestDisplay own(screen_->WindowManager());
  TestDisplay* shared = screen_;
  screen_ = &own;
  Start();
  Drag(-200, -100);
  const WindowPlace dragged = Place();
  own.KillServer();
  screen_ = shared;
  EXPECT_EQ(program_.Wait(10s), 0);
  EXPECT_EQ(Saved("Left"), dragged.x);
  EXPECT_EQ(Saved("Top"), dragged.y);
}

// A damaged settings store, or a value of the wrong type in it, is
// reported in a box; once the user has closed it, the ornament animates.
TEST_F(ProgramTest, AfterTheDamagedStoreBoxTheTreeAnimates) {
  for (const std::string store :
       {"damaged", "fenwillow-registry 1\nkey \"Software\"\nkey \"Software\\Fenwillow\"\nsz \"Stars\" \"yes\"\nend\n"}) {
    SCOPED_TRACE(store);
    WriteStore(store);
    Launch();
    CloseBox();
    ASSERT_TRUE(WaitFor([&] { return (window_ = screen_->FindWindow("frmMain")) != 0 && Shown(); }, 15s));
    EXPECT_TRUE(Animating());
    const std::vector<std::string> state = screen_->NetWmState(window_);
    EXPECT_NE(std::find(state.begin(), state.end(), "_NET_WM_STATE_SKIP_TASKBAR"), state.end());
    program_.Signal(SIGTERM);
    ASSERT_EQ(program_.Wait(10s), 0);
    EXPECT_EQ(Saved("Stars"), 1);
  }
}

// Where nothing can be saved (here the settings' folder cannot be made),
// every way of closing ends the program: Exit after its one box, a signal
// at once, even while that box is open. The exit status and standard
// error say that the save failed, and where.
TEST_F(ProgramTest, AnUnwritableStoreNeverKeepsTheProgramOpen) {
  const std::string blocked = config_ + "/a-file";
  std::ofstream(blocked) << "in the way";
  for (int signal : {0, SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    Launch({}, blocked);
    CloseBox();  // the store cannot be read either
    ASSERT_TRUE(WaitFor([&] { return (window_ = screen_->FindWindow("frmMain")) != 0 && Shown(); }, 15s));
    if (signal != SIGTERM && signal != SIGINT) ChooseFromMenu(kExit);
    if (signal == 0) CloseBox();
    if (signal == SIGHUP) {
      ASSERT_TRUE(WaitFor([&] { return screen_->FindWindow("fenwillow") != 0; }, 15s));
    }
    if (signal != 0) program_.Signal(signal);
    EXPECT_EQ(program_.Wait(signal == 0 ? 8s : 5s), 1);
  }
  EXPECT_NE(ReadAll(config_ + "/program.log").find("cannot write " + blocked + "/fenwillow/registry.lock: Not a directory"),
            std::string::npos);
}

TEST_F(ProgramTest, TheNextStartUsesTheSavedPlaceAndLevel) {
  Start();
  ChooseFromMenu(k50Percent);
  const WindowPlace first = Place();
  const int x = first.x + kGripX, y = first.y + kGripY;
  ASSERT_EQ(screen_->Xdotool({"mousemove", std::to_string(x), std::to_string(y), "mousedown", "1", "sleep",
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
  ASSERT_EQ(screen_->Xdotool({"mousemove", std::to_string(place.x + kClearX), std::to_string(place.y + kClearY),
                                  "click", "3"}),
            0);
  // Give a menu the time it would need to show before deciding it did not.
  EXPECT_FALSE(WaitFor([&] { return CountPopups() > 0; }, 1500ms));
  ChooseFromMenu({"Escape"});
}

// Nothing runs while nobody can see the tree: the desktop's screen saver
// (a stand-in on a private session bus), a full-screen window over it, the
// window iconified. Each time the program sleeps, woken by nothing, and
// animates again once the cause has gone.
TEST_F(ProgramTest, NothingRunsWhileNobodyCanSeeTheTree) {
  if (screen_->WindowManager() != "openbox") GTEST_SKIP() << "tried under openbox";
  ChildProcess bus, saver, cover;
  const std::string socket = config_ + "/bus";
  bus.Start({"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket}, {}, config_ + "/bus.log");
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(socket); }, 5s)) << ReadAll(config_ + "/bus.log");
  environment_["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + socket;
  saver.Start({FENWILLOW_SOURCE_DIR "/tests/desktop/screensaver-standin"}, environment_, config_ + "/saver.log");
  ASSERT_TRUE(WaitFor([&] { return ReadAll(config_ + "/saver.log").find("ready") != std::string::npos; }, 10s))
      << ReadAll(config_ + "/saver.log");
  Start();
  ASSERT_TRUE(Animating());

  saver.Signal(SIGUSR1);
  EXPECT_TRUE(WaitFor([&] { return Asleep(); }, 5s)) << "the screen saver runs";
  saver.Signal(SIGUSR2);
  EXPECT_TRUE(Animating()) << "after the screen saver";

  cover.Start({"xlogo"}, {{"DISPLAY", screen_->Name()}});
  Window logo = 0;
  ASSERT_TRUE(WaitFor([&] { return (logo = screen_->FindWindow("xlogo")) != 0; }, 10s));
  const std::string id = std::to_string(logo);
  ASSERT_EQ(RunProgram({"wmctrl", "-i", "-r", id, "-b", "add,fullscreen"}, {{"DISPLAY", screen_->Name()}}), 0);
  ASSERT_EQ(RunProgram({"wmctrl", "-i", "-a", id}, {{"DISPLAY", screen_->Name()}}), 0);
  EXPECT_TRUE(WaitFor([&] { return Asleep(); }, 5s)) << "a full-screen window covers the tree";
  cover.Signal(SIGTERM);
  EXPECT_TRUE(Animating()) << "after the full-screen window";

  ASSERT_EQ(screen_->Xdotool({"windowminimize", "--sync", std::to_string(window_)}), 0);
  EXPECT_TRUE(WaitFor([&] { return Asleep(); }, 5s)) << "iconified";
  ASSERT_EQ(RunProgram({"wmctrl", "-i", "-a", std::to_string(window_)}, {{"DISPLAY", screen_->Name()}}), 0);
  EXPECT_TRUE(Animating()) << "restored";
}

}  // namespace
}  // namespace fwdesktop
