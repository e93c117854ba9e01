#pragma once

#include <cstdint>

#include "archive/Crc32.h"
#include "platform/Stream.h"

namespace zlb {

// A write-only stream that keeps nothing: it only counts the bytes written to it and computes
// their CRC-32, so a member of any size can be checked in constant memory.
class CrcSink : public TStream {
 public:
  explicit CrcSink(const Crc32Engine& engine) : engine_(engine) {}

  std::size_t Read(void* buffer, std::size_t count) override;  // "Invalid stream operation"
  std::size_t Write(const void* buffer, std::size_t count) override;
  // The position is always the end; seeking anywhere else is "Invalid stream operation".
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

  std::uint32_t Crc() const { return crc_ ^ 0xFFFFFFFFu; }

 private:
  const Crc32Engine& engine_;
  std::uint32_t crc_ = 0xFFFFFFFFu;
  std::int64_t length_ = 0;
};

}  // namespace zlb
