// The archive component's reading side: opening and verifying an archive, access to its entry
// records, and extracting members into streams and folders. Every field read from an archive
// is untrusted: sizes and offsets are checked against the file before they are used, and
// memory grows only with bytes actually obtained from it.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "archive/ArchiveLimits.h"
#include "archive/DiskWriter.h"
#include "archive/FileHelpers.h"
#include "archive/InflateEngine.h"
#include "archive/ReadingPipeline.h"
#include "archive/ZLIBArchive.h"
#include "archive/ZlibStreams.h"
#include "platform/BufferedStreams.h"
#include "platform/Env.h"

namespace {

// Member data and the registry move in pieces of this size.
constexpr std::int64_t kPiece = 4096;

static_assert(kPiece == archive::ReadingPipeline::kPiece,
              "members read ahead come in the same pieces");

// The archive is read, and extracted files are written, through buffers of this size, so the
// small pieces above cost no system call each.
constexpr std::size_t kFileBuffer = 256 * 1024;

// Deflate turns at most about 1032 bytes into one (a run of 258-byte matches at one bit per
// length and one per distance); a little slack covers block headers.
constexpr std::int64_t kMaxInflateRatio = 1032;
constexpr std::int64_t kInflateSlack = 4096;

const char* const kCannotReadList = "Unable to read archive file list";

// Below this many bytes of output zlib inflates a stream sooner than the faster engine can be
// set up (its state and read-ahead buffer are some hundred KiB).
constexpr std::int64_t kSmallStream = 64 * 1024;

archive::InflateEngineKind EngineFor(std::int64_t unpackedSize) {
  return unpackedSize < kSmallStream ? archive::InflateEngineKind::kZlib
                                     : archive::DefaultInflateEngine();
}

// Whether the trailer describes a registry that this file can hold: a count within the bound on
// records, and a registry between the member data and the trailer. A compressed registry
// cannot inflate to more than the best ratio deflate achieves.
bool RegistryFits(const TArchiveTrailer& trailer, std::int64_t fileSize) {
  if (trailer.FileCount < 0 || trailer.FileCount > archive::kMaxEntries) {
    return false;
  }
  const std::int64_t bytes = std::int64_t{trailer.FileCount} * std::int64_t{archive::kEntrySize};
  if (bytes == 0) {
    return true;
  }
  const std::int64_t end = fileSize - std::int64_t{archive::kTrailerSize};
  if (trailer.RegistryOffset < 0 || trailer.RegistryOffset > end) {
    return false;
  }
  const std::int64_t room = end - trailer.RegistryOffset;
  if (trailer.RegistryCompressed != 0) {
    return bytes <= room * kMaxInflateRatio + kInflateSlack;
  }
  return bytes <= room;
}

// Where the members' data lies. The writer lays members back to back before the registry, so in
// a real archive no member's data runs outside that area or shares bytes with another's; a
// forged registry of many records over one zlib stream would otherwise make each record
// inflate it all again.
struct MemberPlacement {
  // Entries whose data cannot be theirs: those below, and those with a negative unpacked size.
  std::vector<bool> misplaced;
  // The member of the lowest index whose data lies outside the member data or shares bytes
  // with another member's, in words; empty when there is none.
  std::string fault;
  std::size_t faultIndex = 0;
};

MemberPlacement PlaceMembers(const std::vector<std::unique_ptr<TArchiveEntry>>& entries,
                             std::int32_t registryOffset) {
  MemberPlacement placement;
  placement.misplaced.assign(entries.size(), false);
  const auto misplace = [&](std::size_t i, const std::string& why) {
    placement.misplaced[i] = true;
    if (!why.empty() && (placement.fault.empty() || i < placement.faultIndex)) {
      placement.fault = "member " + std::to_string(i) + why;
      placement.faultIndex = i;
    }
  };
  std::vector<std::size_t> byOffset;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TArchiveEntry& e = *entries[i];
    if (e.DataOffset < 0 || e.PackedSize < 0 ||
        std::int64_t{e.DataOffset} + e.PackedSize > std::int64_t{registryOffset}) {
      misplace(i, "'s data lies outside the member data");
    } else if (e.UnpackedSize < 0) {
      misplace(i, "");
    } else if (e.PackedSize > 0) {
      byOffset.push_back(i);
    }
  }
  std::sort(byOffset.begin(), byOffset.end(), [&](std::size_t a, std::size_t b) {
    return entries[a]->DataOffset != entries[b]->DataOffset
               ? entries[a]->DataOffset < entries[b]->DataOffset
               : a < b;
  });
  // Sweeping by offset: a member that begins before the furthest end seen so far overlaps the
  // member that reaches that end.
  std::int64_t furthestEnd = 0;
  std::size_t furthest = 0;
  for (std::size_t i : byOffset) {
    const std::int64_t end = std::int64_t{entries[i]->DataOffset} + entries[i]->PackedSize;
    if (entries[i]->DataOffset < furthestEnd) {
      misplace(i, " shares data with member " + std::to_string(furthest));
      placement.misplaced[furthest] = true;
    }
    if (end > furthestEnd) {
      furthestEnd = end;
      furthest = i;
    }
  }
  return placement;
}

