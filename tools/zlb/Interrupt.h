#pragma once

#include <functional>
#include <string>

#include "platform/EnvWrapper.h"
#include "platform/Interruption.h"

namespace zlb {

// What an interruption writes on standard error before it ends the program: the progress line,
// if any, is left behind a line end so that the shell's prompt starts clean.
inline constexpr char kInterruptedNotice[] = "\nzlb: interrupted\n";

// An environment that registers each temporary file created through it with the cleanup, in a
// slot of its own, until the file has been moved into place or deleted; creating and
// registering, and moving and forgetting, happen with interruptions held back. For the
// archive's own temporary files, such as the one beside each member an extraction writes.
class TemporaryFilesCleanupEnv : public platform::EnvWrapper {
 public:
  TemporaryFilesCleanupEnv(platform::Env* target, platform::InterruptCleanup& cleanup)
      : EnvWrapper(target), cleanup_(cleanup), slot_(cleanup.ReserveSlot()) {}
  ~TemporaryFilesCleanupEnv() override { cleanup_.ReleaseSlot(slot_); }
  TemporaryFilesCleanupEnv(const TemporaryFilesCleanupEnv&) = delete;
  TemporaryFilesCleanupEnv& operator=(const TemporaryFilesCleanupEnv&) = delete;

  platform::Result<std::string> CreateTempFile(const std::string& folder,
                                               const std::string& prefix) override;
  platform::Status MoveFile(const std::string& from, const std::string& to) override;
  platform::Status RenameFile(const std::string& source, const std::string& target) override;
  platform::Status DeleteFile(const std::string& path) override;

 private:
  // Runs a step that moves or deletes `from`; the file is forgotten when it is gone.
  platform::Status Settle(const std::string& from, const std::function<platform::Status()>& step);

  platform::InterruptCleanup& cleanup_;
  int slot_;
  std::string tracked_;  // the registered file, as created
};

}  // namespace zlb
