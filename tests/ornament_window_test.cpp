// The ornament's window on the headless platform: life events, base layer
// and presentation, menu, input and error reports.
#include <cstring>

#include "ornament/Unit1.h"
#include "ornament/base_layer.h"
#include "ornament/composer.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "png/pngimage.h"
#include "tests/ornament_harness.h"

namespace {

using harness::BoxTexts;
using harness::Choose;
using harness::ConfigHome;
using harness::ReadDword;
using harness::RunProgram;
namespace headless = plat::headless;

TEST(Window, ShowsTheTreeAtItsOwnSizeWithoutTaskbarButton) {
  ConfigHome home;
  RunProgram([&] {
    EXPECT_EQ(frmMain->Width(), 200);
    EXPECT_EQ(frmMain->Height(), 310);
    const auto* state = headless::Window(frmMain->Handle());
    ASSERT_NE(state, nullptr);
    EXPECT_TRUE(state->exStyle & plat::WS_EX_LAYERED);
    EXPECT_TRUE(state->visible);
    EXPECT_TRUE(state->topmost);
    EXPECT_EQ(state->owner, plat::GetDesktopWindow());
    EXPECT_FALSE(headless::TaskbarButtonVisible());
    const auto* shown = headless::LastPresentation();
    EXPECT_EQ(shown->size.cx, 200);
    EXPECT_EQ(shown->size.cy, 310);
    EXPECT_EQ(shown->constantAlpha, 255);
    Choose("Exit");
  });
  EXPECT_TRUE(BoxTexts().empty());
}

TEST(Window, CreationPresentsInvisiblyAtTheDesignTimePlace) {
  ConfigHome home;
  std::vector<headless::Presentation> shown;
  RunProgram([&] { Choose("Exit"); }, {},
             [&] { headless::OnPresent([&](const headless::Presentation& p) { shown.push_back(p); }); });
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown[0].constantAlpha, 0);  // FormCreate: opacity 0
  EXPECT_EQ(shown[0].position.x, 502);
  EXPECT_EQ(shown[0].position.y, 304);
  EXPECT_EQ(shown[1].constantAlpha, 255);  // the stored level, at the final place
  EXPECT_EQ(shown[1].position.x, 1715);
}

TEST(BaseLayer, IsThePremultipliedTree) {
  ConfigHome home;
  RunProgram([&] {
    TPNGObject* tree = frmMain->Images.Find("imgTree");
    ASSERT_NE(tree, nullptr);
    int transparent = 0, opaque = 0;
    auto expectPremultipliedTree = [&] {
      for (int y = 0; y < 310; ++y) {
        const auto* pixel = static_cast<const std::uint8_t*>(BaseBitmap->ScanLine(y));
        const std::uint8_t* alpha = tree->AlphaRow(y);
        const std::uint8_t* colour = tree->ColorRow(y);
        for (int x = 0; x < 200; ++x) {
          const unsigned a = alpha[x];
          ASSERT_EQ(pixel[4 * x + 3], a);
          for (int c = 0; c < 3; ++c) ASSERT_EQ(pixel[4 * x + c], colour[3 * x + c] * a / 255) << x << "," << y;
          transparent += a == 0;
          opaque += a == 255;
        }
      }
    };
    expectPremultipliedTree();
    EXPECT_GT(transparent, 1000);  // the picture has a transparent surround
    EXPECT_GT(opaque, 1000);
    // A level change after the tree itself changed shows the new tree.
    tree->AlphaRow(0)[0] = 255;
    tree->ColorRow(0)[0] = 77;
    Choose("50%");
    expectPremultipliedTree();
    Choose("Exit");
  });
}

TEST(BaseLayer, PremultiplicationWorkedValues) {
  plat::TBitmap bitmap;
  bitmap.SetPixelFormat(plat::TPixelFormat::pf32bit);
  bitmap.SetSize(3, 1);
  auto* p = static_cast<std::uint8_t*>(bitmap.ScanLine(0));
  const std::uint8_t in[12] = {255, 200, 10, 128, 9, 8, 7, 0, 1, 2, 3, 255};
  std::memcpy(p, in, sizeof in);
  Premultiply(bitmap);
  const std::uint8_t out[12] = {128, 100, 5, 128, 0, 0, 0, 0, 1, 2, 3, 255};
  EXPECT_EQ(std::memcmp(p, out, sizeof out), 0);
}

