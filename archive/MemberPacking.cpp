#include "archive/MemberPacking.h"

#include <algorithm>
#include <utility>

#include "archive/ArchiveLimits.h"
#include "archive/FileHelpers.h"
#include "archive/ZlibStreams.h"
#include "platform/Exception.h"

namespace archive {

namespace {

// A source is read in pieces of this size.
constexpr std::size_t kReadPiece = 1 << 20;

// Where the compressor writes: memory while the watcher grants it; beyond it, the archive the
// watcher hands out, with what was held written there first. Once the zlib stream has reached
// keepBelow bytes it can no longer be kept (the content is stored instead), so what is held is
// given back and the rest only counted. Gives back whatever it still holds when destroyed.
class HoldingSink : public TStream {
 public:
  HoldingSink(PackingWatcher& watcher, std::int64_t keepBelow)
      : watcher_(watcher), keepBelow_(keepBelow) {}
  ~HoldingSink() override { Drop(); }

  std::size_t Read(void*, std::size_t) override { throw EStreamError("Invalid stream operation"); }
  std::size_t Write(const void* buffer, std::size_t count) override {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    const auto n = static_cast<std::int64_t>(count);
    total_ += n;
    if (total_ >= keepBelow_) {
      Drop();
      return count;
    }
    if (place_ == nullptr) {
      if (watcher_.TakeMemory(n) || (place_ = watcher_.Overflow(n)) == nullptr) {
        held.emplace_back(bytes, bytes + count);
        heldBytes += n;
        return count;
      }
      inPlace = true;
      for (const auto& piece : held) {
        place_->WriteBuffer(piece.data(), piece.size());
      }
      Drop();
    }
    place_->WriteBuffer(bytes, count);
    return count;
  }
  // Only the position, which is the end: the compressor asks for nothing else.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    if (offset != 0 || origin == TSeekOrigin::soBeginning) {
      throw EStreamError("Invalid stream operation");
    }
    return total_;
  }

  // The bytes of the zlib stream so far.
  std::int64_t Total() const { return total_; }

  std::vector<std::vector<std::uint8_t>> held;
  std::int64_t heldBytes = 0;
  bool inPlace = false;  // bytes went into the archive

 private:
  // Gives back the memory held.
  void Drop() {
    held.clear();
    if (heldBytes > 0) {
      watcher_.GiveMemory(std::exchange(heldBytes, 0));
    }
  }

  PackingWatcher& watcher_;
  const std::int64_t keepBelow_;
  std::int64_t total_ = 0;
  TStream* place_ = nullptr;  // the archive, once memory ran out
};

}  // namespace

PackedMember::~PackedMember() {
  Release();
}

PackedMember::PackedMember(PackedMember&& other) noexcept {
  *this = std::move(other);
}

PackedMember& PackedMember::operator=(PackedMember&& other) noexcept {
  if (this != &other) {
    Release();
    watcher_ = std::exchange(other.watcher_, nullptr);
    sourceSize_ = other.sourceSize_;
    crc_ = other.crc_;
    keepPacked_ = other.keepPacked_;
    packedSize_ = other.packedSize_;
    held_ = std::move(other.held_);
    heldBytes_ = std::exchange(other.heldBytes_, 0);
    inPlace_ = other.inPlace_;
    source_ = std::move(other.source_);
  }
  return *this;
}

void PackedMember::Release() {
  held_.clear();
  if (watcher_ != nullptr && heldBytes_ > 0) {
    watcher_->GiveMemory(heldBytes_);
  }
  heldBytes_ = 0;
  source_.reset();
}

void PackedMember::WriteTo(TStream& out) {
  if (!keepPacked_) {
    source_->SetPosition(0);
    CopyExactly(*source_, out, sourceSize_);
    return;
  }
  for (const auto& piece : held_) {
    out.WriteBuffer(piece.data(), piece.size());
  }
}

PackedMember PackSource(const std::string& Source, TFileCompressionLevel level, platform::Env& env,
                        const Crc32Engine& crcEngine, PackingWatcher& watcher) {
  std::unique_ptr<TFileStream> source = OpenFileForReading(Source, env);
  const std::int64_t sourceSize = source->Size();
  if (!MemberFits(sourceSize)) {
    throw Exception(FailureKind::kTooLarge,
                    FormatMessage("File too large for an archive (%s)", Source));
  }
  watcher.Opened(sourceSize);

  // The whole source through the compressor, finished before it is measured. Its CRC is
  // computed from the same pieces, so a compressed member is read only once.
  PackedMember packed;
  packed.watcher_ = &watcher;
  HoldingSink sink(watcher, sourceSize);
  std::uint32_t crc = 0xFFFFFFFFu;
  {
    TCompressionStream compressor(level, sink);
    compressor.OnProgress = [&](TObject*) { watcher.Progress(compressor.Position()); };
    source->SetPosition(0);
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::min<std::int64_t>(sourceSize, std::int64_t{kReadPiece})));
    for (std::int64_t remaining = sourceSize; remaining > 0;) {
      if (watcher.Stopped()) {
        throw PackingStopped{};
      }
      const auto piece =
          static_cast<std::size_t>(std::min<std::int64_t>(remaining, std::int64_t(buffer.size())));
      source->ReadBuffer(buffer.data(), piece);
      crc = crcEngine.Update(crc, buffer.data(), piece);
      compressor.WriteBuffer(buffer.data(), piece);
      remaining -= static_cast<std::int64_t>(piece);
    }
    compressor.Finish();
  }

  packed.sourceSize_ = sourceSize;
  packed.crc_ = crc ^ 0xFFFFFFFFu;
  packed.packedSize_ = sink.Total();
  // Keep the zlib stream only when it is strictly smaller than the content; otherwise the
  // content is copied from the source, which stays open for it.
  packed.keepPacked_ = packed.packedSize_ < sourceSize;
  packed.inPlace_ = sink.inPlace;
  if (packed.keepPacked_) {
    packed.held_ = std::move(sink.held);
    packed.heldBytes_ = std::exchange(sink.heldBytes, 0);
  } else {
    packed.source_ = std::move(source);
  }
  return packed;
}

}  // namespace archive
