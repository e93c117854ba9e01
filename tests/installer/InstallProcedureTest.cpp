#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "installer/IniWriter.h"
#include "tests/support/InstallFixture.h"
#include "tests/support/TestData.h"

namespace fs = std::filesystem;
using installer::InstallOutcome;

namespace {

class InstallProcedureTest : public ::testing::Test, public InstallFixture {};

// A host folder as a Windows path of the host's own kind: "\tmp\...\" with a closing backslash.
std::string HostStyle(std::string hostFolder) {
  std::replace(hostFolder.begin(), hostFolder.end(), '/', '\\');
  return hostFolder + "\\";
}

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
      // The root of a drive is no place to install into: an empty text reads "\" after its
      // first press, and "\" is the host's root, which exists. (The host's roots are tried as
      // the rules directory, which gets nothing here, so that no fault can write into them.)
      {"C:\\Westwood\\Tiberian Sun\\Quorin\\", "\\",
       "dirs: C:\\Westwood\\Tiberian Sun\\Quorin\\ | \\"},
      {"C:", "C:\\Westwood\\Tiberian Sun\\Rules\\",
       "dirs: C:\\ | C:\\Westwood\\Tiberian Sun\\Rules\\"},
      {"C:\\Westwood\\..", "C:\\Westwood\\Tiberian Sun\\Rules\\",
       "dirs: C:\\Westwood\\..\\ | C:\\Westwood\\Tiberian Sun\\Rules\\"},
      {"C:\\Westwood\\Tiberian Sun\\Quorin\\", "Z:\\",
       "dirs: C:\\Westwood\\Tiberian Sun\\Quorin\\ | Z:\\"},
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
  // The product's own rule entries in the old file survive, after the new 18 lines.
  WriteHostFile(Host("Westwood/Tiberian Sun/Quorin/Quorin.ini"),
                "[Config]\r\nTSDir=D:\\Old\\\r\n[Rules]\r\n; old comment\r\nname=Mine\r\n");
  choices.productDir = "C:\\Westwood\\Tiberian Sun\\Quorin";  // typed without the backslash
  choices.rulesDir = "C:\\Westwood\\Tiberian Sun\\Rules";

  EXPECT_EQ(Install(), InstallOutcome::kCompleted);

  std::vector<std::string> expected = {"agreement", kExpectedDirs, "end after failure: 1",
                                       "progress"};
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
      installer::IniText("C:\\Westwood\\Tiberian Sun\\", "C:\\Westwood\\Tiberian Sun\\Rules\\") +
          "name=Mine\r\n");
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
  choices.associateQrk = true;
  EXPECT_EQ(Install(), InstallOutcome::kCompleted);
  ASSERT_EQ(env.starts.size(), 1u);
  EXPECT_EQ(env.starts[0].parameters, "/associateqrk");
}

// A start that cannot be made is shown, naming the program and why; without a Wine prefix wine
// is not even asked, since it would make a new prefix of the folder.
TEST_F(InstallProcedureTest, AStartThatCannotBeMadeIsShownAndNoneIsMadeWithoutAPrefix) {
  WriteDataFile(8);
  const std::string quorin = Host("Westwood/Tiberian Sun/Quorin");
  const std::string program = "C:\\Westwood\\Tiberian Sun\\Quorin\\Quorin.exe";
  struct Case {
    std::string name;
    std::function<void()> arrange;
    std::string shownProgram, why;
    std::size_t starts;
  };
  const Case cases[] = {
      {"no wine", [&] { env.startResult = platform::StartResult::kLauncherMissing; }, program,
       "no launcher was found to run it (wine or xdg-open)", 2},
      {"no prefix",
       [&] {
         // The folders named the host's way, since without a drive map no drive exists.
         fs::rename(prefix.prefix() + "/dosdevices", prefix.prefix() + "/moved");
         choices.productDir = HostStyle(quorin);
         choices.rulesDir = HostStyle(Host("Westwood/Tiberian Sun/Rules"));
       },
       HostStyle(quorin) + "Quorin.exe", "there is no Wine prefix at " + prefix.prefix(), 0},
  };
  for (const Case& c : cases) {
    events().clear();
    env.starts.clear();
    c.arrange();
    EXPECT_EQ(Install(), InstallOutcome::kCompleted) << c.name;
    EXPECT_EQ(env.starts.size(), c.starts) << c.name;
    const std::string info = "info: " + c.shownProgram + " could not be started: " + c.why + ".";
    EXPECT_EQ(std::vector<std::string>(events().end() - 3, events().end()),
              (std::vector<std::string>{info, "confirm: Installation Complete.\r\rRun Quorin now?",
                                        info}))
        << c.name;
  }
}

