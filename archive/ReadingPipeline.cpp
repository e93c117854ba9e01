#include "archive/ReadingPipeline.h"

#include <algorithm>
#include <deque>
#include <utility>

#include "archive/FileHelpers.h"
#include "archive/ZlibStreams.h"
#include "platform/BufferedStreams.h"
#include "platform/EnvWrapper.h"
#include "platform/Exception.h"

namespace archive {

namespace {

// Pieces handed over at a time.
constexpr std::size_t kChunkPieces = 16;
constexpr std::size_t kChunkBytes = kChunkPieces * ReadingPipeline::kPiece;
// What the member the caller is at may hold, whatever the others hold: it never waits for them,
// and a large member alone needs no more than this.
constexpr std::size_t kHeadChunks = 8;
// The caller and the worker of the member it is at take turns a few chunks at a time, not at
// every chunk: a caller with nothing to take sleeps until this many are there (or the member is
// done), and a worker that filled the head's share sleeps until it is down to this many.
constexpr std::size_t kTurnChunks = kHeadChunks / 2;
// The archive is read through a buffer of at most this size (a member needs no more than its
// own data), as when it is read on the caller's thread.
constexpr std::int64_t kFileBuffer = 256 * 1024;

// Counts the beeps of an inflation instead of sounding them; nothing else is asked of it.
class BeepCounter : public platform::EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  void Beep() override { ++count; }
  std::uint32_t Take() { return std::exchange(count, 0); }

  std::uint32_t count = 0;
};

// Thrown inside a worker whose member is no longer wanted.
struct Dropped {};

}  // namespace

// Pieces of one member: their bytes (when kept) and the beeps before each. Chunks are used
// again once the caller is done with them, so that their memory stays mapped: fresh memory for
// every chunk cost a page fault for every 4 KiB inflated.
struct ReadingPipeline::Chunk {
  std::unique_ptr<std::uint8_t[]> bytes;  // kChunkBytes, when kept
  std::size_t size = 0;                   // of bytes in use
  std::vector<std::uint32_t> beeps;
};

// One member on its way. Guarded by the pool's mutex.
struct ReadingPipeline::Item {
  void Clear() {
    held = 0;
    done = false;
    dropped = false;
    crc = 0xFFFFFFFFu;
    failure = nullptr;
    failureBeeps = 0;
  }

  std::deque<std::unique_ptr<Chunk>> chunks;
  std::int64_t held = 0;  // bytes in chunks
  bool done = false;
  bool dropped = false;  // nobody wants it any more
  std::uint32_t crc = 0xFFFFFFFFu;
  std::exception_ptr failure;      // comes after all the chunks
  std::uint32_t failureBeeps = 0;  // sounded in the piece that failed
};

ReadingPipeline::ReadingPipeline(const std::string& fileName, std::vector<Member> members,
                                 Settings settings)
    : members_(std::move(members)), settings_(std::move(settings)) {
  const std::size_t threads =
      std::max<std::size_t>(std::min(settings_.threads, members_.size()), 1);
  window_ = std::max<std::size_t>(4 * threads, 16);
  for (std::size_t i = 0; i < window_; ++i) {
    items_.push_back(std::make_unique<Item>());
  }
  for (std::size_t i = 0; i < threads; ++i) {
    files_.push_back(OpenFileForReading(fileName, *settings_.env));
  }
  pool_ = std::make_unique<WorkerPool>(
      members_.size(), window_,
      [this](std::size_t position, std::size_t worker) { ReadOne(position, worker); });
  pool_->Start(threads);
}

ReadingPipeline::~ReadingPipeline() {
  pool_->StopAndJoin();
}

ReadingPipeline::Item& ReadingPipeline::ItemAt(std::size_t position) {
  return *items_[position % window_];
}

