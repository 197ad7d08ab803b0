// The registry calls on the software backend. A key handle is a number
// looked up in the table of open keys, never an address, so a closed or
// foreign handle fails the call with ERROR_INVALID_HANDLE.
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/soft/registry_access.h"
#include "platform/soft/registry_autostart.h"
#include "platform/soft/registry_store.h"

namespace plat {

namespace {

using soft::StoreAccess;

constexpr std::size_t kMaxValueName = 16383;  // as on Windows

struct OpenKey {
  std::string path;
  bool run = false;  // values are autostart entries
};

struct KeyTable {
  std::mutex mutex;
  std::map<std::uintptr_t, OpenKey> open;
  std::uintptr_t next = 0x10000;  // handles are never reused
};

KeyTable& Keys() {
  static KeyTable table;
  return table;
}

std::uintptr_t Id(HKEY key) { return reinterpret_cast<std::uintptr_t>(key); }

// The open key behind `key`; HKEY_CURRENT_USER is the root, always open.
const OpenKey* Resolve(HKEY key) {
  static const OpenKey root;
  if (key == HKEY_CURRENT_USER) return &root;
  const auto it = Keys().open.find(Id(key));
  return it == Keys().open.end() ? nullptr : &it->second;
}

// Writes through HKEY_CURRENT_USER itself have no handle to close, so they
// are published at once.
LONG WriteStore(HKEY key, const std::function<LONG(soft::RegStore&)>& change) {
  StoreAccess& access = StoreAccess::Instance();
  const LONG result = access.Write(Id(key), change);
  if (key != HKEY_CURRENT_USER || result != ERROR_SUCCESS) return result;
  return access.Finish(Id(key));
}

bool ValidValueName(const char* name) {
  return name == nullptr || std::strlen(name) <= kMaxValueName;
}

}  // namespace

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD /*reserved*/, char* /*keyClass*/,
                     DWORD /*options*/, DWORD /*access*/, void* /*security*/, HKEY* result,
                     DWORD* disposition) {
  std::lock_guard<std::mutex> guard(Keys().mutex);
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  const OpenKey* parent = Resolve(key);
  if (parent == nullptr) return ERROR_INVALID_HANDLE;
  OpenKey opened;
  if (!soft::JoinKeyPath(parent->path, subKey ? subKey : "", &opened.path)) {
    return ERROR_INVALID_PARAMETER;
  }
  opened.run = soft::IsRunKey(opened.path);
  const std::uintptr_t id = Keys().next++;
  DWORD how = REG_OPENED_EXISTING_KEY;
  // The Run key always exists; its values live outside the store.
  if (!opened.run && !opened.path.empty() && !StoreAccess::Instance().Read().HasKey(opened.path)) {
    bool created = false;
    const LONG made = StoreAccess::Instance().Write(id, [&](soft::RegStore& store) {
      created = store.CreateKey(opened.path);
      return ERROR_SUCCESS;
    });
    if (made != ERROR_SUCCESS) return made;
    if (created) how = REG_CREATED_NEW_KEY;
  }
  Keys().open.emplace(id, std::move(opened));
  *result = reinterpret_cast<HKEY>(id);
  if (disposition != nullptr) *disposition = how;
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size) {
  std::lock_guard<std::mutex> guard(Keys().mutex);
  const OpenKey* open = Resolve(key);
  if (open == nullptr) return ERROR_INVALID_HANDLE;
  if (reserved != nullptr || (data != nullptr && size == nullptr)) return ERROR_INVALID_PARAMETER;
  const std::string_view name = valueName ? valueName : "";
  DWORD storedType = REG_NONE;
  std::vector<BYTE> bytes;
  if (open->run) {
    if (const LONG result = soft::QueryAutostartValue(name, &storedType, &bytes)) return result;
  } else {
    const soft::RegStore store = StoreAccess::Instance().Read();
    const soft::RegValue* value = store.FindValue(open->path, name);
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    storedType = value->type;
    bytes = value->data;
  }
  if (type != nullptr) *type = storedType;
  const auto needed = static_cast<DWORD>(bytes.size());
  if (data != nullptr) {
    if (*size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    if (needed != 0) std::memcpy(data, bytes.data(), needed);
  }
  if (size != nullptr) *size = needed;
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD /*reserved*/, DWORD type,
                    const BYTE* data, DWORD size) {
  std::lock_guard<std::mutex> guard(Keys().mutex);
  const OpenKey* open = Resolve(key);
  if (open == nullptr) return ERROR_INVALID_HANDLE;
  if ((data == nullptr && size != 0) || !ValidValueName(valueName)) return ERROR_INVALID_PARAMETER;
  const std::string name = valueName ? valueName : "";
  if (open->run) return soft::SetAutostartValue(name, type, data, size);
  // Checked before copying: `size` is the caller's word only.
  if (size > soft::kStoreLimit) return ERROR_NOT_ENOUGH_QUOTA;
  std::vector<BYTE> bytes(data, data + size);
  const std::string path = open->path;
  return WriteStore(key, [&](soft::RegStore& store) {
    store.SetValue(path, name, type, std::move(bytes));
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValueA(HKEY key, const char* valueName) {
  std::lock_guard<std::mutex> guard(Keys().mutex);
  const OpenKey* open = Resolve(key);
  if (open == nullptr) return ERROR_INVALID_HANDLE;
  const std::string name = valueName ? valueName : "";
  if (open->run) return soft::DeleteAutostartValue(name);
  // Nothing to lock or write for a value that is not there.
  if (StoreAccess::Instance().Read().FindValue(open->path, name) == nullptr) {
    return ERROR_FILE_NOT_FOUND;
  }
  const std::string path = open->path;
  return WriteStore(key, [&](soft::RegStore& store) {
    return store.DeleteValue(path, name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LONG RegCloseKey(HKEY key) {
  std::lock_guard<std::mutex> guard(Keys().mutex);
  if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  if (Keys().open.erase(Id(key)) == 0) return ERROR_INVALID_HANDLE;
  return StoreAccess::Instance().Finish(Id(key));
}

std::string TakeRegistryNotice() {
  std::lock_guard<std::mutex> guard(Keys().mutex);
  return StoreAccess::Instance().TakeNotice();
}

}  // namespace plat
