#include "ornament/settings.h"

#include <optional>
#include <utility>

#include "ornament/Unit1.h"
#include "ornament/base_layer.h"
#include "ornament/composer.h"
#include "ornament/random.h"
#include "ornament/registry_key.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/window.h"

const char* const kSettingsKey = "Software\\Fenwillow";
const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kRunValue = "Fenwillow";

namespace {

struct Place {
  int left;
  int top;
};

plat::RECT WorkArea() {
  plat::RECT area{0, 0, 0, 0};
  plat::SystemParametersInfoA(plat::SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

// The lower right corner of the work area, 5 pixels in from its right edge;
// from the area's width and height only, not its origin.
Place FirstRunPlace() {
  const plat::RECT area = WorkArea();
  return {area.right - area.left - frmMain->Width() - 5, area.bottom - area.top - frmMain->Height()};
}

Place RandomPlace() {
  Randomize();
  const plat::RECT area = WorkArea();
  const int left = RandomInt(area.right - area.left - frmMain->Width() - 5);
  const int top = RandomInt(area.bottom - area.top - frmMain->Height());
  return {left, top};
}

// Whether a window at the place keeps enough of itself on the monitor: at
// most 70 pixels out to the left, 140 above, and 30 in from the right and
// bottom edges.
bool KeepsToMonitor(const plat::RECT& monitor, const Place& place) {
  return place.left >= monitor.left - 70 && place.left <= monitor.right - 30 && place.top >= monitor.top - 140 &&
         place.top <= monitor.bottom - 30;
}

plat::BOOL KeepsToThisMonitor(plat::HMONITOR, plat::HDC, plat::RECT* bounds, plat::LPARAM data) {
  auto& [place, kept] = *reinterpret_cast<std::pair<Place, bool>*>(data);
  kept = KeepsToMonitor(*bounds, place);
  return kept ? plat::FALSE : plat::TRUE;
}

// A saved place is kept when it keeps to the primary screen or, where there
// are several monitors, to any one of them. Otherwise each coordinate that
// lies too far off the primary screen is replaced.
Place ValidatedPlace(int left, int top) {
  const int screenWidth = plat::GetSystemMetrics(plat::SM_CXSCREEN);
  const int screenHeight = plat::GetSystemMetrics(plat::SM_CYSCREEN);
  std::pair<Place, bool> search{{left, top}, false};
  if (KeepsToMonitor(plat::RECT{0, 0, screenWidth, screenHeight}, search.first)) return search.first;
  plat::EnumDisplayMonitors(nullptr, nullptr, KeepsToThisMonitor, reinterpret_cast<plat::LPARAM>(&search));
  if (search.second) return search.first;
  if (left < -70 || left > screenWidth - 30) left = 550;
  if (top < -140 || top > screenHeight - 30) top = 350;
  return {left, top};
}

// A stored integer as loading finds it: missing, read, or there but not
// readable as one (a wrong type, more than four bytes). That is reported
// once loading is done and then treated as missing, so one bad value
// neither hides the window nor stops the other values from being read.
struct Stored {
  bool present = false;
  std::optional<std::int32_t> value;
};

Stored ReadStored(const TRegistryKey& key, const char* name, std::string& problems) {
  Stored stored;
  stored.present = key.ValueExists(name);
  if (!stored.present) return stored;
  try {
    stored.value = key.ReadInteger(name);
  } catch (const ERegistryException& error) {
    if (!problems.empty()) problems += '\n';
    problems += error.what();
    problems += '.';
  }
  return stored;
}

std::string ExecutablePath() {
  char path[4096];
  const plat::DWORD n = plat::GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n < sizeof path ? n : 0);
}

}  // namespace

void LoadSettings() {
  std::int32_t level = 0;
  bool firstRun = false;
  std::string problems;
  {
    TRegistryKey key(kSettingsKey);
    plat::TMenuItem* const checks[] = {frmMain->pmiStars, frmMain->pmiGarland, frmMain->pmiOnTop};
    const char* const names[] = {"Stars", "Garland", "OnTop"};
    for (int i = 0; i < 3; ++i) {
      if (const auto stored = ReadStored(key, names[i], problems).value) checks[i]->SetChecked(*stored != 0);
    }
    if (const auto stored = ReadStored(key, "TrVal", problems).value) level = *stored;

    const Stored top = ReadStored(key, "Top", problems);
    const Stored left = ReadStored(key, "Left", problems);
    Place place;
    if (plat::ParamStr(1) == "add") {
      place = RandomPlace();
    } else if (top.value && left.value) {
      place = ValidatedPlace(*left.value, *top.value);
    } else {
      place = FirstRunPlace();
      // A place stored but unreadable still shows an earlier run, whose
      // StartUp choice the autostart entry keeps.
      firstRun = !(top.present && left.present);
    }
    frmMain->SetLeft(place.left);
    frmMain->SetTop(place.top);
  }
  {
    TRegistryKey run(kRunKey);
    if (!firstRun) frmMain->pmiStartUp->SetChecked(run.ValueExists(kRunValue));
  }
  const int k = level & 0xFF;
  if (k <= 9) {
    frmMain->pmiLevels[k]->SetChecked(true);
    frmMain->ApplyLevel(k);
  }
  frmMain->pmiOnTopClick();
  StarsOn = frmMain->pmiStars->Checked();
  GarlandOn = frmMain->pmiGarland->Checked();
  // A box opened before this point (a refused layered style, a failed
  // presentation) let the timer tick while both animations were still off,
  // and the composer stopped it; the animations start all the same.
  if (StarsOn || GarlandOn) frmMain->TimerGarland.SetEnabled(true);
  // A damaged store was read as empty and moved aside, or values could not
  // be read; say so before the window shows, so the user knows why those
  // settings are gone before a save replaces them. The animations are on
  // by now, so they run while the box is open.
  std::string notice = plat::TakeRegistryNotice();
  if (!notice.empty() && !problems.empty()) notice += '\n';
  notice += problems;
  if (!notice.empty()) ShowMessage(notice);
}

void SaveSettings() {
  const int level = frmMain->CheckedLevel();
  {
    TRegistryKey key(kSettingsKey);
    key.WriteInteger("Stars", frmMain->pmiStars->Checked() ? 1 : 0);
    key.WriteInteger("Garland", frmMain->pmiGarland->Checked() ? 1 : 0);
    key.WriteInteger("OnTop", frmMain->pmiOnTop->Checked() ? 1 : 0);
    key.WriteInteger("TrVal", level);
    key.WriteInteger("Top", frmMain->Top());
    key.WriteInteger("Left", frmMain->Left());
  }
  TRegistryKey run(kRunKey);
  if (frmMain->pmiStartUp->Checked()) {
    run.WriteString(kRunValue, ExecutablePath());
  } else {
    run.DeleteValue(kRunValue);
  }
}
