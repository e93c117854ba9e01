// The window tests need one application for the whole run, made before any test; it runs under
// the installer's own program name, from which the error report takes its title.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "installer/ui/InstallerApplication.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static char program[] = "/opt/quorin/InstallQuorin";
  static char* qtArgv[] = {program, nullptr};
  int qtArgc = 1;
  InstallerApplication application(qtArgc, qtArgv);
  return RUN_ALL_TESTS();
}
