#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/HostEnv.h"
#include "platform/posix/ProgramStart.h"
#include "tests/support/TempDir.h"
#include "tests/support/WinePrefix.h"

using platform::SplitCommandLine;
using platform::StartHostProgram;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
  EXPECT_EQ(SplitCommandLine(""), Args{});
  EXPECT_EQ(SplitCommandLine(" \t "), Args{});
  EXPECT_EQ(SplitCommandLine("/associateqrk"), Args{"/associateqrk"});
  EXPECT_EQ(SplitCommandLine("  a \t b\tc  "), (Args{"a", "b", "c"}));
  EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\x.exe" -y)"),
            (Args{R"(C:\Program Files\x.exe)", "-y"}));
  EXPECT_EQ(SplitCommandLine(R"(ab"c d"e f)"), (Args{"abc de", "f"}));
  EXPECT_EQ(SplitCommandLine(R"(x "" y)"), (Args{"x", "", "y"})) << "an empty quoted argument";
  EXPECT_EQ(SplitCommandLine(R"("open ended)"), Args{"open ended"});
}

TEST(SplitCommandLine, BackslashesAndQuotesFollowTheWindowsRules) {
  EXPECT_EQ(SplitCommandLine(R"(C:\dir\ a\\b)"), (Args{R"(C:\dir\)", R"(a\\b)"}))
      << "backslashes not before a quote are literal";
  EXPECT_EQ(SplitCommandLine(R"(\"a)"), Args{R"("a)"});
  EXPECT_EQ(SplitCommandLine(R"(a\\\"b)"), Args{R"(a\"b)"}) << "2n+1 backslashes: literal quote";
  EXPECT_EQ(SplitCommandLine(R"(a\\\\"b c" d)"), (Args{R"(a\\b c)", "d"}))
      << "2n backslashes: n backslashes, the quote groups";
  EXPECT_EQ(SplitCommandLine(R"("C:\dir\\" next)"), (Args{R"(C:\dir\)", "next"}));
  EXPECT_EQ(SplitCommandLine(R"("a""b c" d)"), (Args{R"(a"b c)", "d"}))
      << "a doubled quote inside quotes is a literal quote";
}

namespace {

namespace fs = std::filesystem;

// Sets PATH for one test and puts the old value back afterwards.
class PathGuard {
 public:
  explicit PathGuard(const std::string& path) {
    const char* old = std::getenv("PATH");
    saved_ = old != nullptr ? old : "";
    ::setenv("PATH", path.c_str(), 1);
  }
  ~PathGuard() { ::setenv("PATH", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

// A script that records its working folder and arguments, one a line, in the folder's file
// "record". It first holds on until "record.go" appears, which the test creates only after the
// start has returned; when it has to give up waiting, its record begins with "waited".
// With a first line given (shell words, such as "$WINEPREFIX"), it is recorded after the
// working folder.
void WriteRecorder(const std::string& path, const std::string& folder,
                   const std::string& firstLine = "") {
  const std::string first = firstLine.empty() ? "" : " printf '%s\\n' \"" + firstLine + "\";";
  const std::string record = "'" + folder + "/record";
  WriteHostFile(path, "#!/bin/sh\ni=0\nwhile [ ! -e " + record + ".go' ] && [ $i -lt 100 ]; do " +
                          "/bin/sleep 0.1; i=$((i+1)); done\n: > " + record + ".part'\n[ -e " +
                          record + ".go' ] || echo waited > " + record + ".part'\n" + "{ pwd -P;" +
                          first + " for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } >> " +
                          record + ".part' && /bin/mv " + record + ".part' " + record + "'\n");
  fs::permissions(path, fs::perms::owner_all);
}

// Runs start, lets the started program go on and waits, within a generous bound, for its
// record. Nothing must be left for this process to reap: no zombie, no waiting.
std::optional<Args> Recorded(const std::string& folder, const std::function<void()>& start) {
  start();
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a child is left behind";
  WriteHostFile(folder + "/record.go", "");
  const std::string record = folder + "/record";
  for (int i = 0; i < 1000 && !fs::exists(record); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  fs::remove(folder + "/record.go");
  if (!fs::exists(record)) {
    return std::nullopt;
  }
  Args lines;
  std::istringstream in(ReadHostFile(record));
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  fs::remove(record);
  return lines;
}

std::string Canonical(const std::string& path) {
  return fs::canonical(path).string();
}

// Runs start in a helper process that adopts every orphan below it, waits until all of them
// have ended, and returns their exit codes in the order they ended: empty when start started
// nothing, 127 for a process that gave up before running the program.
std::vector<int> ExitCodesOfStarted(const std::function<void()>& start) {
  int channel[2];
  if (::pipe(channel) != 0) {
    ADD_FAILURE() << "no pipe";
    return {};
  }
  const pid_t helper = ::fork();
  if (helper == 0) {
    ::close(channel[0]);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    start();
    int status = 0;
    while (::wait(&status) > 0) {
      const char code = static_cast<char>(WIFEXITED(status) ? WEXITSTATUS(status) : 255);
      (void)::write(channel[1], &code, 1);
    }
    ::_exit(0);
  }
  ::close(channel[1]);
  std::vector<int> codes;
  unsigned char code;
  while (helper > 0 && ::read(channel[0], &code, 1) == 1) {
    codes.push_back(code);
  }
  ::close(channel[0]);
  ::waitpid(helper, nullptr, 0);
  return codes;
}

}  // namespace

TEST(StartHostProgram, WindowsProgramsRunUnderWineFoundOnPath) {
  TempDir tmp;
  fs::create_directory(tmp / "bin");
  fs::create_directory(tmp / "work");
  WriteRecorder(tmp / "bin/wine", tmp.path());
  WriteHostFile(tmp / "Quorin.exe", "MZ");
  WriteHostFile(tmp / "SETUP.Bat", "@echo off");
  PathGuard path(tmp / "bin");
  auto record = Recorded(tmp.path(), [&] {
    StartHostProgram(tmp / "Quorin.exe", {"/associateqrk", "two words"}, tmp / "work");
  });
  EXPECT_EQ(record,
            (Args{Canonical(tmp / "work"), tmp / "Quorin.exe", "/associateqrk", "two words"}));
  record = Recorded(tmp.path(), [&] { StartHostProgram(tmp / "SETUP.Bat", {}, tmp.path()); });
  EXPECT_EQ(record, (Args{Canonical(tmp.path()), tmp / "SETUP.Bat"}));
}

TEST(StartHostProgram, ExecutablesRunDirectlyAndDocumentsGoToXdgOpen) {
  TempDir tmp;
  fs::create_directory(tmp / "bin");
  WriteRecorder(tmp / "tool", tmp.path());
  WriteRecorder(tmp / "bin/xdg-open", tmp.path());
  WriteHostFile(tmp / "readme.txt", "text");
  PathGuard path(tmp / "bin");
  // No working folder leaves the program in the caller's folder.
  auto record = Recorded(tmp.path(), [&] { StartHostProgram(tmp / "tool", {"-x", "a b"}, ""); });
  EXPECT_EQ(record, (Args{Canonical("."), "-x", "a b"}));
  record =
      Recorded(tmp.path(), [&] { StartHostProgram(tmp / "readme.txt", {"ignored"}, tmp.path()); });
  EXPECT_EQ(record, (Args{Canonical(tmp.path()), tmp / "readme.txt"}));
}

TEST(StartHostProgram, NothingStartsWithoutTheProgramItsFolderOrTheLauncher) {
  using platform::StartResult;
  TempDir tmp;
  fs::create_directory(tmp / "bin");
  WriteHostFile(tmp / "bin/wine", "#!/bin/sh\necho ran >> '" + tmp / "ran" + "'\n");
  fs::permissions(tmp / "bin/wine", fs::perms::owner_all);
  WriteHostFile(tmp / "Quorin.exe", "MZ");
  WriteHostFile(tmp / "readme.txt", "text");
  // Each start that cannot happen, with what it must report.
  const std::vector<std::pair<std::function<StartResult()>, StartResult>> refused = {
      {[&] { return StartHostProgram(tmp / "Missing.exe", {}, tmp.path()); },
       StartResult::kProgramMissing},
      {[&] { return StartHostProgram(tmp / "Quorin.exe", {}, tmp / "gone"); },
       StartResult::kFolderMissing},
      {[&] { return StartHostProgram("", {}, ""); }, StartResult::kProgramMissing},
  };
  {
    PathGuard path(tmp / "bin");
    for (const auto& [start, expected] : refused) {
      EXPECT_EQ(start(), expected);
    }
    EXPECT_EQ(ExitCodesOfStarted([&] {
                for (const auto& each : refused) {
                  each.first();
                }
              }),
              std::vector<int>{})
        << "not even wine starts";
    EXPECT_FALSE(fs::exists(tmp / "ran"));
    EXPECT_EQ(StartHostProgram(tmp / "Quorin.exe", {}, tmp.path()), StartResult::kStarted);
    for (int i = 0; i < 1000 && !fs::exists(tmp / "ran"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(fs::exists(tmp / "ran")) << "with a folder to run in, the same start works";
  }
  PathGuard path(tmp.path());  // neither wine nor xdg-open here
  EXPECT_EQ(StartHostProgram(tmp / "Quorin.exe", {"/associateqrk"}, ""),
            StartResult::kLauncherMissing);
  EXPECT_EQ(StartHostProgram(tmp / "readme.txt", {}, tmp.path()), StartResult::kLauncherMissing);
}

// The program runs in the prefix its path was resolved in, even when that prefix was given
// relative to a folder the process has since left, and whatever WINEPREFIX the caller has: its
// environment holds exactly one WINEPREFIX, ours (with two, which one a program reads is
// undefined; the shell that records takes one of them).
TEST(StartHostProgram, WindowsProgramsRunInTheEnvironmentsOwnPrefix) {
  TempDir tmp;
  const std::string game = tmp / "prefix/drive_c/Games/Quorin";
  fs::create_directories(game);
  fs::create_directories(tmp / "prefix/dosdevices");
  fs::create_directory_symlink("../drive_c", tmp / "prefix/dosdevices/c:");
  WriteHostFile(game + "/Quorin.exe", "MZ");
  // Every WINEPREFIX of the environment the recorder was started with, as it was passed.
  WriteRecorder(tmp / "wine", tmp.path(),
                "$(/bin/tr '\\0' '\\n' < /proc/$$/environ | /bin/grep '^WINEPREFIX=')");
  PathGuard path(tmp.path());
  CurrentDirectoryGuard here;
  fs::current_path(tmp.path());
  const char* saved = std::getenv("WINEPREFIX");
  const std::string savedValue = saved != nullptr ? saved : "";
  ::setenv("WINEPREFIX", (tmp / "elsewhere").c_str(), 1);
  platform::HostEnv env("prefix");
  ASSERT_TRUE(env.SetCurrentFolder("C:\\Games"));
  platform::StartResult result = platform::StartResult::kFailed;
  const auto record = Recorded(tmp.path(), [&] {
    result = env.StartProgram("C:\\Games\\Quorin\\Quorin.exe", "/associateqrk", "Quorin\\");
  });
  saved != nullptr ? ::setenv("WINEPREFIX", savedValue.c_str(), 1) : ::unsetenv("WINEPREFIX");
  EXPECT_EQ(result, platform::StartResult::kStarted);
  ASSERT_TRUE(record && record->size() == 4u);
  EXPECT_EQ((*record)[0], Canonical(game));
  EXPECT_EQ((*record)[1], "WINEPREFIX=" + (tmp / "prefix"));
  EXPECT_EQ(Canonical((*record)[2]), Canonical(game + "/Quorin.exe"));
  EXPECT_EQ((*record)[3], "/associateqrk");
}