// Cuts registry bytes into entry records as they arrive, so the registry is never held twice.
class RegistryCollector {
 public:
  void Append(const std::uint8_t* data, std::size_t count) {
    pending_.insert(pending_.end(), data, data + count);
    std::size_t used = 0;
    while (pending_.size() - used >= archive::kEntrySize) {
      entries_.push_back(
          std::make_unique<TArchiveEntry>(archive::DecodeEntry(pending_.data() + used)));
      used += archive::kEntrySize;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
  }
  std::int64_t Bytes() const {
    return static_cast<std::int64_t>(entries_.size() * archive::kEntrySize + pending_.size());
  }
  std::vector<std::unique_ptr<TArchiveEntry>> TakeEntries() { return std::move(entries_); }

 private:
  std::vector<std::uint8_t> pending_;
  std::vector<std::unique_ptr<TArchiveEntry>> entries_;
};

// Reads the trailer's FileCount records from RegistryOffset, inflating them when the registry
// is compressed. The registry ends where the trailer begins (at end): a compressed one whose
// stream would need the trailer's bytes too is short. pieceRead is told the size of each piece
// obtained from a compressed registry.
std::vector<std::unique_ptr<TArchiveEntry>> ReadRegistry(
    TStream& file, std::int64_t end, const TArchiveTrailer& trailer, platform::Env& env,
    const std::function<void(std::size_t)>& pieceRead) {
  const std::int64_t expected = std::int64_t{trailer.FileCount} * std::int64_t{archive::kEntrySize};
  if (expected == 0) {
    return {};
  }
  TStreamSlice registryBytes(file, trailer.RegistryOffset, end - trailer.RegistryOffset);
  std::optional<TDecompressionStream> inflater;
  const bool compressed = trailer.RegistryCompressed != 0;
  TStream& source = compressed ? inflater.emplace(registryBytes, &env, EngineFor(expected))
                               : static_cast<TStream&>(registryBytes);
  RegistryCollector registry;
  std::uint8_t buffer[kPiece];
  for (std::int64_t remaining = expected; remaining > 0;) {
    const std::int64_t asked = std::min(remaining, kPiece);
    const std::size_t got = source.Read(buffer, static_cast<std::size_t>(asked));
    if (compressed) {
      pieceRead(got);
    }
    registry.Append(buffer, got);
    if (got < static_cast<std::size_t>(asked)) {
      break;  // the registry ends early
    }
    remaining -= asked;
  }
  if (registry.Bytes() != expected) {
    throw Exception(FailureKind::kCorrupt, kCannotReadList, "the registry ends early");
  }
  return registry.TakeEntries();
}

}  // namespace

