// The Windows program is a single file: it carries its About page and
// writes it out to the user's temporary folder each time it is asked for,
// so the page shown always matches the program.
#include <stdexcept>
#include <string>

#include "ornament/about_page.h"
#include "platform/resources.h"
#include "platform/win32/win32_api.h"

std::string AboutPageAddress() {
  const plat::TResourceData page = plat::FindResourceData("ABOUT");
  if (page.data == nullptr) throw std::runtime_error("The About page is missing from the program");
  char folder[MAX_PATH + 1];
  const DWORD length = ::GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) {
    throw std::runtime_error("The About page cannot be written: there is no temporary folder");
  }
  const std::string path = std::string(folder, length) + "Fenwillow-about.html";
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("The About page cannot be written to " + path);
  DWORD written = 0;
  const bool saved = ::WriteFile(file, page.data, static_cast<DWORD>(page.size), &written, nullptr) &&
                     written == page.size;
  if (!::CloseHandle(file) || !saved) throw std::runtime_error("The About page cannot be written to " + path);
  return path;
}
