#include "archive/WorkerPool.h"

#include <utility>

#include "platform/Threads.h"

namespace archive {

WorkerPool::WorkerPool(std::size_t jobs, std::size_t window, Job job)
    : jobs_(jobs), window_(window > 0 ? window : 1), job_(std::move(job)) {}

void WorkerPool::Start(std::size_t threads) {
  threads_.reserve(threads);
  try {
    for (std::size_t worker = 0; worker < threads; ++worker) {
      threads_.push_back(platform::StartWorkerThread([this, worker] { Work(worker); }));
    }
  } catch (...) {
    // No thread to be had: those started are stopped again.
    StopAndJoin();
    throw;
  }
}

WorkerPool::~WorkerPool() {
  StopAndJoin();
}

void WorkerPool::StopAndJoin() {
  Stop();
  for (std::thread& thread : threads_) {
    if (thread.joinable()) {
      thread.join();
    }
  }
}

void WorkerPool::Advance() {
  ++head_;
  workersWake_.notify_all();
}

void WorkerPool::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  workersWake_.notify_all();
  callerWakes_.notify_all();
}

void WorkerPool::Work(std::size_t worker) {
  for (;;) {
    std::size_t index = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      workersWake_.wait(lock,
                        [&] { return Stopping() || next_ >= jobs_ || next_ < head_ + window_; });
      if (Stopping() || next_ >= jobs_) {
        return;
      }
      index = next_++;
    }
    job_(index, worker);
  }
}

}  // namespace archive
