#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace archive {

// Worker threads that work through numbered jobs 0, 1, 2, ... in order, for a caller that takes
// their results in the same order on its own thread. A worker starts a job only while it lies
// fewer than `window` jobs ahead of the caller's current one (the head), so what finished jobs
// hold waiting for the caller stays bounded.
//
// The workers and the caller meet under one mutex: the caller waits on CallerWakes for news of
// the head job, workers wait on WorkersWake for room (the head moving on, memory coming free).
// A job is run with the mutex not held and must catch its own failures; one that sees Stopping
// should end soon. The destructor stops the workers and waits for them.
class WorkerPool {
 public:
  // job(index, worker): worker is the number (0 to threads - 1) of the thread running it, for
  // resources each thread keeps for itself.
  using Job = std::function<void(std::size_t index, std::size_t worker)>;

  WorkerPool(std::size_t jobs, std::size_t window, Job job);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  std::mutex& Mutex() { return mutex_; }
  std::condition_variable& CallerWakes() { return callerWakes_; }
  std::condition_variable& WorkersWake() { return workersWake_; }

  // Starts the worker threads (none: the pool only keeps the head for a caller that does the
  // jobs itself). Once, after whatever the jobs use is in place. Fails when the system gives no
  // thread; those started are stopped again.
  void Start(std::size_t threads);
  // The job the caller is at. With the mutex held.
  std::size_t Head() const { return head_; }
  // The caller is done with the head job: the next one becomes the head. With the mutex held.
  void Advance();
  // Asks the workers to end: no new job starts, and running ones should end early. Without the
  // mutex held.
  void Stop();
  // Stops the workers and waits for them to end; the mutex and the head stay usable.
  void StopAndJoin();
  bool Stopping() const { return stopping_.load(std::memory_order_relaxed); }

 private:
  void Work(std::size_t worker);

  const std::size_t jobs_;
  const std::size_t window_;
  const Job job_;
  std::mutex mutex_;
  std::condition_variable callerWakes_;
  std::condition_variable workersWake_;
  std::size_t head_ = 0;  // guarded by mutex_
  std::size_t next_ = 0;  // the next job to start; guarded by mutex_
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> threads_;
};

}  // namespace archive
