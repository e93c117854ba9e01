#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "installer/IniWriter.h"
#include "tests/installer/InstallFixture.h"
#include "tests/support/TestData.h"

namespace fs = std::filesystem;
using installer::InstallOutcome;

namespace {

class InstallProcedureTest : public ::testing::Test, public InstallFixture {};

const std::string kExpectedDirs =
    "dirs: C:\\Westwood\\Tiberian Sun\\Quorin\\ | C:\\Westwood\\Tiberian Sun\\Rules\\";

TEST_F(InstallProcedureTest, MissingDataFileOrDeclinedAgreementStopsBeforeAnythingIsWritten) {
  EXPECT_EQ(Install(), InstallOutcome::kStopped);
  EXPECT_EQ(events(), std::vector<std::string>{
                          "info: Unable to locate data file InstallQuorin.dat. Installation "
                          "Aborted."});

  WriteDataFile(8);
  view.acceptAgreement = false;
  EXPECT_EQ(Install(), InstallOutcome::kStopped);
  EXPECT_EQ(events().back(), "agreement");
  EXPECT_FALSE(fs::exists(Host("Westwood/Tiberian Sun/Quorin")));
  EXPECT_FALSE(fs::exists(Host("Westwood/Tiberian Sun/Rules")));
  EXPECT_TRUE(env.starts.empty());
}

TEST_F(InstallProcedureTest, InvalidDirectoriesAreReportedWithTheirBackslashesAppended) {
  WriteDataFile(8);
  struct Case {
    std::string productDir, rulesDir, shownDirs;
  };
  const Case cases[] = {
      // A missing parent makes the product directory invalid; the rules directory is still
      // created, although the stock rules are not wanted.
      {"C:\\No such\\Quorin", "C:\\Westwood\\Tiberian Sun\\Rules",
       "dirs: C:\\No such\\Quorin\\ | C:\\Westwood\\Tiberian Sun\\Rules\\"},
      {"", "C:\\Westwood\\Tiberian Sun\\Rules\\", "dirs: \\ | C:\\Westwood\\Tiberian Sun\\Rules\\"},
      // Windows-1252 cannot hold the Greek letter: no folder of that name can be used.
      {"C:\\Westwood\\Tiberian Sun\\Quorin\\", "C:\\Westwood\\\xCE\xA9",
       "dirs: C:\\Westwood\\Tiberian Sun\\Quorin\\ | C:\\Westwood\\\xCE\xA9\\"},
  };
  choices.installOriginalRules = false;
  for (const Case& c : cases) {
    events().clear();
    choices.productDir = c.productDir;
    choices.rulesDir = c.rulesDir;
    EXPECT_EQ(Install(), InstallOutcome::kStopped);
    EXPECT_EQ(events(),
              (std::vector<std::string>{"agreement", c.shownDirs,
                                        "info: One or more specified directories are not valid."}))
        << c.productDir;
  }
  EXPECT_TRUE(fs::is_directory(Host("Westwood/Tiberian Sun/Rules")));
  EXPECT_TRUE(fs::is_directory(Host("Westwood/Tiberian Sun/Quorin")));
  EXPECT_FALSE(fs::exists(Host("Westwood/Tiberian Sun/Quorin/Quorin.ini")));
  EXPECT_TRUE(env.starts.empty());
}

TEST_F(InstallProcedureTest, InstallsEightMembersReplacingOldFilesThenStartsTheProductTwice) {
  WriteDataFile(8);
  fs::create_directories(Host("Westwood/Tiberian Sun/Quorin"));
  WriteHostFile(Host("Westwood/Tiberian Sun/Quorin/Quorin.exe"), "an older program, longer");
  WriteHostFile(Host("Westwood/Tiberian Sun/Quorin/Quorin.ini"), std::string(2000, ';'));
  choices.productDir = "C:\\Westwood\\Tiberian Sun\\Quorin";  // typed without the backslash
  choices.rulesDir = "C:\\Westwood\\Tiberian Sun\\Rules";

  EXPECT_EQ(Install(), InstallOutcome::kCompleted);

  std::vector<std::string> expected = {"agreement", kExpectedDirs, "progress"};
  for (const std::string& name : kMemberNames) {
    expected.push_back("member: " + name);
    expected.push_back("extracted");
  }
  expected.push_back("hide progress");
  expected.push_back("confirm: Installation Complete.\r\rRun Quorin now?");
  EXPECT_EQ(events(), expected);
  for (int i = 0; i < 8; ++i) {
    const std::string folder = i < 4 ? "Quorin/" : "Rules/";
    EXPECT_EQ(ReadHostFile(Host("Westwood/Tiberian Sun/" + folder + kMemberNames[i])),
              MemberContent(i));
  }
  EXPECT_EQ(
      ReadHostFile(Host("Westwood/Tiberian Sun/Quorin/Quorin.ini")),
      installer::IniText("C:\\Westwood\\Tiberian Sun\\", "C:\\Westwood\\Tiberian Sun\\Rules\\"));
  const std::string program = "C:\\Westwood\\Tiberian Sun\\Quorin\\Quorin.exe";
  const std::string folder = "C:\\Westwood\\Tiberian Sun\\Quorin\\";
  EXPECT_EQ(env.starts,
            (std::vector<ProgramStart>{{program, "/associateqrk", folder}, {program, "", folder}}));
}

TEST_F(InstallProcedureTest, FourMembersSufficeWithoutTheStockRulesAndOnlyTheOptionsAskedForStart) {
  WriteDataFile(4);
  choices.installOriginalRules = false;
  choices.associateQrk = false;
  view.answerYes = false;
  choices.gameDir = "C:\\Westwood\\Tiberian Sun\\";
  choices.rulesDir = "C:\\Westwood\\R\xC3\xA8gles";  // è: one byte in Windows-1252

  EXPECT_EQ(Install(), InstallOutcome::kCompleted);
  EXPECT_TRUE(fs::is_directory(Host("Westwood/R\xC3\xA8gles")));
  EXPECT_TRUE(fs::is_empty(Host("Westwood/R\xC3\xA8gles")));
  EXPECT_EQ(ReadHostFile(Host("Westwood/Tiberian Sun/Quorin/Quorin.ini")),
            installer::IniText("C:\\Westwood\\Tiberian Sun\\", "C:\\Westwood\\R\xE8gles\\"));
  EXPECT_TRUE(env.starts.empty());

  // The association start alone, when only that is asked for.
  // When nothing can be started (no wine), one line on standard error says so, and no dialog.
  choices.associateQrk = true;
  env.startResult = platform::StartResult::kLauncherMissing;
  testing::internal::CaptureStderr();
  EXPECT_EQ(Install(), InstallOutcome::kCompleted);
  const std::string said = testing::internal::GetCapturedStderr();
  ASSERT_EQ(env.starts.size(), 1u);
  EXPECT_EQ(env.starts[0].parameters, "/associateqrk");
  EXPECT_NE(said.find("Quorin.exe"), std::string::npos) << said;
  EXPECT_NE(said.find(platform::StartResultText(platform::StartResult::kLauncherMissing)),
            std::string::npos)
      << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
}

TEST_F(InstallProcedureTest, WithoutTheProgramAfterUnpackingNothingIsStarted) {
  builder::ArchiveBuilder data;
  for (int i = 0; i < 4; ++i) {
    data.Stored(i == 0 ? "Other.exe" : kMemberNames[i], MemberContent(i));
  }
  data.Write(Host("work/InstallQuorin.dat"));
  choices.installOriginalRules = false;
  EXPECT_EQ(Install(), InstallOutcome::kCompleted);
  EXPECT_TRUE(env.starts.empty());
}

// From the switch to the progress window on, a failure leaves the procedure as an Exception
// with its message; nothing after the failing step runs.
TEST_F(InstallProcedureTest, FailuresAfterTheSwitchLeaveWithTheirMessages) {
  const std::string quorin = Host("Westwood/Tiberian Sun/Quorin");
  struct Case {
    std::string name;
    std::function<void()> arrange;
    std::string message;
  };
  const Case cases[] = {
      {"data file gone",
       [&] { view.onAgreement = [&] { fs::remove(Host("work/InstallQuorin.dat")); }; },
       "Archive file not found"},
      {"corrupted",
       [&] {
         std::string bytes = ReadHostFile(Host("work/InstallQuorin.dat"));
         bytes[3] ^= 1;
         WriteHostFile(Host("work/InstallQuorin.dat"), bytes);
       },
       "The archive file appears to be corrupted"},
      {"too few members", [&] { WriteDataFile(4); }, "Index out of bounds"},
      {"configuration file blocked", [&] { fs::create_directories(quorin + "/Quorin.ini"); },
       "Cannot create file C:\\Westwood\\Tiberian Sun\\Quorin\\Quorin.ini"},
  };
  for (const Case& c : cases) {
    fs::remove_all(quorin);
    WriteDataFile(8);
    view.onAgreement = nullptr;
    events().clear();
    c.arrange();
    EXPECT_EQ(FailureOf([&] { Install(); }), c.message) << c.name;
    EXPECT_EQ(std::count(events().begin(), events().end(), "progress"), 1) << c.name;
    EXPECT_NE(events().back().rfind("confirm", 0), 0u) << c.name;
    EXPECT_NE(events().back(), "hide progress") << c.name;
  }
  EXPECT_TRUE(fs::exists(quorin + "/Quorin.exe"));  // unpacked before the configuration failed
  EXPECT_TRUE(env.starts.empty());
}

}  // namespace
