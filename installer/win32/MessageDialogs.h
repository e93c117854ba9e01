#pragma once

#include <string>

#include "installer/win32/Win32Api.h"

// The installer's message dialogs: Information ("OK") and Confirm ("&Yes", the default, and
// "&No"; Esc and the close box mean No), centred on the screen and modal over owner (which may
// be null); and the general error report. Texts are ANSI; each \r is a line break.
namespace win32 {

void ShowInformation(HWND owner, const std::string& text);
bool Confirm(HWND owner, const std::string& text);

// The application's title: the program's file name as the error report shows it.
std::string ApplicationTitle();
// The general error report: the stop icon, the application's title (or the one given) and the
// single button OK.
void ShowErrorReport(const std::string& text, const std::string& title = ApplicationTitle());

}  // namespace win32
