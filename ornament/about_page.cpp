// The page is installed at <prefix>/share/fenwillow/about.html beside
// <prefix>/bin/fenwillow, so it is found wherever the program is installed;
// the build tree keeps a copy at the same place relative to its program.
#include "ornament/about_page.h"

#include <filesystem>

#include "platform/kernel.h"

std::string AboutPageAddress() {
  char program[4096];
  plat::GetModuleFileNameA(nullptr, program, sizeof program);
  const std::filesystem::path page =
      std::filesystem::path(program).parent_path() / ".." / "share" / "fenwillow" / "about.html";
  return page.lexically_normal().string();
}
