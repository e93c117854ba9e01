// The installation, the uninstallation and the data-file builder against every failure the
// disk can give at every call (tests/support/FaultLoop.h): unpacking the members, writing
// Quorin.ini and the installation record, taking it all away again, building the data file.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "archive/ZLIBArchive.h"
#include "installer/DataFile.h"
#include "installer/DataFileBuilder.h"
#include "installer/InstallProcedure.h"
#include "installer/Uninstall.h"
#include "platform/WinNames.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/FaultLoop.h"
#include "tests/support/InstallFixture.h"
#include "tests/support/MemEnv.h"
#include "tests/support/RecordingBuilderWindow.h"

namespace {

constexpr char kGame[] = "C:\\Westwood\\Tiberian Sun\\";
constexpr char kProduct[] = "C:\\Westwood\\Tiberian Sun\\Quorin\\";

// The installation record and the copies of replaced files beside it, which the installation
// writes as it goes, each line before the step it tells of.
bool IsRecord(const std::string& path) {
  const std::string name = platform::FoldAsciiCase(platform::NamePart(path));
  return name == "uninstall.txt" || name.rfind("uninstall-", 0) == 0;
}

// The game, and the data file in the folder the installer runs in.
void Prepare(MemEnv& world) {
  world.Put(std::string(kGame) + "Sun.exe", "game");
  builder::ArchiveBuilder data;
  for (int i = 0; i < 8; ++i) {
    data.Deflated(kMemberNames[i], MemberContent(i) + std::string(3000 * i, 'q'), 3);
  }
  world.Put("C:\\Work\\InstallQuorin.dat", data.Build());
  world.SetCurrentFolder("C:\\Work");
}

void Install(platform::Env& env) {
  TZLBArchive archive(nullptr, &env);
  archive.SetCompressionLevel(fcMaximum);
  RecordingView view;
  installer::InstallChoices choices;
  choices.gameDir = kGame;
  choices.productDir = std::string(kGame) + "Quorin";
  choices.rulesDir = std::string(kGame) + "Rules\\";
  if (installer::InstallProcedure(env, archive, view).Run(choices) !=
      installer::InstallOutcome::kCompleted) {
    throw ReportedWithoutReason(view.events.back());
  }
}

struct Case {
  const char* name;
  bool overAnOldInstallation;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

class InstallFaults : public ::testing::TestWithParam<Case> {};

void PutOldInstallation(MemEnv& world) {
  world.Put(std::string(kProduct) + "Quorin.exe", "an older Quorin.exe");
  world.Put(std::string(kProduct) + "Quorin.ini", "[Config]\r\nIniVer=1\r\n");
  world.Put(std::string(kGame) + "Rules\\rules.ini", "the rules of an older installation");
}

// Whatever call of the disk fails, the installation stops with the failure and its reason, and
// each of its files is whole: the member or configuration as installed, or the file that stood
// there before (a user's Quorin.ini, a member of an older installation), never a part of one.
// Its record tells enough for uninstalling to give back the drive as it was.
TEST_P(InstallFaults, EveryFailureStopsTheInstallationAndLeavesEveryFileWhole) {
  MemEnv world;
  Prepare(world);
  if (GetParam().overAnOldInstallation) {
    PutOldInstallation(world);
  }
  const std::map<std::string, std::string> before = world.Files();
  ExpectSafeAtEveryFault(world, Install,
                         [&](MemEnv& left, bool failed) {
                           if (failed) {
                             installer::Uninstall(&left, kProduct);
                             EXPECT_TRUE(left.Files() == before)
                                 << "uninstalling does not give back the drive:"
                                 << DifferentFiles(left.Files(), before);
                           }
                         },
                         {IsRecord, false});
}

// Whatever call of the disk fails, uninstalling stops with the failure and the file's name,
// loses nothing (a replaced file's copy stays until it is given back), and a second run
// finishes the job as one undisturbed run does.
TEST(UninstallFaults, EveryFailureStopsAndASecondRunFinishesTheJob) {
  MemEnv world;
  Prepare(world);
  PutOldInstallation(world);
  Install(world);
  world.Put(std::string(kProduct) + "notes.txt", "the player's own notes");
  MemEnv done(world);
  installer::Uninstall(&done, kProduct);
  const std::map<std::string, std::string> uninstalled = done.Files();
  ASSERT_EQ(uninstalled.count(std::string(kGame) + "Rules\\rules.ini"), 1u);

  ExpectSafeAtEveryFault(
      world, [](platform::Env& env) { installer::Uninstall(&env, kProduct); },
      [&](MemEnv& left, bool failed) {
        if (failed) {
          installer::Uninstall(&left, kProduct);
          EXPECT_TRUE(left.Files() == uninstalled) << "a second run leaves these files otherwise:"
                                                   << DifferentFiles(left.Files(), uninstalled);
        }
      },
      {{}, true});
}

INSTANTIATE_TEST_SUITE_P(Installations, InstallFaults,
                         ::testing::Values(Case{"Fresh", false}, Case{"OverAnOldOne", true}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

class BuildFaults : public ::testing::TestWithParam<Case> {};

// Whatever call of the disk fails, the build fails with its reason, and the data file is the
// old one or the complete new one, with nothing half-built beside it.
TEST_P(BuildFaults, EveryFailureLeavesTheOldDataFileOrTheNewOne) {
  MemEnv world;
  for (std::size_t i = 0; i < installer::kDataFileMembers.size(); ++i) {
    world.Put(std::string(installer::kBuilderSourceFolder) + installer::kDataFileMembers[i].source,
              MemberContent(static_cast<int>(i)) + std::string(2000 * i, 'b'));
  }
  if (GetParam().overAnOldInstallation) {
    world.Put(std::string(installer::kBuilderSourceFolder) + installer::kDataFileName,
              "an older data file");
  }
  ExpectSafeAtEveryFault(world, [](platform::Env& env) {
    TZLBArchive archive(nullptr, &env);
    archive.SetCompressionLevel(installer::kDataFileCompressionLevel);
    RecordingBuilderWindow window;
    installer::BuildDataFile(archive, env, window);
  });
}

INSTANTIATE_TEST_SUITE_P(Builds, BuildFaults,
                         ::testing::Values(Case{"Fresh", false}, Case{"OverAnOldOne", true}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
