#include "platform/soft/registry_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <thread>

namespace plat::soft {

namespace {

SaveStepHook saveStepHook = nullptr;

void Reach(SaveStep step) {
  if (saveStepHook != nullptr) saveStepHook(step);
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now, so that a failing close (a late write error) is seen.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

int SyncDirectory(const std::string& dir) {
  Fd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) return errno;
  // Some file systems cannot sync a directory; there is nothing more to do.
  if (::fsync(fd.get()) != 0 && errno != EINVAL) return errno;
  return 0;
}

// Renames without replacing: 0, EEXIST when `to` exists, or another errno.
// Writes all of `content`; 0 or an errno.
int WriteAll(int fd, std::string_view content) {
  for (std::size_t done = 0; done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // File systems without that flag: a hard link fails on an existing name too.
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  return ::unlink(from.c_str()) == 0 ? 0 : errno;
}

}  // namespace

FileRead ReadBounded(const std::string& path, std::size_t limit) {
  FileRead result;
  // Non-blocking so that a FIFO put in the file's place cannot hang us.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    result.error = errno;
    if (errno == ENOENT) result.status = FileRead::Status::Missing;
    return result;
  }
  struct stat info;
  if (::fstat(fd.get(), &info) != 0) {
    result.error = errno;
    return result;
  }
  if (!S_ISREG(info.st_mode)) {
    result.error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return result;
  }
  if (static_cast<std::uint64_t>(info.st_size) > limit) {
    result.status = FileRead::Status::TooLarge;
    return result;
  }
  // The size can change while reading (a hand edit in place); read to the
  // end, one byte past the limit at most.
  std::string text(static_cast<std::size_t>(info.st_size) + 1, '\0');
  std::size_t length = 0;
  while (length <= limit) {
    if (length == text.size()) text.resize(std::min(2 * text.size(), limit + 1));
    const ssize_t n = ::read(fd.get(), &text[length], text.size() - length);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result.error = errno;
      return result;
    }
    if (n == 0) break;
    length += static_cast<std::size_t>(n);
  }
  if (length > limit) {
    result.status = FileRead::Status::TooLarge;
    return result;
  }
  text.resize(length);
  result.status = FileRead::Status::Ok;
  result.text = std::move(text);
  return result;
}

int WriteDurably(const std::string& tempPath, std::string_view content) {
  if (::unlink(tempPath.c_str()) != 0 && errno != ENOENT) return errno;
  Fd fd(::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (fd.get() < 0) return errno;
  Reach(SaveStep::TempCreated);
  const std::size_t half = content.size() / 2;
  int error = WriteAll(fd.get(), content.substr(0, half));
  if (error == 0) {
    Reach(SaveStep::TempHalfWritten);
    error = WriteAll(fd.get(), content.substr(half));
  }
  if (error == 0) Reach(SaveStep::TempWritten);
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  const int closeError = fd.Close();
  if (error == 0) error = closeError;
  if (error != 0) {
    ::unlink(tempPath.c_str());
    return error;
  }
  Reach(SaveStep::TempSynced);
  return 0;
}

int Publish(const std::string& tempPath, const std::string& path) {
  Reach(SaveStep::BeforeRename);
  if (::rename(tempPath.c_str(), path.c_str()) != 0) return errno;
  Reach(SaveStep::AfterRename);
  const int error = SyncDirectory(DirectoryOf(path));
  if (error == 0) Reach(SaveStep::DirectorySynced);
  return error;
}

int RemoveDurably(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return errno;
  Reach(SaveStep::Removed);
  return SyncDirectory(DirectoryOf(path));
}

void SetSaveStepHook(SaveStepHook hook) { saveStepHook = hook; }

int MakeDirectories(const std::string& dir) {
  for (std::size_t end = 1; end <= dir.size(); ++end) {
    end = dir.find('/', end);
    if (end == std::string::npos) end = dir.size();
    const std::string prefix = dir.substr(0, end);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  struct stat info;
  if (::stat(dir.c_str(), &info) != 0) return errno;
  return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

int MoveAside(const std::string& path, std::string* newPath) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string base = path + ".damaged-" + stamp;
  for (int attempt = 1; attempt <= 1000; ++attempt) {
    const std::string candidate = attempt == 1 ? base : base + "-" + std::to_string(attempt);
    const int error = RenameNoReplace(path, candidate);
    if (error == EEXIST) continue;
    if (error != 0) return error;
    *newPath = candidate;
    return SyncDirectory(DirectoryOf(path));
  }
  return EEXIST;
}

int FileLock::Acquire(const std::string& lockPath, std::chrono::milliseconds patience) {
  Release();
  int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    // A lock file we may not write (or cannot create) still locks if it exists.
    const int error = errno;
    fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return error;
  }
  const auto deadline = std::chrono::steady_clock::now() + patience;
  auto pause = std::chrono::microseconds(200);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error == EINTR) continue;
    if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      return error;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(20000));
  }
  fd_ = fd;
  Reach(SaveStep::LockTaken);
  return 0;
}

void FileLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace plat::soft
