#include "archive/CrcStreams.h"

TCrcWriteStream::TCrcWriteStream(TStream& base, const archive::Crc32Engine& engine)
    : base_(base), engine_(engine), position_(base.Position()), known_(base.Size() == 0) {}

std::size_t TCrcWriteStream::Read(void* buffer, std::size_t count) {
  const std::size_t got = base_.Read(buffer, count);
  position_ += static_cast<std::int64_t>(got);
  return got;
}

std::size_t TCrcWriteStream::Write(const void* buffer, std::size_t count) {
  const std::size_t written = base_.Write(buffer, count);
  if (known_) {
    if (position_ == counted_) {
      crc_ = engine_.Update(crc_, static_cast<const std::uint8_t*>(buffer), written);
      counted_ += static_cast<std::int64_t>(written);
    } else if (written > 0) {
      known_ = false;  // counted bytes overwritten, or a gap left uncounted
    }
  }
  position_ += static_cast<std::int64_t>(written);
  return written;
}

std::int64_t TCrcWriteStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  if (origin == TSeekOrigin::soCurrent && offset == 0) {
    return position_;
  }
  position_ = base_.Seek(offset, origin);
  return position_;
}
