#include "archive/ArchiveFormat.h"

#include <algorithm>
#include <cstring>

namespace archive {
namespace {

// Entry record layout.
constexpr std::size_t kEntryName = 0;
constexpr std::size_t kEntryPath = 256;
constexpr std::size_t kEntryUnpackedSize = 512;
constexpr std::size_t kEntryPackedSize = 516;
constexpr std::size_t kEntryDataOffset = 520;
constexpr std::size_t kEntryCRC = 524;
constexpr std::size_t kEntryStored = 528;
constexpr std::size_t kEntryLevel = 529;
constexpr std::size_t kEntryPadding = 530;

// Trailer layout.
constexpr std::size_t kTrailerArchiveCRC = 0;
constexpr std::size_t kTrailerFileCount = 4;
constexpr std::size_t kTrailerRegistryMark = 8;
constexpr std::size_t kTrailerRegistrySize = 12;
constexpr std::size_t kTrailerRegistryOffset = 16;
constexpr std::size_t kTrailerRegistryCompressed = 20;
constexpr std::size_t kTrailerReserved = 21;

void PutU32(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
  out[2] = static_cast<std::uint8_t>(value >> 16);
  out[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t GetU32(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
         (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

// Signed fields travel as their two's-complement bit pattern.
void PutI32(std::uint8_t* out, std::int32_t value) {
  PutU32(out, static_cast<std::uint32_t>(value));
}
std::int32_t GetI32(const std::uint8_t* in) {
  return static_cast<std::int32_t>(GetU32(in));
}

}  // namespace

int ZlibLevel(TFileCompressionLevel level) {
  switch (level) {
    case fcNone:
      return 0;
    case fcFastest:
      return 1;
    case fcDefault:
      return -1;  // zlib's own default
    case fcMaximum:
      return 9;
  }
  // A value outside the enumeration has no zlib level; 10 is one deflate refuses, so a
  // compressing stream asked for it fails to start instead of guessing.
  return 10;
}

TArchiveEntry ZeroEntry() {
  TArchiveEntry entry;
  std::memset(&entry, 0, sizeof entry);
  return entry;
}

TArchiveTrailer ZeroTrailer() {
  TArchiveTrailer trailer;
  std::memset(&trailer, 0, sizeof trailer);
  return trailer;
}

void EncodeEntry(const TArchiveEntry& entry, std::uint8_t* out) {
  std::memcpy(out + kEntryName, entry.Name, sizeof entry.Name);
  std::memcpy(out + kEntryPath, entry.Path, sizeof entry.Path);
  PutI32(out + kEntryUnpackedSize, entry.UnpackedSize);
  PutI32(out + kEntryPackedSize, entry.PackedSize);
  PutI32(out + kEntryDataOffset, entry.DataOffset);
  PutU32(out + kEntryCRC, entry.CRC);
  out[kEntryStored] = entry.Stored;
  out[kEntryLevel] = entry.Level;
  std::memcpy(out + kEntryPadding, entry.Padding, sizeof entry.Padding);
}

TArchiveEntry DecodeEntry(const std::uint8_t* in) {
  TArchiveEntry entry = ZeroEntry();
  std::memcpy(entry.Name, in + kEntryName, sizeof entry.Name);
  std::memcpy(entry.Path, in + kEntryPath, sizeof entry.Path);
  entry.UnpackedSize = GetI32(in + kEntryUnpackedSize);
  entry.PackedSize = GetI32(in + kEntryPackedSize);
  entry.DataOffset = GetI32(in + kEntryDataOffset);
  entry.CRC = GetU32(in + kEntryCRC);
  entry.Stored = in[kEntryStored];
  entry.Level = in[kEntryLevel];
  std::memcpy(entry.Padding, in + kEntryPadding, sizeof entry.Padding);
  return entry;
}

void EncodeTrailer(const TArchiveTrailer& trailer, std::uint8_t* out) {
  PutU32(out + kTrailerArchiveCRC, trailer.ArchiveCRC);
  PutI32(out + kTrailerFileCount, trailer.FileCount);
  PutI32(out + kTrailerRegistryMark, trailer.RegistryMark);
  PutI32(out + kTrailerRegistrySize, trailer.RegistrySize);
  PutI32(out + kTrailerRegistryOffset, trailer.RegistryOffset);
  out[kTrailerRegistryCompressed] = trailer.RegistryCompressed;
  std::memcpy(out + kTrailerReserved, trailer.Reserved, sizeof trailer.Reserved);
}

TArchiveTrailer DecodeTrailer(const std::uint8_t* in) {
  TArchiveTrailer trailer = ZeroTrailer();
  trailer.ArchiveCRC = GetU32(in + kTrailerArchiveCRC);
  trailer.FileCount = GetI32(in + kTrailerFileCount);
  trailer.RegistryMark = GetI32(in + kTrailerRegistryMark);
  trailer.RegistrySize = GetI32(in + kTrailerRegistrySize);
  trailer.RegistryOffset = GetI32(in + kTrailerRegistryOffset);
  trailer.RegistryCompressed = in[kTrailerRegistryCompressed];
  std::memcpy(trailer.Reserved, in + kTrailerReserved, sizeof trailer.Reserved);
  return trailer;
}

std::string ShortString(const std::uint8_t (&field)[256]) {
  // The length byte can never point past the field: 255 is its largest value.
  return std::string(reinterpret_cast<const char*>(field + 1), field[0]);
}

void SetShortString(std::uint8_t (&field)[256], const std::string& text) {
  const std::size_t length = std::min<std::size_t>(text.size(), 255);
  field[0] = static_cast<std::uint8_t>(length);
  std::memcpy(field + 1, text.data(), length);
}

}  // namespace archive