void ReadingPipeline::ReadOne(std::size_t position, std::size_t worker) {
  const Member& member = members_[position];
  Item& item = ItemAt(position);
  const TArchiveEntry& entry = *member.entry;
  std::unique_ptr<Chunk> chunk;
  std::uint32_t crc = 0xFFFFFFFFu;
  std::exception_ptr failure;
  BeepCounter beeps(settings_.env);
  std::unique_lock<std::mutex> lock(pool_->Mutex(), std::defer_lock);
  try {
    {
      std::lock_guard<std::mutex> guard(pool_->Mutex());
      chunk = SpareChunk();
      if (item.dropped) {
        throw Dropped{};
      }
    }
    if (!member.misplaced) {
      const auto buffer = std::clamp<std::int64_t>(entry.PackedSize, kPiece, kFileBuffer);
      TReadBufferedStream reader(*files_[worker], static_cast<std::size_t>(buffer));
      TStreamSlice data(reader, entry.DataOffset, entry.PackedSize);
      TDecompressionStream inflater(data, &beeps);
      TStream& source = entry.Stored != 0 ? static_cast<TStream&>(data) : inflater;
      std::uint8_t scratch[kPiece];
      for (std::int64_t remaining = entry.UnpackedSize; remaining > 0;) {
        const auto asked = static_cast<std::size_t>(std::min<std::int64_t>(remaining, kPiece));
        std::uint8_t* into = scratch;
        if (settings_.keepData) {
          into = chunk->bytes.get() + chunk->size;
          chunk->size += asked;
        }
        const std::size_t got = source.Read(into, asked);
        if (got != asked) {
          throw Exception(FailureKind::kCorrupt,
                          FormatMessage("File (%d) is corrupt", member.index),
                          "its data ends before its size");
        }
        chunk->beeps.push_back(beeps.Take());
        crc = settings_.crc->Update(crc, into, asked);
        remaining -= static_cast<std::int64_t>(asked);
        if (chunk->beeps.size() == kChunkPieces || remaining == 0) {
          lock.lock();
          Publish(position, item, chunk, lock);
          chunk = SpareChunk();
          lock.unlock();
        }
      }
    }
  } catch (const Dropped&) {
    // Stopped, or the member was dropped: nobody waits for it.
  } catch (...) {
    failure = std::current_exception();
  }
  if (!lock.owns_lock()) {
    lock.lock();
  }
  // The pieces before a failure are handed over (a few, beyond the limit), then the failure;
  // the bytes of the piece that failed are not, but its beeps are.
  if (failure && chunk && !chunk->beeps.empty() && !item.dropped) {
    if (settings_.keepData) {
      chunk->size = chunk->beeps.size() * kPiece;
    }
    memoryHeld_ += static_cast<std::int64_t>(chunk->size);
    item.held += static_cast<std::int64_t>(chunk->size);
    item.chunks.push_back(std::move(chunk));
  }
  Recycle(std::move(chunk));
  item.failure = std::move(failure);
  item.failureBeeps = beeps.Take();
  item.crc = crc;
  item.done = true;
  pool_->CallerWakes().notify_all();
}

std::unique_ptr<ReadingPipeline::Chunk> ReadingPipeline::SpareChunk() {
  if (spare_.empty()) {
    auto chunk = std::make_unique<Chunk>();
    if (settings_.keepData) {
      chunk->bytes = std::make_unique_for_overwrite<std::uint8_t[]>(kChunkBytes);
    }
    chunk->beeps.reserve(kChunkPieces);
    return chunk;
  }
  std::unique_ptr<Chunk> chunk = std::move(spare_.back());
  spare_.pop_back();
  return chunk;
}

void ReadingPipeline::Recycle(std::unique_ptr<Chunk> chunk) {
  if (chunk) {
    chunk->size = 0;
    chunk->beeps.clear();
    spare_.push_back(std::move(chunk));
  }
}

void ReadingPipeline::Publish(std::size_t position, Item& item, std::unique_ptr<Chunk>& chunk,
                              std::unique_lock<std::mutex>& lock) {
  const auto size = static_cast<std::int64_t>(chunk->size);
  for (;;) {
    if (pool_->Stopping() || item.dropped) {
      throw Dropped{};
    }
    // The member being written is passed on as it comes, a few pieces at a time; the members
    // behind it share the limit.
    const bool atHead = pool_->Head() == position;
    if (size == 0 ||
        (atHead ? item.chunks.size() < kHeadChunks : memoryHeld_ + size <= settings_.memoryLimit)) {
      break;
    }
    ++workersWaiting_;
    pool_->WorkersWake().wait(lock);
    --workersWaiting_;
  }
  memoryHeld_ += size;
  item.held += size;
  item.chunks.push_back(std::move(chunk));
  if (callerWaiting_ && pool_->Head() == position && item.chunks.size() >= kTurnChunks) {
    pool_->CallerWakes().notify_all();
  }
}

