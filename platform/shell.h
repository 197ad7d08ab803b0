// Shell calls of the ornament: the shell32 call that opens a page, and the
// desktop's own About box where it has one.
#pragma once

#include <string>
#include <vector>

#include "platform/wintypes.h"

namespace plat {

HANDLE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                     const char* directory, int show);

// What an About box shows. The picture's pixels are 32-bit, blue, green,
// red and alpha, colours premultiplied by alpha, rows top-down.
struct TAboutBox {
  std::string name, version, comments, copyright, licence;
  // A page that ships with the program, as a file path; offered as a link.
  std::string page;
  std::vector<BYTE> picture;
  int pictureWidth = 0, pictureHeight = 0;
};

// Shows the desktop's own About box, modal (timers keep ticking while it is
// open), and returns TRUE; FALSE where the desktop has none, as on Windows,
// whose program opens its page instead.
BOOL ShowAboutBox(HWND owner, const TAboutBox& about);

}  // namespace plat
