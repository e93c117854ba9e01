#pragma once

#include <optional>
#include <string>
#include <vector>

// The installer's command line. Without arguments the installer shows its windows; the
// switches ask for an installation without windows, for uninstalling, or for a text.
namespace installer {

// As the main window shows them.
inline constexpr char kInstallerVersion[] = "1.3";
inline constexpr char kProductVersion[] = "3.2";

// Exit statuses of the program.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;  // wrong usage, or the terms of use not accepted

struct CommandLine {
  enum class Action {
    kWindows,    // the installer's windows
    kInstall,    // --silent: an installation without windows
    kUninstall,  // --uninstall
    kShowTerms,  // --show-terms
    kHelp,       // --help
    kVersion,    // --version
  };
  Action action = Action::kWindows;
  bool silent = false;
  bool acceptTerms = false;
  // Folders and the log file as given (UTF-8): Windows paths, or host paths.
  std::optional<std::string> gameDir;
  std::optional<std::string> quorinDir;
  std::optional<std::string> rulesDir;
  std::optional<std::string> logFile;
  bool noRules = false;
  bool noAssociate = false;
  bool run = false;
  bool quiet = false;
};

// The command line, or what is wrong with it.
struct ParsedCommandLine {
  std::optional<CommandLine> command;
  std::string error;  // when there is no command: what to tell the user
};

// Reads the arguments that follow the program's name. An option's value follows it as the next
// argument or after '=' ("--log FILE", "--log=FILE"); an option given twice counts as given
// last. --help, --version and --show-terms take the place of anything else; an option that
// does not belong to what is asked for is wrong usage.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// What --help prints.
std::string HelpText();
// What --version prints.
std::string VersionText();

}  // namespace installer
