#pragma once

// An environment that plays a program killed at a chosen moment: it counts the steps that
// change the disk (creating, writing, moving and deleting files and folders) and, at the step
// it is told, refuses that step and every later one, as a killed process takes none. The
// program sees the refusal as an exception (Killed) or a failed call, so that it unwinds; what
// it tries while unwinding (deleting its temporary files, say) changes nothing, which leaves
// the disk as a kill would. Steps are counted from 0; each one is described, so that a test
// can find where a moment lies.

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/EnvWrapper.h"

// Thrown at the step the program is killed at; no failure class of the system catches it.
struct Killed {};

class KillSwitchEnv : public platform::EnvWrapper {
 public:
  // killAt: the step refused first; -1 for none, to count them.
  KillSwitchEnv(platform::Env* target, long killAt) : EnvWrapper(target), killAt_(killAt) {}

  // What each step taken or refused was, in order ("write C:\...\Uninstall.txt").
  const std::vector<std::string>& steps() const { return steps_; }
  bool killed() const { return killed_; }

  platform::Result<std::unique_ptr<platform::File>> OpenFile(const std::string& path,
                                                             TFileMode mode) override {
    if (mode == TFileMode::fmCreate && !Step("create " + path)) {
      return platform::Status::Of(platform::Reason::kIoError);
    }
    auto opened = EnvWrapper::OpenFile(path, mode);
    if (!opened) {
      return opened;
    }
    return std::unique_ptr<platform::File>(
        std::make_unique<File>(*this, path, std::move(opened).Value()));
  }
  platform::Status CreateFolder(const std::string& path) override {
    return Step("create folder " + path) ? EnvWrapper::CreateFolder(path) : Refused();
  }
  platform::Status DeleteFile(const std::string& path) override {
    return Step("delete " + path) ? EnvWrapper::DeleteFile(path) : Refused();
  }
  platform::Status DeleteFolder(const std::string& path) override {
    return Step("delete folder " + path) ? EnvWrapper::DeleteFolder(path) : Refused();
  }
  platform::Status MoveFile(const std::string& from, const std::string& to) override {
    return Step("move " + from + " to " + to) ? EnvWrapper::MoveFile(from, to) : Refused();
  }
  // The rename a replacement is made of (Env::ReplaceFile).
  platform::Status RenameFile(const std::string& source, const std::string& target) override {
    return Step("replace " + target + " by " + source) ? EnvWrapper::RenameFile(source, target)
                                                       : Refused();
  }
  platform::Result<std::string> CreateTempFile(const std::string& folder,
                                               const std::string& prefix) override {
    if (!Step("create temporary file in " + folder)) {
      return Refused();
    }
    return EnvWrapper::CreateTempFile(folder, prefix);
  }

 private:
  class File : public platform::FileWrapper {
   public:
    File(KillSwitchEnv& env, std::string path, std::unique_ptr<platform::File> file)
        : FileWrapper(std::move(file)), env_(env), path_(std::move(path)) {}
    std::size_t Write(const void* buffer, std::size_t count) override {
      if (!env_.Step("write " + path_)) {
        throw Killed{};
      }
      return FileWrapper::Write(buffer, count);
    }

   private:
    KillSwitchEnv& env_;
    std::string path_;
  };

  // Whether the step may be taken. The step killed at throws, unless the program is unwinding
  // already; later ones are refused quietly.
  bool Step(const std::string& what) {
    if (killed_) {
      return false;
    }
    steps_.push_back(what);
    if (static_cast<long>(steps_.size()) - 1 != killAt_) {
      return true;
    }
    killed_ = true;
    if (std::uncaught_exceptions() == 0) {
      throw Killed{};
    }
    return false;
  }
  static platform::Status Refused() { return platform::Status::Of(platform::Reason::kIoError); }

  long killAt_;
  bool killed_ = false;
  std::vector<std::string> steps_;
};
