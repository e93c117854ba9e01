#include "installer/InstallProcedure.h"

#include "archive/ZLIBArchive.h"
#include "installer/DataFile.h"
#include "installer/ErrorReport.h"
#include "installer/IniWriter.h"
#include "installer/InstallerView.h"
#include "installer/Launch.h"
#include "platform/CodePage.h"
#include "platform/Env.h"
#include "platform/WinNames.h"

namespace installer {

namespace {

constexpr char kNoDataFile[] =
    "Unable to locate data file InstallQuorin.dat. Installation Aborted.";
constexpr char kInvalidDirectories[] = "One or more specified directories are not valid.";
constexpr char kCompletion[] = "Installation Complete.\r\rRun Quorin now?";
constexpr char kProgramFile[] = "Quorin.exe";
constexpr char kAssociateSwitch[] = "/associateqrk";

// Makes sure a directory exists, creating its last level if need be. A text that Windows-1252
// cannot hold names no directory that the system could use, and the root of a drive is no
// place to install into (an empty text reads "\" once its backslash is appended).
bool EnsureDirectory(platform::Env& env, const std::string& utf8) {
  std::string path;
  try {
    path = platform::Utf8ToAnsi(utf8);
  } catch (const ECodePageError&) {
    return false;
  }
  if (platform::NamesRoot(path)) {
    return false;
  }
  return env.FolderExists(path) || env.CreateFolder(path);
}

void AppendBackslash(std::string& text) {
  if (text.empty() || text.back() != '\\') {
    text += '\\';
  }
}

bool Wanted(const DataFileMember& member, const InstallChoices& choices) {
  return member.destination == Destination::kProductFolder ? choices.installProgramFiles
                                                           : choices.installOriginalRules;
}

std::string Quoted(const std::string& ansiName) {
  std::string quoted = "\"";
  quoted += platform::AnsiToUtf8(ansiName);
  quoted += '"';
  return quoted;
}

}  // namespace

InstallProcedure::InstallProcedure(platform::Env& env, TZLBArchive& archive, InstallerView& view,
                                   std::string programFolder)
    : env_(env), archive_(archive), view_(view), programFolder_(std::move(programFolder)) {}

InstallOutcome InstallProcedure::Run(InstallChoices& choices) {
  const std::optional<DataFileLocation> dataFile = LocateDataFile();
  if (!dataFile) {
    view_.ShowInformation(kNoDataFile);
    return InstallOutcome::kStopped;
  }
  if (const auto problem = CheckDataFile(*dataFile, choices)) {
    view_.ShowInformation(*problem);
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

  view_.EndProgramAfterFailure(kExitStatusAfterFailure);
  view_.ShowProgress();
  archive_.OpenArchive(dataFile->path);
  if (choices.installProgramFiles) {
    Unpack(Destination::kProductFolder, productDir);
  }
  if (choices.installOriginalRules) {
    Unpack(Destination::kRulesFolder, rulesDir);
  }
  WriteIni(env_, productDir, platform::Utf8ToAnsi(choices.gameDir), rulesDir);
  view_.HideProgress();

  std::string program;
  if (env_.FileExists(productDir + kProgramFile)) {
    program = productDir + kProgramFile;
  }
  if (choices.associateQrk && !program.empty()) {
    Launch(program, kAssociateSwitch, productDir);
  }
  if (view_.Confirm(kCompletion) && !program.empty() && env_.FileExists(program)) {
    Launch(program, "", productDir);
  }
  return InstallOutcome::kCompleted;
}

// The data file in the current folder; else the one beside the installer's own program, where
// a program started from a desktop menu (in the home folder) or by a double click has it.
std::optional<InstallProcedure::DataFileLocation> InstallProcedure::LocateDataFile() {
  if (env_.FileExists(kDataFileName)) {
    return DataFileLocation{kDataFileName, env_.HostPath(kDataFileName).value_or(kDataFileName)};
  }
  if (programFolder_.empty()) {
    return std::nullopt;
  }
  std::string besideProgram;
  try {
    besideProgram = platform::WithTrailingSeparator(env_.WindowsPath(programFolder_));
  } catch (const Exception&) {
    return std::nullopt;  // a folder Windows-1252 cannot name holds no data file we can open
  }
  besideProgram += kDataFileName;
  if (!env_.FileExists(besideProgram)) {
    return std::nullopt;
  }
  return DataFileLocation{besideProgram,
                          platform::WithTrailingSeparator(programFolder_) + kDataFileName};
}

// Opens the data file as the unpacking will, so that a damaged one is reported before anything
// is created, and checks that the members to be unpacked are the builder's, in its order: they
// are taken by index, so any other file would put its members into the wrong folders.
std::optional<std::string> InstallProcedure::CheckDataFile(const DataFileLocation& dataFile,
                                                           const InstallChoices& choices) {
  const std::string& shown = dataFile.shown;
  try {
    archive_.OpenArchive(dataFile.path);
  } catch (const Exception& e) {
    return "The data file " + shown + " cannot be used:\r\r" +
           platform::AnsiToUtf8(ReportText(e.Message()));
  }
  std::optional<std::string> problem;
  for (std::size_t i = 0; i < kDataFileMembers.size() && !problem; ++i) {
    if (!Wanted(kDataFileMembers[i], choices)) {
      continue;
    }
    const std::string expected = kDataFileMembers[i].name;
    if (static_cast<int>(i) >= archive_.FileCount()) {
      problem = Quoted(expected) + " is missing";
      continue;
    }
    TArchiveEntry entry;
    archive_.GetFileEntry(static_cast<int>(i), entry);
    const std::string name = ShortString(entry.Name);
    if (!platform::EqualFolded(name, expected)) {
      problem = "it holds " + Quoted(name) + " where " + Quoted(expected) + " belongs";
    }
  }
  archive_.CloseArchive();
  if (problem) {
    return "The data file " + shown + " does not hold the expected files: " + *problem + ".";
  }
  return std::nullopt;
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

// The members bound for one destination, by their index in the data file.
void InstallProcedure::Unpack(Destination destination, const std::string& dir) {
  for (int index = 0; index < static_cast<int>(kDataFileMembers.size()); ++index) {
    if (kDataFileMembers[index].destination != destination) {
      continue;
    }
    TArchiveEntry entry;
    archive_.GetFileEntry(index, entry);
    view_.ShowMember(platform::AnsiToUtf8(ShortString(entry.Name)));
    archive_.ExtractFile(dir, index);
  }
}

// A start that could not be made is shown, since a user who started the installer from a
// desktop sees no standard error.
void InstallProcedure::Launch(const std::string& program, const std::string& parameters,
                              const std::string& workingFolder) {
  if (const auto failure = LaunchProgram(env_, program, parameters, workingFolder)) {
    view_.ShowInformation(*failure);
  }
}

}  // namespace installer
