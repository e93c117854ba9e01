// Photographs the installer's Win32 windows and dialogs into BMP files in the folder given on
// the command line, as they look with the game found at its first default location
// (scripts/screenshots --windows, which runs it under Wine on a virtual desktop and turns the
// pictures into PNG files).
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "installer/ErrorReport.h"
#include "installer/win32/ControlIds.h"
#include "installer/win32/InstallQuorin1.h"
#include "installer/win32/InstallQuorin2.h"
#include "installer/win32/InstallQuorin3.h"
#include "installer/win32/MessageDialogs.h"
#include "installer/win32/Win32Api.h"
#include "platform/Env.h"

namespace {

std::string outputFolder;

// The window as the screen shows it, frame and all, as a 24-bit BMP file.
void Save(HWND window, const char* name) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  ::SelectObject(memory, old);

  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) * height);
  ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  const std::string path = outputFolder + "\\" + name;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return;
  }
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&header, sizeof header, 1, out);
  std::fwrite(pixels.data(), 1, pixels.size(), out);
  std::fclose(out);
}

// Lets the windows paint for a while.
void Pump(DWORD milliseconds) {
  const DWORD end = ::GetTickCount() + milliseconds;
  MSG message;
  while (::GetTickCount() < end) {
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
    ::Sleep(10);
  }
}

// What to do with the next modal window once it is up: photograph it, then close it.
std::function<void(HWND)> onModal;

void CALLBACK GrabModal(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND modal = ::GetForegroundWindow();
  if (modal == nullptr || !onModal) {
    return;
  }
  ::KillTimer(nullptr, timer);
  auto action = std::move(onModal);
  onModal = nullptr;
  action(modal);
  ::PostMessageA(modal, WM_CLOSE, 0, 0);
}

void GrabNextModal(const char* name, std::function<void(HWND)> prepare = nullptr) {
  onModal = [name, prepare](HWND modal) {
    if (prepare) {
      prepare(modal);
    }
    ::UpdateWindow(modal);
    Pump(300);
    Save(modal, name);
  };
  ::SetTimer(nullptr, 0, 700, GrabModal);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  outputFolder = argv[1];
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&classes);

  TInstallForm installForm;
  TLicenseForm licenseForm;
  TMainForm mainForm(*platform::Env::Default(), installForm, licenseForm, nullptr);
  mainForm.Show();
  Pump(700);
  Save(mainForm.Handle(), "main-window.bmp");

  GrabNextModal("license-window.bmp", [](HWND window) {
    HWND readIt = ::GetDlgItem(window, controls::ReadIt);
    ::SendMessageA(readIt, BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(controls::ReadIt, BN_CLICKED),
                   reinterpret_cast<LPARAM>(readIt));
  });
  licenseForm.ShowModal(mainForm.Handle());

  ::ShowWindow(mainForm.Handle(), SW_HIDE);
  installForm.ShowAndRepaint();
  installForm.SetWhat("Original rules.qrk");
  for (int i = 0; i < 3; ++i) {
    installForm.Step();
  }
  Pump(500);
  Save(installForm.Handle(), "progress-window.bmp");
  installForm.Hide();

  GrabNextModal("information-dialog.bmp");
  win32::ShowInformation(nullptr, "One or more specified directories are not valid.");
  GrabNextModal("confirm-dialog.bmp");
  win32::Confirm(nullptr, "Installation Complete.\r\rRun Quorin now?");
  GrabNextModal("error-report.bmp");
  // Titled as the installer's own report is.
  win32::ShowErrorReport("The archive file appears to be corrupted.",
                         installer::ApplicationTitle("InstallQuorin.exe"));
  return 0;
}
