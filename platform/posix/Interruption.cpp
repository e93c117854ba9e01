// Interruptions on the host are the signals SIGINT, SIGTERM and SIGHUP.
#include "platform/Interruption.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace platform {
namespace {

// The handler may only touch memory that is ready before it runs: fixed buffers, each marked
// as in use only once its path is complete.
constexpr int kSlots = InterruptCleanup::kSlots;
char paths[kSlots][PATH_MAX];
volatile sig_atomic_t used[kSlots];
char notice[256];
std::size_t noticeLength = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveAndExit(int signal) {
  for (int i = 0; i < kSlots; ++i) {
    if (used[i] != 0) {
      ::unlink(paths[i]);
    }
  }
  [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, notice, noticeLength);
  ::_exit(128 + signal);
}

// The handling of the three signals; a handler runs with every signal blocked, so one signal
// at a time.
void SetHandling(void (*handler)(int)) {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = handler;
  sigfillset(&action.sa_mask);
  for (const int signal : kSignals) {
    ::sigaction(signal, &action, nullptr);
  }
}

// How many Helds there are now, and the signal mask from before the first of them.
int heldDepth = 0;
sigset_t maskBeforeHeld;

}  // namespace

InterruptCleanup::InterruptCleanup(const std::string& text) {
  for (auto& slot : used) {
    slot = 0;
  }
  noticeLength = std::min(text.size(), sizeof notice - 1);
  std::memcpy(notice, text.data(), noticeLength);
  SetHandling(RemoveAndExit);
}

InterruptCleanup::Held::Held() {
  if (heldDepth++ > 0) {
    return;
  }
  sigset_t held;
  sigemptyset(&held);
  for (const int signal : kSignals) {
    sigaddset(&held, signal);
  }
  ::sigprocmask(SIG_BLOCK, &held, &maskBeforeHeld);
}

InterruptCleanup::Held::~Held() {
  if (--heldDepth == 0) {
    ::sigprocmask(SIG_SETMASK, &maskBeforeHeld, nullptr);
  }
}

InterruptCleanup::~InterruptCleanup() {
  for (auto& slot : used) {
    slot = 0;
  }
  if (!committed_) {
    SetHandling(SIG_DFL);
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

Status InterruptCleanup::Commit(const std::function<Status()>& step) {
  Held held;
  const Status done = step();
  if (!done) {
    return done;  // a signal held back meanwhile now removes the files and ends the program
  }
  for (auto& slot : used) {
    slot = 0;
  }
  // Ignoring a signal also drops one that is waiting, held back during the step.
  SetHandling(SIG_IGN);
  committed_ = true;
  return done;
}

}  // namespace platform
