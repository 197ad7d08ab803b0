// A program whose embedded tree picture is corrupt (built from a damaged
// copy of the pictures) stops before its window shows.
#include "tests/ornament_harness.h"

namespace {

namespace headless = plat::headless;

TEST(DamagedPicture, EndsTheProgramWithAnApplicationErrorBox) {
  harness::ConfigHome home;
  bool loopRan = false;
  const int status = harness::RunProgram([&] { loopRan = true; });
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(loopRan);
  EXPECT_EQ(headless::PresentationCount(), 0u);
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  const auto& box = headless::MessageBoxes().front();
  EXPECT_EQ(box.caption, "Application Error");
  const std::string prefix = "Error reading imgTree.Picture.Data: ";
  ASSERT_EQ(box.text.compare(0, prefix.size(), prefix), 0) << box.text;
  // The codec's own message follows.
  EXPECT_NE(box.text.find("\"Portable Network Graphics\""), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home.StoreFile()));  // nothing saved
}

}  // namespace
