// Where the software registry keeps its files, and the XDG autostart
// entries that stand for the values of the Run key.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace plat::soft {

// $XDG_CONFIG_HOME, or $HOME/.config when that is unset, empty or relative
// (the XDG rule); "" when no home directory is known either.
std::string ConfigHome();

// The settings store's directory, $XDG_CONFIG_HOME/fenwillow, and the store
// file in it; "" when no home directory is known.
std::string StoreDirectory();
std::string StorePath(const std::string& dir);

// The autostart directory, $XDG_CONFIG_HOME/autostart, and the entry in it
// for the Run value `name`; "" when there can be none.
std::string AutostartDirectory();
std::string AutostartEntryPath(std::string_view name);

// File name of the autostart entry for the Run value `name`: the name in
// lower case and ".desktop". "" when the name cannot be a file name (empty,
// a slash, "." or "..", control characters, not UTF-8, too long).
std::string AutostartFileName(std::string_view name);

// A complete autostart entry named `name` that runs `program` with no
// arguments and names it in TryExec. "" when a desktop entry cannot hold
// the path: empty, not UTF-8, or control characters other than tab, CR
// and LF.
std::string AutostartEntry(std::string_view name, std::string_view program);

// The program an autostart entry starts: the first word of its Exec value
// (after "env" and its variables), unescaped. Nothing when the entry starts
// nothing (no Exec in the "Desktop Entry" group, Hidden, disabled, an
// unclosed quote).
std::optional<std::string> AutostartProgram(std::string_view entry);

}  // namespace plat::soft
