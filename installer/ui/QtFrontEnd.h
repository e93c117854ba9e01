#pragma once

#include <memory>

#include "installer/ProgramEntry.h"

class InstallerApplication;

// The installer's Qt windows as the program entry asks for them. The application is made when
// the first window is wanted, so that a run without windows needs no display.
class QtFrontEnd : public installer::WindowFrontEnd {
 public:
  // argc and argv: main()'s, alive until the program ends (the application keeps them).
  QtFrontEnd(int& argc, char** argv);
  ~QtFrontEnd() override;

  int RunInstallerWindow(installer::InstallLog& log) override;
  bool Confirm(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowErrorReport(const std::string& text) override;

 private:
  InstallerApplication& Application();

  int& argc_;
  char** argv_;
  std::unique_ptr<InstallerApplication> application_;
};
