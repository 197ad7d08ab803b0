// File operations of the software registry: bounded reads, durable atomic
// replacement, moving a damaged file aside, and the lock that serialises
// writers across processes. Failures are errno values (0 is success).
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace plat::soft {

struct FileRead {
  enum class Status { Ok, Missing, TooLarge, Failed } status = Status::Failed;
  int error = 0;     // errno for Failed
  std::string text;  // for Ok
};

// Reads a whole file of at most `limit` bytes. One open file is read, so a
// file that is replaced by rename meanwhile is seen whole, old or new.
FileRead ReadBounded(const std::string& path, std::size_t limit);

// Writes `content` to `tempPath` (replacing any stale file there) and
// flushes it to the disk.
int WriteDurably(const std::string& tempPath, std::string_view content);

// Renames `tempPath` over `path` and flushes the directory, so the new
// file survives a crash.
int Publish(const std::string& tempPath, const std::string& path);

// Removes `path` and flushes its directory.
int RemoveDurably(const std::string& path);

// Creates `dir` and its missing parents (mode 0700, as for XDG
// configuration directories).
int MakeDirectories(const std::string& dir);

// Renames `path` to "<path>.damaged-YYYYMMDD-HHMMSS" (local time), adding
// "-2", "-3", ... when that name is taken: no earlier file is replaced.
int MoveAside(const std::string& path, std::string* newPath);

// The steps of writing a file durably, where tests stop a process to show
// that a kill at any of them leaves either the old file or the new one.
enum class SaveStep {
  LockTaken,        // the store lock is held
  TempCreated,      // the temporary file exists, empty
  TempHalfWritten,  // half of its bytes are written
  TempWritten,      // all are written, not yet flushed
  TempSynced,       // flushed and closed
  BeforeRename,
  AfterRename,      // the new file is in place, its directory not flushed
  DirectorySynced,
  Removed,          // a file removed, its directory not flushed
};
using SaveStepHook = void (*)(SaveStep step);
// For tests only: `hook` is called at each step, in this process, until it
// is replaced; nullptr (the default) calls nothing.
void SetSaveStepHook(SaveStepHook hook);

// An exclusive flock on a lock file. Waiting is bounded: Acquire gives up
// with EWOULDBLOCK after `patience`.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock() { Release(); }

  int Acquire(const std::string& lockPath, std::chrono::milliseconds patience);
  void Release();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace plat::soft
