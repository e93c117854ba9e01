#include "platform/Threads.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <utility>

namespace platform {

std::thread StartWorkerThread(std::function<void()> body) {
  // A new thread starts with its creator's signal mask: every signal is blocked around its
  // creation, and so in it for good.
  sigset_t all;
  sigset_t saved;
  sigfillset(&all);
  ::pthread_sigmask(SIG_BLOCK, &all, &saved);
  struct Restore {
    sigset_t& saved;
    ~Restore() { ::pthread_sigmask(SIG_SETMASK, &saved, nullptr); }
  } restore{saved};
  return std::thread(std::move(body));
}

unsigned ProcessorCount() {
  // The processors this process is allowed, which a pinned or confined run has fewer of than
  // the machine.
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) {
      return static_cast<unsigned>(count);
    }
  }
  const unsigned count = std::thread::hardware_concurrency();
  return count > 0 ? count : 1;
}

}  // namespace platform
