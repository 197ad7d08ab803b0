// The store file, $XDG_CONFIG_HOME/fenwillow/registry, is UTF-8 text, one
// statement a line:
//
//   # Fenwillow settings. ...
//   fenwillow-registry 1
//   key "Software\Fenwillow"
//   dword "Stars" 1
//   sz "Skin" "C:\Program Files\Fenwillow\tree.png"
//   raw "Blob" 3 00ff7a
//   raw "Nothing" 0 -
//   end
//
// - The first statement names the format and its version; the last is
//   `end`. A file without `end` was cut short and counts as damaged.
//   Blank lines and lines starting with `#` are ignored; nothing but those
//   may follow `end`. Lines end in LF; a CR before it is tolerated.
// - `key PATH` starts a key; the value lines after it belong to it. The
//   path "" is the user's root key itself.
// - `dword NAME N`: REG_DWORD of four bytes, N in decimal (0 to 4294967295).
// - `sz NAME TEXT`: REG_SZ whose data is TEXT and one terminating zero.
// - `raw NAME TYPE HEX`: every other value, including a REG_DWORD that is
//   not four bytes long and a REG_SZ without exactly one zero at its end:
//   the type in decimal and the data as hex byte pairs, `-` for none.
// - PATH, NAME and TEXT are in double quotes and hold their bytes as they
//   are, except `"`, `%`, control bytes and bytes that are not valid UTF-8,
//   which are written as %HH. So every byte is kept exactly.
// - Tokens are separated by spaces or tabs. Names are unique within the
//   file (keys) and within their key (values), compared without regard to
//   ASCII letter case; a duplicate makes the file damaged.
#include "platform/soft/registry_store.h"

#include <cstdint>
#include <utility>

#include "platform/registry.h"

namespace plat::soft {

namespace {

constexpr std::string_view kMagic = "fenwillow-registry 1";
constexpr std::size_t kMaxKeyComponent = 255;
constexpr std::size_t kMaxKeyPath = 32767;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  if (b0 < 0x80) return 1;
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;   // no overlong forms
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

const char kHex[] = "0123456789abcdef";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendQuoted(std::string* out, std::string_view bytes) {
  out->push_back('"');
  for (std::size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = Utf8SequenceLength(bytes, i);
    if (length == 0 || c == '"' || c == '%' || IsControl(c)) {
      out->push_back('%');
      out->push_back(kHex[c >> 4]);
      out->push_back(kHex[c & 15]);
      ++i;
    } else {
      out->append(bytes.substr(i, length));
      i += length;
    }
  }
  out->push_back('"');
}

void AppendHex(std::string* out, const std::vector<BYTE>& data) {
  if (data.empty()) out->push_back('-');
  for (BYTE b : data) {
    out->push_back(kHex[b >> 4]);
    out->push_back(kHex[b & 15]);
  }
}

std::string_view Chars(const std::vector<BYTE>& data) {
  return {reinterpret_cast<const char*>(data.data()), data.size()};
}

// A REG_SZ that is text and one terminating zero.
bool IsPlainString(const RegValue& v) {
  if (v.type != REG_SZ || v.data.empty() || v.data.back() != 0) return false;
  for (std::size_t i = 0; i + 1 < v.data.size(); ++i) {
    if (v.data[i] == 0) return false;
  }
  return true;
}

// Reads the tokens of one statement line.
class LineReader {
 public:
  explicit LineReader(std::string_view line) : line_(line) {}

  bool Word(std::string_view* word) {
    SkipBlanks();
    const std::size_t start = pos_;
    while (pos_ < line_.size() && line_[pos_] != ' ' && line_[pos_] != '\t') ++pos_;
    *word = line_.substr(start, pos_ - start);
    return !word->empty();
  }

  bool Quoted(std::string* text) {
    SkipBlanks();
    if (pos_ >= line_.size() || line_[pos_] != '"') return false;
    ++pos_;
    text->clear();
    while (pos_ < line_.size() && line_[pos_] != '"') {
      if (line_[pos_] == '%') {
        if (line_.size() - pos_ < 3) return false;
        const int high = HexDigit(line_[pos_ + 1]), low = HexDigit(line_[pos_ + 2]);
        if (high < 0 || low < 0) return false;
        text->push_back(static_cast<char>(high * 16 + low));
        pos_ += 3;
      } else {
        text->push_back(line_[pos_++]);
      }
    }
    if (pos_ >= line_.size()) return false;
    ++pos_;  // closing quote
    return true;
  }

