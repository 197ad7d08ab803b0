// The Win32 window backend under Wine: real windows for forms, the
// application window as owner, bounds, timers in the message loop, and a
// system close routed through the close query to the end of the loop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms.h"
#include "platform/native.h"
// After the platform headers, which use the names the system makes macros.
#include <windows.h>

namespace {

class ProbeForm : public plat::TForm {
 public:
  ProbeForm() : plat::TForm("FenwillowProbeForm", 40, 50, 120, 90) {}
  void FormCloseQuery(bool& canClose) override {
    ++closeQueries;
    canClose = agreeToClose;
  }
  void FormDestroy() override { ++destroys; }
  int closeQueries = 0;
  int destroys = 0;
  bool agreeToClose = true;
};

HWND Native(plat::HWND window) { return reinterpret_cast<HWND>(window); }

class WindowBackend : public ::testing::Test {
 protected:
  void SetUp() override { plat::Application().Reset(); }
  void TearDown() override {
    form_.reset();
    plat::Application().Reset();
  }
  ProbeForm& Form() {
    plat::Application().CreateForm(form_);
    return *form_;
  }
  std::unique_ptr<ProbeForm> form_;
};

TEST_F(WindowBackend, AFormIsAHiddenBorderlessWindowOwnedByTheApplicationWindow) {
  ProbeForm& form = Form();
  HWND window = Native(form.Handle());
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(window, FindWindowA(nullptr, "FenwillowProbeForm"));
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(0, GetWindowLongA(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
  EXPECT_NE(0, GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  EXPECT_EQ(Native(plat::Application().Handle()), GetWindow(window, GW_OWNER));
  // The application window carries the program's title and its button.
  char title[64] = {};
  GetWindowTextA(Native(plat::Application().Handle()), title, sizeof title);
  EXPECT_EQ(plat::Application().Title(), title);
  EXPECT_TRUE(IsWindowVisible(Native(plat::Application().Handle())));

  RECT r;
  ASSERT_TRUE(GetWindowRect(window, &r));
  EXPECT_EQ((std::vector<LONG>{40, 50, 160, 140}), (std::vector<LONG>{r.left, r.top, r.right, r.bottom}));
  form.SetLeft(300);
  form.SetHeight(70);
  ASSERT_TRUE(GetWindowRect(window, &r));
  EXPECT_EQ((std::vector<LONG>{300, 50, 420, 120}), (std::vector<LONG>{r.left, r.top, r.right, r.bottom}));
  // A move made by the system reaches the form's stored place.
  SetWindowPos(window, nullptr, 11, 22, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(11, form.Left());
  EXPECT_EQ(22, form.Top());
}

TEST_F(WindowBackend, TimersTickInTheLoopAndASystemCloseRunsTheCloseQuery) {
  ProbeForm& form = Form();
  plat::TTimer timer;
  timer.Interval = 10;
  int ticks = 0, closesPosted = 0;
  const DWORD start = GetTickCount();
  timer.OnTimer = [&] {
    ++ticks;
    // A close the form refuses; once it has answered, ticks go on and a
    // second close, which it agrees to, ends the loop.
    if (closesPosted == form.closeQueries && closesPosted < 2) {
      form.agreeToClose = closesPosted == 1;
      PostMessageA(Native(form.Handle()), WM_CLOSE, 0, 0);
      ++closesPosted;
    }
    if (GetTickCount() - start > 30000) plat::Application().Terminate();  // a bound, should a close be lost
  };
  timer.SetEnabled(true);
  plat::Application().Run();
  timer.SetEnabled(false);
  EXPECT_TRUE(IsWindowVisible(Native(form.Handle())));
  EXPECT_EQ(2, form.closeQueries);
  EXPECT_EQ(1, form.destroys);
  EXPECT_GE(ticks, 2);
}

// Modal loops that end at the quit without posting it again, one inside
// the other (as the system's move loops a right press starts under Wine):
// a close inside the innermost still ends the program.
TEST_F(WindowBackend, AQuitEndsEveryNestedLoopThatSwallowsIt) {
  ProbeForm& form = Form();
  plat::TTimer timer;
  timer.Interval = 10;
  int depth = 0;
  const DWORD start = GetTickCount();
  std::function<void()> swallowingLoop = [&] {
    ++depth;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  };
  timer.OnTimer = [&] {
    if (depth < 2) {
      swallowingLoop();
    } else if (form.closeQueries == 0) {
      PostMessageA(Native(form.Handle()), WM_CLOSE, 0, 0);
    }
    if (GetTickCount() - start > 30000) std::abort();  // a bound: the loops never ended
  };
  timer.SetEnabled(true);
  plat::Application().Run();
  timer.SetEnabled(false);
  EXPECT_EQ(2, depth);
  EXPECT_EQ(1, form.closeQueries);
  EXPECT_EQ(1, form.destroys);
}

TEST_F(WindowBackend, TheEndOfSessionQueryAsksTheCloseQuery) {
  ProbeForm& form = Form();
  HWND window = Native(form.Handle());
  form.agreeToClose = false;
  EXPECT_EQ(FALSE, SendMessageA(window, WM_QUERYENDSESSION, 0, 0));
  form.agreeToClose = true;
  EXPECT_EQ(TRUE, SendMessageA(window, WM_QUERYENDSESSION, 0, 0));
  EXPECT_EQ(2, form.closeQueries);
}

}  // namespace
