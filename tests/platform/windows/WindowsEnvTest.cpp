// The Win32 side of the environment: the sharing modes, the replace, the read-only attribute,
// the shell starting a program, and the reasons the system gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Exception.h"
#include "platform/HostEnv.h"
#include "platform/ProgramFolder.h"
#include "platform/Stream.h"
#include "platform/windows/Win32.h"
#include "tests/support/TempDir.h"

using platform::Reason;

namespace {

// The names in a folder, sorted.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class WindowsEnv : public ::testing::Test {
 protected:
  // A name in the test's folder, written the Windows way.
  std::string In(const std::string& name) const { return root_ + "\\" + name; }
  platform::HostEnv env_;
  TempDir dir_;
  std::string root_ = std::filesystem::path(dir_.path()).make_preferred().string();
};

}  // namespace

// A file held open keeps others to what its mode shares: readers share with readers only,
// writers with nobody, whether the other is one of our opens or another program's, which asks
// for its access and shares everything; once closed, anyone may open it.
TEST_F(WindowsEnv, OpenFilesShareOnlyWhatTheirModeAllows) {
  using M = TFileMode;
  struct Case {
    M held;
    std::optional<M> second;  // none: another program's open for `otherAccess`
    DWORD otherAccess;
    bool opens;
  };
  const DWORD kRead = GENERIC_READ, kWrite = GENERIC_WRITE;
  const Case cases[] = {
      {M::fmOpenReadDenyWrite, M::fmOpenReadDenyWrite, 0, true},
      {M::fmOpenReadDenyWrite, M::fmCreate, 0, false},
      {M::fmOpenReadDenyWrite, M::fmOpenReadWriteExclusive, 0, false},
      {M::fmOpenReadDenyWrite, std::nullopt, kRead, true},
      {M::fmOpenReadDenyWrite, std::nullopt, kWrite, false},
      {M::fmCreate, M::fmOpenReadDenyWrite, 0, false},
      {M::fmCreate, M::fmCreate, 0, false},
      {M::fmCreate, std::nullopt, kRead, false},
      {M::fmOpenReadWriteExclusive, M::fmOpenReadDenyWrite, 0, false},
      {M::fmOpenReadWriteExclusive, M::fmOpenReadWriteExclusive, 0, false},
      {M::fmOpenReadWriteExclusive, std::nullopt, kRead, false},
  };
  const std::string file = In("shared.dat");
  for (const Case& c : cases) {
    const std::string what = std::to_string(int(c.held)) + " then " +
                             (c.second ? std::to_string(int(*c.second)) : "another program's");
    WriteHostFile(file, "kept");
    {
      auto held = env_.OpenFile(file, c.held);
      ASSERT_TRUE(held) << held.Failure().Text();
      if (c.second) {
        auto second = env_.OpenFile(file, *c.second);
        EXPECT_EQ(second.Ok(), c.opens) << what;
        if (!c.opens) {
          EXPECT_EQ(second.Failure().Why(), Reason::kInUse) << what;
          EXPECT_FALSE(second.Failure().Text().empty());
        }
      } else {
        const HANDLE other = ::CreateFileA(file.c_str(), c.otherAccess,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(other != INVALID_HANDLE_VALUE, c.opens) << what;
        if (other != INVALID_HANDLE_VALUE) {
          ::CloseHandle(other);
        }
      }
    }
    // A refused create truncated nothing, and the closed file opens for writing again.
    EXPECT_EQ(ReadHostFile(file), c.held == M::fmCreate ? "" : "kept");
    EXPECT_TRUE(env_.OpenFile(file, M::fmOpenReadWriteExclusive));
  }
  // The stream says who is in the way.
  auto reader = env_.OpenFile(file, M::fmOpenReadDenyWrite);
  try {
    TFileStream writer(file, M::fmCreate, &env_);
    FAIL() << "a file read with writing denied was opened for writing";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file " + file);
    EXPECT_FALSE(e.Cause().empty());
  }
}

// The replace puts the new file in place in one step and leaves nothing else behind; one that
// cannot happen leaves both files as they were.
TEST_F(WindowsEnv, ReplaceIsOneStepAndLeavesNoTemporaryFile) {
  const std::string target = In("archive.zlb");
  const std::string source = In("ZLB1.tmp");
  WriteHostFile(target, "old");
  WriteHostFile(source, "new");
  ASSERT_TRUE(env_.ReplaceFile(source, target));
  EXPECT_EQ(ReadHostFile(target), "new");
  EXPECT_EQ(Names(dir_.path()), std::vector<std::string>{"archive.zlb"});

  // Held open by a reader: refused, nothing lost.
  WriteHostFile(source, "newer");
  {
    auto reader = env_.OpenFile(target, TFileMode::fmOpenReadDenyWrite);
    ASSERT_TRUE(reader);
    const platform::Status refused = env_.ReplaceFile(source, target);
    EXPECT_FALSE(refused);
    EXPECT_FALSE(refused.Text().empty());
  }
  EXPECT_EQ(ReadHostFile(target), "new");
  EXPECT_EQ(ReadHostFile(source), "newer");

  // Between two volumes (a memory file system reached through drive Z:, where there is one)
  // the copy lands beside the target first, and the source goes last.
  const std::string shm = "Z:\\dev\\shm";
  if (env_.FolderExists(shm)) {
    const std::string distant = shm + "\\quorin-test-replace.tmp";
    WriteHostFile(distant, "from afar");
    const platform::Status moved = env_.ReplaceFile(distant, target);
    EXPECT_TRUE(moved) << moved.Text();
    EXPECT_EQ(ReadHostFile(target), "from afar");
    EXPECT_FALSE(env_.FileExists(distant));
    EXPECT_EQ(Names(dir_.path()), (std::vector<std::string>{"ZLB1.tmp", "archive.zlb"}));
    env_.DeleteFile(distant);
  }
}

// A file whose read-only attribute is set is read, but never opened for writing or replaced.
TEST_F(WindowsEnv, ReadOnlyFilesAreRefusedForWriting) {
  const std::string file = In("locked.txt");
  WriteHostFile(file, "keep me");
  WriteHostFile(In("other.txt"), "not me");
  ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  for (const TFileMode mode : {TFileMode::fmCreate, TFileMode::fmOpenReadWriteExclusive}) {
    auto opened = env_.OpenFile(file, mode);
    EXPECT_FALSE(opened) << int(mode);
    EXPECT_EQ(opened.Failure().Why(), Reason::kAccessDenied) << int(mode);
  }
  EXPECT_FALSE(env_.ReplaceFile(In("other.txt"), file));
  EXPECT_TRUE(env_.OpenFile(file, TFileMode::fmOpenReadDenyWrite));
  EXPECT_EQ(ReadHostFile(file), "keep me");
  ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The shell starts the program with its parameters in the working folder asked for. The
// recorder is built beside this test program, so the running program's folder must name it.
TEST_F(WindowsEnv, ProgramsStartThroughTheShellInTheirWorkingFolder) {
  const std::string recorder = platform::ProgramFolder() + "\\start_recorder.exe";
  ASSERT_TRUE(env_.FileExists(recorder)) << recorder;
  const std::string folder = In("work here");
  ASSERT_TRUE(env_.CreateFolder(folder));
  ASSERT_EQ(env_.StartProgram(recorder, "/associateqrk \"two words\"", folder),
            platform::StartResult::kStarted);
  const std::string record = folder + "\\started.txt";
  for (int i = 0; i < 200 && !env_.FileExists(record); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const std::string lines = ReadHostFile(record);
  const auto end = lines.find('\n');
  ASSERT_NE(end, std::string::npos) << lines;
  const std::string commandLine = lines.substr(0, end);
  EXPECT_NE(commandLine.find("start_recorder.exe"), std::string::npos) << commandLine;
  EXPECT_EQ(commandLine.substr(commandLine.size() - 26), " /associateqrk \"two words\"")
      << commandLine;
  EXPECT_EQ(lines.substr(end + 1), folder + "\n");

  EXPECT_EQ(env_.StartProgram(In("none.exe"), "", folder), platform::StartResult::kProgramMissing);
  EXPECT_EQ(env_.StartProgram(recorder, "", In("nowhere")), platform::StartResult::kFolderMissing);
}

// Each refusal has its reason and the system's words for it.
TEST_F(WindowsEnv, FailuresSayWhy) {
  WriteHostFile(In("file.txt"), "x");
  WriteHostFile(In("other.txt"), "y");
  ASSERT_TRUE(env_.CreateFolder(In("folder")));
  ASSERT_TRUE(env_.CreateFolder(In("full")));
  WriteHostFile(In("full\\kept.txt"), "z");
  struct Case {
    const char* what;
    platform::Status status;
    Reason why;
  };
  const Case cases[] = {
      {"open missing", env_.OpenFile(In("missing.txt"), TFileMode::fmOpenReadDenyWrite).Failure(),
       Reason::kNotFound},
      {"create in a missing folder",
       env_.OpenFile(In("no\\new.txt"), TFileMode::fmCreate).Failure(), Reason::kNotFound},
      {"open a folder", env_.OpenFile(In("folder"), TFileMode::fmOpenReadDenyWrite).Failure(),
       Reason::kIsFolder},
      {"open a device", env_.OpenFile("NUL", TFileMode::fmOpenReadDenyWrite).Failure(),
       Reason::kIoError},
      {"create a device", env_.OpenFile(In("com1.txt"), TFileMode::fmCreate).Failure(),
       Reason::kInvalidName},
      {"folder exists", env_.CreateFolder(In("folder")), Reason::kAlreadyExists},
      {"folder over a file", env_.CreateFolder(In("file.txt")), Reason::kAlreadyExists},
      {"folder named for a device", env_.CreateFolder(In("aux")), Reason::kInvalidName},
      {"delete a folder", env_.DeleteFile(In("folder")), Reason::kIsFolder},
      {"delete missing", env_.DeleteFile(In("missing.txt")), Reason::kNotFound},
      {"remove a full folder", env_.DeleteFolder(In("full")), Reason::kAlreadyExists},
      {"remove a file as a folder", env_.DeleteFolder(In("file.txt")), Reason::kNotFolder},
      {"remove a missing folder", env_.DeleteFolder(In("no")), Reason::kNotFound},
      {"move onto a file", env_.MoveFile(In("file.txt"), In("other.txt")), Reason::kAlreadyExists},
      {"temporary file in a missing folder", env_.CreateTempFile(In("no"), "ZLB").Failure(),
       Reason::kNotFound},
      {"enter a missing folder", env_.SetCurrentFolder(In("no")), Reason::kNotFound},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.status.Why(), c.why) << c.what << ": " << c.status.Text();
    EXPECT_FALSE(c.status.Text().empty()) << c.what;
    EXPECT_NE(c.status.Text().back(), '.') << c.what << ": more may follow the system's words";
  }
  // Wildcards name no file, whatever they would match.
  EXPECT_FALSE(env_.FileExists(In("file.*")));
  EXPECT_FALSE(env_.FileExists(In("folder")));
  EXPECT_TRUE(env_.FileExists(In("FILE.TXT")));
  // The refused removals took nothing; an empty folder goes.
  EXPECT_EQ(ReadHostFile(In("full\\kept.txt")), "z");
  EXPECT_TRUE(env_.FileExists(In("file.txt")));
  EXPECT_TRUE(env_.DeleteFolder(In("folder")));
  EXPECT_FALSE(env_.FolderExists(In("folder")));

  // Temporary files are new, empty and named with the prefix, in the folder as it was spelled.
  const auto first = env_.CreateTempFile(root_, "ZLB");
  const auto second = env_.CreateTempFile(root_, "ZLB");
  ASSERT_TRUE(first && second);
  EXPECT_NE(first.Value(), second.Value());
  EXPECT_EQ(first.Value().rfind(In("ZLB"), 0), 0u) << first.Value();
  EXPECT_EQ(ReadHostFile(first.Value()), "");
}
