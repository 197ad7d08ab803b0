#include "ornament/Unit1.h"

#include "ornament/about_box.h"
#include "ornament/about_page.h"
#include "ornament/base_layer.h"
#include "ornament/composer.h"
#include "ornament/settings.h"
#include "png/pngimage.h"
#include "platform/shell.h"
#include "platform/window.h"

TfrmMain* frmMain = nullptr;

namespace {

constexpr const char* kLevelCaptions[10] = {"0%", "10%", "20%", "30%", "40%", "50%", "60%", "70%", "80%", "90%"};

std::unique_ptr<plat::TMenuItem> Item(const char* caption) { return std::make_unique<plat::TMenuItem>(caption); }

plat::TMenuItem* CheckItem(plat::TMenuItem& parent, const char* caption, bool checked) {
  plat::TMenuItem* item = parent.Add(Item(caption));
  item->AutoCheck = true;
  item->SetChecked(checked);
  return item;
}

}  // namespace

TfrmMain::TfrmMain() : plat::TForm("frmMain", 502, 304, 245, 353) {
  Images.Load(PictureCatalogue());
  BuildMenu();
  PopupMenu = &PopupMenuItems;
  TimerGarland.Interval = 40;
  TimerGarland.OnTimer = [this] { TimerGarlandTimer(); };
  TimerGarland.SetEnabled(true);
  frmMain = this;
}

void TfrmMain::BuildMenu() {
  plat::TMenuItem& root = PopupMenuItems.Items();
  pmiAbout = root.Add(Item("About..."));
  pmiAbout->Default = true;
  pmiAbout->OnClick = [this] { pmiAboutClick(); };
  root.Add(Item("-"));

  plat::TMenuItem* options = root.Add(Item("Options"));
  pmiStars = CheckItem(*options, "Stars", true);
  pmiStars->OnClick = [this] { pmiStarsClick(); };
  pmiGarland = CheckItem(*options, "Garland", true);
  pmiGarland->OnClick = [this] { pmiGarlandClick(); };

  plat::TMenuItem* transparent = options->Add(Item("Transparent"));
  for (int k = 0; k < 10; ++k) {
    plat::TMenuItem* level = transparent->Add(Item(kLevelCaptions[k]));
    level->RadioItem = true;
    level->GroupIndex = 1;
    level->AutoCheck = true;
    level->OnClick = [this, k] { ApplyLevel(k); };
    pmiLevels[k] = level;
  }
  pmiLevels[1]->SetChecked(true);

  pmiOnTop = CheckItem(*options, "OnTop", true);
  pmiOnTop->OnClick = [this] { pmiOnTopClick(); };
  pmiStartUp = CheckItem(*options, "StartUp", true);

  root.Add(Item("-"));
  pmiExit = root.Add(Item("Exit"));
  pmiExit->OnClick = [this] { pmiExitClick(); };
}

void TfrmMain::FormCreate() { BuildBaseLayer(); }

void TfrmMain::FormShow() {
  LoadSettings();
  plat::ShowWindow(plat::Application().Handle(), plat::SW_HIDE);
  plat::SetWindowLongA(Handle(), plat::GWL_HWNDPARENT,
                       static_cast<plat::LONG>(reinterpret_cast<std::intptr_t>(plat::GetDesktopWindow())));
  RenderFrame();
}

void TfrmMain::FormCloseQuery(bool& canClose) {
  SaveSettings();
  canClose = true;
}

void TfrmMain::FormDestroy() {
  ReleaseFrame();
  BaseBitmap.reset();
  BasePng.reset();
}

void TfrmMain::FormMouseDown(plat::TMouseButton, plat::TShiftState, int, int) {
  plat::ReleaseCapture();
  plat::SendMessageA(Handle(), plat::WM_SYSCOMMAND, plat::SC_DRAGMOVE, 0);
}

void TfrmMain::FormSeenChange(bool seen) { TimerGarland.SetPaused(!seen); }

void TfrmMain::TimerGarlandTimer() { RenderFrame(); }

void TfrmMain::pmiAboutClick() {
  const std::string page = AboutPageAddress();
  // The desktop's own About box where it has one: it needs no browser.
  if (plat::ShowAboutBox(Handle(), AboutBoxFor(page))) return;
  plat::ShellExecuteA(Handle(), "open", page.c_str(), nullptr, nullptr, plat::SW_SHOWMAXIMIZED);
}

void TfrmMain::pmiStarsClick() {
  TimerGarland.SetEnabled(true);
  StarsOn = pmiStars->Checked();
}

void TfrmMain::pmiGarlandClick() {
  TimerGarland.SetEnabled(true);
  GarlandOn = pmiGarland->Checked();
}

void TfrmMain::ApplyLevel(int index) {
  lastAppliedLevel_ = index;
  ApplyOpacity(kLevelOpacity[index]);
}

void TfrmMain::pmiOnTopClick() {
  plat::SetWindowPos(Handle(), pmiOnTop->Checked() ? plat::HWND_TOPMOST : plat::HWND_NOTOPMOST, 0, 0, 0, 0,
                     plat::SWP_NOSIZE | plat::SWP_NOMOVE);
}

void TfrmMain::pmiExitClick() { Close(); }

int TfrmMain::CheckedLevel() const {
  for (int k = 0; k < 10; ++k) {
    if (pmiLevels[k]->Checked()) return k;
  }
  return lastAppliedLevel_;
}
