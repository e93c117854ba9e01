// The installer's program entry: the main window first, then the progress and agreement
// windows (both hidden), then the message loop until the main window closes.
#include "installer/ui/InstallQuorin1.h"
#include "installer/ui/InstallQuorin2.h"
#include "installer/ui/InstallQuorin3.h"
#include "installer/ui/InstallerApplication.h"

int main(int argc, char** argv) {
  InstallerApplication application(argc, argv);
  TMainForm MainForm;
  TInstallForm InstallForm;
  TLicenseForm LicenseForm;
  MainForm.SetSecondaryWindows(&InstallForm, &LicenseForm);
  MainForm.show();
  return application.exec();
}
