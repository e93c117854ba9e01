#include "installer/win32/Win32FrontEnd.h"

#include "installer/win32/InstallQuorin1.h"
#include "installer/win32/InstallQuorin2.h"
#include "installer/win32/InstallQuorin3.h"
#include "installer/win32/MessageDialogs.h"
#include "installer/win32/Win32Api.h"
#include "platform/CodePage.h"
#include "platform/Env.h"

namespace {

void InitialiseControls() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    return ::InitCommonControlsEx(&classes) != FALSE;
  }();
  (void)done;
}

}  // namespace

// The main window first, then the progress and agreement windows (both hidden), then the
// message loop until the main window closes or a failure past the point of no return ends it.
int Win32FrontEnd::RunInstallerWindow(installer::InstallLog& log) {
  InitialiseControls();
  TInstallForm InstallForm;
  TLicenseForm LicenseForm;
  TMainForm MainForm(*platform::Env::Default(), InstallForm, LicenseForm, &log);
  MainForm.Show();
  MSG message;
  BOOL got;
  while ((got = ::GetMessageA(&message, nullptr, 0, 0)) != 0 && got != -1) {
    HWND main = MainForm.Handle();
    if (main == nullptr || !::IsDialogMessageA(main, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}

bool Win32FrontEnd::Confirm(const std::string& text) {
  InitialiseControls();
  return win32::Confirm(nullptr, platform::Utf8ToAnsi(text));
}

void Win32FrontEnd::ShowInformation(const std::string& text) {
  InitialiseControls();
  win32::ShowInformation(nullptr, platform::Utf8ToAnsi(text));
}

void Win32FrontEnd::ShowErrorReport(const std::string& text) {
  win32::ShowErrorReport(platform::Utf8ToAnsi(text));
}
