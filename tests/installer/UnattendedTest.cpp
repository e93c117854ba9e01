// The program without windows: an installation from the command line, its refusals, its log,
// and uninstalling what it installed, also after either was killed.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "installer/IniWriter.h"
#include "installer/ProgramEntry.h"
#include "platform/WinNames.h"
#include "tests/support/InstallFixture.h"
#include "tests/support/KillSwitchEnv.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

const std::string kGame = "C:\\Westwood\\Tiberian Sun\\";
const std::string kQuorin = kGame + "Quorin\\";
const std::string kRules = kGame + "Rules\\";

// Dialogs without the main window, recorded and answered as told.
class RecordingFrontEnd : public installer::WindowFrontEnd {
 public:
  int RunInstallerWindow(installer::InstallLog&) override { return -1; }
  bool Confirm(const std::string& text) override {
    shown.push_back("confirm: " + text);
    return answerYes;
  }
  void ShowInformation(const std::string& text) override { shown.push_back("info: " + text); }
  void ShowErrorReport(const std::string& text) override { shown.push_back("error: " + text); }

  bool answerYes = true;
  std::vector<std::string> shown;
};

struct Ran {
  int status;
  std::string out;
  std::string err;
};

class Unattended : public InstallFixture {
 public:
  Unattended() { WriteDataFile(8); }

  Ran Run(const std::vector<std::string>& arguments, platform::Env* through = nullptr,
          bool terminal = false) {
    std::ostringstream out, err;
    installer::ProgramContext context;
    context.env = through != nullptr ? through : &env;
    context.windows = &windows;
    context.out = &out;
    context.err = &err;
    context.errIsTerminal = terminal;
    const int status = installer::RunProgram(arguments, context);
    return {status, out.str(), err.str()};
  }

  // Every folder and file on drive C, with the files' contents.
  std::map<std::string, std::string> DriveC() const {
    std::map<std::string, std::string> tree;
    const fs::path root = prefix.realDriveC();
    for (const auto& item : fs::recursive_directory_iterator(root)) {
      tree[fs::relative(item.path(), root).generic_string()] =
          item.is_directory() ? "(folder)" : ReadHostFile(item.path().string());
    }
    return tree;
  }
  std::string Game(const std::string& name) const { return Host("Westwood/Tiberian Sun/" + name); }

  RecordingFrontEnd windows;
  TempDir outside;  // for the log, off drive C
};

