#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <tuple>
#include <vector>

#include "platform/Exception.h"
#include "platform/HostEnv.h"
#include "platform/Stream.h"
#include "platform/posix/HostFiles.h"
#include "tests/support/WinePrefix.h"

namespace fs = std::filesystem;
using platform::FolderItem;
using platform::HostEnv;

namespace {

class HostEnvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(game());
    WriteHostFile(game() + "/Sun.exe", "game");
  }
  std::string driveC() const { return wine.prefix() + "/drive_c"; }
  std::string game() const { return driveC() + "/Westwood/Tiberian Sun"; }

  TempWinePrefix wine;
  HostEnv env{wine.prefix()};
};

// Sets the umask for the length of a test.
class UmaskGuard {
 public:
  explicit UmaskGuard(mode_t mask) : saved_(::umask(mask)) {}
  ~UmaskGuard() { ::umask(saved_); }

 private:
  mode_t saved_;
};

mode_t ModeOf(const std::string& hostPath) {
  struct stat st {};
  ::stat(hostPath.c_str(), &st);
  return st.st_mode & 07777;
}

}  // namespace

TEST_F(HostEnvTest, FilesAndFoldersAreToldApart) {
  fs::create_directory(driveC() + "/Games");
  fs::create_directory(driveC() + "/Games/Sun.exe");  // a folder that merely has the name
  EXPECT_TRUE(env.FileExists("C:\\WESTWOOD\\tiberian sun\\SUN.EXE"));
  EXPECT_FALSE(env.FileExists("C:\\Games\\Sun.exe"));
  EXPECT_FALSE(env.FileExists("C:\\Westwood"));
  EXPECT_FALSE(env.FileExists("C:\\Westwood\\Tiberian Sun\\Sun.exe\\"));
  EXPECT_TRUE(env.FolderExists("c:\\westwood\\"));
  EXPECT_FALSE(env.FolderExists("C:\\Westwood\\Tiberian Sun\\Sun.exe"));

  EXPECT_FALSE(env.DeleteFile("C:\\Games\\Sun.exe"));
  EXPECT_TRUE(fs::is_directory(driveC() + "/Games/Sun.exe"));
  EXPECT_TRUE(env.DeleteFile("C:\\Westwood\\Tiberian Sun\\sun.EXE"));
  EXPECT_FALSE(fs::exists(game() + "/Sun.exe"));
}

TEST_F(HostEnvTest, CreateFolderMakesOneLevelInTheCallersCase) {
  UmaskGuard umask(022);
  EXPECT_TRUE(env.CreateFolder("C:\\WESTWOOD\\Tiberian Sun\\Quorin\\"));
  EXPECT_TRUE(fs::is_directory(game() + "/Quorin"));
  EXPECT_EQ(ModeOf(game() + "/Quorin"), 0755u);
  EXPECT_FALSE(env.CreateFolder("C:\\Westwood\\Tiberian Sun\\quorin"));  // already there
  EXPECT_FALSE(env.CreateFolder("C:\\Westwood\\Missing\\Rules"));
  EXPECT_FALSE(fs::exists(driveC() + "/Westwood/Missing"));
  EXPECT_FALSE(env.CreateFolder(""));
}

TEST_F(HostEnvTest, UnmappedDrivesAndNetworkNamesHoldNothing) {
  for (const char* path : {"D:\\Games", "\\\\server\\share\\Games"}) {
    EXPECT_FALSE(env.FileExists(path)) << path;
    EXPECT_FALSE(env.FolderExists(path)) << path;
    EXPECT_FALSE(env.CreateFolder(path)) << path;
    EXPECT_FALSE(env.SetCurrentFolder(path)) << path;
    EXPECT_TRUE(env.ListFolder(path).empty()) << path;
    EXPECT_EQ(env.OpenFile(path, TFileMode::fmCreate).Value(), nullptr) << path;
    EXPECT_EQ(env.CreateTempFile(path, "ZLB").Value(), "") << path;
    EXPECT_EQ(env.HostPath(path), std::nullopt) << path;
  }
}

