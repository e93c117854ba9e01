#include "archive/ZlibStreams.h"

#include <algorithm>
#include <climits>

#include "platform/Env.h"

namespace {

const char* const kZlibFailed = "error";
const char* const kInvalidOperation = "Invalid stream operation";

// zlib counts in unsigned int; larger requests are fed to it in slices of this size.
constexpr std::size_t kMaxZlibSlice = UINT_MAX;

// Forward seeks on a decompressing stream inflate and discard in pieces of this size.
constexpr std::size_t kSkipPiece = 4096;

// Puts the underlying stream back where this adapter left it, in case other code moved it.
void RestorePosition(TStream& base, std::int64_t basePos) {
  if (base.Position() != basePos) {
    base.SetPosition(basePos);
  }
}

}  // namespace

// --- TCustomZlibStream ---

TCustomZlibStream::TCustomZlibStream(TStream& base)
    : FBase(base), FBasePos(base.Position()), FBuffer(new std::uint8_t[kBufferSize]) {}

void TCustomZlibStream::Progress() {
  if (OnProgress) {
    OnProgress(this);
  }
}

// --- TCompressionStream ---

TCompressionStream::TCompressionStream(TFileCompressionLevel level, TStream& dest)
    : TCustomZlibStream(dest) {
  FZState.next_out = FBuffer.get();
  FZState.avail_out = kBufferSize;
  if (deflateInit2(&FZState, archive::ZlibLevel(level), Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw ECompressionError(kZlibFailed);
  }
}

TCompressionStream::~TCompressionStream() {
  if (!finished_) {
    try {
      Finish();
    } catch (...) {
      // A destructor must not throw; callers who need to see the failure call Finish().
    }
  }
  // Finish() ends the state already; ending an ended state is a harmless no-op in zlib.
  deflateEnd(&FZState);
}

std::size_t TCompressionStream::Read(void*, std::size_t) {
  throw ECompressionError(kInvalidOperation);
}

std::size_t TCompressionStream::Write(const void* buffer, std::size_t count) {
  // Other code may have moved Dest since the last call.
  RestorePosition(FBase, FBasePos);
  auto* input = static_cast<const Bytef*>(buffer);
  std::size_t remaining = count;
  while (remaining > 0) {
    const std::size_t slice = std::min(remaining, kMaxZlibSlice);
    FZState.next_in = const_cast<Bytef*>(input);
    FZState.avail_in = static_cast<uInt>(slice);
    while (FZState.avail_in > 0) {
      if (deflate(&FZState, Z_NO_FLUSH) < 0) {
        throw ECompressionError(kZlibFailed);
      }
      if (FZState.avail_out == 0) {
        PassFullBuffer();
        Progress();
      }
    }
    input += slice;
    remaining -= slice;
  }
  return count;
}

void TCompressionStream::PassFullBuffer() {
  // Reset the output area before anything that can throw, so that a failing write or
  // progress handler leaves the state consistent.
  FZState.next_out = FBuffer.get();
  FZState.avail_out = kBufferSize;
  FBase.WriteBuffer(FBuffer.get(), kBufferSize);
  FBasePos = FBase.Position();
}

std::int64_t TCompressionStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  if (offset == 0 && origin == TSeekOrigin::soCurrent) {
    return static_cast<std::int64_t>(FZState.total_in);
  }
  throw ECompressionError(kInvalidOperation);
}

std::int64_t TCompressionStream::Size() {
  throw ECompressionError(kInvalidOperation);
}

void TCompressionStream::Finish() {
  if (finished_) {
    return;
  }
  finished_ = true;
  // The zlib state is released however finishing ends.
  struct DeflateEnd {
    z_stream& state;
    ~DeflateEnd() { deflateEnd(&state); }
  } end{FZState};

  RestorePosition(FBase, FBasePos);
  FZState.next_in = nullptr;
  FZState.avail_in = 0;
  for (;;) {
    const int result = deflate(&FZState, Z_FINISH);
    if (result < 0) {
      throw ECompressionError(kZlibFailed);
    }
    if (FZState.avail_out == 0) {
      PassFullBuffer();
    }
    if (result == Z_STREAM_END) {
      break;
    }
  }
  const std::size_t filled = kBufferSize - FZState.avail_out;
  if (filled > 0) {
    FBase.WriteBuffer(FBuffer.get(), filled);
    FBasePos = FBase.Position();
  }
  FZState.next_out = FBuffer.get();
  FZState.avail_out = kBufferSize;
}

// --- TDecompressionStream ---

