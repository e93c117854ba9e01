// The archive component's life cycle and the services both its reading and writing sides use:
// closing, the CRC-32 of a stream and progress reports.
#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

#include "archive/ArchiveLimits.h"
#include "archive/ReadingPipeline.h"
#include "archive/ZLIBArchive.h"
#include "archive/ZlibStreams.h"
#include "platform/Env.h"
#include "platform/Threads.h"

TZLBArchive::TZLBArchive(TComponent* owner, platform::Env* env)
    : TComponent(owner),
      FTrailer(archive::ZeroTrailer()),
      FMemoryLimit(archive::kMemoryLimit),
      env_(env ? env : platform::Env::Default()) {
  BuildCRCTable();
}

TZLBArchive::~TZLBArchive() {
  // Marked first, so that closing reports no progress to handlers that may be gone already.
  BeginDestroy();
  readAhead_.reset();
  if (!FFileName.empty()) {
    CloseArchive();
  }
  FEntries.clear();
}

void TZLBArchive::CloseArchive() {
  // The workers reading ahead go first: they read the records cleared here.
  readAhead_.reset();
  FEntries.clear();
  misplaced_.clear();
  FIsNew = false;
  FTrailer = archive::ZeroTrailer();
  FFileName.clear();
  FActivity = actIdle;
  DoProgress(this);
}

std::uint32_t TZLBArchive::CalcCRC(TStream& Stream, std::int64_t Skip) {
  // A stream held in memory needs no copying: its bytes are checksummed where they lie.
  if (auto* memory = dynamic_cast<TMemoryStream*>(&Stream)) {
    const std::int64_t length = memory->Size() - Skip;
    const std::uint32_t crc =
        length > 0 ? crc_->Update(0xFFFFFFFFu, memory->Memory(), static_cast<std::size_t>(length))
                   : 0xFFFFFFFFu;
    return crc ^ 0xFFFFFFFFu;
  }
  // Large pieces: a buffered file stream hands a request as large as its buffer straight to
  // the file, so the bytes are copied once, not twice.
  constexpr std::int64_t kPiece = 256 * 1024;
  std::int64_t remaining = Stream.Size() - Skip;
  const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(
      static_cast<std::size_t>(std::clamp<std::int64_t>(remaining, 1, kPiece)));
  const std::int64_t position = Stream.Position();
  Stream.SetPosition(0);
  std::uint32_t crc = 0xFFFFFFFFu;
  while (remaining > 0) {
    const std::int64_t asked = std::min(remaining, kPiece);
    const std::size_t got = Stream.Read(buffer.get(), static_cast<std::size_t>(asked));
    crc = crc_->Update(crc, buffer.get(), got);
    // The amount asked, not the amount obtained: a stream that ends early cannot stall us.
    remaining -= asked;
  }
  Stream.SetPosition(position);
  return crc ^ 0xFFFFFFFFu;
}

void TZLBArchive::SetThreads(int count) {
  FThreads = count > 0 ? count : static_cast<int>(platform::ProcessorCount());
}

void TZLBArchive::BuildCRCTable() {
  // The same for every component, so worked out once; a component gets its own copies.
  static const TCRCTable table = archive::BuildCRC32Table();
  static const archive::Crc32Engine engine(table);
  FCRCTable = table;
  crc_ = std::make_unique<archive::Crc32Engine>(engine);
}

namespace {

// done / total as a whole percentage, rounded to the nearest integer with halves going to the
// even neighbour (the default rounding mode).
int Percentage(double done, double total) {
  if (total <= 0) {
    return 0;
  }
  const double percent = std::nearbyint(done / total * 100.0);
  return static_cast<int>(std::clamp(percent, double(INT_MIN), double(INT_MAX)));
}

}  // namespace

void TZLBArchive::DoProgress(TObject* Sender) {
  if (IsDestroying() || !OnProgress) {
    return;
  }
  switch (FActivity) {
    case actReadRegistry:
    case actExtract:
    case actWriteRegistry:
      OnProgress(FActivityText, Percentage(FActivityDone, FActivityTotal));
      break;
    case actAdd: {
      // The compressing stream that reports knows how much of the input it has consumed.
      auto* stream = dynamic_cast<TCompressionStream*>(Sender);
      ReportAdding(stream ? stream->Position() : 0);
      break;
    }
    case actIdle:
      OnProgress(FFileName, 0);
      break;
  }
}

void TZLBArchive::ReportAdding(std::int64_t consumed) {
  if (IsDestroying() || !OnProgress) {
    return;
  }
  OnProgress(FActivityText, Percentage(double(consumed), FActivityTotal));
}
