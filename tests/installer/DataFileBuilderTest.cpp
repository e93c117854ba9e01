#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "installer/DataFile.h"
#include "installer/DataFileBuilder.h"
#include "tests/support/PrefixEnv.h"
#include "tests/support/RecordingBuilderWindow.h"
#include "tests/support/SampleProduct.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestData.h"
#include "tests/support/WinePrefix.h"

namespace fs = std::filesystem;

namespace {

// The host over the test's prefix, where putting a file in the data file's place can be made
// to fail.
class TestEnv : public PrefixEnv {
 public:
  using PrefixEnv::PrefixEnv;
  bool failReplace = false;
  platform::Status RenameFile(const std::string& source, const std::string& target) override {
    if (failReplace && target == "InstallQuorin.dat") {
      return platform::Status::Of(platform::Reason::kAccessDenied);
    }
    return PrefixEnv::RenameFile(source, target);
  }
};

// The names in a folder, in order.
std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& item : fs::directory_iterator(folder)) {
    names.insert(item.path().filename().string());
  }
  return names;
}

class DataFileBuilder : public ::testing::Test {
 protected:
  DataFileBuilder() {
    archive.SetCompressionLevel(fcMaximum);
    fs::current_path(elsewhere.path());
  }
  std::string Build() {
    return FailureOf([&] { installer::BuildDataFile(archive, env, window); });
  }

  CurrentDirectoryGuard guard;
  TempWinePrefix prefix;
  TempDir elsewhere;  // the folder the program was started in
  SampleProduct product{prefix};
  TestEnv env{prefix.prefix()};
  TZLBArchive archive{nullptr, &env};
  RecordingBuilderWindow window;
};

// The builder's successful run and its failure on a missing product file are exercised end to
// end, together with an installation from what it built.
TEST_F(DataFileBuilder, WithoutTheSourceFolderDeletesAndCreatesNothing) {
  WriteHostFile(elsewhere / "InstallQuorin.dat", "a data file where the program started");
  fs::rename(product.sourceFolder(), product.sourceFolder() + ".moved");

  EXPECT_EQ(Build(),
            "Unable to find the source directory C:\\Games\\Tiberian Sun\\Extras\\Quorin\\");
  EXPECT_TRUE(window.buttonHidden);
  EXPECT_FALSE(window.closed);
  EXPECT_EQ(fs::current_path(), elsewhere.path());
  EXPECT_EQ(ReadHostFile(elsewhere / "InstallQuorin.dat"), "a data file where the program started");
  EXPECT_EQ(archive.FileName(), "");
  for (const auto& item : fs::recursive_directory_iterator(prefix.prefix() + "/drive_c")) {
    EXPECT_NE(item.path().filename(), "InstallQuorin.dat") << item.path();
  }
}

// A build that fails, wherever it fails, leaves the old data file (or none) as it was and no
// partial or temporary file beside it.
TEST_F(DataFileBuilder, AFailedBuildLeavesTheOldDataFileAsItWasAndNothingElse) {
  struct Case {
    int missingMember;  // -1: every product file is there
    bool replaceFails;
    std::string message;
  };
  const Case cases[] = {
      {0, false, "Unable to open file (Quorin.exe)"},
      {3, false, "Unable to open file (Original rules.qrk)"},
      {7, false, "Unable to open file (..\\Rules\\Distrib\\rules.ini)"},
      {-1, true, "Cannot create file InstallQuorin.dat"},
  };
  for (const bool oldDataFile : {false, true}) {
    for (const Case& c : cases) {
      const std::string context = c.message + (oldDataFile ? ", old data file" : "");
      fs::remove(product.dataFile());
      if (oldDataFile) {
        WriteHostFile(product.dataFile(), "an old data file");
      }
      const std::string moved = product.sourceFolder() + "/../missing";
      if (c.missingMember >= 0) {
        fs::rename(product.files()[c.missingMember].source, moved);
      }
      env.failReplace = c.replaceFails;
      const std::set<std::string> before = Names(product.sourceFolder());

      EXPECT_EQ(Build(), c.message) << context;
      EXPECT_EQ(Names(product.sourceFolder()), before) << context;
      if (oldDataFile) {
        EXPECT_EQ(ReadHostFile(product.dataFile()), "an old data file") << context;
      }
      EXPECT_FALSE(window.closed) << context;
      if (c.missingMember >= 0) {
        fs::rename(moved, product.files()[c.missingMember].source);
      }
    }
  }
}

// The demo builds its data file with zlb; it must pack the builder's members, in its order, at
// its level, or the installer would refuse what the demo shows it.
TEST(DataFileMembers, TheDemoPacksTheBuildersMembersInItsOrderAndLevel) {
  const std::string script = ReadHostFile(QUORIN_SOURCE_DIR "/scripts/demo");
  std::size_t at = script.find("/build/bin/zlb\" create");
  ASSERT_NE(at, std::string::npos);
  const std::size_t end = script.find("\n)", at);
  const std::string command = script.substr(at, end - at);
  std::vector<std::string> quoted;
  for (std::size_t open = command.find('\''); open != std::string::npos;
       open = command.find('\'', open + 1)) {
    const std::size_t close = command.find('\'', open + 1);
    quoted.push_back(command.substr(open + 1, close - open - 1));
    open = close;
  }
  std::vector<std::string> sources;
  for (const installer::DataFileMember& member : installer::kDataFileMembers) {
    sources.push_back(member.source);
  }
  EXPECT_EQ(quoted, sources);
  static const char* const kLevels[] = {"none", "fastest", "default", "maximum"};
  EXPECT_NE(command.find(std::string("--level ") + kLevels[installer::kDataFileCompressionLevel]),
            std::string::npos)
      << command;
}

}  // namespace
