// The file the Windows browse dialog gives (a Windows path, with backslashes) as the game: its
// own name decides, and its folder becomes the game directory with its trailing backslash.
#include <gtest/gtest.h>

#include <string>

#include "installer/GameBrowsing.h"
#include "platform/HostEnv.h"

namespace {

using installer::ChosenFile;

TEST(ChosenGame, TheDialogsWindowsPathGivesTheFolderOfAFileNamedSunExe) {
  platform::HostEnv env;
  struct Case {
    std::string chosen;
    ChosenFile::Verdict verdict;
    std::string gameDir;
  };
  const Case cases[] = {
      {"D:\\Games\\TS\\SUN.EXE", ChosenFile::Verdict::kGame, "D:\\Games\\TS\\"},
      {"C:\\Sun.exe", ChosenFile::Verdict::kGame, "C:\\"},
      {"D:/Games/TS/sun.exe", ChosenFile::Verdict::kGame, "D:\\Games\\TS\\"},
      // A name that merely ends in the game's is another file.
      {"D:\\Games\\MySun.exe", ChosenFile::Verdict::kNotTheGame, ""},
      {"D:\\Sun.exe\\Other.exe", ChosenFile::Verdict::kNotTheGame, ""},
  };
  for (const Case& c : cases) {
    const ChosenFile chosen = installer::JudgeChosenFile(env, c.chosen);
    EXPECT_EQ(chosen.verdict, c.verdict) << c.chosen;
    EXPECT_EQ(chosen.text, c.gameDir) << c.chosen;
  }
}

}  // namespace
