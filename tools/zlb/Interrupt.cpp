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

}  // namespace

InterruptCleanup::InterruptCleanup() {
  for (auto& slot : used) {
    slot = 0;
  }
  SetHandling(RemoveAndExit);
}

InterruptCleanup::Held::Held() {
  sigset_t held;
  sigemptyset(&held);
  for (const int signal : kSignals) {
    sigaddset(&held, signal);
  }
  ::sigprocmask(SIG_BLOCK, &held, &saved_);
}

InterruptCleanup::Held::~Held() {
  ::sigprocmask(SIG_SETMASK, &saved_, nullptr);
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

bool InterruptCleanup::Commit(const std::function<bool()>& step) {
  Held held;
  if (!step()) {
    return false;  // a signal held back meanwhile now removes the files and ends the program
  }
  for (auto& slot : used) {
    slot = 0;
  }
  // Ignoring a signal also drops one that is waiting, held back during the step.
  SetHandling(SIG_IGN);
  committed_ = true;
  return true;
}

std::string TemporaryFilesCleanupEnv::CreateTempFile(const std::string& folder,
                                                     const std::string& prefix) {
  InterruptCleanup::Held held;
  std::string name = EnvWrapper::CreateTempFile(folder, prefix);
  if (!name.empty()) {
    if (const auto host = HostPath(name); host && cleanup_.Set(slot_, *host)) {
      tracked_ = name;
    }
  }
  return name;
}

bool TemporaryFilesCleanupEnv::Settle(const std::string& from, const std::function<bool()>& step) {
  InterruptCleanup::Held held;
  const bool done = step();
  if (done && !tracked_.empty() && from == tracked_) {
    cleanup_.Clear(slot_);
    tracked_.clear();
  }
  return done;
}

bool TemporaryFilesCleanupEnv::MoveFile(const std::string& from, const std::string& to) {
  return Settle(from, [&] { return EnvWrapper::MoveFile(from, to); });
}

bool TemporaryFilesCleanupEnv::ReplaceFile(const std::string& source, const std::string& target) {
  return Settle(source, [&] { return EnvWrapper::ReplaceFile(source, target); });
}

bool TemporaryFilesCleanupEnv::DeleteFile(const std::string& path) {
  return Settle(path, [&] { return EnvWrapper::DeleteFile(path); });
}

}  // namespace zlb
