#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

class InstallerView;
class TZLBArchive;
namespace platform {
class Env;
}

namespace installer {

enum class Destination;
class InstallLog;
class InstallRecord;

// The program's exit status when an installation fails after the main window was hidden.
inline constexpr int kExitStatusAfterFailure = 1;

// The main window's settings as the install procedure reads them. The texts are UTF-8, as the
// window shows them; they cross into the file system as Windows-1252.
struct InstallChoices {
  std::string gameDir;     // the game directory, ending in a backslash
  std::string productDir;  // may get a backslash appended
  std::string rulesDir;    // likewise
  bool installProgramFiles = true;
  bool installOriginalRules = true;
  bool associateQrk = true;
};

enum class InstallOutcome {
  kStopped,    // nothing was unpacked; the main window stays as it is
  kCompleted,  // everything is installed; the main window is to close
};

// The whole installation, from the data-file check to the start of the product. Before the
// agreement the data file is opened once to check it, and what is wrong with it is shown in an
// Information dialog; a start of the product that cannot be made is shown the same way. Nothing
// else is caught: from the switch to the progress window on, a failure leaves as an Exception
// and the installation stops where it failed.
//
// From the switch on, the installation keeps its record in the product folder
// (installer/InstallRecord.h): the folders it created, each file it writes and a copy of each
// file it replaces, so that it can be uninstalled. Members and "Quorin.ini" are each written
// beside their place and then put there whole.
class InstallProcedure {
 public:
  // archive: the component that unpacks the data file, with its extraction events bound by the
  // caller (the progress window advances on each extracted file). programFolder: the host path
  // (UTF-8) of the folder that holds the installer's own program, where the data file is looked
  // for when the current folder has none; "" to look in the current folder only. log: where
  // each step is logged, if anywhere.
  InstallProcedure(platform::Env& env, TZLBArchive& archive, InstallerView& view,
                   std::string programFolder = "", InstallLog* log = nullptr);
  ~InstallProcedure();

  InstallOutcome Run(InstallChoices& choices);

 private:
  struct DataFileLocation {
    std::string path;   // as the archive opens it (Windows-1252)
    std::string shown;  // as the user knows it: its host path (UTF-8)
  };
  std::optional<DataFileLocation> LocateDataFile();
  std::optional<std::string> CheckDataFile(const DataFileLocation& dataFile,
                                           const InstallChoices& choices);
  InstallOutcome Steps(InstallChoices& choices);
  bool ValidateDirectories(InstallChoices& choices);
  bool EnsureDirectory(const std::string& utf8);
  void Unpack(Destination destination, const std::string& dir);
  void WriteConfiguration(const std::string& productDir, const std::string& gameDir,
                          const std::string& rulesDir);
  void Launch(const std::string& program, const std::string& parameters,
              const std::string& workingFolder);
  InstallOutcome Stop(const std::string& text);
  void Log(const std::string& text);

  platform::Env& env_;
  TZLBArchive& archive_;
  InstallerView& view_;
  std::string programFolder_;
  InstallLog* log_;
  std::vector<std::string> createdFolders_;  // by this run, absolute
  std::unique_ptr<InstallRecord> record_;
};

}  // namespace installer
