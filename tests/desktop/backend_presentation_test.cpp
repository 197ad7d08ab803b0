// Layered presentation and mouse input of the GTK backend.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gtk/fade.h"
#include "platform/gtk/gtk_state.h"
#include "platform/kernel.h"
#include "tests/desktop/backend_fixture.h"

namespace fwdesktop {
namespace {

using namespace plat;
using namespace std::chrono_literals;

// What the compositor shows for a premultiplied pixel at constant opacity
// `ca` over the desktop colour `d`.
Rgb Over(const Rgb& premultiplied, int alpha, int ca, const Rgb& d) {
  const auto channel = [&](int s, int dc) { return (s * ca + dc * (255 * 255 - alpha * ca) / 255 + 127) / 255; };
  return Rgb{channel(premultiplied.r, d.r), channel(premultiplied.g, d.g), channel(premultiplied.b, d.b)};
}

TEST_F(BackendTest, PresentsThePremultipliedFrameAtItsConstantOpacity) {
  ProbeForm form;
  ShowLayered(form);
  const int y = form.Top() + 10;
  const int red = form.Left() + 10, green = form.Left() + 30, clear = form.Left() + 50;
  const auto shows = [&](int x, const Rgb& expected) { return Near(Screen(x, y), expected, 3); };
  EXPECT_TRUE(PumpUntil([&] { return shows(red, Rgb{255, 0, 0}); })) << Describe(Screen(red, y));
  const Rgb halfGreen = Over(Rgb{0, 100, 0}, 128, 255, TestDisplay::DesktopAt(green, y));
  EXPECT_TRUE(shows(green, halfGreen)) << Describe(Screen(green, y)) << " expected " << Describe(halfGreen);
  EXPECT_TRUE(shows(clear, TestDisplay::DesktopAt(clear, y))) << Describe(Screen(clear, y));

  ASSERT_TRUE(Present(form, 145));
  const Rgb dimRed = Over(Rgb{255, 0, 0}, 255, 145, TestDisplay::DesktopAt(red, y));
  EXPECT_TRUE(PumpUntil([&] { return shows(red, dimRed); }))
      << Describe(Screen(red, y)) << " expected " << Describe(dimRed);
  const Rgb dimGreen = Over(Rgb{0, 100, 0}, 128, 145, TestDisplay::DesktopAt(green, y));
  EXPECT_TRUE(shows(green, dimGreen)) << Describe(Screen(green, y)) << " expected " << Describe(dimGreen);

  // Opacity 0 hides the window entirely.
  ASSERT_TRUE(Present(form, 0));
  EXPECT_TRUE(PumpUntil([&] { return shows(red, TestDisplay::DesktopAt(red, y)); })) << Describe(Screen(red, y));
}

// What a not fully opaque window uploads is byte for byte what its
// exposures paint, for every premultiplied pixel at every opacity.
TEST(FadeTest, UploadAgreesWithThePaintedExposure) {
  // Rows of three pixels more than whole groups of four, for the tail.
  constexpr int kWidth = 259, kHeight = 256;
  gtk::WindowRecord record;
  record.frame = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_surface_t* painted = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  const int stride = cairo_image_surface_get_stride(record.frame);
  unsigned char* frame = cairo_image_surface_get_data(record.frame);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      unsigned char* p = frame + y * stride + 4 * x;
      p[0] = p[1] = p[2] = static_cast<unsigned char>(std::min(x, y));
      p[3] = static_cast<unsigned char>(y);
    }
  }
  cairo_surface_mark_dirty(record.frame);
  std::vector<std::uint8_t> faded(stride);
  for (int opacity = 0; opacity < 255; ++opacity) {
    record.constantAlpha = static_cast<BYTE>(opacity);
    cairo_t* cr = cairo_create(painted);
    gtk::PaintFrame(cr, &record);
    cairo_destroy(cr);
    cairo_surface_flush(painted);
    const unsigned char* expected = cairo_image_surface_get_data(painted);
    for (int y = 0; y < kHeight; ++y) {
      gtk::FadeRow(frame + y * stride, faded.data(), 4 * kWidth, record.constantAlpha);
      ASSERT_EQ(0, std::memcmp(faded.data(), expected + y * stride, 4 * kWidth)) << "opacity " << opacity << ", alpha " << y;
    }
  }
  cairo_surface_destroy(painted);
  cairo_surface_destroy(record.frame);
}

