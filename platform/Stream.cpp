#include "platform/Stream.h"

#include <algorithm>
#include <cstring>

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
  file_ = env->OpenFile(fileName, mode);
  if (!file_) {
    if (mode == TFileMode::fmCreate) {
      throw EFCreateError(FormatMessage("Cannot create file %s", fileName));
    }
    throw EFOpenError(FormatMessage("Cannot open file %s", fileName));
  }
}

TFileStream::~TFileStream() = default;

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
  if (position_ + count > data_.size()) {
    data_.resize(position_ + count);
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
  const std::int64_t target = base + offset;
  if (target >= 0) {
    position_ = static_cast<std::size_t>(target);
  }
  return static_cast<std::int64_t>(position_);
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
