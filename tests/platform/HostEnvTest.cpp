#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "platform/Exception.h"
#include "platform/HostEnv.h"
#include "tests/platform/WinePrefix.h"

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
    EXPECT_EQ(env.OpenFile(path, TFileMode::fmCreate), nullptr) << path;
    EXPECT_EQ(env.CreateTempFile(path, "ZLB"), "") << path;
    EXPECT_EQ(env.HostPath(path), std::nullopt) << path;
  }
}

TEST_F(HostEnvTest, NonAsciiNamesCrossTheSeamInBothDirections) {
  ASSERT_TRUE(env.CreateFolder("C:\\Caf\xE9 \xDC"));
  ASSERT_NE(env.OpenFile("C:\\Caf\xE9 \xDC\\Caf\xE9 \xDC.txt", TFileMode::fmCreate), nullptr);
  EXPECT_TRUE(fs::is_regular_file(driveC() + "/Caf\xC3\xA9 \xC3\x9C/Caf\xC3\xA9 \xC3\x9C.txt"));
  EXPECT_TRUE(env.FileExists("c:\\CAF\xE9 \xDC\\caf\xE9 \xDC.TXT"));

  const auto items = env.ListFolder("C:\\Caf\xE9 \xDC");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].name, "Caf\xE9 \xDC.txt");
  EXPECT_FALSE(items[0].isFolder);
  EXPECT_EQ(env.WindowsPath(driveC() + "/Caf\xC3\xA9 \xC3\x9C"), "C:\\Caf\xE9 \xDC");
}

TEST_F(HostEnvTest, ListFolderGivesTheSystemOrderAndRefusesNamesItCannotHold) {
  fs::create_directory_symlink("Westwood", driveC() + "/Linked");
  WriteHostFile(driveC() + "/readme.txt", "");
  std::vector<FolderItem> expected;
  for (const auto& entry : fs::directory_iterator(driveC())) {
    expected.push_back(
        {entry.path().filename().string(), entry.is_directory(), entry.is_symlink()});
  }
  const auto items = env.ListFolder("C:\\");
  ASSERT_EQ(items.size(), 3u);
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].name, expected[i].name);
    EXPECT_EQ(items[i].isFolder, expected[i].isFolder) << items[i].name;
    EXPECT_EQ(items[i].isLink, expected[i].isLink) << items[i].name;
  }

  WriteHostFile(driveC() + "/\xE6\x97\xA5\xE6\x9C\xAC.txt", "");
  try {
    env.ListFolder("C:\\");
    FAIL() << "a name Windows-1252 cannot hold must not be skipped or mangled";
  } catch (const ECodePageError& e) {
    EXPECT_NE(std::string(e.what()).find("<U+65E5><U+672C>.txt"), std::string::npos);
  }
  // Lookups are not disturbed by such a name.
  EXPECT_TRUE(env.FileExists("C:\\README.TXT"));

  // A '\' in a host name would make the item another path (here one outside the folder).
  WriteHostFile(game() + "/..\\secret.txt", "");
  try {
    env.ListFolder("C:\\Westwood\\Tiberian Sun");
    FAIL() << "a name holding '\\' must not be listed";
  } catch (const EHostNameError& e) {
    EXPECT_STREQ(e.what(), "Name cannot be used on Windows: ..\\secret.txt");
  }
}

TEST_F(HostEnvTest, TempFilesAreNewUniqueEmptyAndGetTheUsualMode) {
  UmaskGuard umask(022);
  fs::create_directory(driveC() + "/Temp");
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    const std::string name = env.CreateTempFile(i % 2 ? "C:\\Temp" : "C:\\Temp\\", "ZLB");
    ASSERT_EQ(name.rfind("C:\\Temp\\ZLB", 0), 0u) << name;
    ASSERT_EQ(name.substr(name.size() - 4), ".tmp") << name;
    names.insert(name);
    const std::string host = driveC() + "/Temp/" + name.substr(8);
    EXPECT_EQ(fs::file_size(host), 0u);
    EXPECT_EQ(ModeOf(host), 0644u);
  }
  EXPECT_EQ(names.size(), 50u);
  EXPECT_EQ(env.CreateTempFile("C:\\Missing", "ZLB"), "");

  const char* saved = std::getenv("TMPDIR");
  const std::string savedValue = saved ? saved : "";
  ::setenv("TMPDIR", driveC().c_str(), 1);
  EXPECT_EQ(env.TempFolder(), driveC() + "/");
  const std::string name = env.CreateTempFile(env.TempFolder(), "ZLB");
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
