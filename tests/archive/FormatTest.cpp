#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/ArchiveFormat.h"

using namespace std::string_literals;

namespace {
std::uint32_t LittleEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}
}  // namespace

TEST(ArchiveFormat, RecordFieldsSitAtTheirOffsetsLittleEndianAndSurviveARoundTrip) {
  TArchiveEntry entry = archive::ZeroEntry();
  archive::SetShortString(entry.Name, "rules.ini");
  archive::SetShortString(entry.Path, "..\\Rules\\");
  entry.UnpackedSize = 0x01020304;
  entry.PackedSize = -2;
  entry.DataOffset = 0x7FFFFFFF;
  entry.CRC = 0xCBF43926u;
  entry.Stored = 1;
  entry.Level = fcMaximum;
  std::vector<std::uint8_t> bytes(archive::kEntrySize, 0xEE);
  archive::EncodeEntry(entry, bytes.data());
  EXPECT_EQ(std::string(&bytes[0], &bytes[11]), "\x09rules.ini\0"s);
  EXPECT_EQ(std::string(&bytes[256], &bytes[266]), "\x09..\\Rules\\");
  EXPECT_EQ(bytes[512], 0x04);
  EXPECT_EQ(LittleEndianAt(bytes, 512), 0x01020304u);
  EXPECT_EQ(LittleEndianAt(bytes, 516), 0xFFFFFFFEu);
  EXPECT_EQ(LittleEndianAt(bytes, 520), 0x7FFFFFFFu);
  EXPECT_EQ(LittleEndianAt(bytes, 524), 0xCBF43926u);
  EXPECT_EQ(LittleEndianAt(bytes, 528), 0x0301u) << "Stored, Level, zero padding";
  std::vector<std::uint8_t> again(archive::kEntrySize);
  archive::EncodeEntry(archive::DecodeEntry(bytes.data()), again.data());
  EXPECT_EQ(again, bytes);

  TArchiveTrailer trailer = archive::ZeroTrailer();
  trailer.ArchiveCRC = 0xDEADBEEFu;
  trailer.FileCount = 8;
  trailer.RegistryMark = 1;
  trailer.RegistrySize = 0x1234;
  trailer.RegistryOffset = -1;
  trailer.RegistryCompressed = 2;
  bytes.assign(archive::kTrailerSize, 0xEE);
  archive::EncodeTrailer(trailer, bytes.data());
  EXPECT_EQ(bytes[0], 0xEF);
  EXPECT_EQ(LittleEndianAt(bytes, 0), 0xDEADBEEFu);
  EXPECT_EQ(LittleEndianAt(bytes, 4), 8u);
  EXPECT_EQ(LittleEndianAt(bytes, 8), 1u);
  EXPECT_EQ(LittleEndianAt(bytes, 12), 0x1234u);
  EXPECT_EQ(LittleEndianAt(bytes, 16), 0xFFFFFFFFu);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 20, bytes.end()),
            std::vector<std::uint8_t>({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  again.resize(archive::kTrailerSize);
  archive::EncodeTrailer(archive::DecodeTrailer(bytes.data()), again.data());
  EXPECT_EQ(again, bytes);
}

TEST(ArchiveFormat, ShortStringsHoldAtMost255CharactersAndLeaveTheRestAlone) {
  TArchiveEntry entry = archive::ZeroEntry();
  archive::SetShortString(entry.Name, std::string(255, 'x'));
  EXPECT_EQ(archive::ShortString(entry.Name), std::string(255, 'x'));
  archive::SetShortString(entry.Name, std::string(255, 'a') + "bc");
  EXPECT_EQ(entry.Name[0], 255);
  EXPECT_EQ(archive::ShortString(entry.Name), std::string(255, 'a'));

  archive::SetShortString(entry.Path, "ABCDEF");
  archive::SetShortString(entry.Path, std::string("x\0", 2));
  EXPECT_EQ(archive::ShortString(entry.Path), std::string("x\0", 2));
  EXPECT_EQ(entry.Path[3], 'C') << "bytes beyond the new length are untouched";
}
