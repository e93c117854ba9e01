#include "installer/InstallProcedure.h"

#include "archive/ZLIBArchive.h"
#include "installer/IniWriter.h"
#include "installer/InstallerView.h"
#include "installer/Launch.h"
#include "platform/CodePage.h"
#include "platform/Env.h"

namespace installer {

const char kDataFileName[] = "InstallQuorin.dat";

namespace {

constexpr char kNoDataFile[] =
    "Unable to locate data file InstallQuorin.dat. Installation Aborted.";
constexpr char kInvalidDirectories[] = "One or more specified directories are not valid.";
constexpr char kCompletion[] = "Installation Complete.\r\rRun Quorin now?";
constexpr char kProgramFile[] = "Quorin.exe";
constexpr char kAssociateSwitch[] = "/associateqrk";

// Members 0 to 3 are the program files, 4 to 7 the stock rules.
constexpr int kFirstProgramFile = 0;
constexpr int kLastProgramFile = 3;
constexpr int kFirstRulesFile = 4;
constexpr int kLastRulesFile = 7;

// Makes sure a directory exists, creating its last level if need be. A text that Windows-1252
// cannot hold names no directory that the system could use.
bool EnsureDirectory(platform::Env& env, const std::string& utf8) {
  std::string path;
  try {
    path = platform::Utf8ToAnsi(utf8);
  } catch (const ECodePageError&) {
    return false;
  }
  return env.FolderExists(path) || env.CreateFolder(path);
}

void AppendBackslash(std::string& text) {
  if (text.empty() || text.back() != '\\') {
    text += '\\';
  }
}

}  // namespace

InstallProcedure::InstallProcedure(platform::Env& env, TZLBArchive& archive, InstallerView& view)
    : env_(env), archive_(archive), view_(view) {}

InstallOutcome InstallProcedure::Run(InstallChoices& choices) {
  if (!env_.FileExists(kDataFileName)) {
    view_.ShowInformation(kNoDataFile);
    return InstallOutcome::kStopped;
  }
  if (!view_.ShowAgreement()) {
    return InstallOutcome::kStopped;
  }
  if (!ValidateDirectories(choices)) {
    view_.ShowInformation(kInvalidDirectories);
    return InstallOutcome::kStopped;
  }
  // Both texts now convert: ValidateDirectories accepted them.
  const std::string productDir = platform::Utf8ToAnsi(choices.productDir);
  const std::string rulesDir = platform::Utf8ToAnsi(choices.rulesDir);

  view_.ShowProgress();
  archive_.OpenArchive(kDataFileName);
  if (choices.installProgramFiles) {
    Unpack(kFirstProgramFile, kLastProgramFile, productDir);
  }
  if (choices.installOriginalRules) {
    Unpack(kFirstRulesFile, kLastRulesFile, rulesDir);
  }
  WriteIni(env_, productDir, platform::Utf8ToAnsi(choices.gameDir), rulesDir);
  view_.HideProgress();

  std::string program;
  if (env_.FileExists(productDir + kProgramFile)) {
    program = productDir + kProgramFile;
  }
  if (choices.associateQrk && !program.empty()) {
    LaunchProgram(env_, program, kAssociateSwitch, productDir);
  }
  if (view_.Confirm(kCompletion) && !program.empty() && env_.FileExists(program)) {
    LaunchProgram(env_, program, "", productDir);
  }
  return InstallOutcome::kCompleted;
}

// Checks both directories, creating what is missing, and appends the trailing backslashes
// whatever it found; the window shows the changed texts.
bool InstallProcedure::ValidateDirectories(InstallChoices& choices) {
  const bool productOk = EnsureDirectory(env_, choices.productDir);
  const bool rulesOk = EnsureDirectory(env_, choices.rulesDir);
  AppendBackslash(choices.productDir);
  AppendBackslash(choices.rulesDir);
  view_.ShowDirectories(choices.productDir, choices.rulesDir);
  return productOk && rulesOk;
}

void InstallProcedure::Unpack(int first, int last, const std::string& dir) {
  for (int index = first; index <= last; ++index) {
    TArchiveEntry entry;
    archive_.GetFileEntry(index, entry);
    view_.ShowMember(platform::AnsiToUtf8(archive::ShortString(entry.Name)));
    archive_.ExtractFile(dir, index);
  }
}

}  // namespace installer
