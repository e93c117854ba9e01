// zlb create and add stopped at many moments. Killed, they leave the archive whole (the old one,
// the new one, or for create none at all), with temporary files in the temporary folder the
// only debris. Interrupted by a signal they can handle, they finish or leave no trace at all.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
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
  return zlb_runner::WaitStatus(pid);
}

// Starts zlb in dir with TMPDIR dir/tmp, sends it the signal after `delay` microseconds and
// returns its wait status.
int SignalAfter(const std::vector<std::string>& args, const TempDir& dir, long long delay,
                int signal) {
  const pid_t pid = StartZlb(args, dir.path(), dir / "tmp");
  const timespec pause{static_cast<time_t>(delay / 1000000),
                       static_cast<long>(delay % 1000000) * 1000};
  ::nanosleep(&pause, nullptr);
  ::kill(pid, signal);
  return Wait(pid);
}

// The microseconds one whole run of zlb takes (it must succeed).
long long TimeOfRun(const std::vector<std::string>& args, const TempDir& dir) {
  const auto started = std::chrono::steady_clock::now();
  const int status = Wait(StartZlb(args, dir.path(), dir / "tmp"));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                               started)
      .count();
}

// The names in a folder, sorted.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(folder)) {
    names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// About 1.3 MB that takes a while to add: partly compressible, partly not.
std::string SlowFile(char letter) {
  std::string content;
  for (int i = 0; i < 13; ++i) {
    content += Noise(50000) + std::string(50000, static_cast<char>(letter + i));
  }
  return content;
}

// A short stand-in for content, so that a failure shows sizes and not megabytes.
std::string Digest(const std::string& content) {
  return std::to_string(content.size()) + " bytes #" +
         std::to_string(std::hash<std::string>{}(content));
}

std::vector<std::string> Digests(const std::vector<std::string>& contents) {
  std::vector<std::string> digests;
  for (const std::string& content : contents) {
    digests.push_back(Digest(content));
  }
  return digests;
}

// The bytes of an archive of one member "old" holding `content`, made in dir and removed again
// with its source.
std::string OldArchive(const TempDir& dir, const std::string& content) {
  WriteHostFile(dir / "old", content);
  EXPECT_EQ(RunZlb({"create", "-q", "old.zlb", "old"}, dir.path()).status, 0);
  const std::string bytes = ReadHostFile(dir / "old.zlb");
  fs::remove(dir / "old");
  fs::remove(dir / "old.zlb");
  return bytes;
}

// The members of an archive (their digests), each extracted with its CRC checked.
std::vector<std::string> Members(const std::string& file) {
  TZLBArchive archive;
  archive.SetCheckCRC(true);
  archive.OpenArchive(file);
  std::vector<std::string> members;
  for (int i = 0; i < archive.FileCount(); ++i) {
    TMemoryStream out;
    archive.ExtractToStream(i, out);
    members.push_back(Digest(std::string(out.Bytes().begin(), out.Bytes().end())));
  }
  return members;
}

TEST(ZlbCrash, AKilledAddLeavesTheOldArchiveOrTheNewOneWhole) {
  TempDir dir;
  fs::create_directory(dir / "tmp");
  const std::vector<std::string> old = {Noise(300000), std::string(200000, 'o')};
  WriteHostFile(dir / "one", old[0]);
  WriteHostFile(dir / "two", old[1]);
  const std::string added = SlowFile('a') + SlowFile('n') + SlowFile('A');
  WriteHostFile(dir / "new", added);
  ASSERT_EQ(RunZlb({"create", "-q", "a.zlb", "one", "two"}, dir.path()).status, 0);
  const std::string original = ReadHostFile(dir / "a.zlb");
  const std::vector<std::string> args = {"add", "-q", "a.zlb", "new"};
  const long long whole = TimeOfRun(args, dir);

  int kept = 0;
  constexpr int kMoments = 24;
  for (int moment = 0; moment <= kMoments; ++moment) {
    SCOPED_TRACE(moment);
    WriteHostFile(dir / "a.zlb", original);
    // From the start to well past the time a whole run took.
    SignalAfter(args, dir, whole * 3 * moment / (2 * kMoments), SIGKILL);

    std::vector<std::string> members;
    ASSERT_NO_THROW(members = Members(dir / "a.zlb"));
    if (members.size() == old.size()) {
      EXPECT_EQ(members, Digests(old));
      ++kept;
    } else {
      ASSERT_EQ(members.size(), old.size() + 1);
      EXPECT_EQ(std::vector<std::string>(members.begin(), members.begin() + 2), Digests(old));
      EXPECT_EQ(members.back(), Digest(added));
    }
    // Nothing but the archive and its sources in the archive's folder.
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a.zlb", "new", "one", "tmp", "two"}));
  }
  EXPECT_GT(kept, 0) << "no moment came before the replacement";
}

