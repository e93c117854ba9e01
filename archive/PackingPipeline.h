#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/Crc32.h"
#include "archive/MemberPacking.h"
#include "archive/WorkerPool.h"

namespace platform {
class Env;
}

namespace archive {

// Packs a list of sources for the archive, on worker threads or on the caller's own, and hands
// them out in list order. Each member is its own zlib stream, so the bytes are the same
// whichever thread packs it and however many do. The zlib streams held in memory by all
// members together stay within a limit; a member whose stream needs more goes on writing it
// straight into the archive being assembled, at its place, once the caller asks for it (the
// members behind it wait for memory or their turn). Everything the caller is told comes on its
// own thread.
class PackingPipeline {
 public:
  struct Settings {
    platform::Env* env = nullptr;
    const Crc32Engine* crc = nullptr;
    TFileCompressionLevel level = fcDefault;
    // Worker threads; with fewer than two, or one source, everything is done on the caller's
    // thread as the caller asks for it.
    std::size_t threads = 1;
    // The most bytes of zlib streams held in memory at a time.
    std::int64_t memoryLimit = 0;
  };

  PackingPipeline(std::vector<std::string> sources, Settings settings);
  // Stops the workers and waits for them.
  ~PackingPipeline();
  PackingPipeline(const PackingPipeline&) = delete;
  PackingPipeline& operator=(const PackingPipeline&) = delete;

  // The next source, packed. out is the archive being assembled, positioned at its end, where
  // the member goes; a member too large for memory is written there while this waits (see
  // PackedMember::WroteInPlace). Before it returns, opened(size) is called once the source is
  // open, then progress(consumed) for each full buffer of compressed output, as the packing
  // goes (packed by a worker, they are passed on as they come). Fails with the packing's
  // failure.
  PackedMember Next(TStream& out, const std::function<void(std::int64_t)>& opened,
                    const std::function<void(std::int64_t)>& progress);

 private:
  struct Item;
  class Watcher;

  Item& ItemAt(std::size_t index);
  void PackOnWorker(std::size_t index);
  PackedMember NextHere(TStream& out, const std::function<void(std::int64_t)>& opened,
                        const std::function<void(std::int64_t)>& progress);

  const std::vector<std::string> sources_;
  const Settings settings_;
  std::size_t threads_ = 0;  // none: the caller's thread packs each source as it asks for it
  std::size_t window_ = 1;
  std::vector<std::unique_ptr<Item>> items_;  // a ring of window_ items
  std::size_t taken_ = 0;                     // the sources handed out so far
  // Guarded by the pool's mutex:
  std::int64_t memoryHeld_ = 0;
  TStream* out_ = nullptr;  // the archive, while the caller waits for the head member
  std::unique_ptr<WorkerPool> pool_;
};

}  // namespace archive
