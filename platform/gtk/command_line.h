// The desktop program's own options, answered before the display is opened:
// --help and --version. Every other argument is left to the ornament, for
// which only an exact "add" in first place means anything.
#pragma once

#include <optional>

namespace plat::gtk {

// When an argument is --help or --version (the first of them counts),
// prints the answer on standard output and returns the exit status: 0, or
// 1 when the answer could not be written. Nothing when the ornament should
// run.
std::optional<int> AnswerInformationOption(int argc, char** argv);

}  // namespace plat::gtk
