// How this process reads and writes the store file: reads see one whole
// version of it; writes form a batch that holds the store lock and is
// published, in one atomic replacement, when its last writer finishes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/soft/registry_file.h"
#include "platform/soft/registry_store.h"
#include "platform/wintypes.h"

namespace plat::soft {

// Larger store files are refused as damaged, and no write may make one.
constexpr std::size_t kStoreLimit = std::size_t{1} << 20;

// The Win32 error code for a failed file operation.
LONG ErrorFromErrno(int error);

// Says on standard error that a write could not `action` ("write",
// "remove") the file at `path`, and the system's reason: the error code a
// caller gets says only that it failed. Returns `error`.
int ReportRefusal(const char* action, const std::string& path, int error);

class StoreAccess {
 public:
  static StoreAccess& Instance();

  // The store as this process sees it: its own pending batch, else the file.
  // A missing file reads as empty; so does a damaged one, after it has been
  // moved aside, and an unreadable one. Both of those leave a notice.
  RegStore Read();

  // Applies `change` inside this process's batch for `writer` (an open key),
  // starting the batch when there is none: lock, read the current file, so
  // that other copies' writes are kept. `change` returns ERROR_SUCCESS or an
  // error, in which case it must not have changed the store. The changed
  // store is written to the temporary file at once, so a full disk or an
  // unwritable directory is reported by this call.
  LONG Write(std::uintptr_t writer, const std::function<LONG(RegStore&)>& change);

  // Ends `writer`'s part in the batch. The last writer to finish publishes
  // the batch (rename over the store, flush) and releases the lock.
  LONG Finish(std::uintptr_t writer);

  // Runs `action` under the store lock, which the batch may already hold.
  LONG WithLock(const std::function<LONG()>& action);

  // What the user should be told about the store, once; empty when nothing.
  std::string TakeNotice();

 private:
  struct Batch {
    std::string dir;
    RegStore store;
    std::string text;            // FormatStore(store)
    bool tempIsCurrent = false;  // the temporary file holds `text`
    std::set<std::uintptr_t> writers;
  };

  // Reads the file while holding the lock, moving a damaged one aside;
  // 0 or the errno of what failed.
  int LoadLocked(const std::string& dir, RegStore* store);
  // Handles a damaged file found without the lock.
  RegStore RecoverDamaged(const std::string& dir, const std::string& reason);
  int TakeLock(const std::string& dir);  // errno
  void EndBatch();
  // An event (a file moved aside) is told each time; a lasting condition
  // (a file we cannot read or move) once in the life of the process.
  void Tell(const std::string& notice);
  void TellOnce(const std::string& notice);

  FileLock lock_;
  std::optional<Batch> batch_;
  std::vector<std::string> notices_;
  std::set<std::string> told_;
};

}  // namespace plat::soft
