// The software registry's store in memory and its text form on disk.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wintypes.h"

namespace plat::soft {

// Key paths and value names compare without regard to ASCII letter case,
// as on Windows; this is the form they are compared in.
std::string FoldCase(std::string_view text);

// Length of the valid UTF-8 sequence that starts at text[i], or 0 when the
// byte there does not start one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

// Splits `subKey` below `parent` into a normalised key path (components
// joined by one backslash, no leading one). A trailing backslash is allowed;
// empty or over-long components are not. False when the path is invalid.
bool JoinKeyPath(std::string_view parent, std::string_view subKey, std::string* path);

struct RegValue {
  std::string name;  // spelling it was first stored with
  DWORD type = 0;
  std::vector<BYTE> data;
};

struct RegKey {
  std::string path;                        // spelling it was created with
  std::map<std::string, RegValue> values;  // by folded name
};

class RegStore {
 public:
  bool HasKey(std::string_view path) const;
  // Creates the key and any missing parents; true when the key was new.
  bool CreateKey(std::string_view path);
  const RegValue* FindValue(std::string_view path, std::string_view name) const;
  // Creates the key when it is missing; an existing value keeps its spelling.
  void SetValue(std::string_view path, std::string_view name, DWORD type, std::vector<BYTE> data);
  // False when there was no such value.
  bool DeleteValue(std::string_view path, std::string_view name);

  const std::map<std::string, RegKey>& Keys() const { return keys_; }
  // Adds a key read from a file; false when one of that name is there.
  bool AddParsedKey(std::string_view path);
  // Adds a value to the key added last; false when the name is taken.
  bool AddParsedValue(std::string_view path, RegValue value);

 private:
  std::map<std::string, RegKey> keys_;  // by folded path
};

// The store as text. Equal stores give equal text.
std::string FormatStore(const RegStore& store);

// Reads text made by FormatStore (or a careful hand edit). False, with a
// short reason, for anything else: bad encoding, unknown lines, duplicate
// names, a missing end line (a truncated file).
bool ParseStore(std::string_view text, RegStore* store, std::string* reason);

}  // namespace plat::soft
