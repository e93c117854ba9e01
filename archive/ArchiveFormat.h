#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The archive file: the members' data from offset 0, then the registry (one 532-byte entry
// record per member, as one zlib stream or plain), then a 36-byte trailer. All integers are
// little-endian; records are encoded byte by byte, never by casting the structs.

enum TFileCompressionLevel : std::uint8_t {
  fcNone = 0,
  fcFastest = 1,
  fcDefault = 2,
  fcMaximum = 3
};

// One member's record in the registry.
struct TArchiveEntry {
  std::uint8_t Name[256];  // length-prefixed: byte 0 is the length, bytes 1..n the characters
  std::uint8_t Path[256];  // same form; the directory ending in '\', or empty
  std::int32_t UnpackedSize;
  std::int32_t PackedSize;
  std::int32_t DataOffset;
  std::uint32_t CRC;
  std::uint8_t Stored;  // 1: plain bytes; 0: one zlib stream
  std::uint8_t Level;   // the TFileCompressionLevel used; 0 when stored
  std::uint8_t Padding[2];
};
static_assert(sizeof(TArchiveEntry) == 532, "an entry record is 532 bytes");

// The last 36 bytes of an archive.
struct TArchiveTrailer {
  std::uint32_t ArchiveCRC;  // CRC-32 of every byte before the trailer
  std::int32_t FileCount;
  std::int32_t RegistryMark;        // written as 1, never examined
  std::int32_t RegistrySize;        // bytes of the compressed registry; 0 when plain
  std::int32_t RegistryOffset;      // where the registry starts (= end of the member data)
  std::uint8_t RegistryCompressed;  // nonzero: the registry is one zlib stream
  std::uint8_t Reserved[15];
};
static_assert(sizeof(TArchiveTrailer) == 36, "the trailer is 36 bytes");

namespace archive {

constexpr std::size_t kEntrySize = sizeof(TArchiveEntry);
constexpr std::size_t kTrailerSize = sizeof(TArchiveTrailer);

// A record of all zero bytes.
TArchiveEntry ZeroEntry();
TArchiveTrailer ZeroTrailer();

void EncodeEntry(const TArchiveEntry& entry, std::uint8_t* out /* kEntrySize bytes */);
TArchiveEntry DecodeEntry(const std::uint8_t* in /* kEntrySize bytes */);
void EncodeTrailer(const TArchiveTrailer& trailer, std::uint8_t* out /* kTrailerSize bytes */);
TArchiveTrailer DecodeTrailer(const std::uint8_t* in /* kTrailerSize bytes */);

// The text of a length-prefixed string field (at most 255 characters).
std::string ShortString(const std::uint8_t (&field)[256]);
// Sets a length-prefixed string field, cutting the text to its first 255 characters; bytes
// beyond the length are left as they are.
void SetShortString(std::uint8_t (&field)[256], const std::string& text);

// The zlib level of a compression level: 0, 1, -1 (zlib's default), 9.
int ZlibLevel(TFileCompressionLevel level);

}  // namespace archive
