#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "installer/DataFileBuilder.h"
#include "installer/InstallerView.h"

class GameFileDialog;
class TInstallForm;
class TLicenseForm;
class TZLBArchive;
namespace Ui {
class TMainForm;
}
namespace platform {
class Env;
}
namespace installer {
class InstallLog;
}

// The main window: finds the game, proposes the product and rules directories, and runs the
// installation when Install is pressed. It binds its controls to the install logic and owns
// the archive component that unpacks the data file.
class TMainForm : public QWidget, private InstallerView, private installer::BuilderWindow {
  Q_OBJECT

 public:
  // env: where files are looked up and programs started; nullptr means the host's.
  explicit TMainForm(platform::Env* env = nullptr, QWidget* parent = nullptr);
  ~TMainForm() override;

  // The progress and agreement windows, created after the main window at start.
  void SetSecondaryWindows(TInstallForm* installForm, TLicenseForm* licenseForm);

  // Where each step of an installation is logged; nowhere unless set.
  void SetLog(installer::InstallLog* log) { log_ = log; }

  TZLBArchive& Archive() { return *Archive_; }
  // Set once at creation from the stored state of the hidden Debug box; gates the
  // maintainer's data-file builder behind SpeedButton1.
  bool DebugFlag() const { return DebugFlag_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void gotTSDir();
  void TSDirBtnClick();
  void RulesDirHelpBtnClick();
  void QuorinDirHelpBtnClick();
  void AbortBtnClick();
  void InstallBtnClick();
  void ArchiveFileExtracted(const std::string& filename);
  void SpeedButton1Click();

  // InstallerView
  bool ShowAgreement() override;
  void ShowInformation(const std::string& text) override;
  void ShowStartFailure(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void ShowDirectories(const std::string& quoDir, const std::string& rulesDir) override;
  void EndProgramAfterFailure(int exitStatus) override;
  void ShowProgress() override;
  void ShowMember(const std::string& name) override;
  void HideProgress() override;

  // installer::BuilderWindow
  void HideBuilderButton() override;
  void CloseMainWindow() override;

  std::unique_ptr<Ui::TMainForm> ui_;
  platform::Env* env_;
  std::unique_ptr<TZLBArchive> Archive_;
  GameFileDialog* FindTSDirDlg;
  TInstallForm* InstallForm = nullptr;
  TLicenseForm* LicenseForm = nullptr;
  bool DebugFlag_ = false;
  installer::InstallLog* log_ = nullptr;
};