TEST(BaseLayer, OpacityChangesOnlyTheConstantAlpha) {
  ConfigHome home;
  RunProgram([&] {
    Choose("Stars");
    Choose("Garland");
    headless::AdvanceTime(40);
    const std::vector<std::uint8_t> opaque = headless::LastPresentation()->pixels;
    Choose("90%");
    const auto* shown = headless::LastPresentation();
    EXPECT_EQ(shown->constantAlpha, 57);
    EXPECT_EQ(shown->pixels, opaque);
    Choose("Exit");
  });
}

TEST(BaseLayer, RebuildingOnALayeredWindowKeepsTheStyle) {
  ConfigHome home;
  RunProgram([&] {
    const plat::LONG style = plat::GetWindowLongA(frmMain->Handle(), plat::GWL_EXSTYLE);
    Choose("50%");
    Choose("50%");
    EXPECT_EQ(plat::GetWindowLongA(frmMain->Handle(), plat::GWL_EXSTYLE), style);
    Choose("Exit");
  });
  EXPECT_TRUE(BoxTexts().empty());
}

TEST(Frames, GarlandAndStarsChangeColourButNeverTheAlpha) {
  ConfigHome home;
  RunProgram([&] {
    for (int i = 0; i < 30; ++i) {
      headless::AdvanceTime(40);
      const auto& pixels = headless::LastPresentation()->pixels;
      for (int y = 0; y < 310; ++y) {
        const auto* base = static_cast<const std::uint8_t*>(BaseBitmap->ScanLine(y));
        for (int x = 0; x < 200; ++x) {
          ASSERT_EQ(pixels[(static_cast<std::size_t>(y) * 200 + x) * 4 + 3], base[4 * x + 3]);
        }
      }
    }
    Choose("Exit");
  });
}

TEST(Menu, ShowsTheCaptionsAndStatesOfTheDesign) {
  ConfigHome home;
  RunProgram([&] {
    headless::ContextMenuKey();
    Choose("Exit");
  });
  std::vector<std::string> captions;
  for (const auto& item : headless::LastMenu()) captions.push_back(item.caption);
  const std::vector<std::string> expected = {"About...", "-", "Options", "Stars", "Garland", "Transparent",
                                             "0%", "10%", "20%", "30%", "40%", "50%", "60%", "70%", "80%",
                                             "90%", "OnTop", "StartUp", "-", "Exit"};
  EXPECT_EQ(captions, expected);
  const auto& menu = headless::LastMenu();
  EXPECT_TRUE(menu[0].isDefault);
  EXPECT_TRUE(menu[3].checked);
  EXPECT_TRUE(menu[6].checked);   // the stored level "0%" (first run: 0)
  EXPECT_FALSE(menu[7].checked);  // the radio group has one check
  EXPECT_TRUE(menu[6].radio);
}

TEST(Menu, AboutOpensThePageInstalledWithTheProgram) {
  ConfigHome home;
  RunProgram([&] {
    Choose("About...");
    Choose("Exit");
  });
  ASSERT_EQ(headless::ShellCalls().size(), 1u);
  EXPECT_EQ(headless::ShellCalls()[0], "open /opt/fenwillow/share/fenwillow/about.html");
}

TEST(Menu, OnTopFollowsItsCheckMark) {
  ConfigHome home;
  RunProgram([&] {
    Choose("OnTop");
    EXPECT_FALSE(headless::Window(frmMain->Handle())->topmost);
    Choose("OnTop");
    EXPECT_TRUE(headless::Window(frmMain->Handle())->topmost);
    Choose("Exit");
  });
}

TEST(Menu, StartUpChangesNothingUntilExit) {
  ConfigHome home;
  RunProgram([&] {
    Choose("StartUp");
    EXPECT_FALSE(std::filesystem::exists(home.AutostartFile()));
    Choose("StartUp");
    Choose("Exit");
  });
  EXPECT_TRUE(std::filesystem::exists(home.AutostartFile()));
}

