#pragma once

#include <cstdint>

#include "platform/Stream.h"

namespace zlb {

// A write-only stream that keeps nothing and only counts the bytes written to it, so that a
// member of any size can be extracted for its CRC check in constant memory.
class NullSink : public TStream {
 public:
  std::size_t Read(void* buffer, std::size_t count) override;  // "Invalid stream operation"
  std::size_t Write(const void* buffer, std::size_t count) override;
  // The position is always the end; seeking anywhere else is "Invalid stream operation".
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

 private:
  std::int64_t length_ = 0;
};

}  // namespace zlb