// A batch create killed at any moment: no archive, or one holding every new member; with -f
// the old archive whole or the new one. Beside it, at most the temporary files it was built in,
// and none in the temporary folder.
TEST(ZlbCrash, AKilledCreateLeavesNoArchiveOrTheNewOneWhole) {
  TempDir dir;
  fs::create_directory(dir / "tmp");
  const std::vector<std::string> sources = {"s1", "s2", "s3"};
  std::vector<std::string> wanted;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    wanted.push_back(SlowFile(static_cast<char>('a' + 8 * i)));
    WriteHostFile(dir / sources[i], wanted[i]);
  }
  const std::vector<std::string> old = {"an older archive"};
  const std::string original = OldArchive(dir, old[0]);
  const std::vector<std::string> args = {"create", "-q", "-f", "a.zlb", "s1", "s2", "s3"};
  const long long whole = TimeOfRun(args, dir);

  constexpr int kMoments = 24;
  for (int moment = 0; moment <= kMoments; ++moment) {
    SCOPED_TRACE(moment);
    // Every other moment, -f over an existing archive.
    const bool over = moment % 2 == 1;
    if (over) {
      WriteHostFile(dir / "a.zlb", original);
    } else {
      fs::remove(dir / "a.zlb");
    }
    SignalAfter(args, dir, whole * 3 * moment / (2 * kMoments), SIGKILL);

    EXPECT_EQ(Names(dir / "tmp"), std::vector<std::string>{});
    std::vector<std::string> names = {"s1", "s2", "s3", "tmp"};
    for (const std::string& name : Names(dir.path())) {
      if (name.rfind("ZLB", 0) == 0) {
        fs::remove(dir / name);
      }
    }
    if (fs::exists(dir / "a.zlb")) {
      names.insert(names.begin(), "a.zlb");
      std::vector<std::string> members;
      ASSERT_NO_THROW(members = Members(dir / "a.zlb"));
      if (!over || members != Digests(old)) {
        EXPECT_EQ(members, Digests(wanted));
      }
    } else {
      EXPECT_FALSE(over) << "the old archive is gone";
    }
    ASSERT_EQ(Names(dir.path()), names);
  }
}

// The signals zlb cleans up after: Ctrl-C, a request to end, the terminal closed.
constexpr int kInterruptions[] = {SIGTERM, SIGINT, SIGHUP};

// Whether a run stopped by the signal at work (not before zlb took charge of it, when the
// default way ends it) stopped as an interruption should: status 128 + the signal.
bool StoppedAtWork(int status, int signal) {
  if (WIFEXITED(status)) {
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    return true;
  }
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
  return false;
}

// Ctrl-C, SIGTERM or SIGHUP at any moment of a create or an add: the run either finishes (exit
// 0, the archive whole) or stops with 128 + the signal leaving no trace: no archive from
// create, the archive unchanged by add, and no temporary file anywhere. A signal that comes
// before zlb has taken charge of it ends the program the default way; it must leave no trace
// either.
TEST(ZlbCrash, AnInterruptedCreateOrAddLeavesNoTrace) {
  TempDir dir;
  fs::create_directory(dir / "tmp");
  const std::string one = SlowFile('a');
  const std::string two = SlowFile('k');
  WriteHostFile(dir / "one", one);
  WriteHostFile(dir / "two", two);
  const std::vector<std::string> old = {"an older archive"};
  const std::string original = OldArchive(dir, old[0]);
  const std::vector<std::string> create = {"create", "-q", "a.zlb", "one", "two"};
  const std::vector<std::string> add = {"add", "-q", "a.zlb", "one", "two"};
  const long long whole = TimeOfRun(create, dir);

  std::map<int, int> handled;
  constexpr int kMoments = 30;
  for (int moment = 0; moment <= kMoments; ++moment) {
    SCOPED_TRACE(moment);
    // Create and add in turn, each with every signal.
    const bool adding = moment % 2 == 1;
    const int signal = kInterruptions[moment / 2 % 3];
    if (adding) {
      WriteHostFile(dir / "a.zlb", original);
    } else {
      fs::remove(dir / "a.zlb");
    }
    const int status =
        SignalAfter(adding ? add : create, dir, whole * 3 * moment / (2 * kMoments), signal);

    const bool finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (finished) {
      std::vector<std::string> members;
      ASSERT_NO_THROW(members = Members(dir / "a.zlb"));
      EXPECT_EQ(members, adding ? Digests({old[0], one, two}) : Digests({one, two}));
    } else {
      handled[signal] += StoppedAtWork(status, signal) ? 1 : 0;
      if (adding) {
        EXPECT_EQ(Digest(ReadHostFile(dir / "a.zlb")), Digest(original));
      } else {
        EXPECT_FALSE(fs::exists(dir / "a.zlb"));
      }
    }
    ASSERT_EQ(Names(dir / "tmp"), std::vector<std::string>{});
    std::vector<std::string> names = {"one", "tmp", "two"};
    if (fs::exists(dir / "a.zlb")) {
      names.insert(names.begin(), "a.zlb");
    }
    ASSERT_EQ(Names(dir.path()), names);
  }
  for (const int signal : kInterruptions) {
    EXPECT_GT(handled[signal], 0) << "signal " << signal << " never came while zlb was at work";
  }

  // An extraction stopped by a signal keeps the members it finished and leaves no temporary
  // file beside the member it was writing.
  fs::remove(dir / "a.zlb");
  ASSERT_EQ(RunZlb(create, dir.path()).status, 0);
  const std::vector<std::string> extract = {"extract", "-q", "a.zlb", "out"};
  const long long extracting = TimeOfRun(extract, dir);
  handled.clear();
  for (int moment = 0; moment <= kMoments; ++moment) {
    SCOPED_TRACE(moment);
    fs::remove_all(dir / "out");
    const int signal = kInterruptions[moment % 3];
    const int status = SignalAfter(extract, dir, extracting * 3 * moment / (2 * kMoments), signal);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      handled[signal] += StoppedAtWork(status, signal) ? 1 : 0;
    }
    if (fs::exists(dir / "out")) {
      for (const std::string& name : Names(dir / "out")) {
        ASSERT_TRUE(name == "one" || name == "two") << name;
        EXPECT_EQ(Digest(ReadHostFile(dir / ("out/" + name))), Digest(name == "one" ? one : two));
      }
    }
  }
  for (const int signal : kInterruptions) {
    EXPECT_GT(handled[signal], 0) << "signal " << signal << " never stopped an extraction";
  }
}

}  // namespace
