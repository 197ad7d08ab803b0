// The ornament's one window: its pictures, context menu and 40 ms timer,
// and the handlers of its life events and menu commands.
#pragma once

#include "ornament/image_store.h"
#include "platform/forms.h"

class TfrmMain : public plat::TForm {
 public:
  // Creates the window from its description: the named pictures (decoded
  // here), the context menu with its design-time states and the timer.
  TfrmMain();

  TImageStore Images;
  plat::TPopupMenu PopupMenuItems;
  plat::TTimer TimerGarland;

  plat::TMenuItem* pmiAbout = nullptr;
  plat::TMenuItem* pmiStars = nullptr;
  plat::TMenuItem* pmiGarland = nullptr;
  plat::TMenuItem* pmiLevels[10] = {};  // pmi0 … pmi90
  plat::TMenuItem* pmiOnTop = nullptr;
  plat::TMenuItem* pmiStartUp = nullptr;
  plat::TMenuItem* pmiExit = nullptr;

  void FormCreate() override;
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  void FormDestroy() override;
  void FormMouseDown(plat::TMouseButton button, plat::TShiftState shift, int x, int y) override;
  // Nothing is drawn while nobody can see it; the animation goes on from
  // where it stood when somebody can again.
  void FormSeenChange(bool seen) override;
  void TimerGarlandTimer();

  void pmiAboutClick();
  void pmiStarsClick();
  void pmiGarlandClick();
  // pmi0Click … pmi90Click: the constant opacity of level `index`.
  void ApplyLevel(int index);
  void pmiOnTopClick();
  void pmiExitClick();

  // Index 0–9 of the checked transparency level; when none is checked, the
  // level last applied (0 if none was).
  int CheckedLevel() const;

 private:
  void BuildMenu();
  int lastAppliedLevel_ = 0;
};

// The one window of the process.
extern TfrmMain* frmMain;
