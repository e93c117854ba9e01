#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The standard CRC-32 of zlib and PKZIP (reflected polynomial 0xEDB88320, initial value and
// final exclusive-or 0xFFFFFFFF).
using TCRCTable = std::array<std::uint32_t, 256>;

namespace archive {

// The 256-entry table: for each n, eight shifts of n with the polynomial folded in on a set
// low bit.
TCRCTable BuildCRC32Table();

// Feeds bytes into a running CRC register (start with 0xFFFFFFFF, finish by exclusive-or with
// 0xFFFFFFFF). Gives the same values as one table look-up per byte: eight bytes at a time, or
// by carry-less multiplication where the build has the storage acceleration library.
class Crc32Engine {
 public:
  // Pieces at least this long go to the library's folding CRC; shorter ones are not worth
  // the call.
  static constexpr std::size_t kFoldingThreshold = 64;

  explicit Crc32Engine(const TCRCTable& table);
  std::uint32_t Update(std::uint32_t crc, const std::uint8_t* data, std::size_t count) const;

 private:
  std::uint32_t slices_[8][256];
};

}  // namespace archive
