#include <cstring>

#include "platform/resources.h"

namespace plat {

TResourceData FindResourceData(const char* name) {
  for (std::size_t i = 0; i < kEmbeddedResourceCount; ++i) {
    if (std::strcmp(kEmbeddedResources[i].name, name) == 0) {
      return {kEmbeddedResources[i].data, kEmbeddedResources[i].size};
    }
  }
  return {};
}

}  // namespace plat
