#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "installer/DataFileBuilder.h"
#include "platform/HostEnv.h"
#include "tests/installer/RecordingBuilderWindow.h"
#include "tests/platform/WinePrefix.h"
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
  platform::Status DeleteFile(const std::string& path) override {
    if (failDelete) {
      return platform::Status::Of(platform::Reason::kAccessDenied);
    }
    return HostEnv::DeleteFile(path);
  }
};

class DataFileBuilder : public ::testing::Test {
 protected:
  DataFileBuilder() {
    archive.SetCompressionLevel(fcMaximum);
    fs::current_path(elsewhere.path());
  }
  std::string Build() {
    return FailureOf([&] { installer::BuildDataFile(true, archive, env, window); });
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
TEST_F(DataFileBuilder, WithoutTheDebugFlagDoesNothing) {
  installer::BuildDataFile(false, archive, env, window);
  EXPECT_FALSE(window.buttonHidden);
  EXPECT_FALSE(window.closed);
  EXPECT_EQ(fs::current_path(), elsewhere.path());
  EXPECT_FALSE(fs::exists(product.dataFile()));
}

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

}  // namespace
