#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "archive/Crc32.h"

TEST(Crc32, TableAndKnownValues) {
  const TCRCTable table = archive::BuildCRC32Table();
  EXPECT_EQ(table[1], 0x77073096u);
  EXPECT_EQ(table[255], 0x2D02EF8Du);
  const archive::Crc32Engine engine(table);
  const std::string check = "123456789";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(check.data());
  EXPECT_EQ(engine.Update(0xFFFFFFFFu, bytes, check.size()) ^ 0xFFFFFFFFu, 0xCBF43926u);
  EXPECT_EQ(engine.Update(0xFFFFFFFFu, nullptr, 0) ^ 0xFFFFFFFFu, 0u);
}

TEST(Crc32, EqualsZlibAtAnyLengthAlignmentAndSplit) {
  const archive::Crc32Engine engine(archive::BuildCRC32Table());
  std::mt19937 random(1234);
  std::vector<std::uint8_t> data(70000);
  for (auto& b : data) {
    b = static_cast<std::uint8_t>(random());
  }
  auto zlibCrc = [&](std::size_t start, std::size_t length) {
    return static_cast<std::uint32_t>(crc32(0L, data.data() + start, static_cast<uInt>(length)));
  };
  for (std::size_t start = 0; start < 8; ++start) {
    for (std::size_t length : {0, 1, 7, 8, 9, 15, 16, 17, 63, 1023, 10240, 65537}) {
      ASSERT_EQ(engine.Update(0xFFFFFFFFu, data.data() + start, length) ^ 0xFFFFFFFFu,
                zlibCrc(start, length))
          << "start " << start << ", length " << length;
    }
  }
  // The register carries across pieces of odd sizes, which split at every alignment.
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t offset = 0, piece = 1; offset < data.size(); piece = piece * 3 % 1031 + 1) {
    const std::size_t n = std::min(piece, data.size() - offset);
    crc = engine.Update(crc, data.data() + offset, n);
    offset += n;
  }
  EXPECT_EQ(crc ^ 0xFFFFFFFFu, zlibCrc(0, data.size()));
}
