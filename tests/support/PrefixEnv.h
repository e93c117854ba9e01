#pragma once

// The host environment on a test's own Wine prefix (tests/support/WinePrefix.h), so that the
// tests' fixed places on drive C (the game, the builder's source folder) lie in a folder of
// their own. On Linux that is the host environment on the prefix. On Windows drive C is the
// system's own, so the paths on it are redirected into the prefix's drive_c folder, and the
// paths given back are turned into drive C paths again; the system's temporary folder stays
// where it is, as on Linux.

#include <string>

#include "platform/HostEnv.h"

#ifdef _WIN32
#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "platform/EnvWrapper.h"
#include "platform/WinNames.h"

class PrefixEnv : public platform::EnvWrapper {
 public:
  explicit PrefixEnv(const std::string& winePrefix)
      : EnvWrapper(&host_),
        root_(std::filesystem::path(winePrefix + "/drive_c").make_preferred().string()) {}

  platform::Result<std::unique_ptr<platform::File>> OpenFile(const std::string& path,
                                                             TFileMode mode) override {
    return EnvWrapper::OpenFile(In(path), mode);
  }
  bool FileExists(const std::string& path) override { return EnvWrapper::FileExists(In(path)); }
  bool FolderExists(const std::string& path) override { return EnvWrapper::FolderExists(In(path)); }
  platform::Status CreateFolder(const std::string& path) override {
    return EnvWrapper::CreateFolder(In(path));
  }
  platform::Status DeleteFile(const std::string& path) override {
    return EnvWrapper::DeleteFile(In(path));
  }
  platform::Status DeleteFolder(const std::string& path) override {
    return EnvWrapper::DeleteFolder(In(path));
  }
  platform::Status MoveFile(const std::string& from, const std::string& to) override {
    return EnvWrapper::MoveFile(In(from), In(to));
  }
  platform::Status RenameFile(const std::string& source, const std::string& target) override {
    return EnvWrapper::RenameFile(In(source), In(target));
  }
  platform::Status SyncFile(const std::string& path) override {
    return EnvWrapper::SyncFile(In(path));
  }
  platform::Status SyncFolder(const std::string& path) override {
    return EnvWrapper::SyncFolder(In(path));
  }
  using Env::ListFolder;
  std::vector<platform::FolderItem> ListFolder(const std::string& path,
                                               std::vector<std::string>* skipped) override {
    return EnvWrapper::ListFolder(In(path), skipped);
  }
  platform::Result<std::string> CreateTempFile(const std::string& folder,
                                               const std::string& prefix) override {
    platform::Result<std::string> made = EnvWrapper::CreateTempFile(In(folder), prefix);
    return made ? platform::Result<std::string>(Out(made.Value())) : made;
  }
  std::string CurrentFolder() override { return Out(EnvWrapper::CurrentFolder()); }
  platform::Status SetCurrentFolder(const std::string& path) override {
    return EnvWrapper::SetCurrentFolder(In(path));
  }
  platform::StartResult StartProgram(const std::string& program, const std::string& parameters,
                                     const std::string& workingFolder) override {
    return EnvWrapper::StartProgram(In(program), parameters, In(workingFolder));
  }
  std::optional<std::string> HostPath(const std::string& path) override {
    return EnvWrapper::HostPath(In(path));
  }
  std::string WindowsPath(const std::string& hostPath) override {
    return Out(EnvWrapper::WindowsPath(hostPath));
  }

 private:
  // A path on drive C, in the prefix's folder.
  std::string In(const std::string& path) {
    const std::string temp = Backslashed(host_.TempFolder());
    if (path.size() >= temp.size() &&
        platform::EqualFolded(Backslashed(path.substr(0, temp.size())), temp)) {
      return path;
    }
    if (path.size() >= 2 && (path[0] == 'C' || path[0] == 'c') && path[1] == ':') {
      const bool separated = path.size() > 2 && (path[2] == '\\' || path[2] == '/');
      return root_ + "\\" + path.substr(separated ? 3 : 2);
    }
    return path;
  }
  // The tests write their host paths with '/', the system with '\\'.
  static std::string Backslashed(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }
  // A path in the prefix's folder, on drive C.
  std::string Out(const std::string& path) const {
    if (path.size() >= root_.size() && platform::EqualFolded(path.substr(0, root_.size()), root_)) {
      return "C:" + (path.size() == root_.size() ? std::string("\\") : path.substr(root_.size()));
    }
    return path;
  }
  platform::HostEnv host_;
  std::string root_;
};
#else
using PrefixEnv = platform::HostEnv;
#endif
