// The running executable's full path as the system reports it.
#pragma once

#include <string>

namespace plat::soft {

std::string ExecutablePath();

}  // namespace plat::soft
