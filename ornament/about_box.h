// What the desktop's own About box shows of the ornament.
#pragma once

#include <string>

#include "platform/shell.h"

// The name, version, licence and tree of the program, with `page`, the page
// "About..." opens where there is no such box, as its link.
plat::TAboutBox AboutBoxFor(const std::string& page);
