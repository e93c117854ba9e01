#include "installer/win32/InstallQuorin1.h"

#include <exception>
#include <iostream>

#include "archive/ZLIBArchive.h"
#include "installer/DataFile.h"
#include "installer/ErrorReport.h"
#include "installer/GameBrowsing.h"
#include "installer/GameLocator.h"
#include "installer/InstallProcedure.h"
#include "installer/win32/ControlIds.h"
#include "installer/win32/InstallQuorin2.h"
#include "installer/win32/InstallQuorin3.h"
#include "installer/win32/MessageDialogs.h"
#include "installer/win32/Resources.h"
#include "installer/win32/WindowKit.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/ProgramFolder.h"

namespace {

using win32::MakeControl;

constexpr DWORD kTabStop = WS_VISIBLE | WS_TABSTOP;

// FindTSDirDlg: the file-open dialog that looks for the game's program. It leaves the current
// folder as it was, since the data file is found by its bare name in it. Gives the chosen path
// (ANSI), or "" when the user cancelled.
std::string RunFindTSDirDlg(HWND owner) {
  char file[MAX_PATH * 4] = "Sun.exe";
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = "Tiberian Sun Directory\0Sun.exe\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof file;
  dialog.lpstrTitle = "Find Tiberian Sun Directory";
  dialog.Flags =
      OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  return ::GetOpenFileNameA(&dialog) ? std::string(file) : std::string();
}

}  // namespace

TMainForm::TMainForm(platform::Env& env, TInstallForm& installForm, TLicenseForm& licenseForm,
                     installer::InstallLog* log)
    : env_(env),
      InstallForm(installForm),
      LicenseForm(licenseForm),
      log_(log),
      Archive_(std::make_unique<TZLBArchive>(nullptr, &env)) {
  Archive_->SetCompressionLevel(installer::kDataFileCompressionLevel);
  Archive_->OnFileExtracted = [this](const std::string& filename) {
    ArchiveFileExtracted(filename);
  };
  win32::MakeDialogWindow(nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                          WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, Procedure,
                          reinterpret_cast<LPARAM>(this));
}

TMainForm::~TMainForm() {
  if (window_ != nullptr && ::IsWindow(window_)) {
    ::SetWindowLongPtrA(window_, DWLP_USER, 0);
    ::DestroyWindow(window_);
  }
}

HWND TMainForm::Control(int id) const {
  HWND control = ::GetDlgItem(window_, id);
  return control != nullptr ? control : ::GetDlgItem(::GetDlgItem(window_, controls::Others), id);
}

HWND TMainForm::DialogOwner() const {
  if (::IsWindowVisible(window_)) {
    return window_;
  }
  return InstallForm.Visible() ? InstallForm.Handle() : nullptr;
}

