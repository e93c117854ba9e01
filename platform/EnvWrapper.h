#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Env.h"

namespace platform {

// An Env that passes every call on to another one. Derive from it to change or watch a few
// calls (a test that records the programs started, a tool that notes the names a listing
// left out, a fake that fails a call with the reason it chooses) and leave the rest to the
// target. The target must outlive the wrapper. ReplaceFile is made of three calls that pass
// through here one by one (RenameFile among them), so a wrapper that watches replacements
// watches RenameFile.
class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env* target) : target_(target) {}

  // The Env every call goes to.
  Env* target() const { return target_; }

  Result<std::unique_ptr<File>> OpenFile(const std::string& path, TFileMode mode) override {
    return target_->OpenFile(path, mode);
  }
  bool FileExists(const std::string& path) override { return target_->FileExists(path); }
  bool FolderExists(const std::string& path) override { return target_->FolderExists(path); }
  Status CreateFolder(const std::string& path) override { return target_->CreateFolder(path); }
  Status DeleteFile(const std::string& path) override { return target_->DeleteFile(path); }
  Status DeleteFolder(const std::string& path) override { return target_->DeleteFolder(path); }
  Status MoveFile(const std::string& from, const std::string& to) override {
    return target_->MoveFile(from, to);
  }
  Status RenameFile(const std::string& source, const std::string& target) override {
    return target_->RenameFile(source, target);
  }
  Status SyncFile(const std::string& path) override { return target_->SyncFile(path); }
  Status SyncFolder(const std::string& path) override { return target_->SyncFolder(path); }
  using Env::ListFolder;
  std::vector<FolderItem> ListFolder(const std::string& path,
                                     std::vector<std::string>* skipped) override {
    return target_->ListFolder(path, skipped);
  }
  std::string TempFolder() override { return target_->TempFolder(); }
  Result<std::string> CreateTempFile(const std::string& folder,
                                     const std::string& prefix) override {
    return target_->CreateTempFile(folder, prefix);
  }
  std::string CurrentFolder() override { return target_->CurrentFolder(); }
  Status SetCurrentFolder(const std::string& path) override {
    return target_->SetCurrentFolder(path);
  }
  StartResult StartProgram(const std::string& program, const std::string& parameters,
                           const std::string& workingFolder) override {
    return target_->StartProgram(program, parameters, workingFolder);
  }
  void Beep() override { target_->Beep(); }
  std::string PrefixPath() override { return target_->PrefixPath(); }
  bool PrefixExists() override { return target_->PrefixExists(); }
  std::string MappedDrives() override { return target_->MappedDrives(); }
  std::optional<std::string> HostPath(const std::string& path) override {
    return target_->HostPath(path);
  }
  std::string WindowsPath(const std::string& hostPath) override {
    return target_->WindowsPath(hostPath);
  }

 private:
  Env* target_;
};

// A File that passes every call on to the file it owns; derive from it to watch or fail a few
// calls, as with EnvWrapper.
class FileWrapper : public File {
 public:
  explicit FileWrapper(std::unique_ptr<File> target) : target_(std::move(target)) {}

  std::size_t Read(void* buffer, std::size_t count) override {
    return target_->Read(buffer, count);
  }
  std::size_t Write(const void* buffer, std::size_t count) override {
    return target_->Write(buffer, count);
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    return target_->Seek(offset, origin);
  }
  Status Sync() override { return target_->Sync(); }
  Status Close() override { return target_->Close(); }

 private:
  std::unique_ptr<File> target_;
};

}  // namespace platform
