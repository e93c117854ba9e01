#pragma once

#include <string>

#include "platform/Env.h"

namespace platform {

// The Env of this host. On Linux: Windows file-system semantics through a Wine prefix
// (platform/posix/). On Windows: the system's own calls on native paths (platform/windows/),
// where host paths are Windows paths and there is no prefix.
class HostEnv : public Env {
 public:
  // winePrefix: the prefix folder as a host path; empty means $WINEPREFIX, else $HOME/.wine.
  // A relative prefix is made absolute here, against the current directory of this moment,
  // so that a later change of folder does not move the drives. Ignored on Windows.
  explicit HostEnv(std::string winePrefix = "");

  Result<std::unique_ptr<File>> OpenFile(const std::string& path, TFileMode mode) override;
  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  Status CreateFolder(const std::string& path) override;
  Status DeleteFile(const std::string& path) override;
  Status DeleteFolder(const std::string& path) override;
  Status MoveFile(const std::string& from, const std::string& to) override;
  Status RenameFile(const std::string& source, const std::string& target) override;
  Status SyncFile(const std::string& path) override;
  Status SyncFolder(const std::string& path) override;
  using Env::ListFolder;
  std::vector<FolderItem> ListFolder(const std::string& path,
                                     std::vector<std::string>* skipped) override;
  std::string TempFolder() override;
  Result<std::string> CreateTempFile(const std::string& folder, const std::string& prefix) override;
  std::string CurrentFolder() override;
  Status SetCurrentFolder(const std::string& path) override;
  StartResult StartProgram(const std::string& program, const std::string& parameters,
                           const std::string& workingFolder) override;
  void Beep() override;
  std::string PrefixPath() override { return winePrefix_; }
  bool PrefixExists() override;
  std::string MappedDrives() override;
  std::optional<std::string> HostPath(const std::string& path) override;
  std::string WindowsPath(const std::string& hostPath) override;

 private:
  std::string winePrefix_;  // absolute, or "" when there is none
};

}  // namespace platform
