#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/Crc32.h"
#include "archive/FileHelpers.h"
#include "archive/MemberPacking.h"
#include "archive/WorkerPool.h"

namespace platform {
class Env;
}

// Packs a list of sources for the archive, on worker threads or on the caller's own, and hands
// them out in list order. Each member is its own zlib stream, so the bytes are the same
// whichever thread packs it and however many do. The zlib streams held in memory by all
// members together stay within a limit; the part of a member's stream beyond it goes to one
// temporary file, which only the member next in line may use (others wait for memory or their
// turn). Everything the caller is told comes on its own thread.
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
    // Makes the temporary file for what does not fit in memory, when first needed; its name.
    std::function<std::string()> makeTempFile;
  };

  PackingPipeline(std::vector<std::string> sources, Settings settings);
  // Stops the workers and waits for them; the temporary file is deleted.
  ~PackingPipeline();
  PackingPipeline(const PackingPipeline&) = delete;
  PackingPipeline& operator=(const PackingPipeline&) = delete;

  // The next source, packed. Before it returns, opened(size) is called once the source is open,
  // then progress(consumed) for each full buffer of compressed output, as the packing goes
  // (packed by a worker, they are passed on as they come). Fails with the packing's failure.
  // The result must be destroyed before the next call.
  PackedMember Next(const std::function<void(std::int64_t)>& opened,
                    const std::function<void(std::int64_t)>& progress);

 private:
  struct Item;
  class Watcher;

  Item& ItemAt(std::size_t index);
  void PackOnWorker(std::size_t index);
  PackedMember NextHere(const std::function<void(std::int64_t)>& opened,
                        const std::function<void(std::int64_t)>& progress);
  // The temporary file, made when first asked for.
  TStream& SpillFile();

  const std::vector<std::string> sources_;
  const Settings settings_;
  std::size_t threads_ = 0;  // none: the caller's thread packs each source as it asks for it
  std::size_t window_ = 1;
  std::vector<std::unique_ptr<Item>> items_;  // a ring of window_ items
  std::size_t taken_ = 0;                     // the sources handed out so far
  // Guarded by the pool's mutex:
  std::int64_t memoryHeld_ = 0;
  bool spillInUse_ = false;
  bool spillWanted_ = false;  // the head member's worker waits for the file to be made
  std::exception_ptr spillFailure_;
  // Declared before the pool, so that the workers are gone before these are.
  std::unique_ptr<TemporaryFile> spillName_;
  std::unique_ptr<TFileStream> spill_;
  std::unique_ptr<WorkerPool> pool_;
};
