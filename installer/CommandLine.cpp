#include "installer/CommandLine.h"

#include <algorithm>

namespace installer {

namespace {

enum class Use {
  kAny,        // every action
  kInstall,    // the installation without windows
  kUninstall,  // uninstalling
  kBoth,       // either of the two
};

struct Option {
  const char* name;
  bool takesValue;
  Use use;
};

constexpr Option kOptions[] = {
    {"--silent", false, Use::kBoth},          {"--accept-terms", false, Use::kInstall},
    {"--game-dir", true, Use::kInstall},      {"--quorin-dir", true, Use::kBoth},
    {"--rules-dir", true, Use::kInstall},     {"--no-rules", false, Use::kInstall},
    {"--no-associate", false, Use::kInstall}, {"--run", false, Use::kInstall},
    {"--quiet", false, Use::kBoth},           {"--log", true, Use::kAny},
    {"--uninstall", false, Use::kUninstall},
};

const Option* FindOption(const std::string& name) {
  for (const Option& option : kOptions) {
    if (name == option.name) {
      return &option;
    }
  }
  return nullptr;
}

bool Fits(Use use, CommandLine::Action action) {
  switch (use) {
    case Use::kAny:
      return true;
    case Use::kInstall:
      return action == CommandLine::Action::kInstall;
    case Use::kUninstall:
      return action == CommandLine::Action::kUninstall;
    case Use::kBoth:
      return action == CommandLine::Action::kInstall || action == CommandLine::Action::kUninstall;
  }
  return false;
}

ParsedCommandLine Wrong(const std::string& error) {
  return {std::nullopt, error};
}

ParsedCommandLine Only(CommandLine::Action action) {
  CommandLine command;
  command.action = action;
  return {command, ""};
}

void Set(CommandLine& command, const std::string& name, const std::string& value) {
  if (name == "--silent") {
    command.silent = true;
  } else if (name == "--accept-terms") {
    command.acceptTerms = true;
  } else if (name == "--game-dir") {
    command.gameDir = value;
  } else if (name == "--quorin-dir") {
    command.quorinDir = value;
  } else if (name == "--rules-dir") {
    command.rulesDir = value;
  } else if (name == "--no-rules") {
    command.noRules = true;
  } else if (name == "--no-associate") {
    command.noAssociate = true;
  } else if (name == "--run") {
    command.run = true;
  } else if (name == "--quiet") {
    command.quiet = true;
  } else if (name == "--log") {
    command.logFile = value;
  }
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      return Only(CommandLine::Action::kHelp);
    }
    if (argument == "--version") {
      return Only(CommandLine::Action::kVersion);
    }
    if (argument == "--show-terms") {
      return Only(CommandLine::Action::kShowTerms);
    }
  }

  CommandLine command;
  std::vector<std::string> given;  // the options' names, in order
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const Option* option = argument.rfind("--", 0) == 0 ? FindOption(name) : nullptr;
    if (option == nullptr) {
      return Wrong(argument.rfind("-", 0) == 0 ? "unknown option " + argument
                                               : "unexpected argument \"" + argument + "\"");
    }
    std::string value;
    if (equals != std::string::npos) {
      if (!option->takesValue) {
        return Wrong(name + " takes no value");
      }
      value = argument.substr(equals + 1);
    } else if (option->takesValue) {
      if (i + 1 == arguments.size()) {
        return Wrong(name + " needs a value");
      }
      value = arguments[++i];
    }
    Set(command, name, value);
    given.push_back(name);
  }

  const bool uninstall =
      std::find(given.begin(), given.end(), std::string("--uninstall")) != given.end();
  command.action = uninstall        ? CommandLine::Action::kUninstall
                   : command.silent ? CommandLine::Action::kInstall
                                    : CommandLine::Action::kWindows;
  for (const std::string& name : given) {
    if (!Fits(FindOption(name)->use, command.action)) {
      const Use use = FindOption(name)->use;
      return Wrong(name + (use == Use::kInstall ? " belongs to an installation with --silent"
                           : use == Use::kBoth  ? " belongs to --silent or --uninstall"
                                                : " cannot be used here"));
    }
  }
  return {command, ""};
}

std::string HelpText() {
  return R"(Usage: InstallQuorin
       InstallQuorin --silent --accept-terms [OPTION...]
       InstallQuorin --uninstall [--quorin-dir DIR] [--silent]
       InstallQuorin --show-terms | --help | --version

Installs Quorin, the launcher for Tiberian Sun, from the data file InstallQuorin.dat (in the
current folder, else beside this program) into the Wine prefix that WINEPREFIX names
(default ~/.wine). Without options it shows its windows.

Installing without windows (no display needed):
  --silent            install without windows; messages go to standard error
  --accept-terms      accept the terms of use (required; --show-terms prints them)
  --game-dir DIR      the game's folder, which holds Sun.exe (default: the one found at
                      C:\Westwood\Tiberian Sun\, C:\Games\Tiberian Sun\ or
                      C:\Program Files\Tiberian Sun\, the last of them that has it)
  --quorin-dir DIR    the Quorin folder (default: the game's folder and Quorin\)
  --rules-dir DIR     the rules folder (default: the game's folder and Rules\)
  --no-rules          leave out the stock rules files
  --no-associate      do not have Quorin register the .qrk file type
  --run               start Quorin once it is installed
  --quiet             no progress line

Uninstalling:
  --uninstall         take away what the installation put in place, as the record in the
                      Quorin folder (Uninstall.txt) lists it, and give back the files it
                      replaced; files changed since are kept and listed. Asks first, in a
                      window, unless --silent is given.
  --quorin-dir DIR    the Quorin folder (default: the folder the installation proposes, the
                      game's folder found at the places above and Quorin\)

Both:
  --log FILE          append a line for each step, with its time, to FILE

DIR is a Windows path in the prefix (C:\Westwood\Tiberian Sun) or a host path inside one of
its drives; FILE is a host path or a Windows path.

Exit status: 0 done; 1 failed (the message says why); 2 wrong usage, or the terms of use
not accepted.
)";
}

std::string VersionText() {
  return std::string("InstallQuorin ") + kInstallerVersion + " (Quorin " + kProductVersion + ")\n";
}

}  // namespace installer
