#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "installer/GameBrowsing.h"
#include "platform/HostEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/WinePrefix.h"

namespace fs = std::filesystem;
using installer::ChosenFile;

namespace {

// A prefix whose D: is a games folder, with the game in D:\TS\, a shared copy reached through
// a link named Sun.exe in D:\Linked\, and a copy on no drive but Wine's Z:, one of them under a
// folder whose name Windows-1252 cannot hold.
class GameBrowsing : public ::testing::Test {
 protected:
  GameBrowsing() {
    prefix.MapDrive('d', games.path());
    fs::create_directories(games / "TS");
    WriteHostFile(games / "TS/SUN.EXE", "game");
    WriteHostFile(games / "TS/MySun.exe", "not the game");
    fs::create_directories(games / "Shared");
    WriteHostFile(games / "Shared/ts-1.07.bin", "game");
    fs::create_directories(games / "Linked");
    fs::create_symlink("../Shared/ts-1.07.bin", games / "Linked/Sun.exe");
    fs::create_directories(elsewhere / "TS");
    WriteHostFile(elsewhere / "TS/Sun.exe", "game");
    fs::create_directories(elsewhere / "\xCE\xA9");
    WriteHostFile(elsewhere / "\xCE\xA9/Sun.exe", "game");
  }

  // The Windows path of a folder on Z:, the host's root.
  std::string OnZ(const std::string& hostFolder) const {
    std::string path = "Z:" + fs::canonical(hostFolder).string() + "/";
    for (char& c : path) {
      c = c == '/' ? '\\' : c;
    }
    return path;
  }

  TempWinePrefix prefix;
  TempDir games, elsewhere;
  platform::HostEnv env{prefix.prefix()};
};

TEST_F(GameBrowsing, AChosenFileCountsByItsOwnNameAndNeedsADriveOfThePrefix) {
  const std::string offDrive = elsewhere / "TS/Sun.exe";
  const std::string greek = elsewhere / "\xCE\xA9/Sun.exe";
  struct Case {
    std::string hostPath;
    bool mapZ;
    ChosenFile::Verdict verdict;
    std::string text;
  };
  const Case cases[] = {
      {games / "TS/SUN.EXE", true, ChosenFile::Verdict::kGame, "D:\\TS\\"},
      {prefix.prefix() + "/dosdevices/d:/TS/SUN.EXE", true, ChosenFile::Verdict::kGame, "D:\\TS\\"},
      // The link's own name counts, and its folder is the game's, not its target's.
      {games / "Linked/Sun.exe", true, ChosenFile::Verdict::kGame, "D:\\Linked\\"},
      {games / "TS/MySun.exe", true, ChosenFile::Verdict::kNotTheGame, ""},
      {games / "Shared/ts-1.07.bin", true, ChosenFile::Verdict::kNotTheGame, ""},
      // Off the prefix's own drives: Wine's Z: names it, when the prefix maps the host's root.
      {offDrive, true, ChosenFile::Verdict::kGame, OnZ(elsewhere / "TS")},
      {offDrive, false, ChosenFile::Verdict::kUnusable,
       "The game cannot be used from " + offDrive +
           ": the file is on none of the prefix's drives (Wine prefix " + prefix.prefix() + ")."},
      {greek, true, ChosenFile::Verdict::kUnusable,
       "The game cannot be used from " + greek +
           ": a folder in its path has a name Windows programs cannot use (Wine prefix " +
           prefix.prefix() + ")."},
  };
  for (const Case& c : cases) {
    if (!c.mapZ) {
      prefix.UnmapDrive('z');
    }
    const ChosenFile chosen = installer::JudgeChosenFile(env, c.hostPath);
    EXPECT_EQ(chosen.verdict, c.verdict) << c.hostPath;
    EXPECT_EQ(chosen.text, c.text) << c.hostPath;
    if (!c.mapZ) {
      prefix.MapDrive('z', "/");
    }
  }
}

TEST_F(GameBrowsing, ATypedWindowsPathInAnyCaseIsTakenAsTheHostFileOrFolderItNames) {
  const std::string driveD = prefix.prefix() + "/dosdevices/d:";
  struct Case {
    std::string typed;
    std::optional<std::string> hostPath;
  };
  const Case cases[] = {
      {"D:\\TS\\SUN.EXE", driveD + "/TS/SUN.EXE"},
      {"d:\\ts\\sun.exe", driveD + "/TS/SUN.EXE"},
      {"D:\\ts\\", driveD + "/TS/"},
      {"d:", driveD},
      {"TS\\Sun.exe", driveD + "/TS/SUN.EXE"},  // from the dialog's folder
      // Left to the dialog: a Windows path that names nothing, and any host name.
      {"D:\\TS\\Missing.exe", std::nullopt},
      {games / "TS/SUN.EXE", std::nullopt},
      {"SUN.EXE", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(installer::HostPathOfTypedName(env, c.typed, games.path()), c.hostPath) << c.typed;
  }
}

}  // namespace