TEST_F(HostEnvTest, NonAsciiNamesCrossTheSeamInBothDirections) {
  ASSERT_TRUE(env.CreateFolder("C:\\Caf\xE9 \xDC"));
  ASSERT_NE(env.OpenFile("C:\\Caf\xE9 \xDC\\Caf\xE9 \xDC.txt", TFileMode::fmCreate).Value(),
            nullptr);
  EXPECT_TRUE(fs::is_regular_file(driveC() + "/Caf\xC3\xA9 \xC3\x9C/Caf\xC3\xA9 \xC3\x9C.txt"));
  EXPECT_TRUE(env.FileExists("c:\\CAF\xE9 \xDC\\caf\xE9 \xDC.TXT"));

  const auto items = env.ListFolder("C:\\Caf\xE9 \xDC");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].name, "Caf\xE9 \xDC.txt");
  EXPECT_FALSE(items[0].isFolder);
  EXPECT_EQ(env.WindowsPath(driveC() + "/Caf\xC3\xA9 \xC3\x9C"), "C:\\Caf\xE9 \xDC");
}

TEST_F(HostEnvTest, ListFolderGivesTheSystemOrderAndLeavesOutNamesWindowsCannotReach) {
  fs::create_directory_symlink("Westwood", driveC() + "/Linked");
  WriteHostFile(driveC() + "/readme.txt", "");
  std::vector<FolderItem> expected;
  for (const auto& entry : fs::directory_iterator(driveC())) {
    expected.push_back(
        {entry.path().filename().string(), entry.is_directory(), entry.is_symlink()});
  }
  // Names Windows-1252 cannot hold, bytes that are not UTF-8, and names that a Windows path
  // cannot reach: a '\' (another path), a refused character, a trailing dot or blank.
  const std::vector<std::string> stray = {
      "\xE6\x97\xA5\xE6\x9C\xAC.txt", "bad\xFF.txt", "..\\secret.txt", "a?b", "Rules.", "Quorin "};
  for (const std::string& name : stray) {
    WriteHostFile(driveC() + "/" + name, "");
  }
  std::vector<std::string> skipped;
  const auto items = env.ListFolder("C:\\", &skipped);
  ASSERT_EQ(items.size(), 3u);
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].name, expected[i].name);
    EXPECT_EQ(items[i].isFolder, expected[i].isFolder) << items[i].name;
    EXPECT_EQ(items[i].isLink, expected[i].isLink) << items[i].name;
  }
  std::sort(skipped.begin(), skipped.end());
  std::vector<std::string> strayPaths;
  for (const std::string& name : stray) {
    strayPaths.push_back(wine.driveC() + "/" + name);
  }
  std::sort(strayPaths.begin(), strayPaths.end());
  EXPECT_EQ(skipped, strayPaths);
  EXPECT_EQ(env.ListFolder("C:\\").size(), 3u);
  EXPECT_TRUE(env.FileExists("C:\\README.TXT"));
}

// What Windows does with names: trailing dots and blanks are dropped before a lookup, names
// with refused characters name nothing, and device names cannot be created.
TEST_F(HostEnvTest, WindowsNameRulesHoldForLookupsAndCreation) {
  fs::create_directory(driveC() + "/Games");
  ASSERT_TRUE(env.CreateFolder("C:\\Games\\Quorin "));
  EXPECT_TRUE(fs::is_directory(driveC() + "/Games/Quorin"));
  EXPECT_TRUE(env.FolderExists("C:\\Games\\Quorin"));
  EXPECT_FALSE(env.CreateFolder("C:\\Games\\Quorin.. ")) << "the same folder";
  ASSERT_NE(env.OpenFile("C:\\Games\\Quorin.\\Rules.", TFileMode::fmCreate).Value(), nullptr);
  EXPECT_TRUE(fs::is_regular_file(driveC() + "/Games/Quorin/Rules"));
  EXPECT_TRUE(env.FileExists("C:\\Games\\...\\Quorin\\rules"));

  WriteHostFile(driveC() + "/a?b", "");  // made by a host program, out of Windows' reach
  for (const char* name : {"a?b", "x|y", "q\"z", "l<m", "m>n", "s*t", "c:d", "t\tb"}) {
    const std::string path = std::string("C:\\") + name;
    EXPECT_FALSE(env.CreateFolder(path)) << name;
    EXPECT_EQ(env.OpenFile(path, TFileMode::fmCreate).Value(), nullptr) << name;
    EXPECT_FALSE(env.FileExists(path)) << name;
    EXPECT_FALSE(env.FileExists(path + "\\..\\Westwood\\Tiberian Sun\\Sun.exe")) << name;
  }
  WriteHostFile(driveC() + "/source", "data");
  for (const char* name : {"NUL", "con", "Aux.txt", "nul.tar.gz", "COM1", "lpt9.log", "prn "}) {
    const std::string path = std::string("C:\\Games\\") + name;
    EXPECT_FALSE(env.CreateFolder(path)) << name;
    EXPECT_EQ(env.OpenFile(path, TFileMode::fmCreate).Value(), nullptr) << name;
    EXPECT_FALSE(env.MoveFile("C:\\source", path)) << name;
    EXPECT_FALSE(env.ReplaceFile("C:\\source", path)) << name;
  }
  EXPECT_EQ(ReadHostFile(driveC() + "/source"), "data");
  EXPECT_EQ(std::distance(fs::directory_iterator(driveC() + "/Games"), fs::directory_iterator()),
            1);
  for (const char* name : {"COM0", "LPT10", "nullify", "console.txt", "CON1"}) {
    EXPECT_TRUE(env.CreateFolder(std::string("C:\\Games\\") + name)) << name;
  }
}

