#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/Stream.h"

namespace platform {
class Env;
}

// File handling shared by the reading and the writing side of the archive component.

// The length bytes of base that begin at start, as a stream of their own: reads stop at their
// end, so whatever reads from it (a decompressing stream reads ahead in large blocks) never
// sees the bytes behind them. Positions count from start. Read-only.
class TStreamSlice : public TStream {
 public:
  TStreamSlice(TStream& base, std::int64_t start, std::int64_t length)
      : base_(base), start_(start), length_(length) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;  // "Invalid stream operation"
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return length_; }

 private:
  TStream& base_;
  std::int64_t start_;
  std::int64_t length_;
  std::int64_t position_ = 0;
};

namespace archive {

// Opens fileName for reading, others may read too. Fails with "Unable to open file (%s)"
// naming the file, whatever the reason; the system's reason is carried as its cause.
std::unique_ptr<TFileStream> OpenFileForReading(const std::string& fileName, platform::Env& env);

// A temporary file that is deleted when the owner goes out of scope, unless it was released
// first (after it has been moved into its final place). Declare it before any stream over the
// file, so that the stream is closed before the file is deleted.
class TemporaryFile {
 public:
  TemporaryFile(platform::Env& env, std::string name) : env_(env), name_(std::move(name)) {}
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& Name() const { return name_; }
  // The file has been moved away; nothing is left to delete.
  void Release() { name_.clear(); }

 private:
  platform::Env& env_;
  std::string name_;
};

}  // namespace archive