bool TZLBArchive::OpenArchive(const std::string& FileName) {
  CloseArchive();
  FFileName = FileName;
  if (FileName.empty()) {
    return false;
  }
  if (!Env().FileExists(FileName)) {
    FFileName.clear();
    throw Exception(FailureKind::kNotFound, "Archive file not found");
  }
  std::unique_ptr<TFileStream> opened;
  try {
    opened = archive::OpenFileForReading(FileName, Env());
  } catch (...) {
    FFileName.clear();
    throw;
  }
  // A small archive needs no more buffer than its own size.
  const auto buffer = std::clamp<std::int64_t>(opened->Size(), kPiece, kFileBuffer);
  auto file = std::make_unique<TReadBufferedStream>(*opened, static_cast<std::size_t>(buffer));

  // Verify the whole file against the trailer. A file of no bytes has a CRC of 0 and an
  // all-zero trailer: an archive without entries. Any other file too short for a trailer is
  // damaged, and so is one whose content before the trailer passes the 32-bit offsets of the
  // format; that one is refused before its CRC is computed over gigabytes.
  const std::int64_t size = file->Size();
  try {
    const std::int64_t content = size - std::int64_t{archive::kTrailerSize};
    if ((size > 0 && content < 0) || content > archive::kMaxArchiveBytes) {
      throw Exception(FailureKind::kCorrupt, "The archive file appears to be corrupted");
    }
    const std::uint32_t crc = salvaging_ ? 0 : CalcCRC(*file, std::int64_t{archive::kTrailerSize});
    if (size > 0) {
      std::uint8_t trailer[archive::kTrailerSize];
      file->SetPosition(content);
      file->ReadBuffer(trailer, archive::kTrailerSize);
      FTrailer = archive::DecodeTrailer(trailer);
    }
    if (!salvaging_ && crc != FTrailer.ArchiveCRC) {
      throw Exception(FailureKind::kCorrupt, "The archive file appears to be corrupted");
    }
  } catch (...) {
    FFileName.clear();
    FTrailer = archive::ZeroTrailer();
    throw;
  }

  try {
    if (!RegistryFits(FTrailer, size)) {
      throw Exception(FailureKind::kCorrupt, kCannotReadList,
                      "the trailer names a registry this file cannot hold");
    }
    if (FTrailer.RegistryCompressed != 0) {
      FActivity = actReadRegistry;
      FActivityTotal = FTrailer.FileCount * static_cast<std::int32_t>(archive::kEntrySize);
      FActivityDone = 0;
      FActivityText = "Extracting archive registry";
    }
    FEntries = ReadRegistry(*file, size - std::int64_t{archive::kTrailerSize}, FTrailer, Env(),
                            [this](std::size_t got) {
                              FActivityDone += static_cast<std::int32_t>(got);
                              DoProgress(this);
                            });
    MemberPlacement placement = PlaceMembers(FEntries, FTrailer.RegistryOffset);
    // Such an archive is refused as a whole; salvage opens it and fails those members alone.
    if (!salvaging_ && !placement.fault.empty()) {
      throw Exception(FailureKind::kCorrupt, kCannotReadList, placement.fault);
    }
    misplaced_ = std::move(placement.misplaced);
    if (OnArchiveOpened) {
      OnArchiveOpened(this);
    }
  } catch (...) {
    // Whatever failed is carried as the cause of the one message opening gives for it.
    std::string cause;
    try {
      throw;
    } catch (const std::exception& failure) {
      cause = CauseOf(failure);
    } catch (...) {
    }
    file.reset();
    opened.reset();
    try {
      CloseArchive();
    } catch (...) {
      // A progress handler that fails while we close must not hide why opening failed; the
      // archive is closed before the handler is called.
    }
    throw Exception(FailureKind::kCorrupt, kCannotReadList,
                    cause == kCannotReadList ? std::string() : cause);
  }
  file.reset();
  opened.reset();
  FActivity = actIdle;
  DoProgress(this);
  return true;
}

bool TZLBArchive::OpenArchiveForSalvage(const std::string& FileName) {
  struct SkipCrc {
    bool& flag;
    explicit SkipCrc(bool& f) : flag(f) { flag = true; }
    ~SkipCrc() { flag = false; }
  } skip(salvaging_);
  return OpenArchive(FileName);
}

void TZLBArchive::GetFileEntry(int Index, TArchiveEntry& Entry) const {
  if (Index < 0 || Index >= FileCount()) {
    throw Exception("Index out of bounds");
  }
  Entry = *FEntries[static_cast<std::size_t>(Index)];
}

bool TZLBArchive::ExtractToStream(int Index, TStream& Dest) {
  return ReadMember(Index, &Dest, FCheckCRC);
}

bool TZLBArchive::TestFile(int Index) {
  return ReadMember(Index, nullptr, true);
}