// The whole installation without a window: the members where they belong, Quorin.ini, the
// starts asked for through the environment, the progress line only on a terminal and only
// without --quiet, and a log line with its time for each step.
TEST(UnattendedInstall, InstallsWritesTheConfigurationAndStartsWhatWasAskedFor) {
  struct Case {
    std::string name;
    std::vector<std::string> arguments;
    bool terminal;
    std::string productDir, rulesDir, gameDir;  // as Quorin.ini names them
    int members;
    std::vector<std::string> parameters;  // of the starts
    bool progress;
  };
  const Case cases[] = {
      {"defaults",
       {"--silent", "--accept-terms", "--run"},
       false,
       kQuorin,
       kRules,
       kGame,
       8,
       {"/associateqrk", ""},
       false},
      {"chosen folders",
       {"--silent", "--accept-terms", "--no-rules", "--no-associate", "--game-dir",
        "(host)Games/TS", "--quorin-dir=(host)Games/TS/Q", "--rules-dir", "C:\\Games\\TS\\R"},
       true,
       "C:\\Games\\TS\\Q\\",
       "C:\\Games\\TS\\R\\",
       "C:\\Games\\TS\\",
       4,
       {},
       true},
      {"quiet",
       {"--silent", "--accept-terms", "--quiet"},
       true,
       kQuorin,
       kRules,
       kGame,
       8,
       {"/associateqrk"},
       false},
  };
  for (const Case& c : cases) {
    Unattended f;
    fs::create_directories(f.Host("Games/TS"));
    WriteHostFile(f.Host("Games/TS/SUN.EXE"), "game");
    std::vector<std::string> arguments = c.arguments;
    for (std::string& argument : arguments) {
      if (const std::size_t at = argument.find("(host)"); at != std::string::npos) {
#ifdef _WIN32
        // Windows has no host paths besides its own: the folder on drive C itself.
        argument.replace(at, 6, "C:\\");
        std::replace(argument.begin(), argument.end(), '/', '\\');
#else
        argument.replace(at, 6, f.prefix.driveC() + "/");
#endif
      }
    }
    arguments.push_back("--log");
    arguments.push_back(f.outside / "install.log");

    const Ran ran = f.Run(arguments, nullptr, c.terminal);
    ASSERT_EQ(ran.status, 0) << c.name << ran.err;

    const auto onHost = [&](const std::string& windowsPath) {
      return *f.env.HostPath(windowsPath);
    };
    for (int i = 0; i < 8; ++i) {
      const std::string folder = i < 4 ? c.productDir : c.rulesDir;
      EXPECT_EQ(fs::exists(onHost(folder) + "/" + kMemberNames[i]), i < c.members) << c.name;
    }
    EXPECT_EQ(ReadHostFile(onHost(c.productDir) + "/Quorin.ini"),
              installer::IniText(c.gameDir, c.rulesDir))
        << c.name;
    std::vector<ProgramStart> starts;
    for (const std::string& parameters : c.parameters) {
      starts.push_back({c.productDir + "Quorin.exe", parameters, c.productDir});
    }
    EXPECT_EQ(f.env.starts, starts) << c.name;
    EXPECT_NE(ran.err.find("InstallQuorin: Installation Complete.\n\nRun Quorin now?"),
              std::string::npos)
        << c.name << ran.err;
    EXPECT_EQ(ran.err.find("\rInstalling 1/" + std::to_string(c.members) + " Quorin.exe") !=
                  std::string::npos,
              c.progress)
        << c.name << ran.err;

    const std::string log = ReadHostFile(f.outside / "install.log");
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_TRUE(line.size() > 20 && line[4] == '-' && line[10] == ' ' && line[13] == ':' &&
                  line[19] == ' ')
          << c.name << ": " << line;
    }
    for (const std::string& step :
         {" created folder " + c.productDir + "\n",
          " wrote member 0 \"Quorin.exe\" to " + c.productDir + "Quorin.exe, " +
              std::to_string(MemberContent(0).size()) + " bytes\n",
          " wrote " + c.productDir + "Quorin.ini, " +
              std::to_string(installer::IniText(c.gameDir, c.rulesDir).size()) + " bytes\n"}) {
      EXPECT_NE(log.find(step), std::string::npos) << c.name << ": " << step << log;
    }
    for (const std::string& parameters : c.parameters) {
      const std::string start = " start " + c.productDir + "Quorin.exe" +
                                (parameters.empty() ? "" : " " + parameters) + " in " +
                                c.productDir + ": the program was started\n";
      EXPECT_NE(log.find(start), std::string::npos) << c.name << ": " << start << log;
    }
  }
}

// What stops an installation before anything is created: the message says why, the status is
// 2 for wrong usage or terms not accepted and 1 otherwise, and the drive is as it was.
TEST(UnattendedInstall, RefusalsChangeNothing) {
  const std::vector<std::string> install = {"--silent", "--accept-terms"};
  const auto with = [&](std::vector<std::string> more) {
    more.insert(more.begin(), install.begin(), install.end());
    return more;
  };
  struct Case {
    std::string name;
    std::vector<std::string> arguments;
    std::function<void(Unattended&)> arrange;
    int status;
    std::string said;
  };
  std::vector<Case> cases = {
      {"terms not accepted", {"--silent"}, {}, 2, "\"InstallQuorin --show-terms\""},
      {"usage",
       {"--accept-terms"},
       {},
       2,
       "--accept-terms belongs to an installation with --silent"},
      {"unknown option", with({"--dir"}), {}, 2, "unknown option --dir (see InstallQuorin --help)"},
      {"no game", install, [](Unattended& f) { fs::remove(f.Game("Sun.exe")); }, 1,
       "Tiberian Sun was not found at C:\\Westwood\\Tiberian Sun\\, C:\\Games\\Tiberian Sun\\, "
       "C:\\Program Files\\Tiberian Sun\\; give its folder with --game-dir."},
      {"no game in the folder given",
       with({"--game-dir", "C:\\Westwood"}),
       {},
       1,
       "C:\\Westwood does not hold Sun.exe"},
      {"no data file", install, [](Unattended& f) { fs::remove(f.Host("work/InstallQuorin.dat")); },
       1, "Unable to locate data file InstallQuorin.dat. Installation Aborted."},
      {"invalid directories",
       with({"--quorin-dir", "C:\\No such\\Quorin", "--rules-dir", "C:\\No such\\Rules"}),
       {},
       1,
       "One or more specified directories are not valid."},
  };
#ifndef _WIN32
  // The Wine prefix and its drive map exist on Linux only.
  cases.push_back({"no prefix", install,
                   [](Unattended& f) {
                     fs::rename(f.prefix.prefix() + "/dosdevices", f.prefix.prefix() + "/moved");
                   },
                   1, "There is no Wine prefix at"});
  cases.push_back({"host folder off the drives", with({"--quorin-dir", "(outside)"}),
                   [](Unattended& f) { f.prefix.UnmapDrive('z'); }, 1,
                   "lies on none of the drives"});
#endif
  for (const Case& c : cases) {
    Unattended f;
    if (c.arrange) {
      c.arrange(f);
    }
    const auto before = f.DriveC();
    std::vector<std::string> arguments = c.arguments;
    std::replace(arguments.begin(), arguments.end(), std::string("(outside)"), f.outside.path());
    const Ran ran = f.Run(arguments);
    EXPECT_EQ(ran.status, c.status) << c.name << ran.err;
    EXPECT_NE(ran.err.find(c.said), std::string::npos) << c.name << ": " << ran.err;
    EXPECT_EQ(ran.err.rfind("InstallQuorin: ", 0), 0u) << c.name;
    EXPECT_EQ(f.DriveC(), before) << c.name;
    EXPECT_TRUE(f.env.starts.empty()) << c.name;
  }
}

