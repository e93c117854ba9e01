#pragma once

#include <string>

namespace zlb {

// Files that must not outlive an interrupted run. While they are registered, SIGINT, SIGTERM
// and SIGHUP remove them and end the program with status 128 + the signal's number (130 for
// Ctrl-C, 143 for SIGTERM), so that an interrupted create or add leaves no temporary file and
// no half-built archive behind.
class InterruptCleanup {
 public:
  // Installs the signal handlers; the files registered later are removed on a signal.
  InterruptCleanup();
  // Forgets the files and restores the signals' default handling.
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
};

}  // namespace zlb
