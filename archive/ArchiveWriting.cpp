// The writing side of the archive component: beginning archives, adding files, the registry
// and trailer of a rewritten archive, temporary files and directory listings.
//
// An archive is never changed in place. Each AddFile assembles a complete new archive in a
// temporary file (the present members' data unchanged, the new member, a new registry and
// trailer) and only then puts it in the archive's place, so a failure at any point leaves the
// old archive as it was. AddFiles can instead assemble it in a file the caller gives and leave
// the placing to the caller, who may want it to be one step of its own.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "archive/ArchiveLimits.h"
#include "archive/CrcStreams.h"
#include "archive/FileHelpers.h"
#include "archive/NamesOnAdd.h"
#include "archive/PackingPipeline.h"
#include "archive/ZLIBArchive.h"
#include "archive/ZlibStreams.h"
#include "platform/Env.h"
#include "platform/WinNames.h"

void TZLBArchive::CreateArchive(const std::string& Name) {
  CloseArchive();
  FFileName = Name;
  if (Name.empty()) {
    return;
  }
  if (Env().FileExists(Name)) {
    FFileName.clear();
    throw Exception("File already exists");
  }
  if (OnArchiveOpened) {
    try {
      OnArchiveOpened(this);
    } catch (...) {
      // A handler that fails leaves no half-begun archive behind.
      CloseArchive();
      throw;
    }
  }
  FIsNew = true;
}

void TZLBArchive::AddFile(const std::string& Source) {
  if (FFileName.empty()) {
    throw Exception("No archive is currently open");
  }
  if (IndexOfFile(Source) >= 0) {
    throw Exception("File already exists");
  }
  if (FEntries.size() >= static_cast<std::size_t>(archive::kMaxEntries)) {
    throw Exception(FailureKind::kTooLarge, "The archive holds too many files");
  }
  Rewrite({Source}, false, "");
}

void TZLBArchive::AddFiles(const std::vector<std::string>& Sources, const std::string& BuildFile) {
  if (FFileName.empty()) {
    throw Exception("No archive is currently open");
  }
  // The reader refuses more records than this, so no archive is written that it cannot read.
  if (FEntries.size() + Sources.size() > static_cast<std::size_t>(archive::kMaxEntries)) {
    throw Exception(FailureKind::kTooLarge, "The archive holds too many files");
  }
  if (!Sources.empty()) {
    Rewrite(Sources, true, BuildFile);
  }
}

void TZLBArchive::Rewrite(const std::vector<std::string>& Sources, bool batch,
                          const std::string& buildFile) {
  // Members read ahead are of no use once the archive changes, and their handles on it go.
  readAhead_.reset();
  // The present members' data is read from the archive, which is opened first: a build file
  // that is the archive's own is then refused as in use before anything in it is lost. An
  // archive without member data has nothing to copy and is not opened.
  std::unique_ptr<TFileStream> present;
  if (!FIsNew && FTrailer.RegistryOffset > 0) {
    present = archive::OpenFileForReading(FFileName, Env());
  }
  const bool inPlace = buildFile.empty();  // assembled in a file of our own, then put in place
  // Declared before the streams over it, so the file is closed before it is deleted.
  archive::TemporaryFile temp(Env(), inPlace ? MakeTempFileName() : std::string());
  const std::string& assembled = inPlace ? temp.Name() : buildFile;
  const std::size_t entriesBefore = FEntries.size();
  try {
    {
      TFileStream file(assembled,
                       inPlace ? TFileMode::fmOpenReadWriteExclusive : TFileMode::fmCreate, &Env());
      // Every byte goes through the CRC on its way to the file, so the trailer's CRC needs
      // no second pass over the new archive.
      TCrcWriteStream out(file, *crc_);

      // The present members' data, byte for byte: their offsets stay valid.
      if (present) {
        archive::CopyExactly(*present, out, FTrailer.RegistryOffset);
        present.reset();
      }

      // The identities present, for the batch's duplicate check: each name is looked up once
      // instead of being compared with every member.
      std::unordered_set<std::string> presentNames;
      if (batch) {
        for (const auto& entry : FEntries) {
          presentNames.insert(StoredIdentity(*entry));
        }
      }
      archive::PackingPipeline pipeline(
          Sources, {&Env(), crc_.get(), FCompressionLevel, static_cast<std::size_t>(FThreads),
                    FMemoryLimit});
      const int total = static_cast<int>(Sources.size());
      std::int64_t bytesDone = 0;
      for (int done = 0; done < total; ++done) {
        const std::string& source = Sources[static_cast<std::size_t>(done)];
        if (!batch) {
          AppendMember(out, pipeline, source, false, done, total, bytesDone);
          continue;
        }
        // Names added earlier in the batch count as present.
        const std::string identity =
            platform::FoldAsciiCase(archive::MemberIdentity(source, FSavePaths));
        if (presentNames.count(identity) != 0) {
          throw Exception(FormatMessage("File already exists (%s)", source));
        }
        try {
          AppendMember(out, pipeline, source, true, done, total, bytesDone);
        } catch (const Exception& error) {
          // Say which file of the batch failed, unless the failure names it already: opening
          // the file and its size limit do; reading, compressing and writing do not.
          if (error.Kind() == FailureKind::kCannotOpen || error.Kind() == FailureKind::kTooLarge) {
            throw;
          }
          throw Exception(error.Kind(), error.Message() + " (" + source + ")", error.Cause());
        }
        presentNames.insert(StoredIdentity(*FEntries.back()));
        if (OnBatchProgress) {
          OnBatchProgress(done + 1, total, bytesDone);
        }
      }

      WriteRegistryTo(out, &out);
      // Closed here, so that a failure the system reports only at the close is not lost.
      file.Close();
    }

    // The complete new archive takes the old one's place; the old one is never removed first.
    if (inPlace) {
      if (const platform::Status placed = Env().ReplaceFile(temp.Name(), FFileName); !placed) {
        throw Exception(FormatMessage("Unable to update archive (%s)", FFileName), placed.Text());
      }
      temp.Release();
    }
  } catch (...) {
    FEntries.resize(entriesBefore);
    throw;
  }

  // Reload the registry and trailer from the rewritten file, with all of opening's checks.
  const std::string name = inPlace ? FFileName : buildFile;
  CloseArchive();
  OpenArchive(name);
}