// Install over a rules folder that holds the player's own files, install again (over a record
// whose last line was cut short), change
// Quorin.ini and one rules file, then uninstall: the window asks first and answering No
// changes nothing; then everything unchanged is gone, the player's rules.ini is back as it was
// before the first installation, the changed files are kept and named, and the created folder
// stays only because a kept file is in it. A second uninstallation finds no record.
TEST(Uninstalling, TakesAwayWhatWasInstalledKeepsWhatChangedAndGivesBackWhatWasReplaced) {
  Unattended f;
  fs::create_directories(f.Game("Rules"));
  WriteHostFile(f.Game("Rules/rules.ini"), "the player's own rules");
  WriteHostFile(f.Game("Rules/mine.ini"), "also the player's");
  const auto before = f.DriveC();

  // A line cut short where it named the folder above the one it was to name, as a failure on a
  // full disk leaves a line: it must not count, also once the next installation ends it.
  const auto cutShort = [&] {
    WriteHostFile(f.Game("Quorin/Uninstall.txt"),
                  ReadHostFile(f.Game("Quorin/Uninstall.txt")) + "folder\tC:\\Westwood");
  };
  ASSERT_EQ(f.Run({"--silent", "--accept-terms"}).status, 0);
  cutShort();
  ASSERT_EQ(f.Run({"--silent", "--accept-terms", "--quiet"}).status, 0);  // a reinstallation
  cutShort();
  EXPECT_EQ(ReadHostFile(f.Game("Rules/rules.ini")), MemberContent(7));
  EXPECT_TRUE(fs::exists(f.Game("Quorin/Uninstall.txt")));
  WriteHostFile(f.Game("Quorin/Quorin.ini"),
                ReadHostFile(f.Game("Quorin/Quorin.ini")) + "name=Added by the product\r\n");
  WriteHostFile(f.Game("Rules/original rules.txt"), "edited by the player");
  const auto installed = f.DriveC();

  f.windows.answerYes = false;
  EXPECT_EQ(f.Run({"--uninstall", "--quorin-dir", kQuorin}).status, 0);
  EXPECT_EQ(f.windows.shown, std::vector<std::string>{"confirm: Uninstall Quorin from " + kQuorin +
                                                      "?\r\rWhat the installation put in place "
                                                      "is removed and the files it replaced are "
                                                      "given back; files changed since are "
                                                      "kept."});
  EXPECT_EQ(f.DriveC(), installed);

  f.windows.answerYes = true;
  f.windows.shown.clear();
  EXPECT_EQ(f.Run({"--uninstall"}).status, 0);  // the proposal for the game found
  ASSERT_EQ(f.windows.shown.size(), 2u);
  EXPECT_EQ(f.windows.shown[1],
            "info: Quorin was uninstalled from " + kQuorin +
                ".\r\rThese files were given back as they were before the installation:\r  " +
                kRules + "rules.ini\r\rThese files were kept:\r  " + kRules +
                "original rules.txt (it changed since the installation)\r  " + kQuorin +
                "Quorin.ini (it changed since the installation)\r\rThese folders were "
                "kept, since they are not empty:\r  " +
                kQuorin);
  auto expected = before;
  expected["Westwood/Tiberian Sun/Quorin"] = "(folder)";
  expected["Westwood/Tiberian Sun/Quorin/Quorin.ini"] =
      installed.at("Westwood/Tiberian Sun/Quorin/Quorin.ini");
  expected["Westwood/Tiberian Sun/Rules/original rules.txt"] = "edited by the player";
  EXPECT_EQ(f.DriveC(), expected);

  const Ran again = f.Run({"--uninstall", "--silent"});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, "InstallQuorin: There is no installation record in " + kQuorin +
                           " (Uninstall.txt), so there is nothing to uninstall.\n");
}

