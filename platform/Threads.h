#pragma once

#include <functional>
#include <thread>

namespace platform {

// Starts body on a new thread that never handles the process's asynchronous signals (Ctrl-C,
// SIGTERM, SIGHUP): they keep reaching the thread that handles them, and a part of the program
// that holds them back for a moment (see tools/zlb/Interrupt.h) holds them back from the whole
// process. For worker threads that only compute and read.
std::thread StartWorkerThread(std::function<void()> body);

// The number of processors this process may run on; at least 1.
unsigned ProcessorCount();

}  // namespace platform