TDecompressionStream::TDecompressionStream(TStream& source, platform::Env* env,
                                           archive::InflateEngineKind engine)
    : TCustomZlibStream(source),
      env_(env != nullptr ? env : platform::Env::Default()),
      chosenKind_(engine),
      engineKind_(engine),
      engine_(engine == archive::InflateEngineKind::kZlib ? archive::MakeInflateEngine(engine)
                                                          : nullptr),
      streamStart_(FBasePos) {}

TDecompressionStream::~TDecompressionStream() = default;

std::size_t TDecompressionStream::Read(void* buffer, std::size_t count) {
  // Once the zlib stream has ended nothing more can come out of it; the bytes behind it in
  // Source belong to someone else and are left unread.
  if (count == 0 || streamEnded_) {
    return 0;
  }
  RestorePosition(FBase, FBasePos);
  auto* output = static_cast<std::uint8_t*>(buffer);
  const std::int64_t before = produced_;
  try {
    return InflateInto(output, count, false);
  } catch (const ECompressionError&) {
    if (engineKind_ == archive::InflateEngineKind::kZlib) {
      throw;
    }
  } catch (const SourceEndedEarly&) {
  }
  // A faster engine found damage, or Source ended inside the stream. Exactly where zlib
  // refuses, or how much it gets out of a cut stream, may differ by a few bytes, so zlib
  // decides: it inflates the stream again from its start, quietly, up to where this call
  // began, and this call is made over again by zlib.
  RestartWithZlib();
  std::uint8_t scratch[kSkipPiece];
  while (produced_ < before) {
    const auto piece = static_cast<std::size_t>(
        std::min<std::int64_t>(before - produced_, static_cast<std::int64_t>(kSkipPiece)));
    if (InflateInto(scratch, piece, true) < piece) {
      return 0;  // zlib ends the stream before this call's bytes
    }
  }
  return InflateInto(output, count, false);
}

std::size_t TDecompressionStream::InflateInto(std::uint8_t* output, std::size_t count,
                                              bool quietly) {
  if (!engine_) {
    engine_ = archive::MakeInflateEngine(engineKind_);
  }
  std::size_t produced = 0;
  while (produced < count) {
    if (engine_->NeedsInput()) {
      const std::size_t got = FBase.Read(FBuffer.get(), kBufferSize);
      if (got == 0) {
        if (engineKind_ != archive::InflateEngineKind::kZlib) {
          throw SourceEndedEarly{};
        }
        return produced;
      }
      engine_->SetInput(FBuffer.get(), got);
      FBasePos = FBase.Position();
      if (!quietly) {
        Progress();
      }
    }
    std::size_t step = 0;
    const archive::InflateEngine::Result result =
        engine_->Inflate(output + produced, count - produced, step);
    produced += step;
    produced_ += static_cast<std::int64_t>(step);
    if (result == archive::InflateEngine::Result::kError) {
      // What is wrong with the data travels as the cause.
      throw ECompressionError(kZlibFailed, "damaged compressed data");
    }
    if (!quietly) {
      env_->Beep();
    }
    if (result == archive::InflateEngine::Result::kStreamEnd) {
      streamEnded_ = true;
      return produced;
    }
  }
  return count;
}

void TDecompressionStream::RestartWithZlib() {
  engineKind_ = archive::InflateEngineKind::kZlib;
  engine_ = archive::MakeInflateEngine(engineKind_);
  FBase.SetPosition(streamStart_);
  FBasePos = streamStart_;
  produced_ = 0;
  streamEnded_ = false;
}

std::size_t TDecompressionStream::Write(const void*, std::size_t) {
  throw EDecompressionError(kInvalidOperation);
}

std::int64_t TDecompressionStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t produced = produced_;
  if (origin == TSeekOrigin::soBeginning && offset == 0) {
    // Back to the start of Source itself, not to where this stream began.
    if (engineKind_ != chosenKind_) {
      engineKind_ = chosenKind_;
      engine_.reset();
    } else if (engine_) {
      engine_->Reset();
    }
    streamStart_ = 0;
    produced_ = 0;
    streamEnded_ = false;
    FBase.SetPosition(0);
    FBasePos = 0;
  } else if ((origin == TSeekOrigin::soCurrent && offset >= 0) ||
             (origin == TSeekOrigin::soBeginning && offset > produced)) {
    std::int64_t skip = origin == TSeekOrigin::soCurrent ? offset : offset - produced;
    std::uint8_t piece[kSkipPiece];
    while (skip > 0) {
      const auto n = static_cast<std::size_t>(std::min<std::int64_t>(skip, kSkipPiece));
      ReadBuffer(piece, n);
      skip -= static_cast<std::int64_t>(n);
    }
  } else {
    throw EDecompressionError(kInvalidOperation);
  }
  return produced_;
}

std::int64_t TDecompressionStream::Size() {
  throw EDecompressionError(kInvalidOperation);
}