void TZLBArchive::AppendMember(TCrcWriteStream& out, archive::PackingPipeline& pipeline,
                               const std::string& Source, bool batch, int filesDone, int filesTotal,
                               std::int64_t& bytesDone) {
  out.Seek(0, TSeekOrigin::soEnd);
  const std::int64_t dataOffset = out.Position();
  const TCrcWriteStream::Mark memberStart = out.Here();
  const std::int64_t bytesBefore = bytesDone;
  // The source compressed, here or by a worker; what the compressor reported on the way is
  // reported here, in the order it came.
  archive::PackedMember packed = pipeline.Next(
      out,
      [&](std::int64_t sourceSize) {
        FActivity = actAdd;
        FActivityTotal = static_cast<std::int32_t>(sourceSize);
        FActivityDone = 0;
        FActivityText = FormatMessage("Updating %s", Source);
      },
      [&](std::int64_t consumed) {
        ReportAdding(consumed);
        if (batch && OnBatchProgress) {
          OnBatchProgress(filesDone, filesTotal, bytesBefore + consumed);
        }
      });
  const std::int64_t sourceSize = packed.SourceSize();
  bytesDone += sourceSize;

  auto entry = std::make_unique<TArchiveEntry>(archive::ZeroEntry());
  entry->CRC = packed.Crc();
  archive::SetShortString(entry->Name, archive::MemberName(Source));
  if (FSavePaths) {
    archive::SetShortString(entry->Path, archive::MemberPath(Source));
  }
  entry->UnpackedSize = static_cast<std::int32_t>(sourceSize);
  entry->DataOffset = static_cast<std::int32_t>(dataOffset);

  const std::int64_t packedSize = packed.DataSize();
  if (!archive::ArchiveFits(dataOffset + packedSize, FEntries.size() + 1)) {
    throw Exception(FailureKind::kTooLarge,
                    FormatMessage("File too large for an archive (%s)", Source));
  }
  // A zlib stream too large for memory was written at its place already; when the content is
  // stored after all, it goes over those bytes (fewer than the content), and the archive's CRC
  // counts from the member's start again.
  if (packed.WroteInPlace() && !packed.KeepsPacked()) {
    out.Rewind(memberStart);
  }
  packed.WriteTo(out);
  if (packed.KeepsPacked()) {
    entry->Stored = 0;
    entry->Level = static_cast<std::uint8_t>(FCompressionLevel);
  } else {
    entry->Stored = 1;
    entry->Level = 0;
  }
  entry->PackedSize = static_cast<std::int32_t>(packedSize);
  FEntries.push_back(std::move(entry));
}

std::string TZLBArchive::StoredIdentity(const TArchiveEntry& entry) {
  std::string stored = archive::ShortString(entry.Path) + archive::ShortString(entry.Name);
  if (stored.size() > 255) {
    stored.resize(255);
  }
  return platform::FoldAsciiCase(std::move(stored));
}