TEST_F(InstallProcedureTest, WithoutTheProgramAfterUnpackingNothingIsStarted) {
  WriteDataFile(4);
  archive.OnFileExtracted = [&](const std::string&) {
    fs::remove(Host("Westwood/Tiberian Sun/Quorin/Quorin.exe"));
  };
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
      // Changed after it was checked, before the agreement: the opening checks it again.
      {"corrupted",
       [&] {
         view.onAgreement = [&] {
           std::string bytes = ReadHostFile(Host("work/InstallQuorin.dat"));
           bytes[3] ^= 1;
           WriteHostFile(Host("work/InstallQuorin.dat"), bytes);
         };
       },
       "The archive file appears to be corrupted"},
      {"too few members", [&] { view.onAgreement = [&] { WriteDataFile(4); }; },
       "Index out of bounds"},
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

// Install checks the data file before the agreement: a file that cannot be opened, or whose
// members to be unpacked are not the builder's in its order, is reported with its path, and
// nothing is created.
TEST_F(InstallProcedureTest, TheDataFileIsCheckedBeforeTheAgreement) {
  using builder::ArchiveBuilder;
  const std::string bad = "info: The data file " + Host("work/InstallQuorin.dat");
  struct Case {
    std::string name;
    int members;
    std::function<void(ArchiveBuilder&)> edit;
    std::string shown;  // "agreement" when the file passes
  };
  const Case cases[] = {
      {"whole-file checksum", 8, [](ArchiveBuilder& a) { a.archiveCrc = 0x12345678; },
       bad + " cannot be used:\r\rThe archive file appears to be corrupted."},
      {"registry", 8,
       [](ArchiveBuilder& a) { a.editStored = [](std::string& r) { r[2] ^= 0x55; }; },
       bad + " cannot be used:\r\rUnable to read archive file list."},
      {"program files in another order", 8,
       [](ArchiveBuilder& a) { std::swap(a.members[0], a.members[3]); },
       bad + " does not hold the expected files: it holds \"Original rules.qrk\" where "
             "\"Quorin.exe\" belongs."},
      {"rules files in another order", 8,
       [](ArchiveBuilder& a) { std::swap(a.members[6], a.members[7]); },
       bad + " does not hold the expected files: it holds \"rules.ini\" where "
             "\"originalrules.bmp\" belongs."},
      {"stock rules missing",
       4,
       {},
       bad + " does not hold the expected files: \"Original rules.add\" is missing."},
      {"names in another letter case", 8,
       [](ArchiveBuilder& a) { a.members[0].name = "QUORIN.EXE"; }, "agreement"},
  };
  view.acceptAgreement = false;
  for (const Case& c : cases) {
    events().clear();
    WriteDataFile(c.members, c.edit);
    EXPECT_EQ(Install(), InstallOutcome::kStopped) << c.name;
    EXPECT_EQ(events(), std::vector<std::string>{c.shown}) << c.name;
  }
  EXPECT_FALSE(fs::exists(Host("Westwood/Tiberian Sun/Quorin")));
  EXPECT_FALSE(fs::exists(Host("Westwood/Tiberian Sun/Rules")));
}

// Started from a desktop menu the installer runs in the home folder; the data file beside its
// own program is then the one installed from.
TEST_F(InstallProcedureTest, WithoutOneInTheCurrentFolderTheDataFileBesideTheProgramServes) {
  WriteDataFile(8);
  fs::create_directories(Host("bin"));
  fs::rename(Host("work/InstallQuorin.dat"), Host("bin/InstallQuorin.dat"));
  programFolder = Host("bin");
  EXPECT_EQ(Install(), InstallOutcome::kCompleted);
  EXPECT_EQ(ReadHostFile(Host("Westwood/Tiberian Sun/Rules/rules.ini")), MemberContent(7));
}

}  // namespace
