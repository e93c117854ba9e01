#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace archive {

// The inflater behind the decompressing stream: a zlib stream (two-byte header, deflate data,
// Adler-32 trailer) fed in blocks of input and drained in steps. Every engine gives the same
// bytes and the same verdicts as zlib's own inflate with a 15-bit window: what zlib refuses
// is refused, whatever a faster decoder would let through.
class InflateEngine {
 public:
  enum class Result {
    kOk,         // progress made; more input or more output room is needed
    kStreamEnd,  // the zlib stream ended and its trailer matched
    kError,      // damaged data, or a stream that asks for a preset dictionary
  };

  virtual ~InflateEngine() = default;

  // Makes the next count bytes at data the input. They must stay in place until consumed.
  virtual void SetInput(const std::uint8_t* data, std::size_t count) = 0;
  // Whether nothing more can come out without more input.
  virtual bool NeedsInput() const = 0;
  // One inflation step into out (room bytes); produced tells how many bytes were written. Like
  // zlib, a step goes on through the input as far as it can without more output room, so the
  // end of the stream, and damage right behind the last byte produced, are seen at once.
  virtual Result Inflate(std::uint8_t* out, std::size_t room, std::size_t& produced) = 0;
  // Back to the start of a new zlib stream, with no input.
  virtual void Reset() = 0;
};

enum class InflateEngineKind {
  kZlib,  // zlib's inflate: the reference
  kIsal,  // the storage acceleration library's inflate, where the build has it
};

// Whether this build has the engine.
bool HasInflateEngine(InflateEngineKind kind);
// The engine the decompressing stream uses: the fastest this build has.
InflateEngineKind DefaultInflateEngine();
// A new engine of that kind. Fails with EDecompressionError "error" when it cannot start.
std::unique_ptr<InflateEngine> MakeInflateEngine(InflateEngineKind kind);

}  // namespace archive
