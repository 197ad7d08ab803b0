#include "platform/gtk/input_mapping.h"

#include <string>

namespace plat::gtk {

TMouseButton MouseButtonOf(guint button) {
  if (button == 1) return TMouseButton::mbLeft;
  if (button == 3) return TMouseButton::mbRight;
  return TMouseButton::mbMiddle;
}

TShiftState ShiftStateOf(guint modifiers, guint pressedButton) {
  TShiftState shift = 0;
  if (modifiers & GDK_SHIFT_MASK) shift |= ssShift;
  if (modifiers & GDK_MOD1_MASK) shift |= ssAlt;
  if (modifiers & GDK_CONTROL_MASK) shift |= ssCtrl;
  if ((modifiers & GDK_BUTTON1_MASK) || pressedButton == 1) shift |= ssLeft;
  if ((modifiers & GDK_BUTTON3_MASK) || pressedButton == 3) shift |= ssRight;
  if ((modifiers & GDK_BUTTON2_MASK) || pressedButton == 2 || pressedButton > 3) shift |= ssMiddle;
  return shift;
}

bool ManagerMoveFollows(const char* manager, guint button) {
  if (button == 1 || manager == nullptr) return true;
  const std::string name = manager;
  return name != "GNOME Shell" && name.rfind("Mutter", 0) != 0;
}

}  // namespace plat::gtk
