#pragma once

#include <atomic>
#include <string>

#include "platform/Env.h"

namespace platform {

// The Env of this host: Windows file-system semantics on Linux through a Wine prefix.
class HostEnv : public Env {
 public:
  // winePrefix: the prefix folder as a host path; empty means $WINEPREFIX, else $HOME/.wine.
  explicit HostEnv(std::string winePrefix = "");

  std::unique_ptr<File> OpenFile(const std::string& path, TFileMode mode) override;
  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
  bool ReplaceFile(const std::string& source, const std::string& target) override;
  std::vector<FolderItem> ListFolder(const std::string& path) override;
  std::string TempFolder() override;
  std::string CreateTempFile(const std::string& folder, const std::string& prefix) override;
  std::string CurrentFolder() override;
  bool SetCurrentFolder(const std::string& path) override;
  void StartProgram(const std::string& program, const std::string& parameters,
                    const std::string& workingFolder) override;
  void Beep() override { ++beeps_; }
  std::uint64_t BeepCount() const override { return beeps_; }
  std::optional<std::string> HostPath(const std::string& path) override;
  std::string WindowsPath(const std::string& hostPath) override;

  const std::string& WinePrefix() const { return winePrefix_; }

 private:
  std::string winePrefix_;
  std::atomic<std::uint64_t> beeps_{0};
};

}  // namespace platform
