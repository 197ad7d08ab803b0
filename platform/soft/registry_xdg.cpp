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

// The first argument of an unescaped Exec value, without its quoting and
// with "%%" turned back into "%". Nothing for an unclosed quote.
std::optional<std::string> FirstArgument(std::string_view exec) {
  exec = TrimBlanks(exec);
  std::string word;
  std::size_t i = 0;
  if (!exec.empty() && exec[0] == '"') {
    for (i = 1; i < exec.size() && exec[i] != '"'; ++i) {
      if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
      word.push_back(exec[i]);
    }
    if (i == exec.size()) return std::nullopt;
  } else {
    for (; i < exec.size() && exec[i] != ' ' && exec[i] != '\t'; ++i) word.push_back(exec[i]);
  }
  std::string program;
  for (std::size_t k = 0; k < word.size(); ++k) {
    program.push_back(word[k]);
    if (word[k] == '%' && k + 1 < word.size() && word[k + 1] == '%') ++k;
  }
  if (program.empty()) return std::nullopt;
  return program;
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
  for (char c : argument) {
    withFieldCodes.push_back(c);
    if (c == '%') withFieldCodes.push_back('%');
  }
  return EscapeString(withFieldCodes);
}

std::string AutostartEntry(std::string_view name, std::string_view exec) {
  std::string entry = "[Desktop Entry]\nType=Application\nName=";
  entry += EscapeString(name);
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
  return FirstArgument(*exec);
}

}  // namespace plat::soft
