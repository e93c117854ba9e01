// Ctrl-C on Windows: the console's control event reaches zlb.exe while it works, and it keeps
// the promise zlb makes on Linux: no trace of a create or an add (the old archive as it was),
// and from an extraction only complete members.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/windows/Win32.h"
#include "tests/support/TempDir.h"
#include "tests/tools/ZlbRunner.h"

namespace fs = std::filesystem;

namespace {

// Bytes that do not compress, quickly made: zlb works a while on them at the maximum level.
std::string Incompressible(std::size_t size, std::uint64_t seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
    bytes[i] = static_cast<char>(seed >> 32);
  }
  return bytes;
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

// Whether a file whose name begins with ZLB holds data: zlb is in the middle of its work.
bool Working(const std::string& folder) {
  std::error_code ignored;
  for (const auto& item : fs::recursive_directory_iterator(folder, ignored)) {
    if (item.path().filename().string().rfind("ZLB", 0) == 0 && item.is_regular_file(ignored) &&
        item.file_size(ignored) > 0) {
      return true;
    }
  }
  return false;
}

// This test program's own console, which zlb.exe shares, so that Ctrl-C can be sent to it;
// the test program itself lets the event pass.
class SharedConsole {
 public:
  SharedConsole() {
    ::FreeConsole();
    ready_ = ::AllocConsole() != 0;
    ::SetConsoleCtrlHandler(Ignore, TRUE);
  }
  ~SharedConsole() { ::SetConsoleCtrlHandler(Ignore, FALSE); }
  bool Ready() const { return ready_; }

 private:
  static BOOL WINAPI Ignore(DWORD) { return TRUE; }
  bool ready_ = false;
};

// Starts zlb in folder with its temporary folder (TMP) in folder\tmp, presses Ctrl-C once it
// is at work, and gives its exit status and what it wrote on standard error.
ZlbResult InterruptedRun(const std::vector<std::string>& args, const std::string& folder) {
  std::string commandLine = zlb_runner::Quoted(ZlbBinary());
  for (const auto& arg : args) {
    commandLine += " " + zlb_runner::Quoted(arg);
  }
  const std::string tmp = folder + "/tmp";
  fs::create_directories(tmp);
  char saved[MAX_PATH * 4] = "";
  const bool hadTmp = ::GetEnvironmentVariableA("TMP", saved, sizeof saved) != 0;
  ::SetEnvironmentVariableA("TMP", tmp.c_str());  // for the child, which inherits it
  zlb_runner::Pipe err;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = err.write;
  startup.hStdError = err.write;
  PROCESS_INFORMATION process{};
  const bool started = ::CreateProcessA(ZlbBinary().c_str(), commandLine.data(), nullptr, nullptr,
                                        TRUE, 0, nullptr, folder.c_str(), &startup, &process);
  ::SetEnvironmentVariableA("TMP", hadTmp ? saved : nullptr);
  if (!started) {
    throw std::runtime_error("cannot start zlb");
  }
  err.CloseWrite();
  ZlbResult result;
  std::thread drain(zlb_runner::DrainPipe, err.read, &result.err);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!Working(folder) && std::chrono::steady_clock::now() < deadline &&
         ::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  drain.join();
  DWORD status = 0;
  ::GetExitCodeProcess(process.hProcess, &status);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  result.status = static_cast<int>(status);
  return result;
}

}  // namespace

TEST(ZlbInterrupt, CtrlCLeavesNoTraceOfACreateOrAddAndOnlyWholeMembers) {
  SharedConsole console;
  if (!console.Ready()) {
    GTEST_SKIP() << "no console to send Ctrl-C through";
  }
  TempDir dir;
  WriteHostFile(dir / "big.bin", Incompressible(40 << 20, 19));
  WriteHostFile(dir / "small.txt", "small");
  ASSERT_EQ(RunZlb({"create", "-q", "old.zlb", "small.txt"}, dir.path()).status, 0);
  ASSERT_EQ(
      RunZlb({"create", "-q", "--level", "none", "two.zlb", "small.txt", "big.bin"}, dir.path())
          .status,
      0);
  const std::string old = ReadHostFile(dir / "old.zlb");
  fs::create_directories(dir / "tmp");
  const std::vector<std::string> before = Names(dir.path());

  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> left;  // in out/, for an extraction
  };
  const Case cases[] = {
      {{"create", "--level", "maximum", "new.zlb", "small.txt", "big.bin"}, {}},
      {{"create", "-f", "--level", "maximum", "old.zlb", "big.bin"}, {}},
      {{"add", "--level", "maximum", "old.zlb", "big.bin"}, {}},
      // The small member is complete before the big one starts; the big one never appears.
      {{"extract", "two.zlb", "out"}, {"small.txt"}},
  };
  for (const Case& c : cases) {
    const ZlbResult run = InterruptedRun(c.args, dir.path());
    EXPECT_EQ(run.status, 130) << c.args[0] << ": " << run.err;
    EXPECT_EQ(run.err, "\nzlb: interrupted\n") << c.args[0];
    if (c.args[0] == "extract") {
      ASSERT_TRUE(fs::exists(dir / "out")) << run.err;
      EXPECT_EQ(Names(dir / "out"), c.left) << run.err;
      fs::remove_all(dir / "out");
    }
    EXPECT_EQ(Names(dir.path()), before) << c.args[0];
    EXPECT_TRUE(fs::is_empty(dir / "tmp")) << c.args[0];
    EXPECT_TRUE(ReadHostFile(dir / "old.zlb") == old) << c.args[0] << ": the old archive changed";
  }
}
