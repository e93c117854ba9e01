#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/DataFile.h"
#include "installer/DataFileBuilder.h"
#include "platform/HostEnv.h"
#include "tests/platform/WinePrefix.h"
#include "tests/support/RecordingBuilderWindow.h"
#include "tests/support/SampleProduct.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestData.h"

namespace fs = std::filesystem;

namespace {

// The host over the test's prefix, with a deletion that can be made to fail.
class TestEnv : public platform::HostEnv {
 public:
  using HostEnv::HostEnv;
  bool failDelete = false;
  bool DeleteFile(const std::string& path) override {
    return !failDelete && HostEnv::DeleteFile(path);
  }
};

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

TEST_F(DataFileBuilder, AnOldDataFileThatCannotBeDeletedStaysAsItWas) {
  WriteHostFile(product.dataFile(), "an old data file");
  env.failDelete = true;
  EXPECT_EQ(Build(), "File already exists");
  EXPECT_EQ(ReadHostFile(product.dataFile()), "an old data file");
  EXPECT_FALSE(window.closed);
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
