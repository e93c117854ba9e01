// The storage acceleration library's inflate behind the engine interface. It decodes deflate
// data several times faster than zlib. The zlib header is checked here by zlib's own rules
// (the library's header parser is more lenient), and the library checks the Adler-32 trailer.
//
// The library decodes in large steps into a buffer of ours, ahead of what the caller has
// taken. The end of the stream is reported once the caller has taken every byte, which is the
// step in which zlib, decoding only as far as the caller's room and the symbols right behind
// it, reports it too. On damage the library may write a little past the point where zlib
// stops (a match that reaches too far back is copied before it is refused), so the last
// kMargin decoded bytes are handed out only once more has been decoded behind them; when the
// library refuses, or its input runs out early, the stream lets zlib decide from there.
#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "archive/InflateEngine.h"
#include "archive/ZlibStreams.h"

namespace archive {

std::unique_ptr<InflateEngine> MakeIsalInflate();

namespace {

constexpr std::size_t kAheadSize = 128 * 1024;
constexpr std::size_t kMargin = 8 * 1024;
// On some damaged data the library counts, and may write, a few bytes past the room it was
// given; the buffer has this much behind the room it ever offers.
constexpr std::size_t kOverrun = 4 * 1024;

class IsalInflate : public InflateEngine {
 public:
  // The state is not zeroed first: isal_inflate_init sets up all of it that is read, and its
  // 85 KiB would otherwise be cleared for every member, which dominates a small one.
  IsalInflate() : state_(new inflate_state), ahead_(new std::uint8_t[kAheadSize + kOverrun]) {
    Reset();
  }

  void SetInput(const std::uint8_t* data, std::size_t count) override {
    input_ = data;
    inputLeft_ = count;
    stalled_ = false;
  }

  bool NeedsInput() const override {
    return Deliverable() == 0 && verdict_ == Result::kOk && (stalled_ || inputLeft_ == 0) &&
           !LibraryHoldsOutput();
  }

  Result Inflate(std::uint8_t* out, std::size_t room, std::size_t& produced) override {
    if (Deliverable() == 0 && verdict_ == Result::kOk) {
      DecodeAhead();
    }
    produced = std::min(room, Deliverable());
    std::memcpy(out, ahead_.get() + begin_, produced);
    begin_ += produced;
    if (verdict_ == Result::kStreamEnd) {
      return begin_ == end_ ? verdict_ : Result::kOk;
    }
    return Deliverable() == 0 ? verdict_ : Result::kOk;
  }

  void Reset() override {
    isal_inflate_init(state_.get());
    state_->crc_flag = ISAL_ZLIB_NO_HDR_VER;
    headerHave_ = 0;
    verdict_ = Result::kOk;
    stalled_ = false;
    input_ = nullptr;
    inputLeft_ = 0;
    begin_ = end_ = 0;
  }

 private:
  // zlib's header rules for a 15-bit window: the check bits, the deflate method, a window of
  // at most 32 KiB, and no preset dictionary (which this system never supplies).
  static bool ZlibAcceptsHeader(std::uint8_t cmf, std::uint8_t flg) {
    return (cmf * 256u + flg) % 31u == 0 && (cmf & 0x0Fu) == 8 && (cmf >> 4) + 8 <= 15 &&
           (flg & 0x20u) == 0;
  }

  // Decoded bytes that may be handed out now.
  std::size_t Deliverable() const {
    const std::size_t decoded = end_ - begin_;
    if (verdict_ == Result::kStreamEnd) {
      return decoded;
    }
    return decoded > kMargin ? decoded - kMargin : 0;
  }

  // Decoded bytes the library keeps in its own buffer until there is room for them.
  bool LibraryHoldsOutput() const {
    return state_->tmp_out_valid > state_->tmp_out_processed ||
           state_->block_state == ISAL_BLOCK_INPUT_DONE;
  }

  // Fills the ahead buffer, behind the bytes held back, from the input at hand and notes the
  // verdict, if one is reached.
  void DecodeAhead() {
    const std::size_t kept = end_ - begin_;
    std::memmove(ahead_.get(), ahead_.get() + begin_, kept);
    begin_ = 0;
    end_ = kept;
    if (headerHave_ < 2) {
      while (headerHave_ < 2 && inputLeft_ > 0) {
        header_[headerHave_++] = *input_++;
        --inputLeft_;
      }
      if (headerHave_ < 2) {
        stalled_ = true;
        return;
      }
      if (!ZlibAcceptsHeader(header_[0], header_[1])) {
        verdict_ = Result::kError;
        return;
      }
    }
    state_->next_out = ahead_.get() + kept;
    state_->avail_out = static_cast<std::uint32_t>(kAheadSize - kept);
    // The library may stop with input or output held back while room is left; go on while
    // that makes progress, as zlib decodes everything it can from the input it has.
    for (;;) {
      state_->next_in = const_cast<std::uint8_t*>(input_);
      state_->avail_in = static_cast<std::uint32_t>(std::min<std::size_t>(inputLeft_, UINT32_MAX));
      const std::uint32_t inBefore = state_->avail_in;
      const std::uint32_t outBefore = state_->avail_out;
      const int result = isal_inflate(state_.get());
      if (state_->avail_out > outBefore) {
        // More output than room: the library has run past the end of the buffer, which it does
        // only on damaged data. Nothing of this step counts; zlib decides from here.
        verdict_ = Result::kError;
        return;
      }
      const std::size_t consumed = inBefore - state_->avail_in;
      input_ += consumed;
      inputLeft_ -= consumed;
      end_ = kAheadSize - state_->avail_out;
      if (result != ISAL_DECOMP_OK) {
        verdict_ = Result::kError;
        return;
      }
      if (state_->block_state == ISAL_BLOCK_FINISH) {
        verdict_ = Result::kStreamEnd;
        return;
      }
      if (state_->avail_out == 0) {
        return;
      }
      if (consumed == 0 && state_->avail_out == outBefore) {
        stalled_ = true;  // nothing more without input
        return;
      }
    }
  }

  std::unique_ptr<inflate_state> state_;
  std::unique_ptr<std::uint8_t[]> ahead_;
  std::size_t begin_ = 0;         // next byte of ahead_ to hand out
  std::size_t end_ = 0;           // end of the decoded bytes in ahead_
  Result verdict_ = Result::kOk;  // given once ahead_ is drained
  bool stalled_ = false;          // the input at hand gives nothing more
  std::uint8_t header_[2] = {};
  int headerHave_ = 0;
  const std::uint8_t* input_ = nullptr;
  std::size_t inputLeft_ = 0;
};

}  // namespace

std::unique_ptr<InflateEngine> MakeIsalInflate() {
  return std::make_unique<IsalInflate>();
}

}  // namespace archive
