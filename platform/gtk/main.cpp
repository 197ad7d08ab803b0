// The desktop program: the ornament in a real window.
#include "ornament/program.h"
#include "platform/gtk/command_line.h"
#include "platform/gtk/gtk_platform.h"

int main(int argc, char** argv) {
  if (const std::optional<int> status = plat::gtk::AnswerInformationOption(argc, argv)) return *status;
  if (!plat::gtk::OpenDisplay(argc, argv)) return 1;
  return FenwillowMain(argc, argv);
}
