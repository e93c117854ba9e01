#include "archive/FileHelpers.h"

#include <algorithm>

#include "platform/Env.h"
#include "platform/Exception.h"

std::size_t TStreamSlice::Read(void* buffer, std::size_t count) {
  if (position_ < 0 || position_ >= length_ || count == 0) {
    return 0;
  }
  const auto wanted = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(count), length_ - position_));
  base_.SetPosition(start_ + position_);
  const std::size_t got = base_.Read(buffer, wanted);
  position_ += static_cast<std::int64_t>(got);
  return got;
}

std::size_t TStreamSlice::Write(const void*, std::size_t) {
  throw Exception("Invalid stream operation");
}

std::int64_t TStreamSlice::Seek(std::int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning:
      position_ = offset;
      break;
    case TSeekOrigin::soCurrent:
      position_ += offset;
      break;
    case TSeekOrigin::soEnd:
      position_ = length_ + offset;
      break;
  }
  return position_;
}

namespace archive {

std::unique_ptr<TFileStream> OpenFileForReading(const std::string& fileName, platform::Env& env) {
  try {
    return std::make_unique<TFileStream>(fileName, TFileMode::fmOpenReadDenyWrite, &env);
  } catch (const Exception& failure) {
    throw Exception(FailureKind::kCannotOpen, FormatMessage("Unable to open file (%s)", fileName),
                    failure.Cause());
  }
}

TemporaryFile::~TemporaryFile() {
  if (!name_.empty()) {
    env_.DeleteFile(name_);
  }
}

}  // namespace archive
