#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/Exception.h"
#include "platform/posix/WinPath.h"
#include "tests/support/WinePrefix.h"

namespace fs = std::filesystem;
using platform::ResolveWindowsPath;
using platform::WindowsPathOfHost;

class WinPathResolve : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(wine.prefix() + "/drive_c/Westwood/Tiberian Sun");
    WriteHostFile(wine.prefix() + "/drive_c/Westwood/Tiberian Sun/Sun.exe", "game");
  }
  std::optional<std::string> Resolve(const std::string& path) {
    return ResolveWindowsPath(wine.prefix(), path);
  }
  TempWinePrefix wine;
};

TEST_F(WinPathResolve, FindsExistingNamesWhateverTheirCaseAndKeepsNewOnesAsGiven) {
  const std::string game = wine.driveC() + "/Westwood/Tiberian Sun";
  EXPECT_EQ(Resolve("C:\\Westwood\\Tiberian Sun\\Sun.exe"), game + "/Sun.exe");
  EXPECT_EQ(Resolve("c:/WESTWOOD/tiberian sun/SUN.EXE"), game + "/Sun.exe");
  // Either separator, repeated or mixed, counts as one; "." is no component.
  EXPECT_EQ(Resolve("C:\\Westwood//Tiberian Sun\\\\.\\/Sun.exe"), game + "/Sun.exe");
  EXPECT_EQ(Resolve("/\\tmp"), "/tmp");
  // Once a component is missing, it and everything after it keep the caller's case.
  EXPECT_EQ(Resolve("C:\\westwood\\TIBERIAN SUN\\Quorin\\Rules\\rules.INI"),
            game + "/Quorin/Rules/rules.INI");
  // A trailing separator stays, so the host insists on a folder there.
  EXPECT_EQ(Resolve("C:\\Westwood\\"), wine.driveC() + "/Westwood/");
  EXPECT_EQ(Resolve("C:"), wine.driveC());
  EXPECT_EQ(Resolve("C:\\"), wine.driveC());
}

TEST_F(WinPathResolve, PrefersTheExactNameThenTheFirstFoldedOneInByteOrder) {
  for (const char* name : {"games", "Games", "GAMES"}) {
    fs::create_directory(wine.prefix() + "/drive_c/" + name);
  }
  EXPECT_EQ(Resolve("C:\\games"), wine.driveC() + "/games");
  EXPECT_EQ(Resolve("C:\\GAMES"), wine.driveC() + "/GAMES");
  EXPECT_EQ(Resolve("C:\\gAMes"), wine.driveC() + "/GAMES");  // 'G' 'A' sorts first
}

TEST_F(WinPathResolve, FoldsLetterCaseOnlyInTheFoldersOfTheDrives) {
  // A host path into drive C's folder is matched as the drive path would be.
  const std::string game = wine.realDriveC() + "/Westwood/Tiberian Sun";
  EXPECT_EQ(Resolve(wine.realDriveC() + "/WESTWOOD/tiberian sun/SUN.EXE"), game + "/Sun.exe");
  // Outside the drives' folders a name exists only with its own letter case, even though Z:
  // maps the host's root; through Z: it is a drive path again.
  const std::string outside = fs::canonical(wine.prefix()).string() + "/outside";
  fs::create_directory(outside);
  WriteHostFile(outside + "/Readme", "");
  EXPECT_EQ(Resolve(outside + "/README"), outside + "/README");
  EXPECT_EQ(Resolve(outside + "/Readme"), outside + "/Readme");
  std::string z = "Z:" + outside + "/README";
  std::replace(z.begin(), z.end(), '/', '\\');
  EXPECT_EQ(Resolve(z), wine.prefix() + "/dosdevices/z:" + outside + "/Readme");
}

TEST_F(WinPathResolve, FoldsOnlyAsciiLettersAndConvertsNamesToUtf8) {
  fs::create_directory(wine.prefix() + "/drive_c/Caf\xC3\xA9");  // "Café" on disk
  EXPECT_EQ(Resolve("C:\\CAF\xE9"), wine.driveC() + "/Caf\xC3\xA9");
  EXPECT_EQ(Resolve("C:\\caf\xC9"), wine.driveC() + "/caf\xC3\x89");  // É is not é
}

