// zlb add killed with SIGKILL at many moments: the archive must always open with full
// verification and hold either its old members or the old members and the new one. Temporary
// files in the temporary folder are the only debris allowed.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestData.h"
#include "tests/tools/ZlbRunner.h"

namespace fs = std::filesystem;

namespace {

// Starts zlb with the arguments in folder cwd, output discarded and TMPDIR set to tmp.
pid_t StartZlb(const std::vector<std::string>& args, const std::string& cwd,
               const std::string& tmp) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  std::vector<std::string> argStrings{ZlbBinary()};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : argStrings) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  std::vector<std::string> envStrings{"TMPDIR=" + tmp};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("TMPDIR=", 0) != 0) {
      envStrings.emplace_back(*e);
    }
  }
  std::vector<char*> envp;
  for (auto& e : envStrings) {
    envp.push_back(e.data());
  }
  envp.push_back(nullptr);
  pid_t pid = 0;
  const int spawned =
      ::posix_spawn(&pid, argStrings[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    throw std::runtime_error("cannot start zlb");
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// The members of an archive, each extracted with its CRC checked.
std::vector<std::string> Members(const std::string& file) {
  TZLBArchive archive;
  archive.SetCheckCRC(true);
  archive.OpenArchive(file);
  std::vector<std::string> members;
  for (int i = 0; i < archive.FileCount(); ++i) {
    TMemoryStream out;
    archive.ExtractToStream(i, out);
    members.emplace_back(out.Bytes().begin(), out.Bytes().end());
  }
  return members;
}

TEST(ZlbCrash, AKilledAddLeavesTheOldArchiveOrTheNewOneWhole) {
  TempDir dir;
  fs::create_directory(dir / "tmp");
  const std::vector<std::string> old = {Noise(300000), std::string(200000, 'o')};
  WriteHostFile(dir / "one", old[0]);
  WriteHostFile(dir / "two", old[1]);
  // Big enough that adding it takes a while: partly compressible, partly not.
  std::string added;
  for (int i = 0; i < 40; ++i) {
    added += Noise(50000) + std::string(50000, static_cast<char>('a' + i % 26));
  }
  WriteHostFile(dir / "new", added);
  ASSERT_EQ(RunZlb({"create", "-q", "a.zlb", "one", "two"}, dir.path()).status, 0);
  const std::string original = ReadHostFile(dir / "a.zlb");

  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(WEXITSTATUS(Wait(StartZlb({"add", "-q", "a.zlb", "new"}, dir.path(), dir / "tmp"))), 0);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now() - started)
                         .count();

  int kept = 0;
  constexpr int kMoments = 24;
  for (int moment = 0; moment <= kMoments; ++moment) {
    SCOPED_TRACE(moment);
    WriteHostFile(dir / "a.zlb", original);
    const pid_t pid = StartZlb({"add", "-q", "a.zlb", "new"}, dir.path(), dir / "tmp");
    // From the start to well past the time a whole run took.
    const long long delay = whole * 3 * moment / (2 * kMoments);
    const timespec pause{static_cast<time_t>(delay / 1000000),
                         static_cast<long>(delay % 1000000) * 1000};
    ::nanosleep(&pause, nullptr);
    ::kill(pid, SIGKILL);
    Wait(pid);

    std::vector<std::string> members;
    ASSERT_NO_THROW(members = Members(dir / "a.zlb"));
    if (members.size() == old.size()) {
      EXPECT_EQ(members, old);
      ++kept;
    } else {
      ASSERT_EQ(members.size(), old.size() + 1);
      EXPECT_EQ(std::vector<std::string>(members.begin(), members.begin() + 2), old);
      EXPECT_EQ(members.back(), added);
    }
    // Nothing but the archive and its sources in the archive's folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 5);
  }
  EXPECT_GT(kept, 0) << "no moment came before the replacement";
}

}  // namespace
