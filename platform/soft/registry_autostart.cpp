#include "platform/soft/registry_autostart.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/registry.h"
#include "platform/soft/registry_access.h"
#include "platform/soft/registry_file.h"
#include "platform/soft/registry_store.h"
#include "platform/soft/registry_xdg.h"

namespace plat::soft {

namespace {

// Desktop entries are a few hundred bytes; anything near this is not ours.
constexpr std::size_t kEntryLimit = 64 * 1024;

}  // namespace

bool IsRunKey(std::string_view path) {
  return FoldCase(path) == "software\\microsoft\\windows\\currentversion\\run";
}

LONG QueryAutostartValue(std::string_view name, DWORD* type, std::vector<BYTE>* data) {
  const std::string path = AutostartEntryPath(name);
  if (path.empty()) return ERROR_FILE_NOT_FOUND;
  const FileRead file = ReadBounded(path, kEntryLimit);
  if (file.status != FileRead::Status::Ok) return ERROR_FILE_NOT_FOUND;
  const auto program = AutostartProgram(file.text);
  if (!program) return ERROR_FILE_NOT_FOUND;
  *type = REG_SZ;
  data->assign(program->begin(), program->end());
  data->push_back(0);
  return ERROR_SUCCESS;
}

LONG SetAutostartValue(std::string_view name, DWORD type, const BYTE* data, DWORD size) {
  if (type != REG_SZ) return ERROR_INVALID_PARAMETER;
  const std::string path = AutostartEntryPath(name);
  if (path.empty())
    return AutostartFileName(name).empty() ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED;
  const char* text = reinterpret_cast<const char*>(data);
  const std::string_view program(
      text, static_cast<std::size_t>(std::find(text, text + size, '\0') - text));
  const std::string entry = AutostartEntry(name, program);
  if (entry.empty()) return ERROR_INVALID_PARAMETER;
  return StoreAccess::Instance().WithLock([&] {
    if (const int error = MakeDirectories(AutostartDirectory())) {
      return ErrorFromErrno(ReportRefusal("write", AutostartDirectory(), error));
    }
    const std::string temp = path + ".tmp";  // not a .desktop name: never started
    int error = WriteDurably(temp, entry);
    if (error == 0) error = Publish(temp, path);
    return ErrorFromErrno(error == 0 ? 0 : ReportRefusal("write", path, error));
  });
}

LONG DeleteAutostartValue(std::string_view name) {
  const std::string path = AutostartEntryPath(name);
  struct stat info;
  if (path.empty() || ::lstat(path.c_str(), &info) != 0) return ERROR_FILE_NOT_FOUND;
  return StoreAccess::Instance().WithLock([&] {
    const int error = RemoveDurably(path);
    if (error == ENOENT) return ERROR_FILE_NOT_FOUND;
    return ErrorFromErrno(error == 0 ? 0 : ReportRefusal("remove", path, error));
  });
}

}  // namespace plat::soft
