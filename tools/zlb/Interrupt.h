#pragma once

#include <signal.h>

#include <functional>
#include <string>

#include "platform/EnvWrapper.h"

namespace zlb {

// Files that must not outlive an interrupted run. While they are registered, SIGINT, SIGTERM
// and SIGHUP remove them and end the program with status 128 + the signal's number (130 for
// Ctrl-C, 143 for SIGTERM), so that an interrupted create or add leaves no temporary file and
// no half-built archive behind. A run ends either that way, having put nothing in place, or,
// once Commit has put its result in place, with the status of its work.
class InterruptCleanup {
 public:
  // Holds SIGINT, SIGTERM and SIGHUP back for its lifetime; one that comes meanwhile is acted
  // on when it ends. For steps a signal must not cut in two, such as creating a temporary file
  // and registering it.
  class Held {
   public:
    Held();
    ~Held();
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

   private:
    sigset_t saved_;  // the signal mask before
  };

  // Installs the signal handlers; the files registered later are removed on a signal.
  InterruptCleanup();
  // Forgets the files and restores the signals' default handling, unless a commit made them
  // ignored.
  ~InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

  // The file of one slot (0 to kSlots - 1) to remove on a signal, a host path (UTF-8); it
  // takes the place of the slot's earlier one. A path too long for the handler's fixed buffers
  // is not kept; false then.
  static constexpr int kSlots = 4;
  bool Set(int slot, const std::string& hostPath);
  // The slot's file is in its final place, or gone: nothing to remove any more.
  void Clear(int slot);

  // Runs step, which puts the finished result in place and says whether it did, with the
  // signals held back. Once it has succeeded the run's work is done: the files are forgotten
  // and the signals are ignored until the program ends, so that a run never reports an
  // interruption after changing anything, and a signal during the step (a copy between file
  // systems included) cannot leave a partial copy behind.
  bool Commit(const std::function<bool()>& step);

 private:
  bool committed_ = false;
};

// An environment that registers each temporary file created through it with the cleanup, in
// one slot, until the file has been moved into place or deleted; creating and registering, and
// moving and forgetting, happen with the signals held back. For the archive's own temporary
// files, such as the one beside each member an extraction writes.
class TemporaryFilesCleanupEnv : public platform::EnvWrapper {
 public:
  TemporaryFilesCleanupEnv(platform::Env* target, InterruptCleanup& cleanup, int slot)
      : EnvWrapper(target), cleanup_(cleanup), slot_(slot) {}

  std::string CreateTempFile(const std::string& folder, const std::string& prefix) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
  bool ReplaceFile(const std::string& source, const std::string& target) override;
  bool DeleteFile(const std::string& path) override;

 private:
  // Runs a step that moves or deletes `from`; the file is forgotten when it is gone.
  bool Settle(const std::string& from, const std::function<bool()>& step);

  InterruptCleanup& cleanup_;
  int slot_;
  std::string tracked_;  // the registered file, as created
};

}  // namespace zlb