// The controls in their tab order (the order of creation is the dialog manager's tab order);
// the panel's own in theirs.
void TMainForm::Build(HWND window) {
  window_ = window;
  ::SetWindowTextA(window, "Install Quorin - Tiberian Sun Launcher");
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  HICON icon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM));
  ::SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  ::SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

  HWND install = MakeControl(window, controls::InstallBtn, "BUTTON", "&Install",
                             kTabStop | WS_DISABLED | BS_DEFPUSHBUTTON, 0, {107, 336, 75, 25});
  win32::SetGlyph(install, IDI_OK, IDI_OK, BUTTON_IMAGELIST_ALIGN_LEFT);
  ::SendMessageA(window, DM_SETDEFID, controls::InstallBtn, 0);
  HWND abort = MakeControl(window, controls::AbortBtn, "BUTTON", "Abort", kTabStop | BS_PUSHBUTTON,
                           0, {203, 336, 75, 25});
  win32::SetGlyph(abort, IDI_ABORT, IDI_ABORT, BUTTON_IMAGELIST_ALIGN_LEFT);
  MakeControl(window, controls::SunDir, "EDIT", "SunDir", kTabStop | ES_AUTOHSCROLL | ES_READONLY,
              WS_EX_CLIENTEDGE, {136, 140, 193, 21});

  HWND others =
      win32::MakePanel(window, controls::Others, {16, 168, 353, 153}, BDR_RAISEDOUTER, false);
  MakeControl(others, controls::RulesDir, "EDIT", "RulesDir", kTabStop | ES_AUTOHSCROLL,
              WS_EX_CLIENTEDGE, {120, 52, 193, 21});
  MakeControl(others, controls::QuoDir, "EDIT", "QuoDir", kTabStop | ES_AUTOHSCROLL,
              WS_EX_CLIENTEDGE, {120, 26, 193, 21});
  MakeControl(others, controls::GroupBox1, "BUTTON", "Options", WS_VISIBLE | BS_GROUPBOX, 0,
              {8, 80, 337, 65});
  // The options lie on GroupBox1, at 8, 80 in the panel.
  HWND programFiles =
      MakeControl(others, controls::InstallProgramFiles, "BUTTON", "Install Program Files",
                  kTabStop | WS_DISABLED | BS_AUTOCHECKBOX, 0, {8 + 8, 80 + 16, 129, 17});
  HWND originalRules =
      MakeControl(others, controls::InstallOriginalRules, "BUTTON", "Install Original Rules",
                  kTabStop | BS_AUTOCHECKBOX, 0, {8 + 200, 80 + 16, 121, 17});
  HWND associate =
      MakeControl(others, controls::AssociateQRK, "BUTTON", "Associate .QRK files with Quorin",
                  kTabStop | BS_AUTOCHECKBOX, 0, {8 + 8, 80 + 40, 177, 17});
  for (HWND box : {programFiles, originalRules, associate}) {
    ::SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
  }
  win32::MakeLabel(others, controls::Label3, "Rules Directory:", 8, 56);
  win32::MakeLabel(others, controls::Label4, "Quorin Directory:", 8, 30);
  win32::MakeLabel(others, controls::Label5, "Recommended Settings:", 112, 5);
  HWND rulesHelp = MakeControl(others, controls::RulesDirHelpBtn, "BUTTON", "",
                               WS_VISIBLE | BS_PUSHBUTTON, 0, {320, 52, 21, 21});
  win32::SetGlyph(rulesHelp, IDI_HELP, IDI_HELP, BUTTON_IMAGELIST_ALIGN_CENTER);
  HWND quorinHelp = MakeControl(others, controls::QuorinDirHelpBtn, "BUTTON", "",
                                WS_VISIBLE | BS_PUSHBUTTON, 0, {320, 26, 21, 21});
  win32::SetGlyph(quorinHelp, IDI_HELP, IDI_HELP, BUTTON_IMAGELIST_ALIGN_CENTER);

  MakeControl(window, controls::Ini, "EDIT", "Ini",
              WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE,
              {48, 8, 185, 89});
  MakeControl(window, controls::DebugBox, "BUTTON", "Debug",
              WS_TABSTOP | WS_DISABLED | BS_AUTOCHECKBOX, 0, {8, 352, 57, 17});

  // Controls outside the tab order.
  HWND banner = MakeControl(window, controls::Image1, "STATIC", "",
                            WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, 0, {0, 0, 385, 112});
  // Stretched to the window's width as it is loaded.
  HANDLE bitmap = ::LoadImageA(instance, MAKEINTRESOURCEA(IDB_BANNER), IMAGE_BITMAP,
                               win32::Scaled(385), win32::Scaled(112), LR_DEFAULTCOLOR);
  ::SendMessageA(banner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  ::SetWindowPos(banner, nullptr, 0, 0, win32::Scaled(385), win32::Scaled(112),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  win32::MakeLabel(window, controls::Label1, "Quorin Version: 3.2", 0, 112);
  MakeControl(window, controls::Label6, "STATIC", "Installer Version: 1.3",
              WS_VISIBLE | SS_RIGHT | SS_NOPREFIX, 0, {289, 112, 95, 13});
  win32::MakeLabel(window, controls::Label2, "Tiberian Sun Directory:", 24, 144);
  HWND browse = MakeControl(window, controls::TSDirBtn, "BUTTON", "", WS_VISIBLE | BS_PUSHBUTTON, 0,
                            {336, 140, 21, 21});
  win32::SetGlyph(browse, IDI_BROWSE, IDI_BROWSE_DISABLED, BUTTON_IMAGELIST_ALIGN_CENTER);
  MakeControl(window, controls::SpeedButton1, "BUTTON", "", BS_PUSHBUTTON, 0, {8, 328, 25, 25});

  win32::SetClientSizeCentred(window, 385, 369);
  FormCreate();
}

void TMainForm::FormCreate() {
#ifdef INSTALLER_MAINTAINER
  // The maintainer's build stores DebugBox ticked, so the builder's button shows at start.
  ::CheckDlgButton(window_, controls::DebugBox, BST_CHECKED);
#endif
  DebugFlag_ = ::IsDlgButtonChecked(window_, controls::DebugBox) == BST_CHECKED;
  if (DebugFlag_) {
    ::ShowWindow(Control(controls::SpeedButton1), SW_SHOW);
  }
}

void TMainForm::Show() {
  win32::SetClientSizeCentred(window_, 385, 369);
  FormShow();
  ::ShowWindow(window_, SW_SHOW);
  ::SetForegroundWindow(window_);
  ::SetFocus(Control(::IsWindowEnabled(Control(controls::InstallBtn)) ? controls::InstallBtn
                                                                      : controls::AbortBtn));
}

void TMainForm::FormShow() {
  for (const int id : {controls::SunDir, controls::QuoDir, controls::RulesDir}) {
    ::SetWindowTextA(Control(id), "");
  }
  if (const auto missing = installer::MissingPrefixMessage(env_)) {
    win32::ShowInformation(nullptr, platform::Utf8ToAnsi(*missing));
  }
  const std::string gameFolder = installer::FindGameFolder(env_);
  if (!gameFolder.empty()) {
    ::SetWindowTextA(Control(controls::SunDir), gameFolder.c_str());
    gotTSDir();
  } else {
    ::SetWindowTextA(Control(controls::SunDir), installer::kGameDirectorySuggestion);
  }
}

void TMainForm::gotTSDir() {
  ::EnableWindow(Control(controls::InstallBtn), TRUE);
  ::ShowWindow(Control(controls::TSDirBtn), SW_HIDE);
  const installer::ProposedFolders proposed =
      installer::ProposeFolders(platform::AnsiToUtf8(win32::TextOf(Control(controls::SunDir))));
  ::SetWindowTextA(Control(controls::QuoDir), platform::Utf8ToAnsi(proposed.product).c_str());
  ::SetWindowTextA(Control(controls::RulesDir), platform::Utf8ToAnsi(proposed.rules).c_str());
  ::ShowWindow(Control(controls::Others), SW_SHOW);
}

void TMainForm::TSDirBtnClick() {
  const std::string chosen = RunFindTSDirDlg(window_);
  if (chosen.empty()) {
    return;
  }
  const installer::ChosenFile judged =
      installer::JudgeChosenFile(env_, platform::AnsiToUtf8(chosen));
  switch (judged.verdict) {
    case installer::ChosenFile::Verdict::kGame:
      ::SetWindowTextA(Control(controls::SunDir), platform::Utf8ToAnsi(judged.text).c_str());
      gotTSDir();
      break;
    case installer::ChosenFile::Verdict::kUnusable:
      win32::ShowInformation(window_, platform::Utf8ToAnsi(judged.text));
      break;
    case installer::ChosenFile::Verdict::kNotTheGame:
      break;
  }
}

void TMainForm::RulesDirHelpBtnClick() {
  win32::ShowInformation(window_, installer::kRulesDirHelp);
}

void TMainForm::QuorinDirHelpBtnClick() {
  win32::ShowInformation(window_, installer::kQuorinDirHelp);
}

void TMainForm::AbortBtnClick() {
  CloseMainWindow();
}

void TMainForm::InstallBtnClick() {
  const auto ticked = [this](int id) {
    return ::IsDlgButtonChecked(Control(controls::Others), id) == BST_CHECKED;
  };
  installer::InstallChoices choices;
  choices.gameDir = platform::AnsiToUtf8(win32::TextOf(Control(controls::SunDir)));
  choices.productDir = platform::AnsiToUtf8(win32::TextOf(Control(controls::QuoDir)));
  choices.rulesDir = platform::AnsiToUtf8(win32::TextOf(Control(controls::RulesDir)));
  choices.installProgramFiles = ticked(controls::InstallProgramFiles);
  choices.installOriginalRules = ticked(controls::InstallOriginalRules);
  choices.associateQrk = ticked(controls::AssociateQRK);
  installer::InstallProcedure procedure(env_, *Archive_, *this, platform::ProgramFolder(), log_);
  if (procedure.Run(choices) == installer::InstallOutcome::kCompleted) {
    CloseMainWindow();
  }
}

void TMainForm::ArchiveFileExtracted(const std::string& /*filename*/) {
  InstallForm.Step();
}

// The maintainer's command that builds the data file; it runs only when the stored design
// ticks DebugBox, which shows its button at creation. A failure reaches the general error
// report with the window left open and the button gone.
void TMainForm::SpeedButton1Click() {
  if (DebugFlag_) {
    installer::BuildDataFile(*Archive_, env_, *this);
  }
}

void TMainForm::HideBuilderButton() {
  ::ShowWindow(Control(controls::SpeedButton1), SW_HIDE);
}

// Closing the main window, by Abort, the close box or at the end of an installation, ends the
// program normally.
void TMainForm::CloseMainWindow() {
  ::DestroyWindow(window_);
}

void TMainForm::Command(int id) {
  switch (id) {
    case controls::InstallBtn:
      // Enter reaches here as the default button's command, also while the button is disabled.
      if (::IsWindowEnabled(Control(controls::InstallBtn))) {
        InstallBtnClick();
      }
      break;
    case controls::AbortBtn:
      AbortBtnClick();
      break;
    case controls::TSDirBtn:
      TSDirBtnClick();
      break;
    case controls::RulesDirHelpBtn:
      RulesDirHelpBtnClick();
      break;
    case controls::QuorinDirHelpBtn:
      QuorinDirHelpBtnClick();
      break;
    case controls::SpeedButton1:
      SpeedButton1Click();
      break;
    default:
      break;  // Esc (IDCANCEL) does nothing here
  }
}

// The general error report; once the installation has passed the point where the main window
// could come back, the program then ends with the status it asked for.
void TMainForm::ReportFailure(const std::string& message) {
  win32::ShowErrorReport(installer::ReportText(message));
  if (endAfterReport_) {
    ::PostQuitMessage(*endAfterReport_);
  }
}

INT_PTR CALLBACK TMainForm::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<TMainForm*>(::GetWindowLongPtrA(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      ::SetWindowLongPtrA(window, DWLP_USER, lParam);
      reinterpret_cast<TMainForm*>(lParam)->Build(window);
      return FALSE;
    case WM_COMMAND:
      if (form == nullptr || HIWORD(wParam) != BN_CLICKED) {
        return FALSE;
      }
      try {
        form->Command(LOWORD(wParam));
      } catch (const std::exception& failure) {
        form->ReportFailure(failure.what());
      } catch (...) {
        form->ReportFailure("Unknown exception");
      }
      return TRUE;
    case WM_CLOSE:
      ::DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      if (form != nullptr) {
        form->window_ = nullptr;
        ::PostQuitMessage(0);
      }
      return FALSE;
    default:
      return FALSE;
  }
}

bool TMainForm::ShowAgreement() {
  return LicenseForm.ShowModal(window_);
}

void TMainForm::ShowInformation(const std::string& text) {
  win32::ShowInformation(DialogOwner(), platform::Utf8ToAnsi(text));
}

// Said on standard error too, for whoever started the installer from a command prompt.
void TMainForm::ShowStartFailure(const std::string& text) {
  std::cerr << "InstallQuorin: " << text << "\n" << std::flush;
  ShowInformation(text);
}

bool TMainForm::Confirm(const std::string& text) {
  return win32::Confirm(DialogOwner(), platform::Utf8ToAnsi(text));
}

void TMainForm::ShowDirectories(const std::string& quoDir, const std::string& rulesDir) {
  ::SetWindowTextA(Control(controls::QuoDir), platform::Utf8ToAnsi(quoDir).c_str());
  ::SetWindowTextA(Control(controls::RulesDir), platform::Utf8ToAnsi(rulesDir).c_str());
}

void TMainForm::EndProgramAfterFailure(int exitStatus) {
  endAfterReport_ = exitStatus;
}

void TMainForm::ShowProgress() {
  ::ShowWindow(window_, SW_HIDE);
  InstallForm.ShowAndRepaint();
}

void TMainForm::ShowMember(const std::string& name) {
  InstallForm.SetWhat(platform::Utf8ToAnsi(name));
}

void TMainForm::HideProgress() {
  InstallForm.Hide();
}
