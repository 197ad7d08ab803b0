// Splitting the process command line into arguments as the program's
// ParamStr reads it: arguments are separated by blanks and control
// characters; double quotes group blanks into an argument and are dropped;
// a backslash has no special meaning.
#pragma once

#include <string>
#include <vector>

namespace plat::win32 {

std::vector<std::string> SplitCommandLine(const char* line);

}  // namespace plat::win32
