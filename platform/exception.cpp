#include "platform/exception.h"

namespace plat {

std::string CannotAssignMessage(const char* sourceClass, const char* targetClass) {
  return std::string("Cannot assign a ") + sourceClass + " to a " + targetClass;
}

}  // namespace plat
