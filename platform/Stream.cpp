#include "platform/Stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/Env.h"
#include "platform/Exception.h"

// --- TStream ---

std::int64_t TStream::Size() {
  const std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  if (count != 0 && Read(buffer, count) != count) {
    throw EReadError("Stream read error");
  }
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  if (count != 0 && Write(buffer, count) != count) {
    throw EWriteError("Stream write error");
  }
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr std::size_t kPiece = 65536;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(
      std::min<std::int64_t>(std::max<std::int64_t>(count, 1), static_cast<std::int64_t>(kPiece))));
  std::int64_t remaining = count;
  while (remaining > 0) {
    const auto piece =
        static_cast<std::size_t>(std::min<std::int64_t>(remaining, std::int64_t(buffer.size())));
    source.ReadBuffer(buffer.data(), piece);
    WriteBuffer(buffer.data(), piece);
    remaining -= static_cast<std::int64_t>(piece);
  }
  return count;
}

// --- TFileStream ---

TFileStream::TFileStream(const std::string& fileName, TFileMode mode, platform::Env* env)
    : fileName_(fileName) {
  if (env == nullptr) {
    env = platform::Env::Default();
  }
  platform::Result<std::unique_ptr<platform::File>> opened = env->OpenFile(fileName, mode);
  if (!opened) {
    // The system's reason is carried as the cause; a file held by another program is said in
    // plain words.
    const platform::Status& why = opened.Failure();
    const std::string cause = why.Why() == platform::Reason::kInUse
                                  ? std::string("the file is in use by another program")
                                  : why.Text();
    if (mode == TFileMode::fmCreate) {
      throw EFCreateError(FormatMessage("Cannot create file %s", fileName), cause);
    }
    throw EFOpenError(FormatMessage("Cannot open file %s", fileName), cause);
  }
  file_ = std::move(opened).Value();
}

TFileStream::~TFileStream() = default;

void TFileStream::Close() {
  if (const platform::Status closed = file_->Close(); !closed) {
    throw EWriteError("Stream write error", closed.Text());
  }
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  return file_->Read(buffer, count);
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  return file_->Write(buffer, count);
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  return file_->Seek(offset, origin);
}

// --- TMemoryStream ---

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (position_ >= data_.size()) {
    return 0;
  }
  const std::size_t n = std::min(count, data_.size() - position_);
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) {
    return 0;
  }
  if (count > data_.max_size() || position_ > data_.max_size() - count) {
    throw EWriteError("Stream write error");  // more than any memory can hold
  }
  if (position_ + count > data_.size()) {
    // A write far beyond the end (after a seek there) may need more memory than there is;
    // that is a failed write like any other.
    try {
      data_.resize(position_ + count);
    } catch (const std::bad_alloc&) {
      throw EWriteError("Stream write error");
    }
  }
  std::memcpy(data_.data() + position_, buffer, count);
  position_ += count;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  switch (origin) {
    case TSeekOrigin::soBeginning:
      base = 0;
      break;
    case TSeekOrigin::soCurrent:
      base = static_cast<std::int64_t>(position_);
      break;
    case TSeekOrigin::soEnd:
      base = static_cast<std::int64_t>(data_.size());
      break;
  }
  // A target before the start (or beyond what the position can hold) is refused, as the file
  // stream refuses it, and the position stays.
  std::int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) {
    return -1;
  }
  position_ = static_cast<std::size_t>(target);
  return target;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::SetSize(std::size_t size) {
  data_.resize(size);
  position_ = std::min(position_, size);
}