TEST(Input, AnyButtonDragsTheWindowAndTheAnimationRunsOn) {
  ConfigHome home;
  RunProgram([&] {
    const std::size_t before = headless::PresentationCount();
    headless::QueueDrag(-300, -200, 400);
    // The middle of the tree is opaque.
    EXPECT_TRUE(headless::Click(plat::TMouseButton::mbMiddle, 1715 + 100, 730 + 200));
    EXPECT_EQ(frmMain->Left(), 1415);
    EXPECT_EQ(frmMain->Top(), 530);
    EXPECT_GE(headless::PresentationCount(), before + 9);
    headless::AdvanceTime(40);  // the next frame is shown where the drag ended
    EXPECT_EQ(headless::LastPresentation()->position.x, 1415);
    Choose("Exit");
  });
  EXPECT_EQ(ReadDword("Left"), 1415);
  EXPECT_EQ(ReadDword("Top"), 530);
}

TEST(Input, ClicksOnTransparentPixelsPassThrough) {
  ConfigHome home;
  RunProgram([&] {
    headless::QueueMenuChoice("Exit");
    EXPECT_FALSE(headless::Click(plat::TMouseButton::mbRight, 1715 + 1, 730 + 1));
    EXPECT_EQ(headless::MenusOpened(), 0u);
    EXPECT_TRUE(headless::Click(plat::TMouseButton::mbRight, 1715 + 100, 730 + 200));
  });
  EXPECT_EQ(headless::MenusOpened(), 1u);
}

TEST(Session, CloseFromTheSystemAndEndOfSessionSave) {
  ConfigHome home;
  RunProgram([&] {
    Choose("Garland");
    EXPECT_TRUE(headless::QueryEndSession());
    EXPECT_EQ(ReadDword("Garland"), 0);
    Choose("Garland");
    headless::RequestClose();
  });
  EXPECT_EQ(ReadDword("Garland"), 1);
}

TEST(Errors, FailedPresentationsAreReportedAndTheProgramCarriesOn) {
  ConfigHome home;
  RunProgram([&] {
    headless::FailPresentations(true);
    headless::AdvanceTime(80);
    Choose("20%");
    headless::FailPresentations(false);
    headless::AdvanceTime(40);
    Choose("Exit");
  });
  const std::vector<std::string> expected = {"UpdateLayeredWindow error", "UpdateLayeredWindow error", "No!!!!!"};
  EXPECT_EQ(BoxTexts(), expected);
  EXPECT_EQ(headless::LastPresentation(), nullptr);  // the window is gone
}

TEST(Errors, RefusedLayeredStyleShowsTheSystemText) {
  ConfigHome home;
  RunProgram([&] { Choose("Exit"); }, {}, [] { headless::FailNextSetWindowLong(5); });
  ASSERT_FALSE(BoxTexts().empty());
  EXPECT_EQ(BoxTexts().front(), "Access is denied");
  EXPECT_EQ(headless::MessageBoxes().front().caption, "fenwillow");
}

TEST(Errors, HandlerErrorsGetAFullStopAndTheTitleAsCaption) {
  ConfigHome home;
  RunProgram([&] {
    plat::Dispatch([] { throw plat::Exception("It broke"); });
    plat::Dispatch([] { throw plat::Exception("Already stopped."); });
    Choose("Exit");
  });
  const std::vector<std::string> expected = {"It broke.", "Already stopped."};
  EXPECT_EQ(BoxTexts(), expected);
  for (const auto& box : headless::MessageBoxes()) EXPECT_EQ(box.caption, "fenwillow");
}

TEST(Errors, TitleIsTheExecutableNameUpToItsFirstFullStop) {
  ConfigHome home;
  std::string title;
  RunProgram([&] {
    headless::SetModulePath("C:\\Program Files\\FENWILLOW.v2.exe");
    title = plat::Application().Title();
    headless::SetModulePath("/usr/bin/fenwillow");
    Choose("Exit");
  });
  EXPECT_EQ(title, "Fenwillow");
}

TEST(Errors, TimerKeepsTickingWhileAMessageBoxIsOpen) {
  ConfigHome home;
  std::size_t duringBox = 0;
  RunProgram([&] {
    headless::OnMessageBox([&](const headless::MessageBoxRecord&) {
      const std::size_t before = headless::PresentationCount();
      headless::AdvanceTime(200);
      duringBox = headless::PresentationCount() - before;
    });
    plat::Dispatch([] { throw plat::Exception("Look"); });
    headless::OnMessageBox(nullptr);
    Choose("Exit");
  });
  EXPECT_EQ(duringBox, 5u);
}

}  // namespace
