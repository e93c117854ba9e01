#include "installer/ui/QtFrontEnd.h"

#include "installer/ui/InstallQuorin1.h"
#include "installer/ui/InstallQuorin2.h"
#include "installer/ui/InstallQuorin3.h"
#include "installer/ui/InstallerApplication.h"
#include "installer/ui/MessageDialogs.h"
#include "installer/ui/WindowText.h"

QtFrontEnd::QtFrontEnd(int& argc, char** argv) : argc_(argc), argv_(argv) {}

QtFrontEnd::~QtFrontEnd() = default;

InstallerApplication& QtFrontEnd::Application() {
  if (!application_) {
    application_ = std::make_unique<InstallerApplication>(argc_, argv_);
  }
  return *application_;
}

// The main window first, then the progress and agreement windows (both hidden), then the
// message loop until the main window closes.
int QtFrontEnd::RunInstallerWindow(installer::InstallLog& log) {
  InstallerApplication& application = Application();
  TMainForm MainForm;
  TInstallForm InstallForm;
  TLicenseForm LicenseForm;
  MainForm.SetSecondaryWindows(&InstallForm, &LicenseForm);
  MainForm.SetLog(&log);
  MainForm.show();
  return application.exec();
}

bool QtFrontEnd::Confirm(const std::string& text) {
  Application();
  return dialogs::Confirm(FromUtf8(text));
}

void QtFrontEnd::ShowInformation(const std::string& text) {
  Application();
  dialogs::ShowInformation(FromUtf8(text));
}

void QtFrontEnd::ShowErrorReport(const std::string& text) {
  dialogs::ShowErrorReport(Application().Title(), FromUtf8(text));
}
