#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "installer/DataFileBuilder.h"
#include "platform/HostEnv.h"
#include "tests/archive/ArchiveDecoder.h"
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
  bool DeleteFile(const std::string& path) override {
    return !failDelete && HostEnv::DeleteFile(path);
  }
};

class RecordingWindow : public installer::BuilderWindow {
 public:
  bool buttonHidden = false;
  bool closed = false;
  void HideBuilderButton() override { buttonHidden = true; }
  void CloseMainWindow() override { closed = true; }
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
  std::vector<std::string> MemberNames() {
    std::vector<std::string> names;
    for (const auto& entry : decoder::Decode(ReadHostFile(product.dataFile())).entries) {
      names.push_back(entry.Path() + entry.Name());
    }
    return names;
  }

  CurrentDirectoryGuard guard;
  TempWinePrefix prefix;
  TempDir elsewhere;  // the folder the program was started in
  SampleProduct product{prefix};
  TestEnv env{prefix.prefix()};
  TZLBArchive archive{nullptr, &env};
  RecordingWindow window;
};

TEST_F(DataFileBuilder, WithoutTheDebugFlagDoesNothing) {
  installer::BuildDataFile(false, archive, env, window);
  EXPECT_FALSE(window.buttonHidden);
  EXPECT_FALSE(window.closed);
  EXPECT_EQ(fs::current_path(), elsewhere.path());
  EXPECT_FALSE(fs::exists(product.dataFile()));
}

TEST_F(DataFileBuilder, ReplacesAnOldDataFileWithTheEightMembersInOrderAndCloses) {
  WriteHostFile(product.dataFile(), "an old data file");
  EXPECT_EQ(Build(), "(no failure)");
  EXPECT_EQ(MemberNames(),
            (std::vector<std::string>{"Quorin.exe", "QuorinHelp.dll", "Quorin License.txt",
                                      "Original rules.qrk", "Original rules.add",
                                      "original rules.txt", "originalrules.bmp", "rules.ini"}));
  EXPECT_TRUE(window.buttonHidden);
  EXPECT_TRUE(window.closed);
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

TEST_F(DataFileBuilder, AMissingProductFileEndsTheBuildWithTheMembersBeforeIt) {
  fs::remove(product.files()[3].source);
  EXPECT_EQ(Build(), "Unable to open file (Original rules.qrk)");
  EXPECT_EQ(MemberNames(),
            (std::vector<std::string>{"Quorin.exe", "QuorinHelp.dll", "Quorin License.txt"}));
  EXPECT_TRUE(window.buttonHidden);
  EXPECT_FALSE(window.closed);
  // An installation started from the open window finds the data file in the source folder.
  EXPECT_EQ(env.CurrentFolder(), "C:\\Games\\Tiberian Sun\\Extras\\Quorin");
}

TEST_F(DataFileBuilder, AnOldDataFileThatCannotBeDeletedStaysAsItWas) {
  WriteHostFile(product.dataFile(), "an old data file");
  env.failDelete = true;
  EXPECT_EQ(Build(), "File already exists");
  EXPECT_EQ(ReadHostFile(product.dataFile()), "an old data file");
  EXPECT_FALSE(window.closed);
}

}  // namespace
