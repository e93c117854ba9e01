// zlib's inflate behind the engine interface, and the choice of engine.
#include <zlib.h>

#include <climits>

#include "archive/InflateEngine.h"
#include "archive/ZlibStreams.h"

namespace archive {

std::unique_ptr<InflateEngine> MakeIsalInflate();  // IsalInflate.cpp, when built with it

namespace {

class ZlibInflate : public InflateEngine {
 public:
  ZlibInflate() {
    if (inflateInit(&state_) != Z_OK) {
      throw EDecompressionError("error");
    }
  }
  ~ZlibInflate() override { inflateEnd(&state_); }

  void SetInput(const std::uint8_t* data, std::size_t count) override {
    state_.next_in = const_cast<Bytef*>(data);
    state_.avail_in = static_cast<uInt>(count);
  }
  bool NeedsInput() const override { return state_.avail_in == 0; }

  Result Inflate(std::uint8_t* out, std::size_t room, std::size_t& produced) override {
    const auto slice = static_cast<uInt>(room < UINT_MAX ? room : UINT_MAX);
    state_.next_out = out;
    state_.avail_out = slice;
    const int result = inflate(&state_, Z_NO_FLUSH);
    produced = slice - state_.avail_out;
    // A stream that asks for a preset dictionary cannot go on (and would never move again).
    if (result < 0 || result == Z_NEED_DICT) {
      return Result::kError;
    }
    return result == Z_STREAM_END ? Result::kStreamEnd : Result::kOk;
  }

  void Reset() override {
    if (inflateReset(&state_) != Z_OK) {
      throw EDecompressionError("error");
    }
    state_.next_in = nullptr;
    state_.avail_in = 0;
  }

 private:
  z_stream state_{};
};

}  // namespace

bool HasInflateEngine(InflateEngineKind kind) {
#ifdef ZLB_WITH_ISAL
  return kind == InflateEngineKind::kZlib || kind == InflateEngineKind::kIsal;
#else
  return kind == InflateEngineKind::kZlib;
#endif
}

InflateEngineKind DefaultInflateEngine() {
  return HasInflateEngine(InflateEngineKind::kIsal) ? InflateEngineKind::kIsal
                                                    : InflateEngineKind::kZlib;
}

std::unique_ptr<InflateEngine> MakeInflateEngine(InflateEngineKind kind) {
#ifdef ZLB_WITH_ISAL
  if (kind == InflateEngineKind::kIsal) {
    return MakeIsalInflate();
  }
#endif
  (void)kind;
  return std::make_unique<ZlibInflate>();
}

}  // namespace archive
