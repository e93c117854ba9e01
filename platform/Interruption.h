#pragma once

#include <functional>
#include <string>

#include "platform/Status.h"

// Interruptions of a command-line program from outside, and the files they must not leave
// behind.
namespace platform {

// Files that must not outlive an interrupted run. While an InterruptCleanup exists, an
// interruption (Ctrl-C, a request to end the program, the terminal going away) removes the files
// registered with it, writes the notice on standard error and ends the program at once with
// status 128 + the signal's number (130 for Ctrl-C, 143 for a request to end, 129 for a
// hang-up), so that an interrupted run leaves no temporary file and no half-built result behind.
// A run ends either that way, having put nothing in place, or, once Commit has put its result in
// place, with the status of its work. One exists at a time in a process.
class InterruptCleanup {
 public:
  // Holds interruptions back for its lifetime; one that comes meanwhile is acted on when the
  // outermost Held ends. For steps an interruption must not cut in two, such as creating a
  // temporary file and registering it. Helds nest.
  class Held {
   public:
    Held();
    ~Held();
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
  };

  // Starts acting on interruptions; the files registered later are removed on one. notice: the
  // text written on standard error then, as it is (at most 255 bytes are kept).
  explicit InterruptCleanup(const std::string& notice);
  // Forgets the files and restores the default handling of interruptions, unless a commit made
  // them ignored.
  ~InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

  // The file of one slot (0 to kSlots - 1) to remove on an interruption, a host path (UTF-8);
  // it takes the place of the slot's earlier one. A path too long for the fixed room kept for
  // it is not kept; false then.
  static constexpr int kSlots = 4;
  bool Set(int slot, const std::string& hostPath);
  // The slot's file is in its final place, or gone: nothing to remove any more.
  void Clear(int slot);

  // A slot of its own for one user of the cleanup, which no other user is handed until it is
  // released; -1 when all are taken. Releasing clears it.
  int ReserveSlot() {
    for (int slot = 0; slot < kSlots; ++slot) {
      if (!reserved_[slot]) {
        reserved_[slot] = true;
        return slot;
      }
    }
    return -1;
  }
  void ReleaseSlot(int slot) {
    if (slot >= 0 && slot < kSlots) {
      Clear(slot);
      reserved_[slot] = false;
    }
  }

  // Runs step, which puts the finished result in place and says whether it did (and if not,
  // why), with interruptions held back. Once it has succeeded the run's work is done: the files
  // are forgotten and interruptions are ignored until the program ends, so that a run never
  // reports an interruption after changing anything, and one during the step (a copy between
  // file systems included) cannot leave a partial copy behind.
  Status Commit(const std::function<Status()>& step);

 private:
  bool committed_ = false;
  bool reserved_[kSlots] = {};
};

}  // namespace platform
