// Copies of the program writing at the same moment, and copies killed in
// the middle of a save.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "platform/soft/registry_file.h"
#include "platform/soft/registry_store.h"
#include "tests/platform_registry_fixture.h"

namespace fwtest {
namespace {

using RegistryConcurrency = RegistryTest;
const char* const kSettings[] = {"Stars", "Garland", "OnTop", "TrVal", "Top", "Left"};

// The store file as it is on disk, parsed without the registry's help (which
// would move a damaged file aside and hide the fault).
soft::RegStore ParseFile(const std::string& path) {
  const soft::FileRead file = soft::ReadBounded(path, std::size_t{1} << 20);
  soft::RegStore store;
  std::string reason;
  EXPECT_EQ(file.status, soft::FileRead::Status::Ok);
  EXPECT_TRUE(ParseStore(file.text, &store, &reason)) << reason << "\n" << file.text;
  return store;
}

std::optional<DWORD> StoredDword(const soft::RegStore& store, const char* name) {
  const soft::RegValue* value = store.FindValue(kSettingsKey, name);
  if (value == nullptr || value->data.size() != 4) return std::nullopt;
  DWORD n;
  std::memcpy(&n, value->data.data(), 4);
  return n;
}

// Starts `count` children that wait for one go signal, run `body(i)` and exit.
std::vector<pid_t> StartTogether(int count, const std::function<void(int)>& body, int* go) {
  int pipeEnds[2];
  EXPECT_EQ(pipe(pipeEnds), 0);
  std::vector<pid_t> children;
  fflush(nullptr);
  for (int i = 0; i < count; ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      close(pipeEnds[1]);
      char c;
      if (read(pipeEnds[0], &c, 1) != 0) _exit(2);  // released when the pipe closes
      body(i);
      _exit(0);
    }
    children.push_back(pid);
  }
  close(pipeEnds[0]);
  *go = pipeEnds[1];
  return children;
}

void ExpectAllExitedCleanly(const std::vector<pid_t>& children) {
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
}

void SaveAll(DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, 0, nullptr, &key, nullptr) !=
      0)
    _exit(3);
  for (const char* name : kSettings) {
    if (RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4) != 0)
      _exit(4);
  }
  if (RegCloseKey(key) != 0) _exit(5);
}

TEST_F(RegistryConcurrency, TwoCopiesWritingDifferentValuesKeepBoth) {
  int go;
  const auto children = StartTogether(
      2,
      [](int copy) {
        for (int i = 0; i < 60; ++i) {
          const std::string name = (copy == 0 ? "a" : "b") + std::to_string(i);
          HKEY key = nullptr;
          RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, 0, nullptr, &key,
                          nullptr);
          const DWORD value = static_cast<DWORD>(i);
          if (RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             4) != 0)
            _exit(1);
          RegCloseKey(key);
        }
      },
      &go);
  close(go);
  for (int look = 0; look < 50; ++look) {
    if (soft::ReadBounded(StoreFile(), 1 << 20).status == soft::FileRead::Status::Ok)
      ParseFile(StoreFile());
  }
  ExpectAllExitedCleanly(children);
  const soft::RegStore store = ParseFile(StoreFile());
  for (int i = 0; i < 60; ++i) {
    EXPECT_EQ(StoredDword(store, ("a" + std::to_string(i)).c_str()), static_cast<DWORD>(i));
    EXPECT_EQ(StoredDword(store, ("b" + std::to_string(i)).c_str()), static_cast<DWORD>(i));
  }
}

TEST_F(RegistryConcurrency, EightCopiesExitingAtOnceLeaveOneCopysCompleteSettings) {
  for (int round = 0; round < 25; ++round) {
    int go;
    const auto children = StartTogether(
        8, [round](int copy) { SaveAll(static_cast<DWORD>(round * 8 + copy)); }, &go);
    close(go);
    ExpectAllExitedCleanly(children);
    const soft::RegStore store = ParseFile(StoreFile());
    const auto first = StoredDword(store, kSettings[0]);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(*first / 8, static_cast<DWORD>(round)) << "a copy of this round wrote last";
    for (const char* name : kSettings) EXPECT_EQ(StoredDword(store, name), first) << name;
  }
}

// Forks a child that saves in a loop, each save building on the last.
pid_t StartSaving(int saves) {
  fflush(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  for (int i = 0; i != saves; ++i) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, 0, nullptr, &key, nullptr);
    DWORD value = 0, size = 4;
    RegQueryValueExA(key, "Stars", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    SaveAll(value + 1);
  }
  _exit(0);
}

TEST_F(RegistryConcurrency, AKilledSaveLeavesTheOldOrTheNewSettings) {
  SaveAll(0);
  // Kill within the time a child takes to start and save twice, so that
  // kills land before, during and after saves on fast and slow builds alike.
  const auto start = std::chrono::steady_clock::now();
  waitpid(StartSaving(2), nullptr, 0);
  const auto window = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  std::mt19937 random(99);
  DWORD last = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(6);
  int kills = 0;
  for (; kills < 300 && std::chrono::steady_clock::now() < deadline; ++kills) {
    const pid_t pid = StartSaving(-1);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (window.count() + 1)));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const soft::RegStore store = ParseFile(StoreFile());
    const auto now = StoredDword(store, "Stars");
    ASSERT_TRUE(now.has_value());
    EXPECT_GE(*now, last);
    for (const char* name : kSettings)
      ASSERT_EQ(StoredDword(store, name), now) << "a save is never half done";
    last = *now;
  }
  EXPECT_GE(kills, 50);
  EXPECT_GT(last, 2u) << "saves got through between the kills";
}

}  // namespace
}  // namespace fwtest
