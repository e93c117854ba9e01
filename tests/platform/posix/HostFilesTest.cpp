#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/Exception.h"
#include "platform/posix/HostFiles.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestData.h"

using platform::MoveHostFile;
using platform::OpenHostFile;
using platform::RenameHostFile;
namespace fs = std::filesystem;

namespace {

// Makes the first rename of a replace or move fail as it does between two file systems, for
// the length of a test, so that the copying path runs.
struct CrossDeviceGuard {
  CrossDeviceGuard() { platform::SimulateCrossDeviceRenames(true); }
  ~CrossDeviceGuard() { platform::SimulateCrossDeviceRenames(false); }
};

struct UmaskGuard {
  mode_t saved;
  explicit UmaskGuard(mode_t mask) : saved(::umask(mask)) {}
  ~UmaskGuard() { ::umask(saved); }
};

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

void WriteWithMode(const std::string& path, const std::string& content, mode_t mode) {
  WriteHostFile(path, content);
  ::chmod(path.c_str(), mode);
}

int CountItems(const std::string& folder) {
  return static_cast<int>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

}  // namespace

TEST(HostFile, ReadersShareButShutOutWritersUntilTheyClose) {
  TempDir tmp;
  const std::string name = tmp / "shared.bin";
  WriteHostFile(name, "precious");
  auto reader = OpenHostFile(name, TFileMode::fmOpenReadDenyWrite).Value();
  auto secondReader = OpenHostFile(name, TFileMode::fmOpenReadDenyWrite).Value();
  ASSERT_TRUE(reader && secondReader);
  EXPECT_EQ(OpenHostFile(name, TFileMode::fmCreate).Value(), nullptr);
  EXPECT_EQ(OpenHostFile(name, TFileMode::fmOpenReadWriteExclusive).Value(), nullptr);
  EXPECT_EQ(ReadHostFile(name), "precious") << "a refused create must not empty the file";

  reader.reset();
  secondReader.reset();
  auto writer = OpenHostFile(name, TFileMode::fmOpenReadWriteExclusive).Value();
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(OpenHostFile(name, TFileMode::fmOpenReadDenyWrite).Value(), nullptr);
  writer.reset();
  auto creator = OpenHostFile(name, TFileMode::fmCreate).Value();
  ASSERT_NE(creator, nullptr);
  EXPECT_EQ(OpenHostFile(name, TFileMode::fmOpenReadDenyWrite).Value(), nullptr);
  EXPECT_EQ(creator->Seek(0, TSeekOrigin::soEnd), 0) << "an unopposed create truncates";
}

TEST(HostFile, CreatedFilesGetTheUsualModeAndOnlyRegularFilesOpen) {
  TempDir tmp;
  for (mode_t mask : {022, 027}) {
    UmaskGuard guard(mask);
    const std::string name = tmp / std::to_string(mask);
    ASSERT_NE(OpenHostFile(name, TFileMode::fmCreate).Value(), nullptr);
    EXPECT_EQ(ModeOf(name), 0666u & ~mask);
  }
  // A FIFO without a writer is refused at once rather than waited on.
  ASSERT_EQ(::mkfifo((tmp / "fifo").c_str(), 0666), 0);
  for (TFileMode mode :
       {TFileMode::fmOpenReadDenyWrite, TFileMode::fmCreate, TFileMode::fmOpenReadWriteExclusive}) {
    EXPECT_EQ(OpenHostFile(tmp.path(), mode).Value(), nullptr);
    EXPECT_EQ(OpenHostFile(tmp / "no/such", mode).Value(), nullptr);
    EXPECT_EQ(OpenHostFile(tmp / "fifo", mode).Value(), nullptr);
  }
  EXPECT_EQ(OpenHostFile(tmp / "new", TFileMode::fmOpenReadWriteExclusive).Value(), nullptr);
  EXPECT_FALSE(fs::exists(tmp / "new")) << "only fmCreate creates";

  // A read-only file opens for reading only, even for root, and is not truncated.
  WriteWithMode(tmp / "read-only", "kept", 0444);
  EXPECT_EQ(OpenHostFile(tmp / "read-only", TFileMode::fmCreate).Value(), nullptr);
  EXPECT_EQ(OpenHostFile(tmp / "read-only", TFileMode::fmOpenReadWriteExclusive).Value(), nullptr);
  EXPECT_NE(OpenHostFile(tmp / "read-only", TFileMode::fmOpenReadDenyWrite).Value(), nullptr);
  EXPECT_EQ(ReadHostFile(tmp / "read-only"), "kept");
}

TEST(HostFile, RefusesNegativePositionsAndReportsReadErrors) {
  TempDir tmp;
  WriteHostFile(tmp / "f", "0123456789");
  auto file = OpenHostFile(tmp / "f", TFileMode::fmOpenReadDenyWrite).Value();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Seek(-3, TSeekOrigin::soEnd), 7);
  EXPECT_EQ(file->Seek(-1, TSeekOrigin::soBeginning), -1);
  EXPECT_EQ(file->Seek(0, TSeekOrigin::soCurrent), 7) << "a refused seek does not move";
  // Reading the process's own memory at address 0 is an I/O error, not an end of file.
  char buffer[16];
  auto memory = OpenHostFile("/proc/self/mem", TFileMode::fmOpenReadDenyWrite).Value();
  ASSERT_NE(memory, nullptr);
  EXPECT_THROW(memory->Read(buffer, sizeof buffer), EReadError);
}

