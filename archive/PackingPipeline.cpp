#include "archive/PackingPipeline.h"

#include <algorithm>
#include <utility>

#include "platform/Env.h"

namespace archive {

// One source on its way through the pipeline. A ring of them is reused: item i lives in the
// slot of i modulo the window, which is free again once the caller has taken item i - window.
struct PackingPipeline::Item {
  explicit Item(PackingPipeline& pipeline);
  // Made empty for the next source that uses the slot. With the mutex held.
  void Clear();

  std::unique_ptr<Watcher> watcher;
  // Guarded by the pool's mutex: what the worker has found out and not yet handed out.
  std::int64_t size = -1;  // known once the source is open
  std::vector<std::int64_t> progress;
  bool done = false;
  PackedMember result;
  std::exception_ptr failure;
};

// The pipeline as the packing of one item sees it.
class PackingPipeline::Watcher : public PackingWatcher {
 public:
  explicit Watcher(PackingPipeline& pipeline) : pipeline_(pipeline) {}

  // The item this watcher serves from now on; set by the thread that packs it, before it does.
  void Serve(std::size_t index) { index_ = index; }

  void Opened(std::int64_t sourceSize) override {
    if (!Pooled()) {
      (*opened_)(sourceSize);
      return;
    }
    std::lock_guard<std::mutex> lock(pipeline_.pool_->Mutex());
    pipeline_.ItemAt(index_).size = sourceSize;
    WakeCaller();
  }
  void Progress(std::int64_t consumed) override {
    if (!Pooled()) {
      (*progress_)(consumed);
      return;
    }
    std::lock_guard<std::mutex> lock(pipeline_.pool_->Mutex());
    pipeline_.ItemAt(index_).progress.push_back(consumed);
    WakeCaller();
  }
  bool TakeMemory(std::int64_t count) override {
    std::lock_guard<std::mutex> lock(pipeline_.pool_->Mutex());
    return TakeLocked(count);
  }
  void GiveMemory(std::int64_t count) override {
    {
      std::lock_guard<std::mutex> lock(pipeline_.pool_->Mutex());
      pipeline_.memoryHeld_ -= count;
    }
    pipeline_.pool_->WorkersWake().notify_all();
  }
  TStream* Overflow(std::int64_t count) override {
    if (!Pooled()) {
      return out_;
    }
    WorkerPool& pool = *pipeline_.pool_;
    std::unique_lock<std::mutex> lock(pool.Mutex());
    for (;;) {
      if (pool.Stopping()) {
        throw PackingStopped{};
      }
      if (TakeLocked(count)) {
        return nullptr;
      }
      // The archive is lent only while the caller waits for this very member.
      if (pool.Head() == index_ && pipeline_.out_ != nullptr) {
        return pipeline_.out_;
      }
      pool.WorkersWake().wait(lock);
    }
  }
  bool Stopped() override { return pipeline_.pool_->Stopping(); }

  // For packing on the caller's thread: what to tell it, and where the member goes.
  void TellCaller(TStream* out, const std::function<void(std::int64_t)>* opened,
                  const std::function<void(std::int64_t)>* progress) {
    out_ = out;
    opened_ = opened;
    progress_ = progress;
  }

 private:
  bool Pooled() const { return pipeline_.threads_ > 0; }
  bool TakeLocked(std::int64_t count) {
    if (pipeline_.memoryHeld_ + count > pipeline_.settings_.memoryLimit) {
      return false;
    }
    pipeline_.memoryHeld_ += count;
    return true;
  }
  // With the mutex held.
  void WakeCaller() {
    if (pipeline_.pool_->Head() == index_) {
      pipeline_.pool_->CallerWakes().notify_all();
    }
  }