// Every refusal says why, as a kind a caller can decide by and the system's words for it.
TEST_F(HostEnvTest, FailuresSayWhy) {
  using platform::Reason;
  using platform::Status;
  fs::create_directory(driveC() + "/Games");
  WriteHostFile(driveC() + "/Games/taken", "taken");
  WriteHostFile(driveC() + "/Games/read-only", "kept");
  fs::permissions(driveC() + "/Games/read-only", fs::perms::owner_read);
  auto held = env.OpenFile("C:\\Games\\taken", TFileMode::fmOpenReadWriteExclusive).Value();
  ASSERT_NE(held, nullptr);
  const auto open = [&](const char* path, TFileMode mode) {
    return env.OpenFile(path, mode).Failure();
  };
  const auto moveAcrossDevices = [&](const char* from, const char* to) {
    platform::SimulateCrossDeviceRenames(true);
    const Status status = env.MoveFile(from, to);
    platform::SimulateCrossDeviceRenames(false);
    return status;
  };
  const std::vector<std::tuple<const char*, Status, Reason>> cases = {
      {"missing", open("C:\\Games\\missing", TFileMode::fmOpenReadDenyWrite), Reason::kNotFound},
      {"unmapped", open("D:\\x", TFileMode::fmOpenReadDenyWrite), Reason::kNotFound},
      {"folder", open("C:\\Games", TFileMode::fmCreate), Reason::kIsFolder},
      {"file on the way", open("C:\\Games\\taken\\x", TFileMode::fmCreate), Reason::kNotFolder},
      {"read-only", open("C:\\Games\\read-only", TFileMode::fmCreate), Reason::kAccessDenied},
      {"held", open("C:\\Games\\taken", TFileMode::fmOpenReadDenyWrite), Reason::kInUse},
      {"device", open("C:\\Games\\nul.txt", TFileMode::fmCreate), Reason::kInvalidName},
      {"refused", open("C:\\Games\\a?b", TFileMode::fmCreate), Reason::kInvalidName},
      {"folder exists", env.CreateFolder("C:\\Games"), Reason::kAlreadyExists},
      {"no parent", env.CreateFolder("C:\\Nowhere\\Rules"), Reason::kNotFound},
      {"device folder", env.CreateFolder("C:\\Games\\CON"), Reason::kInvalidName},
      {"delete folder", env.DeleteFile("C:\\Games"), Reason::kIsFolder},
      {"remove full folder", env.DeleteFolder("C:\\Games"), Reason::kAlreadyExists},
      {"remove file as folder", env.DeleteFolder("C:\\Games\\taken"), Reason::kNotFolder},
      {"remove no folder", env.DeleteFolder("C:\\Nowhere"), Reason::kNotFound},
      {"move onto", env.MoveFile("C:\\Games\\read-only", "C:\\Games\\taken"),
       Reason::kAlreadyExists},
      {"copy onto", moveAcrossDevices("C:\\Games\\read-only", "C:\\Games\\taken"),
       Reason::kAlreadyExists},
      {"replace device", env.ReplaceFile("C:\\Games\\read-only", "C:\\Games\\lpt1"),
       Reason::kInvalidName},
      {"temp nowhere", env.CreateTempFile("C:\\Nowhere", "ZLB").Failure(), Reason::kNotFound},
      {"enter nowhere", env.SetCurrentFolder("C:\\Nowhere"), Reason::kNotFound},
  };
  for (const auto& [what, status, why] : cases) {
    EXPECT_EQ(static_cast<int>(status.Why()), static_cast<int>(why))
        << what << ": " << status.Text();
    EXPECT_FALSE(status.Text().empty()) << what;
  }
  // The stream says in plain words that another program holds the file.
  try {
    TFileStream stream("C:\\Games\\taken", TFileMode::fmOpenReadDenyWrite, &env);
    ADD_FAILURE() << "a held file must not open";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Kind(), FailureKind::kCannotOpen);
    EXPECT_EQ(e.Cause(), "the file is in use by another program");
  }
}

