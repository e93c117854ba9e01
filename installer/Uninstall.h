#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {
class Env;
}

namespace installer {

class InstallLog;

// What uninstalling did, for telling the user. Paths are Windows paths in Windows-1252.
struct UninstallReport {
  struct Kept {
    std::string path;
    std::string why;  // UTF-8: "it changed since the installation", ...
  };
  std::vector<std::string> removed;      // files the installation wrote, unchanged since
  std::vector<std::string> restored;     // files it had replaced, given back from their copies
  std::vector<Kept> kept;                // files left where they are, and why
  std::vector<std::string> keptFolders;  // folders it created that still hold something
};

// Takes away what the installation record in productDir (installer/InstallRecord.h) lists:
// every file the installations wrote whose size and CRC-32 are still those it wrote, and the
// temporary file a killed installation may have left beside it; a file that changed since is
// kept. Each file that was replaced is given back from its copy (unless the file that replaced
// it changed since; then both stay). Then the folders the installations created are removed
// once they are empty, the record last of all but the product folder, which follows it.
//
// Every step looks at the disk before it acts and can be taken again, so an uninstallation that
// was killed at any moment finishes the job when it is run again. Gives nothing when there is
// no record. Fails, leaving the record, with the file's name: "Cannot open file %s" (a file
// that cannot be read to compare), "Cannot delete file %s", "Cannot restore file %s",
// "Cannot remove folder %s", each with the system's reason, and "The file %s is not an
// installation record".
std::optional<UninstallReport> Uninstall(platform::Env* env, const std::string& productDir,
                                         InstallLog* log = nullptr);

}  // namespace installer
