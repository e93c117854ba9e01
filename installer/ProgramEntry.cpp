#include "installer/ProgramEntry.h"

#include <functional>
#include <iostream>

#include "archive/ZLIBArchive.h"
#include "installer/CommandLine.h"
#include "installer/Console.h"
#include "installer/DataFile.h"
#include "installer/ErrorReport.h"
#include "installer/GameBrowsing.h"
#include "installer/GameLocator.h"
#include "installer/HeadlessView.h"
#include "installer/InstallLog.h"
#include "installer/InstallProcedure.h"
#include "installer/InstallRecord.h"
#include "installer/TermsOfUse.h"
#include "installer/Uninstall.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/Exception.h"
#include "platform/Terminal.h"
#include "platform/WinNames.h"

namespace installer {

namespace {

using Tell = std::function<void(const std::string&)>;

// A failure as the user reads it (UTF-8): the message, its cause when known, a full stop.
std::string Described(const std::exception& failure) {
  std::string text = platform::AnsiToUtf8(failure.what());
  if (const auto* known = dynamic_cast<const Exception*>(&failure)) {
    if (!known->Cause().empty()) {
      text += ": " + known->Cause();
    }
  }
  return ReportText(text);
}

// What could not be taken from the command line, said already.
struct Refused {};

// A folder given on the command line (UTF-8) as the Windows path it stands for (Windows-1252):
// a host path (one that begins with '/') must lie on one of the prefix's drives and becomes
// that drive's path; any other text is a Windows path already.
std::string GivenFolder(platform::Env& env, const std::string& given, const Tell& tell) {
  try {
    if (given.empty() || given.front() != '/') {
      return platform::Utf8ToAnsi(given);
    }
    const std::string windows = env.WindowsPath(given);
    if (!platform::HasDriveLetter(windows)) {
      tell(given + " lies on none of the drives of the Wine prefix at " + env.PrefixPath() +
           ", so Windows programs cannot reach it.");
      throw Refused{};
    }
    return windows;
  } catch (const Exception& failure) {
    tell(given + " cannot be used: " + Described(failure));
    throw Refused{};
  }
}

// A file given on the command line as the path the seam takes.
std::string GivenFile(platform::Env& env, const std::string& given, const Tell& tell) {
  try {
    return !given.empty() && given.front() == '/' ? env.WindowsPath(given)
                                                  : platform::Utf8ToAnsi(given);
  } catch (const Exception& failure) {
    tell(given + " cannot be used: " + Described(failure));
    throw Refused{};
  }
}

std::string PlacesLooked() {
  std::string places;
  for (const char* location : kGameLocations) {
    places += (places.empty() ? "" : ", ") + platform::FolderPart(location);
  }
  return places;
}

// The game's folder (UTF-8, ending in a backslash): the one given, which must hold Sun.exe,
// taken as the browse dialog takes a chosen Sun.exe; else the one found at the fixed places.
std::string GameFolder(platform::Env& env, const std::optional<std::string>& given,
                       const Tell& tell) {
  if (!given) {
    const std::string found = FindGameFolder(env);
    if (found.empty()) {
      tell("Tiberian Sun was not found at " + PlacesLooked() +
           "; give its folder with --game-dir.");
      throw Refused{};
    }
    return platform::AnsiToUtf8(found);
  }
  std::string program = GivenFolder(env, *given, tell);
  if (!platform::EndsWithSeparator(program)) {
    program += '\\';
  }
  program += "Sun.exe";
  const std::optional<std::string> host =
      env.FileExists(program) ? env.HostPath(program) : std::nullopt;
  if (!host) {
    tell(*given + " does not hold Sun.exe, the game's program.");
    throw Refused{};
  }
  const ChosenFile chosen = JudgeChosenFile(env, *host);
  if (chosen.verdict != ChosenFile::Verdict::kGame) {
    tell(chosen.text);
    throw Refused{};
  }
  return chosen.text;
}

int MembersWanted(const InstallChoices& choices) {
  int members = 0;
  for (const DataFileMember& member : kDataFileMembers) {
    const bool product = member.destination == Destination::kProductFolder;
    members += (product ? choices.installProgramFiles : choices.installOriginalRules) ? 1 : 0;
  }
  return members;
}

int InstallWithoutWindows(const CommandLine& command, const ProgramContext& context,
                          platform::Env& env, Console& console, InstallLog& log) {
  const Tell tell = [&](const std::string& text) {
    log.Line("stopped: " + text);
    console.Say(text);
  };
  log.Line("InstallQuorin " + std::string(kInstallerVersion) + ", installing without windows");
  if (!command.acceptTerms) {
    tell(
        "the terms of use were not accepted, so nothing was installed. Read them with "
        "\"InstallQuorin --show-terms\" and accept them by adding --accept-terms.");
    return kExitUsage;
  }
  if (const auto missing = MissingPrefixMessage(env)) {
    tell(*missing);
    return kExitFailed;
  }
  InstallChoices choices;
  try {
    choices.gameDir = GameFolder(env, command.gameDir, tell);
    const ProposedFolders proposed = ProposeFolders(choices.gameDir);
    choices.productDir = command.quorinDir
                             ? platform::AnsiToUtf8(GivenFolder(env, *command.quorinDir, tell))
                             : proposed.product;
    choices.rulesDir = command.rulesDir
                           ? platform::AnsiToUtf8(GivenFolder(env, *command.rulesDir, tell))
                           : proposed.rules;
  } catch (const Refused&) {
    return kExitFailed;
  }
  choices.installOriginalRules = !command.noRules;
  choices.associateQrk = !command.noAssociate;

  TZLBArchive archive(nullptr, &env);
  archive.SetCompressionLevel(kDataFileCompressionLevel);
  HeadlessView view(console, true, command.run, MembersWanted(choices));
  InstallProcedure procedure(env, archive, view, context.programFolder, &log);
  try {
    return procedure.Run(choices) == InstallOutcome::kCompleted ? kExitDone : kExitFailed;
  } catch (const std::exception& failure) {
    console.Say(Described(failure));
    return view.ExitStatusAfterFailure().value_or(kExitFailed);
  }
}

std::string Listed(const std::string& heading, const std::vector<std::string>& lines) {
  if (lines.empty()) {
    return "";
  }
  std::string text = "\r\r" + heading;
  for (const std::string& line : lines) {
    text += "\r  " + line;
  }
  return text;
}

std::string Summary(const std::string& shownDir, const UninstallReport& report) {
  std::vector<std::string> restored, kept, folders;
  for (const std::string& path : report.restored) {
    restored.push_back(platform::AnsiToUtf8(path));
  }
  for (const UninstallReport::Kept& file : report.kept) {
    kept.push_back(platform::AnsiToUtf8(file.path) + " (" + file.why + ")");
  }
  for (const std::string& folder : report.keptFolders) {
    folders.push_back(platform::AnsiToUtf8(folder));
  }
  return "Quorin was uninstalled from " + shownDir + "." +
         Listed("These files were given back as they were before the installation:", restored) +
         Listed("These files were kept:", kept) +
         Listed("These folders were kept, since they are not empty:", folders);
}

int UninstallCommand(const CommandLine& command, platform::Env& env, Console& console,
                     WindowFrontEnd* windows, InstallLog& log) {
  const bool asking = !command.silent;
  const Tell tell = [&](const std::string& text) {
    asking ? windows->ShowInformation(text) : console.Say(text);
  };
  const Tell refuse = [&](const std::string& text) {
    log.Line("stopped: " + text);
    tell(text);
  };
  log.Line("InstallQuorin " + std::string(kInstallerVersion) + ", uninstalling");
  std::string productDir;
  try {
    if (command.quorinDir) {
      productDir = GivenFolder(env, *command.quorinDir, refuse);
    } else {
      if (const auto missing = MissingPrefixMessage(env)) {
        refuse(*missing);
        return kExitFailed;
      }
      const std::string game = FindGameFolder(env);
      if (game.empty()) {
        refuse("Tiberian Sun was not found at " + PlacesLooked() +
               "; give the Quorin folder with --quorin-dir.");
        return kExitFailed;
      }
      productDir = ProposeFolders(game).product;
    }
  } catch (const Refused&) {
    return kExitFailed;
  }
  productDir = platform::WithTrailingSeparator(AbsolutePath(env, productDir));
  const std::string shownDir = platform::AnsiToUtf8(productDir);
  const std::string noRecord = "There is no installation record in " + shownDir + " (" +
                               kRecordFileName + "), so there is nothing to uninstall.";
  if (!env.FileExists(RecordPath(productDir))) {
    refuse(noRecord);
    return kExitFailed;
  }
  if (asking && !windows->Confirm("Uninstall Quorin from " + shownDir +
                                  "?\r\rWhat the installation put in place is removed and the "
                                  "files it replaced are given back; files changed since are "
                                  "kept.")) {
    log.Line("uninstalling was declined");
    return kExitDone;
  }
  log.Line("uninstalling from " + shownDir);
  try {
    const std::optional<UninstallReport> report = Uninstall(&env, productDir, &log);
    if (!report) {
      refuse(noRecord);
      return kExitFailed;
    }
    log.Line("uninstalled");
    tell(Summary(shownDir, *report));
    return kExitDone;
  } catch (const std::exception& failure) {
    const std::string text = Described(failure);
    log.Line("failed: " + text);
    asking ? windows->ShowErrorReport(text) : console.Say(text);
    return kExitFailed;
  }
}

}  // namespace

std::vector<std::string> ArgumentsOf(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
  }
  return arguments;
}

