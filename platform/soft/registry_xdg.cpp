#include "platform/soft/registry_xdg.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/soft/registry_store.h"

namespace plat::soft {

namespace {

constexpr std::size_t kMaxEntryName = 200;  // stays well inside NAME_MAX

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (IsAbsolute(home)) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && IsAbsolute(found->pw_dir)) {
    return found->pw_dir;
  }
  return "";
}

bool IsUtf8WithoutControls(std::string_view text, std::string_view allowedControls) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 || c == 0x7F) &&
        allowedControls.find(static_cast<char>(c)) == std::string_view::npos) {
      return false;
    }
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

// The escapes of desktop entry string values: \s \n \t \r \\.
std::string EscapeString(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out.push_back(c);
    }
  }
  // Leading blanks would be trimmed by readers.
  if (!out.empty() && out[0] == ' ') out.replace(0, 1, "\\s");
  return out;
}

std::string UnescapeString(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out.push_back(text[i]);
      continue;
    }
    switch (text[++i]) {
      case 's': out.push_back(' '); break;
      case 'n': out.push_back('\n'); break;
      case 't': out.push_back('\t'); break;
      case 'r': out.push_back('\r'); break;
      case '\\': out.push_back('\\'); break;
      default: out.push_back('\\'); out.push_back(text[i]);
    }
  }
  return out;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// The argument of an unescaped Exec value that starts at or after `i`,
// without its quoting and with "%%" turned back into "%"; `i` moves past
// it. Nothing at the end of the value or for an unclosed quote.
std::optional<std::string> NextArgument(std::string_view exec, std::size_t& i) {
  while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t')) ++i;
  if (i == exec.size()) return std::nullopt;
  std::string word;
  if (exec[i] == '"') {
    for (++i; i < exec.size() && exec[i] != '"'; ++i) {
      if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
      word.push_back(exec[i]);
    }
    if (i == exec.size()) return std::nullopt;
    ++i;
  } else {
    for (; i < exec.size() && exec[i] != ' ' && exec[i] != '\t'; ++i) word.push_back(exec[i]);
  }
  std::string argument;
  for (std::size_t k = 0; k < word.size(); ++k) {
    argument.push_back(word[k]);
    if (word[k] == '%' && k + 1 < word.size() && word[k + 1] == '%') ++k;
  }
  return argument;
}

bool IsAssignment(std::string_view word) {
  return !word.empty() && word[0] != '/' && word.find('=') != std::string_view::npos;
}

// The program an unescaped Exec value runs: its first argument, or the
// first after "env" and the variables env sets.
std::optional<std::string> ProgramOf(std::string_view exec) {
  std::size_t i = 0;
  std::optional<std::string> word = NextArgument(exec, i);
  if (word == "env") {
    do {
      word = NextArgument(exec, i);
    } while (word && IsAssignment(*word));
  }
  if (!word || word->empty()) return std::nullopt;
  return word;
}

// The Exec value that runs `program` with no arguments, quoted and escaped
// as desktop entries require; "" when a desktop entry cannot hold the path.
// A path with a '%' in it runs through env: GLib looks for the program
// named by the value's first word before it turns "%%" back into "%", so it
// would refuse the entry.
std::string ExecValueFor(std::string_view program) {
  if (program.empty() || !IsUtf8WithoutControls(program, "\t\r\n")) return "";
  // The characters that force an argument into double quotes.
  constexpr std::string_view kReserved = " \t\n\r\"'\\><~|&;$*?#()`";
  std::string argument;
  if (program.find_first_of(kReserved) == std::string_view::npos) {
    argument = program;
  } else {
    argument.push_back('"');
    for (char c : program) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') argument.push_back('\\');
      argument.push_back(c);
    }
    argument.push_back('"');
  }
  std::string withFieldCodes;  // a literal % is written %% in Exec
  if (program.find('%') != std::string_view::npos) withFieldCodes = "env ";
  for (char c : argument) {
    withFieldCodes.push_back(c);
    if (c == '%') withFieldCodes.push_back('%');
  }
  return EscapeString(withFieldCodes);
}

}  // namespace

std::string ConfigHome() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (IsAbsolute(config)) return config;
  const std::string home = HomeDirectory();
  return home.empty() ? "" : home + "/.config";
}

std::string StoreDirectory() {
  const std::string home = ConfigHome();
  return home.empty() ? "" : home + "/fenwillow";
}

std::string StorePath(const std::string& dir) { return dir + "/registry"; }

std::string AutostartDirectory() {
  const std::string home = ConfigHome();
  return home.empty() ? "" : home + "/autostart";
}

std::string AutostartEntryPath(std::string_view name) {
  const std::string dir = AutostartDirectory();
  const std::string file = AutostartFileName(name);
  return dir.empty() || file.empty() ? "" : dir + "/" + file;
}

std::string AutostartFileName(std::string_view name) {
  if (name.empty() || name.size() > kMaxEntryName || name == "." || name == ".." ||
      name.find('/') != std::string_view::npos || !IsUtf8WithoutControls(name, "")) {
    return "";
  }
  return FoldCase(name) + ".desktop";
}

std::string AutostartEntry(std::string_view name, std::string_view program) {
  const std::string exec = ExecValueFor(program);
  if (exec.empty()) return "";
  std::string entry = "[Desktop Entry]\nType=Application\nName=";
  entry += EscapeString(name);
  // Once the program is gone, the session starts nothing.
  entry += "\nTryExec=";
  entry += EscapeString(program);
  entry += "\nExec=";
  entry += exec;
  entry += "\nX-GNOME-Autostart-enabled=true\n";
  return entry;
}

std::optional<std::string> AutostartProgram(std::string_view entry) {
  bool inMainGroup = false;
  std::optional<std::string> exec;
  bool hidden = false, disabled = false;
  for (std::size_t pos = 0; pos < entry.size();) {
    std::size_t end = entry.find('\n', pos);
    if (end == std::string_view::npos) end = entry.size();
    const std::string_view line = TrimBlanks(entry.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inMainGroup || equals == std::string_view::npos) continue;
    const std::string_view key = TrimBlanks(line.substr(0, equals));
    const std::string_view value = TrimBlanks(line.substr(equals + 1));
    if (key == "Exec" && !exec) exec = UnescapeString(value);
    if (key == "Hidden") hidden = value == "true";
    if (key == "X-GNOME-Autostart-enabled") disabled = value == "false";
  }
  if (!exec || hidden || disabled) return std::nullopt;
  return ProgramOf(*exec);
}

}  // namespace plat::soft