bool TZLBArchive::ReadMember(int Index, TStream* Dest, bool checkCrc) {
  TArchiveEntry entry;
  GetFileEntry(Index, entry);
  const std::string corrupt = FormatMessage("File (%d) is corrupt", Index);
  // The member read ahead by a worker, when it was: its pieces come from there, with the
  // beeps and the failure they came with; the reporting below is the same.
  std::unique_ptr<archive::ReadingPipeline::Ticket> ahead =
      readAhead_ ? archive::ReadingPipeline::Take(readAhead_, Index, Dest != nullptr) : nullptr;
  if (static_cast<std::size_t>(Index) >= misplaced_.size() ||
      misplaced_[static_cast<std::size_t>(Index)]) {
    throw Exception(FailureKind::kCorrupt, corrupt, "its data lies outside the member data");
  }
  std::unique_ptr<TFileStream> file;
  if (!ahead) {
    file = archive::OpenFileForReading(FFileName, Env());
  }
  // The member's CRC is computed from the pieces as they are written. When Dest held bytes
  // already, the check covers all of Dest from its first byte, which only a second pass over
  // Dest can give.
  const bool freshDest = checkCrc && (Dest == nullptr || Dest->Position() == 0);
  std::uint32_t crc = 0xFFFFFFFFu;
  try {
    // A small member needs no more buffer than its own data, and nothing but the member's own
    // PackedSize bytes is ever read for it.
    std::optional<TReadBufferedStream> reader;
    std::optional<TStreamSlice> data;
    std::optional<TDecompressionStream> inflater;
    TStream* source = nullptr;
    if (!ahead) {
      const auto packed = std::clamp<std::int64_t>(entry.PackedSize, kPiece, kFileBuffer);
      reader.emplace(*file, static_cast<std::size_t>(packed));
      data.emplace(*reader, entry.DataOffset, entry.PackedSize);
      // A stored member is read as it stands; only a compressed one needs an inflater, and a
      // small one the engine that is quickest to set up.
      inflater.emplace(*data, &Env(), EngineFor(entry.UnpackedSize));
      source = entry.Stored != 0 ? static_cast<TStream*>(&*data) : &*inflater;
    }
    FActivity = actExtract;
    FActivityTotal = entry.UnpackedSize;
    FActivityDone = 0;
    FActivityText = FormatMessage("Extracting %s", archive::ShortString(entry.Name));
    std::uint8_t buffer[kPiece];
    for (std::int64_t remaining = entry.UnpackedSize; remaining > 0;) {
      const std::int64_t asked = std::min(remaining, kPiece);
      const std::uint8_t* piece = buffer;
      if (ahead) {
        piece = ahead->Next();
      } else {
        const std::size_t got = source->Read(buffer, static_cast<std::size_t>(asked));
        if (got != static_cast<std::size_t>(asked)) {
          throw Exception(FailureKind::kCorrupt, corrupt, "its data ends before its size");
        }
        if (freshDest) {
          crc = crc_->Update(crc, buffer, static_cast<std::size_t>(asked));
        }
      }
      FActivityDone += static_cast<std::int32_t>(asked);
      DoProgress(this);
      if (Dest != nullptr) {
        Dest->WriteBuffer(piece, static_cast<std::size_t>(asked));
      }
      remaining -= asked;
    }
    if (ahead) {
      crc = ahead->Finish();
    }
  } catch (const Exception& failure) {
    // Reading, inflating and writing all fail as one message; the cause tells them apart (a
    // full disk is not damaged data).
    throw Exception(FailureKind::kCorrupt, corrupt,
                    failure.Message() == corrupt ? failure.Cause() : CauseOf(failure));
  } catch (const std::exception& failure) {
    throw Exception(FailureKind::kCorrupt, corrupt, failure.what());
  } catch (...) {
    throw Exception(FailureKind::kCorrupt, corrupt);
  }
  file.reset();
  if (checkCrc) {
    const bool onlyOurs = freshDest && (Dest == nullptr || Dest->Size() == entry.UnpackedSize);
    if ((onlyOurs ? crc ^ 0xFFFFFFFFu : CalcCRC(*Dest, 0)) != entry.CRC) {
      throw Exception(FailureKind::kBadChecksum,
                      FormatMessage("File (%d) failed CRC check", Index));
    }
  }
  return true;
}

void TZLBArchive::ReadAhead(const std::vector<int>& Order, bool KeepData) {
  readAhead_.reset();
  if (FThreads < 2 || Order.empty() || FFileName.empty()) {
    return;
  }
  std::vector<archive::ReadingPipeline::Member> members;
  members.reserve(Order.size());
  for (const int index : Order) {
    if (index < 0 || index >= FileCount()) {
      break;  // the members up to it only: asking for this one fails anyway
    }
    const auto i = static_cast<std::size_t>(index);
    members.push_back({index, FEntries[i].get(), i >= misplaced_.size() || misplaced_[i]});
  }
  try {
    readAhead_ = std::make_shared<archive::ReadingPipeline>(
        FFileName, std::move(members),
        archive::ReadingPipeline::Settings{&Env(), crc_.get(), static_cast<std::size_t>(FThreads),
                                           std::min(FMemoryLimit, archive::kReadAheadLimit),
                                           KeepData});
  } catch (const std::exception&) {
    // Without the file (or the threads) each member is read when it is asked for, and fails
    // then as it would.
  }
}

void TZLBArchive::ExtractFile(const std::string& DestDir, int Index) {
  if (FFileName.empty()) {
    throw Exception("No archive is currently open");
  }
  TArchiveEntry entry;
  GetFileEntry(Index, entry);
  const archive::DiskWriter disk(Env(), archive::DiskPolicy{FExtractWithPath});
  const std::string full = disk.Place(DestDir, entry, Index);
  const bool written = disk.Write(
      full, entry.UnpackedSize, [&](TStream& out) { ExtractToStream(Index, out); },
      [this](const std::string& name) {
        if (!OnReplaceFile) {
          return true;  // nobody to ask: overwritten
        }
        bool Replace = false;
        OnReplaceFile(name, Replace);
        return Replace;
      });
  if (written && OnFileExtracted) {
    OnFileExtracted(DestDir + archive::ShortString(entry.Name));
  }
  FActivity = actIdle;
  DoProgress(this);
}
