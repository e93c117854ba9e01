#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/Stream.h"

// Reads a base stream in large pieces and hands them out in whatever sizes are asked for. The
// position is kept here, so asking for it costs no call to the base; a seek drops what is
// buffered. The base must not be moved by others while this stream is in use.
class TReadBufferedStream : public TStream {
 public:
  TReadBufferedStream(TStream& base, std::size_t bufferSize);

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;  // "Invalid stream operation"
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

 private:
  TStream& base_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t capacity_;
  std::size_t begin_ = 0;  // next byte to hand out
  std::size_t end_ = 0;    // end of the buffered bytes
  std::int64_t position_;  // position of the next byte handed out
};

// Collects writes to a base stream and passes them on in large pieces. Flush() passes on what
// is collected and reports a failure; the destructor flushes too but cannot report one, so an
// owner that needs to know calls Flush() first. Seeking or reading flushes first.
class TWriteBufferedStream : public TStream {
 public:
  TWriteBufferedStream(TStream& base, std::size_t bufferSize);
  ~TWriteBufferedStream() override;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void Flush();

 private:
  TStream& base_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t capacity_;
  std::size_t filled_ = 0;
  std::int64_t position_;
};
