#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/Crc32.h"
#include "archive/WorkerPool.h"
#include "platform/Stream.h"

namespace platform {
class Env;
}

namespace archive {

// Inflates archive members on worker threads ahead of a caller who reads them one after the
// other in a known order, and hands each member over as it would have come out of reading it
// there and then: piece by piece (4096 bytes, as the archive reads them), with the beeps the
// inflation sounded before each piece sounded again on the caller's thread, and with a failure
// at the piece where it came. The member the caller is at is passed on a few pieces at a time;
// the data of the members behind it, read further ahead, stays within a limit.
class ReadingPipeline {
 public:
  struct Member {
    int index = 0;
    const TArchiveEntry* entry = nullptr;  // must stay valid while this lives
    bool misplaced = false;                // not read at all: the caller refuses it
  };
  struct Settings {
    platform::Env* env = nullptr;  // for the beeps, on the caller's thread
    const Crc32Engine* crc = nullptr;
    std::size_t threads = 2;
    std::int64_t memoryLimit = 0;
    // Whether the members' bytes are kept for the caller, or only their verdicts.
    bool keepData = true;
  };
  // The bytes handed out at a time.
  static constexpr std::size_t kPiece = 4096;

  class Ticket;

  // Opens the archive file once for each worker (others may read it too): fails as opening it
  // for reading does.
  ReadingPipeline(const std::string& fileName, std::vector<Member> members, Settings settings);
  // Stops the workers and waits for them.
  ~ReadingPipeline();
  ReadingPipeline(const ReadingPipeline&) = delete;
  ReadingPipeline& operator=(const ReadingPipeline&) = delete;

  // The member `index` if it comes next in the order; the members before it in the order are
  // dropped. Empty when it is not in the rest of the order, or when its bytes are wanted and not
  // kept (then it is dropped too): the caller reads it itself. The ticket must be done with
  // before the next call.
  static std::unique_ptr<Ticket> Take(const std::shared_ptr<ReadingPipeline>& self, int index,
                                      bool wantData);

 private:
  struct Chunk;
  struct Item;

  Item& ItemAt(std::size_t position);
  void ReadOne(std::size_t position, std::size_t worker);
  // A chunk to fill, used before or new. With the lock held.
  std::unique_ptr<Chunk> SpareChunk();
  // Keeps a chunk the caller is done with for the next one; nullptr is passed over. With the
  // lock held.
  void Recycle(std::unique_ptr<Chunk> chunk);
  // Hands the chunk over to the caller, waiting for memory if need be. With the lock held.
  void Publish(std::size_t position, Item& item, std::unique_ptr<Chunk>& chunk,
               std::unique_lock<std::mutex>& lock);
  // Lets go of the member at the head: tells its worker to stop, waits for it, frees its slot.
  void DropHead(std::unique_lock<std::mutex>& lock);

  const std::vector<Member> members_;
  const Settings settings_;
  std::size_t window_ = 1;
  std::vector<std::unique_ptr<Item>> items_;         // a ring of window_ items
  std::vector<std::unique_ptr<TFileStream>> files_;  // one for each worker
  std::int64_t memoryHeld_ = 0;                      // guarded by the pool's mutex
  std::vector<std::unique_ptr<Chunk>> spare_;        // guarded by the pool's mutex
  // Who sleeps, so that the other side wakes them only when they wait; guarded likewise.
  bool callerWaiting_ = false;
  std::size_t workersWaiting_ = 0;
  std::unique_ptr<WorkerPool> pool_;
};

// One member as the worker reading it hands it over.
class ReadingPipeline::Ticket {
 public:
  Ticket(std::shared_ptr<ReadingPipeline> owner, std::size_t position);
  // Done with the member: its slot goes to the members behind it.
  ~Ticket();
  Ticket(const Ticket&) = delete;
  Ticket& operator=(const Ticket&) = delete;

  // The next piece of the member (kPiece bytes, or what is left for the last one), once the
  // worker has it, after sounding the beeps that came before it. nullptr when the bytes are not
  // kept. Fails with the member's failure at the piece where it came.
  const std::uint8_t* Next();
  // After the last piece: the CRC-32 register over all the pieces (before its final inversion).
  // Fails with a failure that came before any piece (of a member with none).
  std::uint32_t Finish();

 private:
  // Waits for the next chunk, or fails as the member did.
  void Refill();

  std::shared_ptr<ReadingPipeline> owner_;
  std::size_t position_;
  std::unique_ptr<Chunk> chunk_;  // the one being handed out
  std::size_t piece_ = 0;         // its next piece
};

}  // namespace archive
