#include "installer/InstallProcedure.h"

#include <algorithm>

#include "archive/NamesOnExtract.h"
#include "archive/ZLIBArchive.h"
#include "installer/DataFile.h"
#include "installer/ErrorReport.h"
#include "installer/IniWriter.h"
#include "installer/InstallLog.h"
#include "installer/InstallRecord.h"
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

// A failure as the log tells it: the message and, when known, its cause.
std::string Described(const std::exception& failure) {
  std::string text = platform::AnsiToUtf8(failure.what());
  if (const auto* known = dynamic_cast<const Exception*>(&failure)) {
    if (!known->Cause().empty()) {
      text += ": " + known->Cause();
    }
  }
  return text;
}

}  // namespace

InstallProcedure::InstallProcedure(platform::Env& env, TZLBArchive& archive, InstallerView& view,
                                   std::string programFolder, InstallLog* log)
    : env_(env),
      archive_(archive),
      view_(view),
      programFolder_(std::move(programFolder)),
      log_(log) {}

InstallProcedure::~InstallProcedure() = default;

InstallOutcome InstallProcedure::Run(InstallChoices& choices) {
  createdFolders_.clear();
  try {
    const InstallOutcome outcome = Steps(choices);
    record_.reset();
    return outcome;
  } catch (const std::exception& failure) {
    record_.reset();
    Log("failed: " + Described(failure));
    throw;
  }
}

InstallOutcome InstallProcedure::Steps(InstallChoices& choices) {
  const std::optional<DataFileLocation> dataFile = LocateDataFile();
  if (!dataFile) {
    return Stop(kNoDataFile);
  }
  Log("data file " + dataFile->shown);
  if (const auto problem = CheckDataFile(*dataFile, choices)) {
    return Stop(*problem);
  }
  if (!view_.ShowAgreement()) {
    Log("the terms of use were not accepted");
    return InstallOutcome::kStopped;
  }
  Log("the terms of use were accepted");
  if (!ValidateDirectories(choices)) {
    return Stop(kInvalidDirectories);
  }
  // Both texts now convert: ValidateDirectories accepted them. The record names them whole.
  const std::string productDir = AbsolutePath(env_, platform::Utf8ToAnsi(choices.productDir));
  const std::string rulesDir = AbsolutePath(env_, platform::Utf8ToAnsi(choices.rulesDir));
  const std::string givenProductDir = platform::Utf8ToAnsi(choices.productDir);
  Log("installing into " + platform::AnsiToUtf8(productDir) + " and " +
      platform::AnsiToUtf8(rulesDir));

  view_.EndProgramAfterFailure(kExitStatusAfterFailure);
  view_.ShowProgress();
  record_ = std::make_unique<InstallRecord>(env_, productDir, createdFolders_);
  archive_.OpenArchive(dataFile->path);
  if (choices.installProgramFiles) {
    Unpack(Destination::kProductFolder, productDir);
  }
  if (choices.installOriginalRules) {
    Unpack(Destination::kRulesFolder, rulesDir);
  }
  WriteConfiguration(productDir, platform::Utf8ToAnsi(choices.gameDir), rulesDir);
  record_.reset();
  view_.HideProgress();
  Log("installation complete");

  std::string program;
  if (env_.FileExists(givenProductDir + kProgramFile)) {
    program = givenProductDir + kProgramFile;
  }
  if (choices.associateQrk && !program.empty()) {
    Launch(program, kAssociateSwitch, givenProductDir);
  }
  if (view_.Confirm(kCompletion) && !program.empty() && env_.FileExists(program)) {
    Launch(program, "", givenProductDir);
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
    const std::string name = archive::ShortString(entry.Name);
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
  const bool productOk = EnsureDirectory(choices.productDir);
  const bool rulesOk = EnsureDirectory(choices.rulesDir);
  AppendBackslash(choices.productDir);
  AppendBackslash(choices.rulesDir);
  view_.ShowDirectories(choices.productDir, choices.rulesDir);
  return productOk && rulesOk;
}

// Makes sure a directory exists, creating its last level if need be. A text that Windows-1252
// cannot hold names no directory that the system could use, and the root of a drive is no
// place to install into (an empty text reads "\" once its backslash is appended).
bool InstallProcedure::EnsureDirectory(const std::string& utf8) {
  std::string path;
  try {
    path = platform::Utf8ToAnsi(utf8);
  } catch (const ECodePageError&) {
    return false;
  }
  if (platform::NamesRoot(path)) {
    return false;
  }
  if (env_.FolderExists(path)) {
    return true;
  }
  if (!env_.CreateFolder(path)) {
    return false;
  }
  const std::string made = platform::WithTrailingSeparator(AbsolutePath(env_, path));
  createdFolders_.push_back(made);
  Log("created folder " + platform::AnsiToUtf8(made));
  return true;
}

// The members bound for one destination, by their index in the data file, each under its
// stored name alone. Each is put in place as the archive's ExtractFile would put it, and the
// archive's OnFileExtracted is raised after it, as ExtractFile raises it.
void InstallProcedure::Unpack(Destination destination, const std::string& dir) {
  for (int index = 0; index < static_cast<int>(kDataFileMembers.size()); ++index) {
    if (kDataFileMembers[index].destination != destination) {
      continue;
    }
    TArchiveEntry entry;
    archive_.GetFileEntry(index, entry);
    const std::string name = archive::ShortString(entry.Name);
    if (!archive::IsSafeMemberName(name)) {
      throw Exception(FormatMessage("File (%d) has an unsafe name", index));
    }
    view_.ShowMember(platform::AnsiToUtf8(name));
    const std::string target = dir + name;
    const FileSum expected{std::max<std::int64_t>(entry.UnpackedSize, 0), entry.CRC};
    record_->PlaceFile(target, expected,
                       [&](TStream& out) { archive_.ExtractToStream(index, out); });
    Log("wrote member " + std::to_string(index) + " " + Quoted(name) + " to " +
        platform::AnsiToUtf8(target) + ", " + std::to_string(expected.size) + " bytes");
    if (archive_.OnFileExtracted) {
      archive_.OnFileExtracted(target);
    }
  }
}

void InstallProcedure::WriteConfiguration(const std::string& productDir, const std::string& gameDir,
                                          const std::string& rulesDir) {
  const std::string path = productDir + kIniFileName;
  const std::string text = IniFileText(env_, productDir, gameDir, rulesDir);
  record_->PlaceFile(path, SumOf(text),
                     [&](TStream& out) { out.WriteBuffer(text.data(), text.size()); });
  Log("wrote " + platform::AnsiToUtf8(path) + ", " + std::to_string(text.size()) + " bytes");
}

// A start that could not be made is shown, since a user who started the installer from a
// desktop sees no standard error.
void InstallProcedure::Launch(const std::string& program, const std::string& parameters,
                              const std::string& workingFolder) {
  const StartOutcome outcome = LaunchProgram(env_, program, parameters, workingFolder);
  Log("start " + platform::AnsiToUtf8(program) + (parameters.empty() ? "" : " " + parameters) +
      " in " + platform::AnsiToUtf8(workingFolder) + ": " + outcome.result);
  if (!outcome.started) {
    view_.ShowStartFailure(StartFailureText(program, outcome.result));
  }
}

InstallOutcome InstallProcedure::Stop(const std::string& text) {
  Log("stopped: " + text);
  view_.ShowInformation(text);
  return InstallOutcome::kStopped;
}

void InstallProcedure::Log(const std::string& text) {
  if (log_ != nullptr) {
    log_->Line(text);
  }
}

}  // namespace installer