TEST_F(BackendTest, EveryKindOfSourceBitmapShowsTheRightWayUp) {
  ProbeForm form;
  ShowLayered(form);
  const int x = form.Left() + 10, top = form.Top() + 3, low = form.Top() + 40;
  for (Source kind : {Source::BottomUpSection, Source::DeviceBitmap, Source::TopDownSection}) {
    ASSERT_TRUE(Present(form, 255, ULW_ALPHA, POINT{0, 0}, kind));
    EXPECT_TRUE(PumpUntil([&] {
      return Near(Screen(x, low), Rgb{255, 0, 0}, 3) && Near(Screen(x, top), TestDisplay::DesktopAt(x, top), 3);
    })) << static_cast<int>(kind) << ": " << Describe(Screen(x, top)) << " above " << Describe(Screen(x, low));
    // The clear rows take no clicks.
    const gtk::WindowRecord* record = gtk::FindWindow(form.Handle());
    EXPECT_FALSE(gtk::HitsPicture(*record, x, top));
    EXPECT_TRUE(gtk::HitsPicture(*record, x, low));
  }
}

TEST_F(BackendTest, PresentationMovesAndSizesTheWindow) {
  ProbeForm form(300, 200);
  ShowLayered(form);
  Window window = screen_->FindWindow("probe");
  ASSERT_NE(window, 0u);
  EXPECT_TRUE(PumpUntil([&] {
    const WindowPlace p = screen_->Place(window);
    return p.x == 300 && p.y == 200 && p.width == ProbeForm::kWidth && p.height == ProbeForm::kHeight;
  }));
  form.SetLeft(420);
  ASSERT_TRUE(Present(form, 255));
  EXPECT_TRUE(PumpUntil([&] { return screen_->Place(window).x == 420; }));
  EXPECT_EQ(form.Left(), 420);
}

TEST_F(BackendTest, RefusesWhatIsNotALayeredPresentation) {
  ProbeForm form;
  SetLastError(0);
  EXPECT_FALSE(Present(form, 255)) << "the window is not layered yet";
  EXPECT_EQ(GetLastError(), 87u);
  SetWindowLongA(form.Handle(), GWL_EXSTYLE, GetWindowLongA(form.Handle(), GWL_EXSTYLE) | WS_EX_LAYERED);
  EXPECT_FALSE(Present(form, 255, 0)) << "flags without ULW_ALPHA";
  EXPECT_FALSE(Present(form, 255, ULW_ALPHA, POINT{1, 0})) << "the source reaches past the bitmap";
  EXPECT_FALSE(Present(form, 255, ULW_ALPHA, POINT{-1, 0}));
  EXPECT_TRUE(Present(form, 255));
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  SIZE size{1, 1};
  HDC screen = GetDC(nullptr);
  EXPECT_FALSE(UpdateLayeredWindow(GetDesktopWindow(), screen, nullptr, &size, screen, nullptr, 0, &blend, ULW_ALPHA));
  ReleaseDC(nullptr, screen);
}

TEST_F(BackendTest, TheMouseReachesOnlyVisiblePixels) {
  ProbeForm form;
  ShowLayered(form);
  const std::string y = std::to_string(form.Top() + 10);
  ASSERT_EQ(XdotoolPumping({"mousemove", std::to_string(form.Left() + 50), y, "click", "1"}), 0);
  EXPECT_EQ(form.mouseDowns, 0) << "a click on a fully transparent pixel reached the window";
  ASSERT_EQ(XdotoolPumping({"mousemove", std::to_string(form.Left() + 30), y, "click", "2"}), 0);
  EXPECT_TRUE(PumpUntil([&] { return form.mouseDowns == 1; }));
  EXPECT_EQ(form.lastButton, TMouseButton::mbMiddle);

  // A window presented at opacity 0 takes no clicks at all.
  ASSERT_TRUE(Present(form, 0));
  PumpUntil([] { return false; }, 200ms);
  ASSERT_EQ(XdotoolPumping({"mousemove", std::to_string(form.Left() + 10), y, "click", "1"}), 0);
  EXPECT_EQ(form.mouseDowns, 1);
}

TEST_F(BackendTest, ALeftPressMovesTheWindowWithThePointer) {
  ProbeForm form(200, 150);
  form.moveOnPress = true;
  ShowLayered(form);
  const int x = 210, y = 160;
  ASSERT_EQ(XdotoolPumping({"mousemove", std::to_string(x), std::to_string(y), "mousedown", "1", "sleep", "0.2",
                            "mousemove", std::to_string(x + 80), std::to_string(y + 60), "sleep", "0.2",
                            "mousemove", std::to_string(x + 160), std::to_string(y + 120), "sleep", "0.2",
                            "mouseup", "1"}),
            0);
  EXPECT_TRUE(PumpUntil([&] { return form.Left() == 360 && form.Top() == 270; }))
      << "the form is at " << form.Left() << ", " << form.Top();
  EXPECT_EQ(form.mouseDowns, 1);
}

