#pragma once

#include "installer/win32/Win32Api.h"

// The agreement window ("License Agreement"): the terms of use, "I accept" and "&Next", which
// is enabled exactly while "I accept" is ticked, and Cancel, which Esc and the close box press
// too. Enter presses nothing. The tick carries over from one showing to the next.
class TLicenseForm {
 public:
  // Shows the window modally over owner (which may be null); true for Next.
  bool ShowModal(HWND owner);

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Build(HWND window);
  void ReadItClick();

  HWND window_ = nullptr;
  bool accepted_ = false;  // the tick in "I accept", kept between showings
  bool next_ = false;
  bool done_ = false;
};
