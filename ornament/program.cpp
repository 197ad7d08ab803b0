#include "ornament/program.h"

#include <memory>

#include "ornament/Unit1.h"
#include "ornament/base_layer.h"
#include "ornament/composer.h"
#include "ornament/random.h"
#include "platform/forms.h"
#include "platform/kernel.h"
#include "platform/window.h"
#include "png/pngimage.h"

namespace {

// The module state a fresh process starts with. The entry point sets it
// first, so one process can run the program more than once.
void ResetModuleState() {
  RandSeed = 0;
  BasePng.reset();
  BaseBitmap.reset();
  ReleaseFrame();
  Opacity = 0;
  PresentationBoxOpen = false;
  Shown.Forget();
  StarsOn = false;
  GarlandOn = false;
  LastGarlandTick = 0;
  GarlandName0.clear();
  GarlandName1.clear();
  for (TStar& star : StarField) star = TStar{};
  frmMain = nullptr;
}

}  // namespace

int FenwillowMain(int argc, char** argv) {
  plat::SetCommandLineArguments(argc, argv);
  ResetModuleState();
  plat::Application().Reset();
  std::unique_ptr<TfrmMain> form;
  try {
    plat::Application().CreateForm(form);
  } catch (const std::exception& error) {
    plat::MessageBoxA(nullptr, error.what(), "Application Error", plat::MB_OK);
    return 1;
  }
  plat::Application().Run();
  form.reset();
  frmMain = nullptr;
  return plat::Application().ExitCode();
}
