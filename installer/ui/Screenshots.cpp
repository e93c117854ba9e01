// Renders the installer's windows and dialogs into PNG files in the folder given on the command
// line, as they look with the game found at its first default location (scripts/screenshots).
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "installer/ui/InstallQuorin1.h"
#include "installer/ui/InstallQuorin2.h"
#include "installer/ui/InstallQuorin3.h"
#include "installer/ui/InstallerApplication.h"
#include "installer/ui/MessageDialogs.h"
#include "platform/HostEnv.h"

namespace {

QString outputFolder;

void Save(QWidget* widget, const char* name) {
  const QString path = QDir(outputFolder).filePath(name);
  if (!widget->grab().save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  }
}

// Grabs the next modal dialog as soon as it is up, then closes it.
void GrabNextDialog(const char* name) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, name] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      poll->deleteLater();
      Save(modal, name);
      modal->close();
    }
  });
  poll->start(20);
}

}  // namespace

int main(int argc, char** argv) {
  InstallerApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  outputFolder = QString::fromLocal8Bit(argv[1]);

  // A Wine prefix of its own with the game at C:\Westwood\Tiberian Sun\.
  QTemporaryDir prefix;
  QDir(prefix.path()).mkpath("drive_c/Westwood/Tiberian Sun");
  QDir(prefix.path()).mkpath("dosdevices");
  QFile::link("../drive_c", prefix.filePath("dosdevices/c:"));
  QFile game(prefix.filePath("drive_c/Westwood/Tiberian Sun/Sun.exe"));
  game.open(QIODevice::WriteOnly);
  game.close();
  platform::HostEnv env(prefix.path().toStdString());

  TMainForm mainForm(&env);
  TInstallForm installForm;
  TLicenseForm licenseForm;
  mainForm.SetSecondaryWindows(&installForm, &licenseForm);
  mainForm.show();
  Save(&mainForm, "main-window.png");

  licenseForm.findChild<QCheckBox*>("ReadIt")->setChecked(true);
  licenseForm.show();
  Save(&licenseForm, "license-window.png");
  licenseForm.hide();

  installForm.ShowAndRepaint();
  installForm.SetWhat("Original rules.qrk");
  for (int i = 0; i < 3; ++i) {
    installForm.Step();
  }
  Save(&installForm, "progress-window.png");
  installForm.hide();

  GrabNextDialog("information-dialog.png");
  dialogs::ShowInformation("One or more specified directories are not valid.");
  GrabNextDialog("confirm-dialog.png");
  dialogs::Confirm("Installation Complete.\r\rRun Quorin now?");
  GrabNextDialog("error-report.png");
  dialogs::ShowErrorReport(application.Title(), "The archive file appears to be corrupted.");
  return 0;
}