int RunProgram(const std::vector<std::string>& arguments, const ProgramContext& context) {
  platform::Env& env = context.env != nullptr ? *context.env : *platform::Env::Default();
  std::ostream& out = context.out != nullptr ? *context.out : std::cout;
  std::ostream& err = context.err != nullptr ? *context.err : std::cerr;

  const ParsedCommandLine parsed = ParseCommandLine(arguments);
  if (!parsed.command) {
    err << "InstallQuorin: " << parsed.error << " (see InstallQuorin --help)\n";
    return kExitUsage;
  }
  const CommandLine& command = *parsed.command;
  switch (command.action) {
    case CommandLine::Action::kHelp:
      out << HelpText();
      return kExitDone;
    case CommandLine::Action::kVersion:
      out << VersionText();
      return kExitDone;
    case CommandLine::Action::kShowTerms:
      out << kTermsOfUse;
      return kExitDone;
    default:
      break;
  }

  const bool terminal =
      context.errIsTerminal ? *context.errIsTerminal : platform::StandardErrorIsTerminal();
  Console console(err, terminal, !command.quiet);
  const bool withWindows = command.action == CommandLine::Action::kWindows ||
                           (command.action == CommandLine::Action::kUninstall && !command.silent);
  if (withWindows && context.windows == nullptr) {
    console.Say("there are no windows here; use --silent");
    return kExitUsage;
  }
  InstallLog log;
  if (command.logFile) {
    try {
      log.Open(env, GivenFile(env, *command.logFile,
                              [&](const std::string& text) { console.Say(text); }));
    } catch (const Refused&) {
      return kExitFailed;
    } catch (const std::exception& failure) {
      console.Say(Described(failure));
      return kExitFailed;
    }
  }
  switch (command.action) {
    case CommandLine::Action::kInstall:
      return InstallWithoutWindows(command, context, env, console, log);
    case CommandLine::Action::kUninstall:
      return UninstallCommand(command, env, console, context.windows, log);
    default:
      return context.windows->RunInstallerWindow(log);
  }
}

}  // namespace installer