TEST_F(BackendTest, ARightDragMovesTheWindowAndOpensNoMenu) {
  ProbeForm form(200, 150);
  form.moveOnPress = true;
  TPopupMenu menu;
  int chosen = 0;
  menu.Items().Add(std::make_unique<TMenuItem>("Only"))->OnClick = [&] { ++chosen; };
  form.PopupMenu = &menu;
  ShowLayered(form);
  bool menuSeen = false;
  const guint watch = g_timeout_add(10, [](gpointer seen) -> gboolean {
    if (gtk::TheState().menu != nullptr) *static_cast<bool*>(seen) = true;
    return G_SOURCE_CONTINUE;
  }, &menuSeen);
  const int x = 210, y = 160;
  ASSERT_EQ(XdotoolPumping({"mousemove", std::to_string(x), std::to_string(y), "mousedown", "3", "sleep", "0.2",
                            "mousemove", std::to_string(x + 30), std::to_string(y + 20), "sleep", "0.2",
                            "mousemove", std::to_string(x + 100), std::to_string(y + 50), "sleep", "0.2",
                            "mouseup", "3"}),
            0);
  EXPECT_TRUE(PumpUntil([&] { return form.Left() == 300 && form.Top() == 200; }))
      << "the form is at " << form.Left() << ", " << form.Top();
  PumpUntil([] { return false; }, 300ms);
  g_source_remove(watch);
  EXPECT_FALSE(menuSeen);
  EXPECT_EQ(chosen, 0);
}

TEST_F(BackendTest, ARightClickOpensTheMenuAndRunsTheChosenCommandAfterwards) {
  ProbeForm form;
  form.moveOnPress = true;  // as the ornament does: every press asks for a move
  TPopupMenu menu;
  int first = 0, second = 0;
  bool menuClosedFirst = false;
  menu.Items().Add(std::make_unique<TMenuItem>("First"))->OnClick = [&] { ++first; };
  menu.Items().Add(std::make_unique<TMenuItem>("-"));
  menu.Items().Add(std::make_unique<TMenuItem>("Second"))->OnClick = [&] {
    ++second;
    menuClosedFirst = gtk::TheState().menu == nullptr;
  };
  form.PopupMenu = &menu;
  ShowLayered(form);
  ASSERT_EQ(XdotoolPumping({"mousemove", std::to_string(form.Left() + 10), std::to_string(form.Top() + 10), "click",
                            "3", "sleep", "0.5", "mousemove", "0", "0", "key", "--delay", "100", "Down", "Down",
                            "Return"}),
            0);
  EXPECT_TRUE(PumpUntil([&] { return second == 1; }));
  EXPECT_EQ(first, 0);
  EXPECT_TRUE(menuClosedFirst);
  EXPECT_EQ(form.mouseDowns, 1);

  // Dismissed with Escape, the menu runs nothing.
  ASSERT_EQ(XdotoolPumping({"mousemove", std::to_string(form.Left() + 10), std::to_string(form.Top() + 10), "click",
                            "3", "sleep", "0.5", "mousemove", "0", "0", "key", "Escape"}),
            0);
  PumpUntil([] { return gtk::TheState().menu == nullptr; });
  EXPECT_EQ(first + second, 1);
}

TEST_F(BackendTest, TheMenuKeyOpensTheMenuAtTheWindowCorner) {
  ProbeForm form;
  TPopupMenu menu;
  int chosen = 0;
  menu.Items().Add(std::make_unique<TMenuItem>("Only"))->OnClick = [&] { ++chosen; };
  form.PopupMenu = &menu;
  ShowLayered(form);
  Window window = screen_->FindWindow("probe");
  XSetInputFocus(screen_->X(), window, RevertToParent, CurrentTime);
  XSync(screen_->X(), False);
  PumpUntil([] { return false; }, 200ms);
  ASSERT_EQ(XdotoolPumping({"key", "Menu", "sleep", "0.5", "key", "Down", "Return"}), 0);
  EXPECT_TRUE(PumpUntil([&] { return chosen == 1; }));
}

}  // namespace
}  // namespace fwdesktop
