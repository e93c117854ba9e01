#include "tools/zlb/Interrupt.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace zlb {
namespace {

// The handler may only touch memory that is ready before it runs: fixed buffers, each marked
// as in use only once its path is complete.
constexpr int kSlots = InterruptCleanup::kSlots;
char paths[kSlots][PATH_MAX];
volatile sig_atomic_t used[kSlots];
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveAndExit(int signal) {
  for (int i = 0; i < kSlots; ++i) {
    if (used[i] != 0) {
      ::unlink(paths[i]);
    }
  }
  // The progress line, if any, is left behind a line end so the shell's prompt starts clean.
  static const char kNotice[] = "\nzlb: interrupted\n";
  [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, kNotice, sizeof kNotice - 1);
  ::_exit(128 + signal);
}

}  // namespace

InterruptCleanup::InterruptCleanup() {
  for (auto& slot : used) {
    slot = 0;
  }
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = RemoveAndExit;
  sigfillset(&action.sa_mask);  // one signal at a time
  for (const int signal : kSignals) {
    ::sigaction(signal, &action, nullptr);
  }
}

InterruptCleanup::~InterruptCleanup() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = SIG_DFL;
  for (const int signal : kSignals) {
    ::sigaction(signal, &action, nullptr);
  }
  for (auto& slot : used) {
    slot = 0;
  }
}

bool InterruptCleanup::Set(int slot, const std::string& hostPath) {
  if (slot < 0 || slot >= kSlots) {
    return false;
  }
  used[slot] = 0;  // the handler leaves the buffer alone while it is rewritten
  if (hostPath.empty() || hostPath.size() >= PATH_MAX) {
    return false;
  }
  std::memcpy(paths[slot], hostPath.c_str(), hostPath.size() + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);  // the path is complete before its mark
  used[slot] = 1;
  return true;
}

void InterruptCleanup::Clear(int slot) {
  if (slot >= 0 && slot < kSlots) {
    used[slot] = 0;
  }
}

}  // namespace zlb
