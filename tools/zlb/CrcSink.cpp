#include "tools/zlb/CrcSink.h"

#include "platform/Exception.h"

namespace zlb {

std::size_t CrcSink::Read(void*, std::size_t) {
  throw EStreamError("Invalid stream operation");
}

std::size_t CrcSink::Write(const void* buffer, std::size_t count) {
  crc_ = engine_.Update(crc_, static_cast<const std::uint8_t*>(buffer), count);
  length_ += static_cast<std::int64_t>(count);
  return count;
}

std::int64_t CrcSink::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t target = origin == TSeekOrigin::soBeginning ? offset : length_ + offset;
  if (target != length_) {
    throw EStreamError("Invalid stream operation");
  }
  return length_;
}

}  // namespace zlb