// An installation killed at any step, then an uninstallation, leaves drive C as it was; so does
// an uninstallation killed at any step and run again. The one trace that can stay is a folder
// the installation made, empty, when it was killed before its record had a line (or, for an
// uninstallation, once the record was gone): nothing in it to lose, and no record to tell it
// was made by the installation.
TEST(Uninstalling, AfterAKillAtAnyStepGivesTheDriveBackAsItWas) {
  struct Setup {
    std::string name;
    bool rulesFolderBefore;  // with the player's own rules.ini in it, replaced by the install
  };
  const std::vector<std::string> install = {"--silent", "--accept-terms", "--no-associate"};
  const std::vector<std::string> uninstall = {"--uninstall", "--silent"};
  for (const Setup& setup : {Setup{"nothing before", false}, Setup{"a rules folder", true}}) {
    const auto arrange = [&](Unattended& f) {
      if (setup.rulesFolderBefore) {
        fs::create_directories(f.Game("Rules"));
        WriteHostFile(f.Game("Rules/rules.ini"), "the player's own rules");
      }
    };
    // The steps of a whole installation, and of a whole uninstallation after it.
    std::vector<std::string> installSteps, uninstallSteps;
    {
      Unattended f;
      arrange(f);
      KillSwitchEnv counting(&f.env, -1);
      ASSERT_EQ(f.Run(install, &counting).status, 0);
      installSteps = counting.steps();
      KillSwitchEnv counting2(&f.env, -1);
      ASSERT_EQ(f.Run(uninstall, &counting2).status, 0);
      uninstallSteps = counting2.steps();
    }
    const auto firstRecordWrite =
        std::find_if(installSteps.begin(), installSteps.end(),
                     [](const std::string& step) {
                       return step.rfind("write ", 0) == 0 &&
                              step.find("Uninstall.txt") != std::string::npos;
                     }) -
        installSteps.begin();
    const auto recordDeleted = std::find(uninstallSteps.begin(), uninstallSteps.end(),
                                         "delete " + kQuorin + "Uninstall.txt") -
                               uninstallSteps.begin();
    ASSERT_LT(recordDeleted, static_cast<long>(uninstallSteps.size()));

    for (long step = 0; step < static_cast<long>(installSteps.size()); ++step) {
      Unattended f;
      arrange(f);
      auto expected = f.DriveC();
      KillSwitchEnv killing(&f.env, step);
      try {
        f.Run(install, &killing);
      } catch (const Killed&) {
      }
      ASSERT_TRUE(killing.killed()) << setup.name << " " << step;
      f.Run(uninstall);
      if (step <= firstRecordWrite) {
        for (const std::string& made : killing.steps()) {
          if (made.rfind("create folder ", 0) == 0 && made != killing.steps().back()) {
            // "C:\Westwood\Tiberian Sun\Quorin\" as drive C's tree names it
            std::string folder = platform::WithoutTrailingSeparators(made.substr(17));
            std::replace(folder.begin(), folder.end(), '\\', '/');
            expected[folder] = "(folder)";
          }
        }
      }
      EXPECT_EQ(f.DriveC(), expected)
          << setup.name << ": installation killed at " << installSteps[step];
    }

    for (long step = 0; step < static_cast<long>(uninstallSteps.size()); ++step) {
      Unattended f;
      arrange(f);
      auto expected = f.DriveC();
      ASSERT_EQ(f.Run(install).status, 0);
      KillSwitchEnv killing(&f.env, step);
      try {
        f.Run(uninstall, &killing);
      } catch (const Killed&) {
      }
      ASSERT_TRUE(killing.killed()) << setup.name << " " << step;
      const Ran again = f.Run(uninstall);
      EXPECT_EQ(again.status, step <= recordDeleted ? 0 : 1) << again.err;
      if (step > recordDeleted) {
        expected["Westwood/Tiberian Sun/Quorin"] = "(folder)";
      }
      EXPECT_EQ(f.DriveC(), expected)
          << setup.name << ": uninstallation killed at " << uninstallSteps[step];
    }
  }
}

}  // namespace