  bool AtEnd() {
    SkipBlanks();
    return pos_ == line_.size();
  }

 private:
  void SkipBlanks() {
    while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) ++pos_;
  }

  std::string_view line_;
  std::size_t pos_ = 0;
};

bool ParseDecimal(std::string_view word, DWORD* value) {
  if (word.empty() || word.size() > 10) return false;
  std::uint64_t n = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (n > 0xFFFFFFFFu) return false;
  *value = static_cast<DWORD>(n);
  return true;
}

bool ParseHex(std::string_view word, std::vector<BYTE>* data) {
  data->clear();
  if (word == "-") return true;
  if (word.empty() || word.size() % 2 != 0) return false;
  data->reserve(word.size() / 2);
  for (std::size_t i = 0; i < word.size(); i += 2) {
    const int high = HexDigit(word[i]), low = HexDigit(word[i + 1]);
    if (high < 0 || low < 0) return false;
    data->push_back(static_cast<BYTE>(high * 16 + low));
  }
  return true;
}

// Checks the encoding of the whole file: valid UTF-8, no control bytes but
// tab, CR and LF.
bool IsCleanText(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsControl(c) && c != '\t' && c != '\r' && c != '\n') return false;
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

// One value statement (the kind word already read).
bool ParseValue(std::string_view kind, LineReader* reader, RegValue* value) {
  if (!reader->Quoted(&value->name)) return false;
  std::string_view word;
  if (kind == "dword") {
    DWORD n;
    if (!reader->Word(&word) || !ParseDecimal(word, &n)) return false;
    value->type = REG_DWORD;
    value->data = {static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), static_cast<BYTE>(n >> 16),
                   static_cast<BYTE>(n >> 24)};
  } else if (kind == "sz") {
    std::string text;
    if (!reader->Quoted(&text) || text.find('\0') != std::string::npos) return false;
    value->type = REG_SZ;
    value->data.assign(text.begin(), text.end());
    value->data.push_back(0);
  } else if (kind == "raw") {
    if (!reader->Word(&word) || !ParseDecimal(word, &value->type)) return false;
    if (!reader->Word(&word) || !ParseHex(word, &value->data)) return false;
  } else {
    return false;
  }
  return reader->AtEnd();
}

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = Lower(c);
  return folded;
}

bool JoinKeyPath(std::string_view parent, std::string_view subKey, std::string* path) {
  if (!subKey.empty() && subKey.back() == '\\') subKey.remove_suffix(1);
  std::string joined(parent);
  if (!subKey.empty()) {
    if (!joined.empty()) joined.push_back('\\');
    joined.append(subKey);
  }
  if (joined.size() > kMaxKeyPath) return false;
  std::size_t start = 0;
  while (!joined.empty()) {
    std::size_t end = joined.find('\\', start);
    if (end == std::string::npos) end = joined.size();
    const std::size_t length = end - start;
    if (length == 0 || length > kMaxKeyComponent) return false;
    if (end == joined.size()) break;
    start = end + 1;
  }
  *path = std::move(joined);
  return true;
}

bool RegStore::HasKey(std::string_view path) const { return keys_.count(FoldCase(path)) != 0; }

bool RegStore::CreateKey(std::string_view path) {
  bool created = false;
  // Parents first, each with the spelling of this path's prefix.
  for (std::size_t end = 0;; ++end) {
    end = path.find('\\', end);
    const std::string_view prefix = path.substr(0, end);
    auto [it, inserted] = keys_.try_emplace(FoldCase(prefix));
    if (inserted) it->second.path = std::string(prefix);
    created = inserted;
    if (end == std::string_view::npos) break;
  }
  return created;
}