  PackingPipeline& pipeline_;
  std::size_t index_ = 0;
  TStream* out_ = nullptr;
  const std::function<void(std::int64_t)>* opened_ = nullptr;
  const std::function<void(std::int64_t)>* progress_ = nullptr;
};

PackingPipeline::Item::Item(PackingPipeline& pipeline)
    : watcher(std::make_unique<Watcher>(pipeline)) {}

void PackingPipeline::Item::Clear() {
  size = -1;
  progress.clear();
  done = false;
  failure = nullptr;
}

PackingPipeline::PackingPipeline(std::vector<std::string> sources, Settings settings)
    : sources_(std::move(sources)), settings_(std::move(settings)) {
  threads_ = settings_.threads >= 2 && sources_.size() >= 2
                 ? std::min(settings_.threads, sources_.size())
                 : 0;
  // Far enough ahead that every worker finds work while the caller appends a large member;
  // near enough that the sources kept open for storing stay few.
  window_ = threads_ == 0 ? 1 : std::max<std::size_t>(4 * threads_, 16);
  for (std::size_t i = 0; i < window_; ++i) {
    items_.push_back(std::make_unique<Item>(*this));
  }
  pool_ = std::make_unique<WorkerPool>(
      sources_.size(), window_, [this](std::size_t index, std::size_t) { PackOnWorker(index); });
  pool_->Start(threads_);
}

PackingPipeline::~PackingPipeline() {
  // The workers first; then the results they left, which give back through the pool's mutex.
  pool_->StopAndJoin();
  items_.clear();
}

PackingPipeline::Item& PackingPipeline::ItemAt(std::size_t index) {
  return *items_[index % window_];
}

void PackingPipeline::PackOnWorker(std::size_t index) {
  Item& item = ItemAt(index);
  item.watcher->Serve(index);
  PackedMember result;
  std::exception_ptr failure;
  try {
    result =
        PackSource(sources_[index], settings_.level, *settings_.env, *settings_.crc, *item.watcher);
  } catch (const PackingStopped&) {
    // Nobody waits for this item any more.
  } catch (...) {
    failure = std::current_exception();
  }
  std::lock_guard<std::mutex> lock(pool_->Mutex());
  item.result = std::move(result);
  item.failure = std::move(failure);
  item.done = true;
  pool_->CallerWakes().notify_all();
}

PackedMember PackingPipeline::NextHere(TStream& out,
                                       const std::function<void(std::int64_t)>& opened,
                                       const std::function<void(std::int64_t)>& progress) {
  Item& item = ItemAt(taken_);
  item.watcher->Serve(taken_);
  item.watcher->TellCaller(&out, &opened, &progress);
  const std::string& source = sources_[taken_++];
  return PackSource(source, settings_.level, *settings_.env, *settings_.crc, *item.watcher);
}

PackedMember PackingPipeline::Next(TStream& out, const std::function<void(std::int64_t)>& opened,
                                   const std::function<void(std::int64_t)>& progress) {
  if (threads_ == 0) {
    return NextHere(out, opened, progress);
  }
  WorkerPool& pool = *pool_;
  Item& item = ItemAt(taken_);
  bool toldOpened = false;
  std::unique_lock<std::mutex> lock(pool.Mutex());
  // The worker of this member may write into the archive while this waits, and only then.
  struct Lend {
    PackingPipeline& pipeline;
    std::unique_lock<std::mutex>& lock;
    Lend(PackingPipeline& p, std::unique_lock<std::mutex>& l, TStream& out) : pipeline(p), lock(l) {
      pipeline.out_ = &out;
      pipeline.pool_->WorkersWake().notify_all();
    }
    ~Lend() {
      if (!lock.owns_lock()) {
        lock.lock();
      }
      pipeline.out_ = nullptr;
    }
  };
  {
    Lend lend(*this, lock, out);
    for (;;) {
      if (!toldOpened && item.size >= 0) {
        toldOpened = true;
        const std::int64_t size = item.size;
        lock.unlock();
        opened(size);
        lock.lock();
      } else if (!item.progress.empty()) {
        std::vector<std::int64_t> reports;
        reports.swap(item.progress);
        lock.unlock();
        for (const std::int64_t consumed : reports) {
          progress(consumed);
        }
        lock.lock();
      } else if (item.done) {
        break;
      } else {
        pool.CallerWakes().wait(lock);
      }
    }
  }
  PackedMember result = std::move(item.result);
  std::exception_ptr failure = std::move(item.failure);
  item.Clear();
  ++taken_;
  pool.Advance();
  lock.unlock();
  if (failure) {
    std::rethrow_exception(failure);
  }
  return result;
}

}  // namespace archive
