#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/Crc32.h"
#include "platform/Stream.h"

namespace platform {
class Env;
}

namespace archive {

// Compressing one file that is to become an archive member, on whichever thread is given the
// work, with the zlib stream kept until the member is appended: in memory while the member
// data held in memory stays within its limit; beyond it, the member next in line goes on
// straight into the archive being assembled (a temporary file), at the member's place.

// What packing needs to know of the place it works for, and tells it as it goes. Called on the
// thread that packs.
class PackingWatcher {
 public:
  virtual ~PackingWatcher() = default;
  // The source is open and within the size an archive can hold.
  virtual void Opened(std::int64_t sourceSize) = 0;
  // The compressor passed a full buffer on, having consumed this much of the source.
  virtual void Progress(std::int64_t consumed) = 0;
  // Takes count bytes of the memory limit for the zlib stream; false when they are not free.
  virtual bool TakeMemory(std::int64_t count) = 0;
  // Gives back what TakeMemory took.
  virtual void GiveMemory(std::int64_t count) = 0;
  // No memory is free for count more bytes: the archive being assembled, positioned where the
  // member's data begins, for the zlib stream to be written to from its start; or nullptr when
  // the bytes were taken from memory after all. It may wait for either: the archive is handed
  // out only to the member whose turn it is, while its appending waits for it.
  virtual TStream* Overflow(std::int64_t count) = 0;
  // The work is no longer wanted; packing then stops at the next piece.
  virtual bool Stopped() = 0;
};

// Thrown out of packing that was stopped.
struct PackingStopped {};

// A compressed member waiting to be appended. Gives back the memory it holds when it is
// destroyed.
class PackedMember {
 public:
  PackedMember() = default;
  ~PackedMember();
  PackedMember(PackedMember&& other) noexcept;
  PackedMember& operator=(PackedMember&& other) noexcept;
  PackedMember(const PackedMember&) = delete;
  PackedMember& operator=(const PackedMember&) = delete;

  std::int64_t SourceSize() const { return sourceSize_; }
  std::uint32_t Crc() const { return crc_; }
  // Whether the zlib stream is kept: it is strictly smaller than the content.
  bool KeepsPacked() const { return keepPacked_; }
  // The bytes the member's data takes in the archive.
  std::int64_t DataSize() const { return keepPacked_ ? packedSize_ : sourceSize_; }
  // Whether bytes of the zlib stream were written into the archive already, at the member's
  // place (see PackingWatcher::Overflow): all of it when it is kept, else fewer than the
  // content, which is to be written over them.
  bool WroteInPlace() const { return inPlace_; }
  // Appends the member's data to out, positioned at the member's place: the zlib stream (or
  // what is not in place yet), or the content read from the source again.
  void WriteTo(TStream& out);

 private:
  friend PackedMember PackSource(const std::string&, TFileCompressionLevel, platform::Env&,
                                 const Crc32Engine&, PackingWatcher&);
  void Release();

  PackingWatcher* watcher_ = nullptr;
  std::int64_t sourceSize_ = 0;
  std::uint32_t crc_ = 0;
  bool keepPacked_ = false;
  std::int64_t packedSize_ = 0;
  std::vector<std::vector<std::uint8_t>> held_;  // the zlib stream, unless in place
  std::int64_t heldBytes_ = 0;
  bool inPlace_ = false;
  std::unique_ptr<TFileStream> source_;  // open while the content is to be stored
};

// Opens Source (others may read it too), computes its CRC-32 and compresses it at level,
// reading it once. Fails as the archive's AddFile does: "Unable to open file (%s)", "File too
// large for an archive (%s)", or the failure of reading or compressing. The watcher must
// outlive the result.
PackedMember PackSource(const std::string& Source, TFileCompressionLevel level, platform::Env& env,
                        const Crc32Engine& crc, PackingWatcher& watcher);

}  // namespace archive
