// The pure pieces of the GTK backend: which pixels take the mouse, how
// GDK's buttons and modifiers read, and whose move follows which button.
#include <gtest/gtest.h>

#include "platform/gtk/alpha_shape.h"
#include "platform/gtk/input_mapping.h"

namespace fwdesktop {
namespace {

using plat::gtk::VisibleRuns;

bool Same(const cairo_rectangle_int_t& r, int x, int y, int w) { return r.x == x && r.y == y && r.width == w && r.height == 1; }

TEST(VisibleRunsTest, OneRectanglePerRunOfPixelsThatAreNotFullyTransparent) {
  const std::uint8_t alpha[] = {
      0, 1, 255, 0, 9,   // two runs, one at the right edge
      0, 0, 0,   0, 0,   // nothing
      7, 7, 7,   7, 7,   // the whole row
  };
  const auto runs = VisibleRuns(alpha, 5, 3);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_TRUE(Same(runs[0], 1, 0, 2));
  EXPECT_TRUE(Same(runs[1], 4, 0, 1));
  EXPECT_TRUE(Same(runs[2], 0, 2, 5));
  EXPECT_TRUE(VisibleRuns(alpha + 5, 5, 1).empty());
  EXPECT_TRUE(VisibleRuns(alpha, 0, 0).empty());
}

TEST(InputMappingTest, ButtonsAndModifiersReadAsTheFrameworkNamesThem) {
  using plat::TMouseButton;
  using plat::gtk::MouseButtonOf;
  using plat::gtk::ShiftStateOf;
  EXPECT_EQ(MouseButtonOf(1), TMouseButton::mbLeft);
  EXPECT_EQ(MouseButtonOf(2), TMouseButton::mbMiddle);
  EXPECT_EQ(MouseButtonOf(3), TMouseButton::mbRight);
  EXPECT_EQ(MouseButtonOf(8), TMouseButton::mbMiddle);
  EXPECT_EQ(ShiftStateOf(0, 1), plat::ssLeft);
  EXPECT_EQ(ShiftStateOf(0, 3), plat::ssRight);
  EXPECT_EQ(ShiftStateOf(0, 2), plat::ssMiddle);
  EXPECT_EQ(ShiftStateOf(0, 0), 0u);
  EXPECT_EQ(ShiftStateOf(GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_BUTTON1_MASK, 3),
            plat::ssShift | plat::ssCtrl | plat::ssAlt | plat::ssLeft | plat::ssRight);
}

TEST(InputMappingTest, OnlyMutterLeavesTheMoveOfOtherButtonsToTheProgram) {
  const struct {
    const char* manager;
    guint button;
    bool follows;
  } cases[] = {
      {"GNOME Shell", 1, true}, {"GNOME Shell", 2, false}, {"GNOME Shell", 3, false}, {"Mutter (Muffin)", 3, false},
      {"KWin", 3, true},        {"Metacity", 3, true},     {"Openbox", 2, true},      {nullptr, 3, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(plat::gtk::ManagerMoveFollows(c.manager, c.button), c.follows)
        << (c.manager ? c.manager : "no window manager") << ", button " << c.button;
  }
}

}  // namespace
}  // namespace fwdesktop
