// The installer's own program run from a script: without a display (no DISPLAY, no
// WAYLAND_DISPLAY, no QT_QPA_PLATFORM) it installs and uninstalls when told --silent, since it
// makes no window then.
#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>

#include "tests/support/InstallFixture.h"

namespace fs = std::filesystem;

namespace {

struct Finished {
  int status;  // -1 when the program did not end by itself
  std::string out;
  std::string err;
};

Finished RunInstaller(const std::string& winePrefix, const std::string& folder,
                      const QStringList& arguments) {
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    environment.remove(display);
  }
  environment.insert("WINEPREFIX", QString::fromStdString(winePrefix));
  program.setProcessEnvironment(environment);
  program.setWorkingDirectory(QString::fromStdString(folder));
  program.start(INSTALLQUORIN_BINARY, arguments);
  const bool ended = program.waitForFinished(30000);
  const bool normally = ended && program.exitStatus() == QProcess::NormalExit;
  return {normally ? program.exitCode() : -1, program.readAllStandardOutput().toStdString(),
          program.readAllStandardError().toStdString()};
}

TEST(ProgramWithoutDisplay, InstallsAndUninstallsWhenToldSilent) {
  InstallFixture f;
  f.WriteDataFile(8);
  const std::string game = f.Host("Westwood/Tiberian Sun");
  const auto run = [&](const QStringList& arguments) {
    return RunInstaller(f.prefix.prefix(), f.Host("work"), arguments);
  };

  const Finished version = run({"--version"});
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "InstallQuorin 1.3 (Quorin 3.2)\n");

  const Finished installed = run({"--silent", "--accept-terms", "--no-associate"});
  EXPECT_EQ(installed.status, 0) << installed.err;
  EXPECT_EQ(ReadHostFile(game + "/Quorin/Quorin.exe"), MemberContent(0));
  EXPECT_EQ(ReadHostFile(game + "/Rules/rules.ini"), MemberContent(7));
  EXPECT_TRUE(fs::exists(game + "/Quorin/Quorin.ini"));

  const Finished uninstalled = run({"--uninstall", "--silent"});
  EXPECT_EQ(uninstalled.status, 0) << uninstalled.err;
  EXPECT_EQ(std::distance(fs::directory_iterator(game), fs::directory_iterator()), 1);
  EXPECT_TRUE(fs::exists(game + "/Sun.exe"));
}

}  // namespace
