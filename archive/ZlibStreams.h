#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>

#include "archive/ArchiveFormat.h"
#include "archive/InflateEngine.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

namespace platform {
class Env;
}

class EZlibError : public Exception {
 public:
  using Exception::Exception;
};
class ECompressionError : public EZlibError {
 public:
  using EZlibError::EZlibError;
};
class EDecompressionError : public EZlibError {
 public:
  using EZlibError::EZlibError;
};

// Common base of the two zlib adapters. Neither owns the stream it works on; both note the
// position in it at which they read or write next (FBasePos) and move it back there before
// each use, so other code may move the underlying stream between calls.
class TCustomZlibStream : public TStream {
 public:
  TNotifyEvent OnProgress;  // called with this stream as Sender

 protected:
  explicit TCustomZlibStream(TStream& base);
  virtual void Progress();

  TStream& FBase;
  std::int64_t FBasePos;
  z_stream FZState{};
  std::unique_ptr<std::uint8_t[]> FBuffer;  // 65536 bytes
  static constexpr std::size_t kBufferSize = 65536;
};

// Deflates everything written to it into Dest. Finish() completes the zlib stream; the
// destructor finishes a stream that was not finished, swallowing failures (call Finish() to
// see them).
class TCompressionStream : public TCustomZlibStream {
 public:
  TCompressionStream(TFileCompressionLevel level, TStream& dest);
  ~TCompressionStream() override;

  std::size_t Read(void* buffer, std::size_t count) override;         // "Invalid stream operation"
  std::size_t Write(const void* buffer, std::size_t count) override;  // returns count
  // Only offset 0 from the current position: the number of bytes written into it so far.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;  // "Invalid stream operation"

  // Writes the rest of the zlib stream into Dest. Idempotent.
  void Finish();

 private:
  // Writes the full output buffer to Dest and makes all of it the output area again.
  void PassFullBuffer();

  bool finished_ = false;
};

// Inflates from Source while it is read. Reads ahead: a block read from Source may run past
// the end of the zlib stream; callers bound what they read by the size they expect.
class TDecompressionStream : public TCustomZlibStream {
 public:
  // engine: the inflater to use; every engine gives the same bytes and verdicts.
  explicit TDecompressionStream(
      TStream& source, platform::Env* env = nullptr,
      archive::InflateEngineKind engine = archive::DefaultInflateEngine());
  ~TDecompressionStream() override;

  std::size_t Read(void* buffer, std::size_t count) override;  // the number of bytes produced
  std::size_t Write(const void* buffer, std::size_t count) override;  // "Invalid stream operation"
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;  // "Invalid stream operation"

 private:
  // The loop of one read: refills the input block by block and inflates until count bytes
  // are produced or the stream or Source ends. quietly: no progress calls and no beeps.
  std::size_t InflateInto(std::uint8_t* output, std::size_t count, bool quietly);
  // Replaces the engine by zlib's, positioned at the start of the zlib stream.
  void RestartWithZlib();
  // Thrown inside a read when Source ends before a faster engine's stream does.
  struct SourceEndedEarly {};

  platform::Env* env_;
  archive::InflateEngineKind chosenKind_;
  archive::InflateEngineKind engineKind_;  // zlib once a faster engine has met damage
  // zlib's is made at once, so that a failure to start it shows at construction; a faster
  // engine's large buffers only when the stream is first read (a stored member never is).
  std::unique_ptr<archive::InflateEngine> engine_;
  std::int64_t streamStart_;   // where the zlib stream begins in Source
  std::int64_t produced_ = 0;  // bytes produced since the start or the last reset
  bool streamEnded_ = false;   // the zlib stream has ended; further reads give nothing
};
