#include "platform/BufferedStreams.h"

#include <algorithm>
#include <cstring>

#include "platform/Exception.h"

// --- TReadBufferedStream ---

TReadBufferedStream::TReadBufferedStream(TStream& base, std::size_t bufferSize)
    : base_(base),
      buffer_(new std::uint8_t[bufferSize]),
      capacity_(bufferSize),
      position_(base.Position()) {}

std::size_t TReadBufferedStream::Read(void* buffer, std::size_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    if (begin_ == end_) {
      // A request as large as the buffer goes to the base directly.
      if (count - done >= capacity_) {
        const std::size_t got = base_.Read(out + done, count - done);
        done += got;
        position_ += static_cast<std::int64_t>(got);
        break;
      }
      begin_ = 0;
      end_ = base_.Read(buffer_.get(), capacity_);
      if (end_ == 0) {
        break;
      }
    }
    const std::size_t n = std::min(count - done, end_ - begin_);
    std::memcpy(out + done, buffer_.get() + begin_, n);
    begin_ += n;
    done += n;
    position_ += static_cast<std::int64_t>(n);
  }
  return done;
}

std::size_t TReadBufferedStream::Write(const void*, std::size_t) {
  throw EStreamError("Invalid stream operation");
}

std::int64_t TReadBufferedStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  if (origin == TSeekOrigin::soCurrent && offset == 0) {
    return position_;
  }
  // A target inside the buffered bytes needs no call to the base.
  const std::int64_t bufferStart = position_ - static_cast<std::int64_t>(begin_);
  std::int64_t target = -1;
  if (origin == TSeekOrigin::soBeginning) {
    target = offset;
  } else if (origin == TSeekOrigin::soCurrent) {
    target = position_ + offset;
  }
  if (target >= bufferStart && target <= bufferStart + static_cast<std::int64_t>(end_)) {
    begin_ = static_cast<std::size_t>(target - bufferStart);
    position_ = target;
    return position_;
  }
  // The base's own position is the end of the buffered bytes, so a move relative to the
  // current position is made absolute first.
  const std::int64_t moved = origin == TSeekOrigin::soCurrent
                                 ? base_.Seek(target, TSeekOrigin::soBeginning)
                                 : base_.Seek(offset, origin);
  if (moved >= 0) {
    begin_ = end_ = 0;
    position_ = moved;
  }
  return moved;
}

// --- TWriteBufferedStream ---

TWriteBufferedStream::TWriteBufferedStream(TStream& base, std::size_t bufferSize)
    : base_(base),
      buffer_(new std::uint8_t[bufferSize]),
      capacity_(bufferSize),
      position_(base.Position()) {}

TWriteBufferedStream::~TWriteBufferedStream() {
  try {
    Flush();
  } catch (...) {
    // A destructor must not throw; owners who need to see the failure call Flush().
  }
}

void TWriteBufferedStream::Flush() {
  if (filled_ > 0) {
    const std::size_t filled = filled_;
    filled_ = 0;
    base_.WriteBuffer(buffer_.get(), filled);
  }
}

std::size_t TWriteBufferedStream::Write(const void* buffer, std::size_t count) {
  if (filled_ + count > capacity_) {
    Flush();
  }
  if (count >= capacity_) {
    const std::size_t written = base_.Write(buffer, count);
    position_ += static_cast<std::int64_t>(written);
    return written;
  }
  std::memcpy(buffer_.get() + filled_, buffer, count);
  filled_ += count;
  position_ += static_cast<std::int64_t>(count);
  return count;
}

std::size_t TWriteBufferedStream::Read(void* buffer, std::size_t count) {
  Flush();
  const std::size_t got = base_.Read(buffer, count);
  position_ += static_cast<std::int64_t>(got);
  return got;
}

std::int64_t TWriteBufferedStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  if (origin == TSeekOrigin::soCurrent && offset == 0) {
    return position_;
  }
  Flush();
  const std::int64_t moved = base_.Seek(offset, origin);
  if (moved >= 0) {
    position_ = moved;
  }
  return moved;
}
