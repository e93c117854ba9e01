#include "tools/zlb/NullSink.h"

#include "platform/Exception.h"

namespace zlb {

std::size_t NullSink::Read(void*, std::size_t) {
  throw EStreamError("Invalid stream operation");
}

std::size_t NullSink::Write(const void*, std::size_t count) {
  length_ += static_cast<std::int64_t>(count);
  return count;
}

std::int64_t NullSink::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t target = origin == TSeekOrigin::soBeginning ? offset : length_ + offset;
  if (target != length_) {
    throw EStreamError("Invalid stream operation");
  }
  return length_;
}

}  // namespace zlb
