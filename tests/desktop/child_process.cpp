#include "tests/desktop/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace fwdesktop {

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !reaped_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
  }
}

void ChildProcess::Start(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extra,
                         const std::string& logFile) {
  std::map<std::string, std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (equals != nullptr) env[std::string(*entry, static_cast<std::size_t>(equals - *entry))] = equals + 1;
  }
  for (const auto& [name, value] : extra) env[name] = value;
  std::vector<std::string> envStrings;
  for (const auto& [name, value] : env) envStrings.push_back(name + "=" + value);
  std::vector<char*> envp, args;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argvCopy = argv;
  for (auto& s : argvCopy) args.push_back(s.data());
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string out = logFile.empty() ? "/dev/null" : logFile;
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const int error = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
  reaped_ = false;
}

bool ChildProcess::Running() {
  if (pid_ <= 0 || reaped_) return false;
  if (waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
  return !reaped_;
}

void ChildProcess::Signal(int signal) {
  if (Running()) kill(pid_, signal);
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return -1;
  if (!WaitFor([this] { return !Running(); }, timeout)) return -1;
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : -2;
}

int RunProgram(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extra,
               std::chrono::milliseconds timeout) {
  ChildProcess child;
  child.Start(argv, extra);
  return child.Wait(timeout);
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
             const std::function<void()>& idle) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (idle) {
      idle();
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  return true;
}

}  // namespace fwdesktop
