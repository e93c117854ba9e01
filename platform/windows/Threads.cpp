#include "platform/Threads.h"

#include <utility>

namespace platform {

// Windows delivers Ctrl-C and the console's close request on a thread of their own, not as
// signals to a running thread, so a worker needs nothing set up.
std::thread StartWorkerThread(std::function<void()> body) {
  return std::thread(std::move(body));
}

unsigned ProcessorCount() {
  const unsigned count = std::thread::hardware_concurrency();
  return count > 0 ? count : 1;
}

}  // namespace platform