void ReadingPipeline::DropHead(std::unique_lock<std::mutex>& lock) {
  const std::size_t head = pool_->Head();
  Item& item = ItemAt(head);
  item.dropped = true;
  memoryHeld_ -= item.held;
  item.held = 0;
  for (auto& chunk : item.chunks) {
    Recycle(std::move(chunk));
  }
  item.chunks.clear();
  pool_->WorkersWake().notify_all();
  // The slot is reused only once its worker has left it.
  pool_->CallerWakes().wait(lock, [&] { return item.done; });
  item.Clear();
  pool_->Advance();
}

std::unique_ptr<ReadingPipeline::Ticket> ReadingPipeline::Take(
    const std::shared_ptr<ReadingPipeline>& self, int index, bool wantData) {
  std::unique_lock<std::mutex> lock(self->pool_->Mutex());
  std::size_t found = self->pool_->Head();
  while (found < self->members_.size() && self->members_[found].index != index) {
    ++found;
  }
  if (found == self->members_.size()) {
    return nullptr;
  }
  while (self->pool_->Head() < found) {
    self->DropHead(lock);
  }
  if (wantData && !self->settings_.keepData) {
    self->DropHead(lock);
    return nullptr;
  }
  return std::make_unique<Ticket>(self, found);
}

ReadingPipeline::Ticket::Ticket(std::shared_ptr<ReadingPipeline> owner, std::size_t position)
    : owner_(std::move(owner)), position_(position) {}

ReadingPipeline::Ticket::~Ticket() {
  std::unique_lock<std::mutex> lock(owner_->pool_->Mutex());
  if (chunk_) {
    owner_->memoryHeld_ -= static_cast<std::int64_t>(chunk_->size);
    owner_->Recycle(std::move(chunk_));
  }
  owner_->DropHead(lock);
}

void ReadingPipeline::Ticket::Refill() {
  ReadingPipeline& owner = *owner_;
  Item& item = owner.ItemAt(position_);
  std::unique_lock<std::mutex> lock(owner.pool_->Mutex());
  if (chunk_) {
    owner.memoryHeld_ -= static_cast<std::int64_t>(chunk_->size);
    owner.Recycle(std::move(chunk_));
    if (owner.workersWaiting_ > 0 && item.chunks.size() <= kTurnChunks) {
      owner.pool_->WorkersWake().notify_all();
    }
  }
  if (item.chunks.empty() && !item.done) {
    owner.callerWaiting_ = true;
    owner.pool_->CallerWakes().wait(lock,
                                    [&] { return item.chunks.size() >= kTurnChunks || item.done; });
    owner.callerWaiting_ = false;
  }
  if (item.chunks.empty()) {
    const std::uint32_t beeps = std::exchange(item.failureBeeps, 0);
    const std::exception_ptr failure = item.failure;
    lock.unlock();
    for (std::uint32_t i = 0; i < beeps; ++i) {
      owner.settings_.env->Beep();
    }
    if (failure) {
      std::rethrow_exception(failure);
    }
    // The worker ended without the member's pieces: only a stop does that.
    throw Exception("Invalid stream operation");
  }
  chunk_ = std::move(item.chunks.front());
  item.chunks.pop_front();
  item.held -= static_cast<std::int64_t>(chunk_->size);
  piece_ = 0;
}

const std::uint8_t* ReadingPipeline::Ticket::Next() {
  if (!chunk_ || piece_ == chunk_->beeps.size()) {
    Refill();
  }
  for (std::uint32_t i = 0; i < chunk_->beeps[piece_]; ++i) {
    owner_->settings_.env->Beep();
  }
  const std::uint8_t* piece =
      owner_->settings_.keepData ? chunk_->bytes.get() + piece_ * kPiece : nullptr;
  ++piece_;
  return piece;
}

std::uint32_t ReadingPipeline::Ticket::Finish() {
  ReadingPipeline& owner = *owner_;
  Item& item = owner.ItemAt(position_);
  std::unique_lock<std::mutex> lock(owner.pool_->Mutex());
  owner.pool_->CallerWakes().wait(lock, [&] { return item.done; });
  if (item.failure && item.chunks.empty()) {
    const std::uint32_t beeps = std::exchange(item.failureBeeps, 0);
    const std::exception_ptr failure = item.failure;
    lock.unlock();
    for (std::uint32_t i = 0; i < beeps; ++i) {
      owner.settings_.env->Beep();
    }
    std::rethrow_exception(failure);
  }
  return item.crc;
}

}  // namespace archive
