// Programs the desktop tests start: the X server, the compositor, xdotool
// and the program under test.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fwdesktop {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // kills a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `argv` with the environment of this process plus `extra`; the
  // child's output goes to `logFile` (or is discarded when empty).
  void Start(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extra = {},
             const std::string& logFile = "");
  bool Running();
  void Signal(int signal);
  // The exit status once the child exits within `timeout`; -1 when it did
  // not, -2 when it died of a signal.
  int Wait(std::chrono::milliseconds timeout);
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
  bool reaped_ = false;
};

// Runs a program to its end (at most `timeout`) and returns its exit status.
int RunProgram(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extra = {},
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Polls `condition` every 20 ms (running `idle` between polls) until it
// holds or `timeout` passes; says whether it held.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
             const std::function<void()>& idle = {});

}  // namespace fwdesktop