int TZLBArchive::IndexOfFile(const std::string& Name) const {
  if (FFileName.empty()) {
    throw Exception("No archive is currently open");
  }
  const std::string wanted = platform::FoldAsciiCase(archive::MemberIdentity(Name, FSavePaths));
  for (std::size_t i = 0; i < FEntries.size(); ++i) {
    if (StoredIdentity(*FEntries[i]) == wanted) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void TZLBArchive::WriteRegistry(TStream& Dest) {
  WriteRegistryTo(Dest, nullptr);
}

void TZLBArchive::WriteRegistryTo(TStream& Dest, const TCrcWriteStream* tracked) {
  TArchiveTrailer trailer = archive::ZeroTrailer();
  const std::int64_t registryOffset = Dest.Size();
  trailer.RegistryOffset = static_cast<std::int32_t>(registryOffset);

  std::vector<std::uint8_t> records(FEntries.size() * archive::kEntrySize);
  for (std::size_t i = 0; i < FEntries.size(); ++i) {
    archive::EncodeEntry(*FEntries[i], records.data() + i * archive::kEntrySize);
  }

  // Compressed into memory first, so a failing compression leaves nothing behind in Dest.
  TMemoryStream packed;
  bool compressed = false;
  try {
    FActivity = actWriteRegistry;
    FActivityTotal = static_cast<std::int32_t>(records.size());
    FActivityDone = 0;
    FActivityText = "Writing archive registry";
    TCompressionStream compressor(FCompressionLevel, packed);
    compressor.OnProgress = [this](TObject* sender) { DoProgress(sender); };
    compressor.WriteBuffer(records.data(), records.size());
    compressor.Finish();
    compressed = true;
  } catch (const std::exception&) {
    // The registry is then written as plain records.
  }

  Dest.Seek(registryOffset, TSeekOrigin::soBeginning);
  if (compressed) {
    Dest.WriteBuffer(packed.Memory(), static_cast<std::size_t>(packed.Size()));
    trailer.RegistrySize = static_cast<std::int32_t>(packed.Size());
    trailer.RegistryCompressed = 1;
  } else {
    Dest.WriteBuffer(records.data(), records.size());
  }
  packed.Clear();

  trailer.FileCount = static_cast<std::int32_t>(FEntries.size());
  trailer.RegistryMark = 1;
  const std::int64_t end = Dest.Size();
  trailer.ArchiveCRC =
      tracked != nullptr && tracked->Covers(end) ? tracked->Crc() : CalcCRC(Dest, 0);
  std::uint8_t bytes[archive::kTrailerSize];
  archive::EncodeTrailer(trailer, bytes);
  Dest.WriteBuffer(bytes, archive::kTrailerSize);
}

std::string TZLBArchive::MakeTempFileName() {
  platform::Result<std::string> made = Env().CreateTempFile(Env().TempFolder(), "ZLB");
  if (!made) {
    // There is no name to open; the failure is the one opening it would give, with the reason.
    throw EFOpenError(FormatMessage("Cannot open file %s", std::string()), made.Failure().Text());
  }
  return std::move(made).Value();
}

namespace {

// Appends the items of dir (without a trailing separator) as ListDirectory describes. A
// symbolic link to a folder is listed as a folder but not descended into, so a link that leads
// back up the tree cannot make the listing run on.
void ListFolderInto(platform::Env& env, const std::string& dir, bool recursePaths, bool savePaths,
                    std::vector<std::string>& files) {
  std::vector<std::string> pending;
  for (const platform::FolderItem& item : env.ListFolder(dir + "\\")) {
    if (item.name == "." || item.name == "..") {
      continue;
    }
    const std::string path = dir + "\\" + item.name;
    if (item.isFolder) {
      if (recursePaths && !item.isLink) {
        ListFolderInto(env, path, recursePaths, savePaths, files);
      }
      if (savePaths) {
        pending.push_back(path);
      }
    } else {
      pending.push_back(path);
    }
  }
  files.insert(files.end(), pending.begin(), pending.end());
}

}  // namespace

void TZLBArchive::ListDirectory(const std::string& Dir, std::vector<std::string>& Files) {
  if (Dir.empty()) {
    return;
  }
  std::string dir = Dir;
  if (dir.back() == '\\' || dir.back() == '/') {
    dir.pop_back();
  }
  ListFolderInto(Env(), dir, FRecursePaths, FSavePaths, Files);
}
