#include "platform/soft/registry_access.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/registry.h"
#include "platform/soft/registry_xdg.h"

namespace plat::soft {

namespace {

// Other copies hold the lock only while they save; this is far longer.
constexpr std::chrono::milliseconds kLockPatience{10000};

std::string TempPath(const std::string& dir) { return dir + "/registry.tmp"; }
std::string LockPath(const std::string& dir) { return dir + "/registry.lock"; }

constexpr const char* kTooLarge = "it is larger than 1 MiB";

std::string Describe(int error) { return std::strerror(error); }

// Never replaced: the user may get it back by fixing its permissions.
std::string UnreadableNotice(const std::string& path, int error) {
  return "The settings file " + path + " cannot be read (" + Describe(error) +
         "); default settings are used.";
}

}  // namespace

LONG ErrorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOTDIR:
    case EISDIR:
    case ENOENT:
    case ELOOP:
    case ENAMETOOLONG:
    case EEXIST:
    case EINVAL: return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case EWOULDBLOCK: return ERROR_LOCK_VIOLATION;
    default: return ERROR_WRITE_FAULT;
  }
}

int ReportRefusal(const char* action, const std::string& path, int error) {
  std::fprintf(stderr, "%s: cannot %s %s: %s\n", program_invocation_short_name, action, path.c_str(),
               Describe(error).c_str());
  return error;
}

StoreAccess& StoreAccess::Instance() {
  static StoreAccess access;
  return access;
}

RegStore StoreAccess::Read() {
  const std::string dir = StoreDirectory();
  if (batch_ && batch_->dir == dir) return batch_->store;
  if (dir.empty()) return {};
  const FileRead file = ReadBounded(StorePath(dir), kStoreLimit);
  RegStore store;
  std::string reason;
  switch (file.status) {
    case FileRead::Status::Missing: return store;
    case FileRead::Status::Failed:
      TellOnce(UnreadableNotice(StorePath(dir), file.error));
      return store;
    case FileRead::Status::TooLarge: reason = kTooLarge; break;
    case FileRead::Status::Ok:
      if (ParseStore(file.text, &store, &reason)) return store;
      break;
  }
  return RecoverDamaged(dir, reason);
}

RegStore StoreAccess::RecoverDamaged(const std::string& dir, const std::string& reason) {
  // Moving the file needs the lock: a writer may have replaced it with a
  // sound one since we looked. (A batch for another directory holds the
  // lock object; the file is left for a later look then.)
  RegStore store;
  if (batch_) return store;
  if (const int error = TakeLock(dir)) {
    TellOnce("The settings file " + StorePath(dir) + " is damaged (" + reason +
             ") and could not be moved aside (" + Describe(error) +
             "); default settings are used.");
    return store;
  }
  if (LoadLocked(dir, &store) != 0) store = RegStore();
  lock_.Release();
  return store;
}

int StoreAccess::TakeLock(const std::string& dir) {
  if (const int error = MakeDirectories(dir)) return error;
  return lock_.Acquire(LockPath(dir), kLockPatience);
}

int StoreAccess::LoadLocked(const std::string& dir, RegStore* store) {
  const std::string path = StorePath(dir);
  const FileRead file = ReadBounded(path, kStoreLimit);
  std::string reason;
  switch (file.status) {
    case FileRead::Status::Missing: *store = RegStore(); return 0;
    case FileRead::Status::Failed:
      TellOnce(UnreadableNotice(path, file.error));
      return file.error;
    case FileRead::Status::TooLarge: reason = kTooLarge; break;
    case FileRead::Status::Ok:
      if (ParseStore(file.text, store, &reason)) return 0;
      break;
  }
  *store = RegStore();
  std::string aside;
  if (const int error = MoveAside(path, &aside)) {
    TellOnce("The settings file " + path + " is damaged (" + reason +
             ") and could not be moved aside (" + Describe(error) +
             "); default settings are used.");
    return error;
  }
  Tell("The settings file " + path + " was damaged (" + reason + ") and has been moved to " +
       aside + "; default settings are used.");
  return 0;
}

LONG StoreAccess::Write(std::uintptr_t writer, const std::function<LONG(RegStore&)>& change) {
  if (!batch_) {
    const std::string dir = StoreDirectory();
    if (dir.empty()) return ERROR_ACCESS_DENIED;
    if (const int error = TakeLock(dir)) return ErrorFromErrno(ReportRefusal("write", LockPath(dir), error));
    RegStore store;
    if (const int error = LoadLocked(dir, &store)) {
      lock_.Release();
      return ErrorFromErrno(ReportRefusal("write", StorePath(dir), error));
    }
    std::string text = FormatStore(store);
    batch_ = Batch{dir, std::move(store), std::move(text), false, {}};
  }
  RegStore changed = batch_->store;
  LONG result = change(changed);
  if (result == ERROR_SUCCESS) {
    std::string text = FormatStore(changed);
    if (text.size() > kStoreLimit) {
      result = ERROR_NOT_ENOUGH_QUOTA;
    } else if (text != batch_->text) {
      if (const int error = WriteDurably(TempPath(batch_->dir), text)) {
        // The temporary file is gone; publishing rewrites it from `text`.
        batch_->tempIsCurrent = false;
        result = ErrorFromErrno(ReportRefusal("write", StorePath(batch_->dir), error));
      } else {
        batch_->store = std::move(changed);
        batch_->text = std::move(text);
        batch_->tempIsCurrent = true;
        batch_->writers.insert(writer);
      }
    }
  }
  if (batch_->writers.empty()) EndBatch();
  return result;
}

LONG StoreAccess::Finish(std::uintptr_t writer) {
  if (!batch_ || batch_->writers.erase(writer) == 0 || !batch_->writers.empty())
    return ERROR_SUCCESS;
  int error = 0;
  if (!batch_->tempIsCurrent) error = WriteDurably(TempPath(batch_->dir), batch_->text);
  if (error == 0) error = Publish(TempPath(batch_->dir), StorePath(batch_->dir));
  if (error != 0) ReportRefusal("write", StorePath(batch_->dir), error);
  EndBatch();
  return ErrorFromErrno(error);
}

LONG StoreAccess::WithLock(const std::function<LONG()>& action) {
  if (batch_) return action();
  const std::string dir = StoreDirectory();
  if (dir.empty()) return ERROR_ACCESS_DENIED;
  if (const int error = TakeLock(dir)) return ErrorFromErrno(ReportRefusal("write", LockPath(dir), error));
  const LONG result = action();
  lock_.Release();
  return result;
}

void StoreAccess::EndBatch() {
  batch_.reset();
  lock_.Release();
}

void StoreAccess::Tell(const std::string& notice) { notices_.push_back(notice); }

void StoreAccess::TellOnce(const std::string& notice) {
  if (told_.insert(notice).second) notices_.push_back(notice);
}

std::string StoreAccess::TakeNotice() {
  std::string all;
  for (const std::string& notice : notices_) {
    if (!all.empty()) all.push_back('\n');
    all += notice;
  }
  notices_.clear();
  return all;
}

}  // namespace plat::soft