// The prefix is made absolute when it is given, so a change of folder does not move the drives,
// and the queries a caller needs to explain a failure tell about it.
TEST(HostEnvPrefix, RelativePrefixOutlivesAChangeOfFolder) {
  CurrentDirectoryGuard guard;
  TempWinePrefix wine;
  fs::create_directories(wine.prefix() + "/drive_c/Westwood");
  fs::current_path(wine.prefix() + "/..");
  HostEnv env("prefix/");
  EXPECT_EQ(env.PrefixPath(), wine.prefix());
  EXPECT_TRUE(env.PrefixExists());
  EXPECT_EQ(env.MappedDrives(), "CZ");
  ASSERT_TRUE(env.SetCurrentFolder("C:\\Westwood"));
  EXPECT_EQ(env.CurrentFolder(), "C:\\Westwood");
  EXPECT_TRUE(env.FolderExists("C:\\Westwood"));
  EXPECT_TRUE(env.SetCurrentFolder("C:\\"));

  wine.UnmapDrive('z');
  EXPECT_EQ(env.MappedDrives(), "C");
  HostEnv missing(wine.prefix() + "/nothing");
  EXPECT_FALSE(missing.PrefixExists());
  HostEnv noDriveMap(wine.prefix() + "/drive_c");  // a folder, but not a prefix
  EXPECT_FALSE(noDriveMap.PrefixExists());
  EXPECT_EQ(missing.MappedDrives(), "");
}

TEST_F(HostEnvTest, TempFilesAreNewUniqueEmptyAndGetTheUsualMode) {
  UmaskGuard umask(022);
  fs::create_directory(driveC() + "/Temp");
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    const std::string name = env.CreateTempFile(i % 2 ? "C:\\Temp" : "C:\\Temp\\", "ZLB").Value();
    ASSERT_EQ(name.rfind("C:\\Temp\\ZLB", 0), 0u) << name;
    ASSERT_EQ(name.substr(name.size() - 4), ".tmp") << name;
    names.insert(name);
    const std::string host = driveC() + "/Temp/" + name.substr(8);
    EXPECT_EQ(fs::file_size(host), 0u);
    EXPECT_EQ(ModeOf(host), 0644u);
  }
  EXPECT_EQ(names.size(), 50u);
  EXPECT_EQ(env.CreateTempFile("C:\\Missing", "ZLB").Value(), "");

  const char* saved = std::getenv("TMPDIR");
  const std::string savedValue = saved ? saved : "";
  ::setenv("TMPDIR", driveC().c_str(), 1);
  EXPECT_EQ(env.TempFolder(), driveC() + "/");
  const std::string name = env.CreateTempFile(env.TempFolder(), "ZLB").Value();
  EXPECT_EQ(name.rfind(driveC() + "/ZLB", 0), 0u) << name;
  EXPECT_TRUE(fs::is_regular_file(name));
  saved ? ::setenv("TMPDIR", savedValue.c_str(), 1) : ::unsetenv("TMPDIR");
}

TEST_F(HostEnvTest, TheCurrentFolderIsSetAndReadInWindowsNames) {
  CurrentDirectoryGuard guard;
  ASSERT_TRUE(env.SetCurrentFolder("C:\\WESTWOOD"));
  EXPECT_EQ(env.CurrentFolder(), "C:\\Westwood");
  EXPECT_TRUE(env.FileExists("Tiberian Sun\\Sun.exe"));
  EXPECT_TRUE(env.FileExists("..\\Westwood\\tiberian sun\\sun.exe"));
  EXPECT_FALSE(env.SetCurrentFolder("C:\\Nowhere"));
  EXPECT_EQ(env.CurrentFolder(), "C:\\Westwood");
}
