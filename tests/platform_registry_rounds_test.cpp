// Eight copies saving their complete settings at the same moment, round
// after round: after each round the store parses and holds the settings of
// exactly one copy of that round, never a mix.
//
// FENWILLOW_REGISTRY_ROUNDS sets the number of rounds (default 50; the
// full campaign is 1000).
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/soft/registry_file.h"
#include "platform/soft/registry_store.h"
#include "tests/platform_registry_fixture.h"

namespace fwtest {
namespace {

using RegistryRounds = RegistryTest;

const char* const kSettings[] = {"Stars", "Garland", "OnTop", "TrVal", "Top", "Left"};
constexpr int kCopies = 8;

int Rounds() {
  const char* text = std::getenv("FENWILLOW_REGISTRY_ROUNDS");
  const long value = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
  return value > 0 ? static_cast<int>(value) : 50;
}

// Copy `copy` of round `round` writes value copyId * 16 + i for setting i.
DWORD CopyId(int round, int copy) { return static_cast<DWORD>(round * kCopies + copy + 1); }

// As the ornament saves at exit: one key, the six values, closed.
int SaveSettings(DWORD copyId) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return 3;
  for (DWORD i = 0; i < 6; ++i) {
    const DWORD value = copyId * 16 + i;
    if (RegSetValueExA(key, kSettings[i], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4) !=
        ERROR_SUCCESS)
      return 4;
  }
  return RegCloseKey(key) == ERROR_SUCCESS ? 0 : 5;
}

// Forks the copies of one round, held at a closed-pipe gate, then opens it.
std::vector<pid_t> StartRound(int round) {
  int gate[2];
  EXPECT_EQ(pipe(gate), 0);
  std::vector<pid_t> copies;
  fflush(nullptr);
  for (int copy = 0; copy < kCopies; ++copy) {
    const pid_t pid = fork();
    if (pid == 0) {
      close(gate[1]);
      char c;
      if (read(gate[0], &c, 1) != 0) _exit(2);
      _exit(SaveSettings(CopyId(round, copy)));
    }
    copies.push_back(pid);
  }
  close(gate[0]);
  close(gate[1]);
  return copies;
}

// The copy whose settings the store holds, or 0 when it holds anything else
// (a mix, a missing value, a value of the wrong type).
DWORD WhoseSettings(const soft::RegStore& store) {
  DWORD owner = 0;
  for (DWORD i = 0; i < 6; ++i) {
    const soft::RegValue* value = store.FindValue(kSettingsKey, kSettings[i]);
    if (value == nullptr || value->type != REG_DWORD || value->data.size() != 4) return 0;
    DWORD n;
    std::memcpy(&n, value->data.data(), 4);
    if (n % 16 != i || (i > 0 && n / 16 != owner)) return 0;
    owner = n / 16;
  }
  return owner;
}

TEST_F(RegistryRounds, EightCopiesSavingAtOnceLeaveOneCopysCompleteSettings) {
  const int rounds = Rounds();
  for (int round = 0; round < rounds; ++round) {
    for (const pid_t pid : StartRound(round)) {
      int status = 0;
      waitpid(pid, &status, 0);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << "round " << round << ": a copy failed its save (status " << status << ")";
    }
    // Parsed as it is on disk: the registry itself would move a damaged
    // file aside and hide it.
    const soft::FileRead file = soft::ReadBounded(StoreFile(), std::size_t{1} << 20);
    ASSERT_EQ(file.status, soft::FileRead::Status::Ok) << "round " << round;
    soft::RegStore store;
    std::string reason;
    ASSERT_TRUE(soft::ParseStore(file.text, &store, &reason)) << "round " << round << ": " << reason;
    const DWORD owner = WhoseSettings(store);
    ASSERT_GE(owner, CopyId(round, 0)) << "round " << round << ":\n" << file.text;
    ASSERT_LE(owner, CopyId(round, kCopies - 1)) << "round " << round << ":\n" << file.text;
  }
  EXPECT_EQ(FilesStartingWith(config_ + "/fenwillow", "registry."),
            std::vector<std::string>{config_ + "/fenwillow/registry.lock"})
      << "no temporary or damaged file is left";
  EXPECT_EQ(TakeRegistryNotice(), "");
}

}  // namespace
}  // namespace fwtest
