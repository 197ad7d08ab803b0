// Named data of the program: RCDATA resources of the executable.
#include "platform/resources.h"
#include "platform/win32/win32_api.h"

namespace plat {

TResourceData FindResourceData(const char* name) {
  HRSRC resource = ::FindResourceA(nullptr, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  if (resource == nullptr) return {};
  HGLOBAL loaded = ::LoadResource(nullptr, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) return {};
  return {static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(::SizeofResource(nullptr, resource))};
}

}  // namespace plat
