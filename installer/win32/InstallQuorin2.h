#pragma once

#include <string>

#include "installer/win32/Win32Api.h"

// The progress window: no frame and no caption bar, a raised panel with the member being
// unpacked, a bar from 0 to 600 that one member advances by 100, and the percentage. Every
// change is painted before the call returns, since the installation takes no window messages
// while it runs.
class TInstallForm {
 public:
  TInstallForm();
  ~TInstallForm();
  TInstallForm(const TInstallForm&) = delete;
  TInstallForm& operator=(const TInstallForm&) = delete;

  HWND Handle() const { return window_; }
  bool Visible() const { return ::IsWindowVisible(window_) != FALSE; }

  void ShowAndRepaint();
  void SetWhat(const std::string& name);
  // One member unpacked: the bar advances by 100, held at its maximum, and the percentage
  // follows the bar.
  void Step();
  void Hide();

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Build();

  HWND window_ = nullptr;
};
