#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace platform {
class Env;
}

namespace installer {

class InstallLog;

// What the program shows when it is not told --silent: the windows of a front end (Qt on
// Linux, Win32 on Windows). A front end makes what it needs when it is first asked, so that a
// run without windows never needs a display.
class WindowFrontEnd {
 public:
  virtual ~WindowFrontEnd() = default;
  // The installer's main window, until it closes; gives the program's exit status. Each step of
  // an installation is logged to log (which logs nothing unless it was opened).
  virtual int RunInstallerWindow(InstallLog& log) = 0;
  // Modal dialogs without the main window, for uninstalling: a Confirmation (true for
  // "&Yes"), an Information, and the general error report. Texts are UTF-8.
  virtual bool Confirm(const std::string& text) = 0;
  virtual void ShowInformation(const std::string& text) = 0;
  virtual void ShowErrorReport(const std::string& text) = 0;
};

// Where the program runs.
struct ProgramContext {
  platform::Env* env = nullptr;       // the host's when none is given
  WindowFrontEnd* windows = nullptr;  // none: only what needs no window can be done
  std::string programFolder;          // host path of the program's folder, "" if unknown
  std::ostream* out = nullptr;        // standard output when none is given
  std::ostream* err = nullptr;        // standard error when none is given
  std::optional<bool> errIsTerminal;  // found out when not given
};

// The whole program after its start: reads the command line (the arguments after the program's
// name, UTF-8) and does what it asks for (installer/CommandLine.h). Gives the exit status: 0
// done, 1 failed, 2 wrong usage or the terms of use not accepted.
int RunProgram(const std::vector<std::string>& arguments, const ProgramContext& context);

// The arguments of main() after the program's name.
std::vector<std::string> ArgumentsOf(int argc, char** argv);

}  // namespace installer