TEST_F(WinPathResolve, DotDotNeverClimbsAboveARootNorAboveTheDriveOfTheCurrentFolder) {
  EXPECT_EQ(Resolve("C:\\..\\..\\Westwood\\.\\x\\..\\TIBERIAN SUN"),
            wine.driveC() + "/Westwood/Tiberian Sun");
  EXPECT_EQ(Resolve("\\..\\..\\"), "/");

  CurrentDirectoryGuard guard;
  fs::current_path(wine.prefix() + "/drive_c/Westwood");
  EXPECT_EQ(Resolve("..\\WESTWOOD\\Tiberian Sun\\sun.exe"),
            wine.realDriveC() + "/Westwood/Tiberian Sun/Sun.exe");
  EXPECT_EQ(Resolve("."), wine.realDriveC() + "/Westwood");
  // The current folder lies on drive C, so ".." stops at its root, as "C:\.." does.
  EXPECT_EQ(Resolve("..\\..\\..\\Westwood"), wine.realDriveC() + "/Westwood");
  EXPECT_EQ(Resolve("..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\.."), wine.realDriveC());
  // Outside every drive, "/" is the limit.
  wine.UnmapDrive('z');
  fs::current_path(wine.prefix());
  EXPECT_EQ(Resolve("..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\.."), "/");
}

TEST_F(WinPathResolve, NamesNothingOnAnUnmappedDriveOrANetwork) {
  EXPECT_EQ(Resolve("D:\\x"), std::nullopt);
  wine.MapDrive('d', "../missing");  // a link that leads nowhere
  EXPECT_EQ(Resolve("D:\\"), std::nullopt);
  EXPECT_EQ(Resolve("\\\\server\\share\\x"), std::nullopt);
  EXPECT_EQ(Resolve(""), std::nullopt);
  EXPECT_EQ(Resolve(std::string("C:\\a\0b", 6)), std::nullopt);
  EXPECT_EQ(ResolveWindowsPath("", "C:\\"), std::nullopt);
}

TEST_F(WinPathResolve, HostPathsGetTheWindowsNameOfTheLongestMappedRoot) {
  const std::string c = wine.realDriveC();
  const auto windows = [&](const std::string& host) {
    return WindowsPathOfHost(wine.prefix(), host);
  };
  // Spelled through the drive's link, and with a tail that does not exist yet.
  EXPECT_EQ(windows(wine.driveC() + "/Westwood"), "C:\\Westwood");
  EXPECT_EQ(windows(wine.driveC() + "/Westwood/New Folder/x.txt"),
            "C:\\Westwood\\New Folder\\x.txt");

  wine.MapDrive('d', "../drive_c/Westwood");
  wine.MapDrive('e', "../drive_c/Westwood");  // the same folder again: the first letter wins
  EXPECT_EQ(windows(c + "/Westwood/Tiberian Sun/Sun.exe"), "D:\\Tiberian Sun\\Sun.exe");
  EXPECT_EQ(windows(c + "/Games/x"), "C:\\Games\\x");
  EXPECT_EQ(windows(c), "C:\\");
  std::string beside = c + "_other/x";  // a root covers whole components only
  const std::string besideHost = beside;
  std::replace(beside.begin(), beside.end(), '/', '\\');
  EXPECT_EQ(windows(besideHost), "Z:" + beside);
  EXPECT_EQ(windows("/usr/./lib/../bin/"), "Z:\\usr\\bin");
  EXPECT_EQ(windows("/tmp/Caf\xC3\xA9 \xC3\x9C.txt"), "Z:\\tmp\\Caf\xE9 \xDC.txt");
  EXPECT_THROW(windows("/tmp/\xE6\x97\xA5\xE6\x9C\xAC"), ECodePageError);
  // A '\' inside a host name would become a separator and name another path.
  try {
    windows(c + "/Games/..\\secret.txt");
    ADD_FAILURE() << "a name holding '\\' must be refused";
  } catch (const EHostNameError& e) {
    EXPECT_STREQ(e.what(), "Name cannot be used on Windows: ..\\secret.txt");
  }

  // Without z: a path that no drive covers keeps its host name, which resolves back to it.
  wine.UnmapDrive('z');
  EXPECT_EQ(windows("/usr/bin"), "\\usr\\bin");
  EXPECT_EQ(ResolveWindowsPath(wine.prefix(), windows("/usr/bin")), "/usr/bin");
}
