#pragma once

#include <memory>
#include <optional>
#include <string>

#include "installer/DataFileBuilder.h"
#include "installer/InstallerView.h"
#include "installer/win32/Win32Api.h"

class TInstallForm;
class TLicenseForm;
class TZLBArchive;
namespace platform {
class Env;
}
namespace installer {
class InstallLog;
}

// The main window: finds the game, proposes the product and rules directories, and runs the
// installation when Install is pressed. It binds its controls to the install logic and owns the
// archive component that unpacks the data file. A failure that leaves one of its handlers is
// shown in the general error report, and the message loop goes on (or ends with the status the
// installation asked for once it passed the point of no return).
class TMainForm : private InstallerView, private installer::BuilderWindow {
 public:
  TMainForm(platform::Env& env, TInstallForm& installForm, TLicenseForm& licenseForm,
            installer::InstallLog* log);
  ~TMainForm() override;
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  HWND Handle() const { return window_; }
  // Centres the window, runs FormShow and shows it.
  void Show();
  // Set once at creation from the stored state of the hidden Debug box; gates the
  // maintainer's data-file builder behind SpeedButton1.
  bool DebugFlag() const { return DebugFlag_; }

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Build(HWND window);
  void Command(int id);
  void ReportFailure(const std::string& message);
  HWND Control(int id) const;
  // The window a dialog is modal over: the visible one of the main and progress windows.
  HWND DialogOwner() const;

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

  platform::Env& env_;
  TInstallForm& InstallForm;
  TLicenseForm& LicenseForm;
  installer::InstallLog* log_;
  std::unique_ptr<TZLBArchive> Archive_;
  HWND window_ = nullptr;
  bool DebugFlag_ = false;
  std::optional<int> endAfterReport_;
};
