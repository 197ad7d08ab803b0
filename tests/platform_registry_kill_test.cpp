// A copy killed at every single step of a save, by a hook that makes the
// child raise SIGKILL at its N-th step: afterwards the store and the
// autostart entry each hold the old contents or the new ones, byte for
// byte, and the next copy reads and saves without a notice.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>
#include <optional>
#include <set>
#include <vector>

#include "platform/soft/registry_file.h"
#include "tests/platform_registry_fixture.h"

namespace fwtest {
namespace {

using soft::SaveStep;
using RegistryKill = RegistryTest;

const char* const kSettings[] = {"Stars", "Garland", "OnTop", "TrVal", "Top", "Left"};

// What one save writes: six values made from `seed`, and the autostart
// entry set to `program` or removed.
struct Save {
  DWORD seed;
  std::optional<std::string> program;
};

// As the ornament saves: one key, its values in order, closed; then the
// Run key. True when every call succeeded.
bool DoSave(const Save& save) {
  bool ok = true;
  HKEY key = nullptr;
  ok &= RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS;
  for (DWORD i = 0; i < 6; ++i) {
    const DWORD value = save.seed * 16 + i;
    ok &= RegSetValueExA(key, kSettings[i], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4) ==
          ERROR_SUCCESS;
  }
  ok &= RegCloseKey(key) == ERROR_SUCCESS;
  ok &= RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS;
  if (save.program) {
    ok &= RegSetValueExA(key, "Fenwillow", 0, REG_SZ, reinterpret_cast<const BYTE*>(save.program->c_str()),
                         static_cast<DWORD>(save.program->size() + 1)) == ERROR_SUCCESS;
  } else {
    const LONG result = RegDeleteValueA(key, "Fenwillow");
    ok &= result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
  }
  ok &= RegCloseKey(key) == ERROR_SUCCESS;
  return ok;
}

// The child's hook: counts steps, records them, dies at the chosen one.
int stepsBeforeKill = -1;  // -1: never
int stepReport = -1;       // pipe for the steps taken

void KillAtStep(SaveStep step) {
  const auto code = static_cast<char>(step);
  if (stepReport >= 0 && write(stepReport, &code, 1) != 1) _exit(90);
  if (stepsBeforeKill-- == 0) raise(SIGKILL);
}

struct ChildRun {
  bool killed = false;
  bool savedOk = false;
  std::vector<SaveStep> steps;
};

// Runs `save` in a child that is killed at step `killAt` (counting from 0;
// -1 never).
ChildRun SaveInChild(const Save& save, int killAt) {
  int ends[2];
  EXPECT_EQ(pipe(ends), 0);
  fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    close(ends[0]);
    stepReport = ends[1];
    stepsBeforeKill = killAt;
    soft::SetSaveStepHook(&KillAtStep);
    _exit(DoSave(save) ? 0 : 1);
  }
  close(ends[1]);
  ChildRun run;
  char code;
  while (read(ends[0], &code, 1) == 1) run.steps.push_back(static_cast<SaveStep>(code));
  close(ends[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  run.savedOk = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

struct Snapshot {
  std::string store;
  std::string entry;
  bool operator==(const Snapshot& other) const { return store == other.store && entry == other.entry; }
};

class KillEveryStep : public RegistryKill {
 protected:
  Snapshot Take() const { return {ReadFile(StoreFile()), ReadFile(AutostartFile("fenwillow.desktop"))}; }

  // Kills a child at each step of going from `before` to `after` and checks
  // what it leaves; returns the steps a whole save took.
  std::vector<SaveStep> Run(const Save& before, const Save& after) {
    EXPECT_TRUE(DoSave(before));
    const Snapshot old = Take();
    const ChildRun whole = SaveInChild(after, -1);
    EXPECT_TRUE(whole.savedOk);
    const Snapshot fresh = Take();
    EXPECT_FALSE(old.store == fresh.store) << "the two saves must differ";
    for (int n = 0; n < static_cast<int>(whole.steps.size()); ++n) {
      EXPECT_TRUE(DoSave(before));
      EXPECT_TRUE(Take() == old);
      const ChildRun run = SaveInChild(after, n);
      EXPECT_TRUE(run.killed) << "step " << n;
      const Snapshot now = Take();
      EXPECT_TRUE(now.store == old.store || now.store == fresh.store)
          << "killed at step " << n << " (kind " << static_cast<int>(whole.steps[n]) << "):\n"
          << now.store;
      EXPECT_TRUE(now.entry == old.entry || now.entry == fresh.entry)
          << "killed at step " << n << ":\n" << now.entry;
      // Settings go first: a new entry never comes with old settings.
      EXPECT_FALSE(now.store == old.store && now.entry == fresh.entry && old.entry != fresh.entry);
      // The next copy finds nothing damaged, and its save goes through.
      EXPECT_EQ(TakeRegistryNotice(), "");
      EXPECT_TRUE(SaveInChild(after, -1).savedOk) << "after a kill at step " << n;
      EXPECT_TRUE(Take() == fresh);
    }
    EXPECT_TRUE(FilesStartingWith(config_ + "/fenwillow", "registry.damaged").empty());
    std::cout << "killed at each of " << whole.steps.size() << " steps\n";
    return whole.steps;
  }
};

TEST_F(KillEveryStep, SwitchingAutostartOnLeavesOldOrNewSettingsWhole) {
  const auto steps = Run({1, std::nullopt}, {2, "/opt/fenwillow/bin/fenwillow"});
  const std::set<SaveStep> kinds(steps.begin(), steps.end());
  // Every step of a durable replacement was among the kill points.
  for (SaveStep step : {SaveStep::LockTaken, SaveStep::TempCreated, SaveStep::TempHalfWritten,
                        SaveStep::TempWritten, SaveStep::TempSynced, SaveStep::BeforeRename,
                        SaveStep::AfterRename, SaveStep::DirectorySynced}) {
    EXPECT_EQ(kinds.count(step), 1u) << static_cast<int>(step);
  }
}

TEST_F(KillEveryStep, SwitchingAutostartOffLeavesOldOrNewSettingsWhole) {
  const auto steps = Run({1, "/opt/fenwillow/bin/fenwillow"}, {2, std::nullopt});
  EXPECT_EQ(std::set<SaveStep>(steps.begin(), steps.end()).count(SaveStep::Removed), 1u);
}

TEST_F(KillEveryStep, AFirstSaveLeavesNoStoreOrAWholeOne) {
  const ChildRun whole = SaveInChild({3, std::nullopt}, -1);
  ASSERT_TRUE(whole.savedOk);
  const std::string fresh = ReadFile(StoreFile());
  for (int n = 0; n < static_cast<int>(whole.steps.size()); ++n) {
    remove(StoreFile().c_str());
    ASSERT_TRUE(SaveInChild({3, std::nullopt}, n).killed);
    const std::string now = ReadFile(StoreFile());
    EXPECT_TRUE(now.empty() ? access(StoreFile().c_str(), F_OK) != 0 : now == fresh)
        << "killed at step " << n << ":\n" << now;
    EXPECT_EQ(LoadDword("Stars").value_or(3 * 16), 3u * 16) << "old (none) or new, never defaults";
    EXPECT_EQ(TakeRegistryNotice(), "");
  }
}

}  // namespace
}  // namespace fwtest
