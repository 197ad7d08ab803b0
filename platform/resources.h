// Data linked into the program under a name: the stored form of each
// picture of the window's description. On Windows these are RCDATA
// resources of the executable; elsewhere a table compiled into it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

struct TResourceData {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// The data of the named resource; empty (data null) when there is none.
TResourceData FindResourceData(const char* name);

// The table a non-Windows program links in (generated at build time).
struct TEmbeddedResource {
  const char* name;
  const std::uint8_t* data;
  std::size_t size;
};
extern const TEmbeddedResource kEmbeddedResources[];
extern const std::size_t kEmbeddedResourceCount;

}  // namespace plat
