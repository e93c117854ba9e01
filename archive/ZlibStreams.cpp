// STUB: to be written.
#include "archive/ZlibStreams.h"

TCustomZlibStream::TCustomZlibStream(TStream& base) : FBase(base), FBasePos(0) {}
void TCustomZlibStream::Progress() {}
TCompressionStream::TCompressionStream(TFileCompressionLevel, TStream& dest)
    : TCustomZlibStream(dest) {
  throw ECompressionError("not implemented");
}
TCompressionStream::~TCompressionStream() = default;
std::size_t TCompressionStream::Read(void*, std::size_t) { throw ECompressionError("x"); }
std::size_t TCompressionStream::Write(const void*, std::size_t) { throw ECompressionError("x"); }
std::int64_t TCompressionStream::Seek(std::int64_t, TSeekOrigin) { throw ECompressionError("x"); }
std::int64_t TCompressionStream::Size() { throw ECompressionError("x"); }
void TCompressionStream::Finish() {}
TDecompressionStream::TDecompressionStream(TStream& source, platform::Env* env)
    : TCustomZlibStream(source), env_(env) {
  throw EDecompressionError("not implemented");
}
TDecompressionStream::~TDecompressionStream() = default;
std::size_t TDecompressionStream::Read(void*, std::size_t) { throw EDecompressionError("x"); }
std::size_t TDecompressionStream::Write(const void*, std::size_t) { throw EDecompressionError("x"); }
std::int64_t TDecompressionStream::Seek(std::int64_t, TSeekOrigin) { throw EDecompressionError("x"); }
std::int64_t TDecompressionStream::Size() { throw EDecompressionError("x"); }
