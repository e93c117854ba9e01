// A whole installation from a data file that the maintainer's command built: the command packs
// the product files kept under C:\Games\Tiberian Sun\Extras\, then the install procedure
// unpacks them into the proposed folders of the game at C:\Westwood\Tiberian Sun\.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/DataFileBuilder.h"
#include "installer/IniWriter.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/ArchiveDecoder.h"
#include "tests/support/InstallFixture.h"
#include "tests/support/RecordingBuilderWindow.h"
#include "tests/support/SampleProduct.h"
#include "tests/support/TestData.h"

namespace fs = std::filesystem;

namespace {

class BuildThenInstall : public ::testing::Test, public InstallFixture {
 protected:
  // The main window's one archive serves the builder as it serves the installation.
  std::string Build() {
    return FailureOf([&] { installer::BuildDataFile(archive, env, window); });
  }
  // Runs where the builder left the current directory: in the source folder, beside the data
  // file, as an installation started from the maintainer's window after a failed build does.
  std::string RunInstall() {
    return FailureOf([&] { Install(); });
  }
  std::vector<std::string> Members() {
    std::vector<std::string> names;
    for (const auto& entry : decoder::Decode(ReadHostFile(product.dataFile())).entries) {
      names.push_back(entry.Path() + entry.Name());
    }
    return names;
  }
  // The product files from..to arrived in a folder of the game byte for byte.
  void ExpectUnpacked(std::size_t from, std::size_t to, const std::string& folder) {
    for (std::size_t i = from; i <= to; ++i) {
      const auto& file = product.files()[i];
      EXPECT_EQ(ReadHostFile(Host("Westwood/Tiberian Sun/" + folder + "/" + file.name)),
                file.content)
          << file.name;
    }
  }
  std::string Ini() const { return Host("Westwood/Tiberian Sun/Quorin/Quorin.ini"); }

  SampleProduct product{prefix};
  RecordingBuilderWindow window;
};

TEST_F(BuildThenInstall, EveryProductFileArrivesInItsFolder) {
  builder::ArchiveBuilder earlier;  // to be replaced, not added to
  earlier.Stored("old.txt", "from an earlier build");
  earlier.Write(product.dataFile());

  ASSERT_EQ(Build(), "(no failure)");
  EXPECT_TRUE(window.closed);
  EXPECT_EQ(Members(), kMemberNames);  // in order, each with an empty path

  ASSERT_EQ(RunInstall(), "(no failure)");
  ExpectUnpacked(0, 3, "Quorin");
  ExpectUnpacked(4, 7, "Rules");
  EXPECT_EQ(ReadHostFile(Ini()), installer::IniText("C:\\Westwood\\Tiberian Sun\\",
                                                    "C:\\Westwood\\Tiberian Sun\\Rules\\"));
  const std::string program = "C:\\Westwood\\Tiberian Sun\\Quorin\\Quorin.exe";
  const std::string folder = "C:\\Westwood\\Tiberian Sun\\Quorin\\";
  EXPECT_EQ(env.starts,
            (std::vector<ProgramStart>{{program, "/associateqrk", folder}, {program, "", folder}}));
}

// A build that fails leaves the data file of the earlier build, which an installation started
// from the maintainer's window (in the source folder) still installs from.
TEST_F(BuildThenInstall, AFailedBuildLeavesTheEarlierDataFileToInstallFrom) {
  ASSERT_EQ(Build(), "(no failure)");
  const std::string built = ReadHostFile(product.dataFile());
  fs::remove(product.files()[3].source);
  window.closed = false;
  EXPECT_EQ(Build(), "Unable to open file (Original rules.qrk)");
  EXPECT_TRUE(window.buttonHidden);
  EXPECT_FALSE(window.closed);
  EXPECT_EQ(ReadHostFile(product.dataFile()), built);

  ASSERT_EQ(RunInstall(), "(no failure)");
  ExpectUnpacked(0, 3, "Quorin");
  ExpectUnpacked(4, 7, "Rules");
}

}  // namespace
