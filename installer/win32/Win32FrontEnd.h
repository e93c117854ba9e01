#pragma once

#include "installer/ProgramEntry.h"

// The installer's Win32 windows as the program entry asks for them.
class Win32FrontEnd : public installer::WindowFrontEnd {
 public:
  int RunInstallerWindow(installer::InstallLog& log) override;
  bool Confirm(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowErrorReport(const std::string& text) override;
};