TEST(RenameHostFile, WithinOneFileSystem) {
  TempDir tmp;
  WriteWithMode(tmp / "target", "old", 0640);
  WriteWithMode(tmp / "source", "new", 0600);
  ASSERT_TRUE(RenameHostFile(tmp / "source", tmp / "target"));
  EXPECT_EQ(ReadHostFile(tmp / "target"), "new");
  EXPECT_EQ(ModeOf(tmp / "target"), 0640u) << "the target keeps its mode";
  EXPECT_FALSE(fs::exists(tmp / "source"));

  WriteWithMode(tmp / "source", "kept", 0600);
  EXPECT_FALSE(RenameHostFile(tmp / "source", tmp / "gone/target"));
  EXPECT_EQ(ReadHostFile(tmp / "source"), "kept");
  ASSERT_TRUE(RenameHostFile(tmp / "source", tmp / "fresh")) << "no target yet";
  EXPECT_EQ(ReadHostFile(tmp / "fresh"), "kept");
  EXPECT_EQ(ModeOf(tmp / "fresh"), 0600u) << "without a target the source's mode stays";
}

TEST(RenameHostFile, AcrossFileSystems) {
  TempDir from, to;
  UmaskGuard guard(022);
  CrossDeviceGuard crossDevice;
  // Large enough that a copy which stops after its first piece cannot pass.
  const std::string content = Noise(300 * 1024);
  WriteWithMode(to / "target", "old", 0604);
  WriteWithMode(from / "source", content, 0600);
  ASSERT_TRUE(RenameHostFile(from / "source", to / "target"));
  EXPECT_EQ(ReadHostFile(to / "target"), content);
  EXPECT_EQ(ModeOf(to / "target"), 0604u);
  EXPECT_FALSE(fs::exists(from / "source"));

  // Without a target the copy gets the source's mode, as a rename would leave it; a name as
  // long as the system allows still leaves room for the copy made beside it.
  const std::string longest(255, 'n');
  WriteWithMode(from / "source", "fresh", 0600);
  ASSERT_TRUE(RenameHostFile(from / "source", to / longest));
  EXPECT_EQ(ReadHostFile(to / longest), "fresh");
  EXPECT_EQ(ModeOf(to / longest), 0600u);

  // The copy is made but cannot take a folder's name; nothing changes and no copy is left.
  fs::create_directory(to / "folder");
  WriteHostFile(from / "source", "kept");
  EXPECT_FALSE(RenameHostFile(from / "source", to / "folder"));
  EXPECT_FALSE(RenameHostFile(from / "source", to / "gone/target"));
  EXPECT_EQ(ReadHostFile(from / "source"), "kept");
  EXPECT_EQ(CountItems(to.path()), 3);
  EXPECT_EQ(CountItems(to / "folder"), 0);
}

TEST(MoveHostFile, RefusesAnExistingTargetOnAnyFileSystem) {
  TempDir tmp;
  WriteHostFile(tmp / "a", "a");
  WriteHostFile(tmp / "b", "b");
  EXPECT_FALSE(MoveHostFile(tmp / "a", tmp / "b"));
  EXPECT_EQ(ReadHostFile(tmp / "b"), "b");
  ASSERT_TRUE(MoveHostFile(tmp / "a", tmp / "c"));
  EXPECT_EQ(ReadHostFile(tmp / "c"), "a");

  UmaskGuard guard(022);
  CrossDeviceGuard crossDevice;
  const std::string content = Noise(300 * 1024);
  WriteWithMode(tmp / "s", content, 0640);
  EXPECT_FALSE(MoveHostFile(tmp / "s", tmp / "b"));
  EXPECT_EQ(ReadHostFile(tmp / "b"), "b");
  ASSERT_TRUE(MoveHostFile(tmp / "s", tmp / "d"));
  EXPECT_EQ(ReadHostFile(tmp / "d"), content);
  EXPECT_EQ(ModeOf(tmp / "d"), 0640u) << "a moved file keeps its own mode";
  EXPECT_FALSE(fs::exists(tmp / "s"));
  EXPECT_EQ(CountItems(tmp.path()), 3) << "no copy is left behind";
}