const RegValue* RegStore::FindValue(std::string_view path, std::string_view name) const {
  const auto key = keys_.find(FoldCase(path));
  if (key == keys_.end()) return nullptr;
  const auto value = key->second.values.find(FoldCase(name));
  return value == key->second.values.end() ? nullptr : &value->second;
}

void RegStore::SetValue(std::string_view path, std::string_view name, DWORD type,
                        std::vector<BYTE> data) {
  CreateKey(path);
  RegValue& value = keys_[FoldCase(path)].values[FoldCase(name)];
  if (value.name.empty()) value.name = std::string(name);
  value.type = type;
  value.data = std::move(data);
}

bool RegStore::DeleteValue(std::string_view path, std::string_view name) {
  const auto key = keys_.find(FoldCase(path));
  return key != keys_.end() && key->second.values.erase(FoldCase(name)) != 0;
}

bool RegStore::AddParsedKey(std::string_view path) {
  auto [it, inserted] = keys_.try_emplace(FoldCase(path));
  if (inserted) it->second.path = std::string(path);
  return inserted;
}

bool RegStore::AddParsedValue(std::string_view path, RegValue value) {
  RegKey& key = keys_[FoldCase(path)];
  return key.values.emplace(FoldCase(value.name), std::move(value)).second;
}

std::string FormatStore(const RegStore& store) {
  std::string out =
      "# Fenwillow settings, rewritten whole at every change. Edit them only while no\n"
      "# copy of the program runs; a file it cannot read is moved aside.\n";
  out.append(kMagic).push_back('\n');
  for (const auto& [folded, key] : store.Keys()) {
    out.append("key ");
    AppendQuoted(&out, key.path);
    out.push_back('\n');
    for (const auto& [name, value] : key.values) {
      if (value.type == REG_DWORD && value.data.size() == 4) {
        const DWORD n = static_cast<DWORD>(value.data[0]) | static_cast<DWORD>(value.data[1]) << 8 |
                        static_cast<DWORD>(value.data[2]) << 16 |
                        static_cast<DWORD>(value.data[3]) << 24;
        out.append("dword ");
        AppendQuoted(&out, value.name);
        out.append(" ").append(std::to_string(n));
      } else if (IsPlainString(value)) {
        out.append("sz ");
        AppendQuoted(&out, value.name);
        out.push_back(' ');
        AppendQuoted(&out, Chars(value.data).substr(0, value.data.size() - 1));
      } else {
        out.append("raw ");
        AppendQuoted(&out, value.name);
        out.append(" ").append(std::to_string(value.type)).push_back(' ');
        AppendHex(&out, value.data);
      }
      out.push_back('\n');
    }
  }
  out.append("end\n");
  return out;
}

bool ParseStore(std::string_view text, RegStore* store, std::string* reason) {
  *store = RegStore();
  if (!IsCleanText(text)) {
    *reason = "it is not UTF-8 text";
    return false;
  }
  enum class Stage { Magic, Body, Ended } stage = Stage::Magic;
  std::string keyPath;
  bool inKey = false;
  std::size_t lineNumber = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    LineReader reader(line);
    if (reader.AtEnd() || line.front() == '#') continue;

    std::string_view kind;
    reader.Word(&kind);
    bool ok;
    if (stage == Stage::Magic) {
      ok = line == kMagic;
      stage = Stage::Body;
    } else if (stage == Stage::Ended) {
      ok = false;
    } else if (kind == "end") {
      ok = reader.AtEnd();
      stage = Stage::Ended;
    } else if (kind == "key") {
      std::string normal;
      ok = reader.Quoted(&keyPath) && reader.AtEnd() && JoinKeyPath("", keyPath, &normal) &&
           normal == keyPath && store->AddParsedKey(keyPath);
      inKey = true;
    } else {
      RegValue value;
      ok = inKey && ParseValue(kind, &reader, &value) &&
           store->AddParsedValue(keyPath, std::move(value));
    }
    if (!ok) {
      *reason = "line " + std::to_string(lineNumber) + " cannot be read";
      *store = RegStore();
      return false;
    }
  }
  if (stage != Stage::Ended) {
    *reason = "it ends early";
    *store = RegStore();
    return false;
  }
  return true;
}

}  // namespace plat::soft
