#pragma once

#include <cstdint>

#include "archive/Crc32.h"
#include "platform/Stream.h"

// Forwards everything to a base stream and computes, on the way, the CRC-32 of the bytes
// written from the base's start. Writing an archive appends from offset 0 to the trailer, so
// the whole-file CRC is ready when the trailer is due, without reading the file back. A write
// anywhere but at the end of the bytes counted so far makes the CRC unknown (Covers() false).
class TCrcWriteStream : public TStream {
 public:
  TCrcWriteStream(TStream& base, const archive::Crc32Engine& engine);

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

  // Whether the CRC below covers exactly the first length bytes of the base.
  bool Covers(std::int64_t length) const { return known_ && length == counted_; }
  // The CRC-32 of the bytes counted so far.
  std::uint32_t Crc() const { return crc_ ^ 0xFFFFFFFFu; }

 private:
  TStream& base_;
  const archive::Crc32Engine& engine_;
  std::int64_t position_;
  std::int64_t counted_ = 0;
  std::uint32_t crc_ = 0xFFFFFFFFu;
  bool known_;
};
