#include "archive/Crc32.h"

#include <bit>
#include <cstring>

#ifdef ZLB_WITH_ISAL
#include <isa-l/crc.h>
#endif

namespace archive {
namespace {
constexpr std::uint32_t kPolynomial = 0xEDB88320u;

// Little-endian load of four bytes; memcpy keeps it free of alignment assumptions.
std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t value;
  std::memcpy(&value, p, sizeof value);
  if constexpr (std::endian::native == std::endian::big) {
    value = __builtin_bswap32(value);
  }
  return value;
}
}  // namespace

TCRCTable BuildCRC32Table() {
  TCRCTable table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t value = n;
    for (int bit = 0; bit < 8; ++bit) {
      if (value & 1u) {
        value = (value >> 1) ^ kPolynomial;
      } else {
        value >>= 1;
      }
    }
    table[n] = value;
  }
  return table;
}

// slices_[k][n] is the register contribution of byte n followed by k zero bytes, so eight
// bytes can be folded into the register with eight independent look-ups.
Crc32Engine::Crc32Engine(const TCRCTable& table) {
  for (std::size_t n = 0; n < 256; ++n) {
    slices_[0][n] = table[n];
  }
  for (std::size_t k = 1; k < 8; ++k) {
    for (std::size_t n = 0; n < 256; ++n) {
      const std::uint32_t previous = slices_[k - 1][n];
      slices_[k][n] = (previous >> 8) ^ table[previous & 0xFFu];
    }
  }
}

std::uint32_t Crc32Engine::Update(std::uint32_t crc, const std::uint8_t* data,
                                  std::size_t count) const {
#ifdef ZLB_WITH_ISAL
  // The library folds 64 bytes at a time with carry-less multiplication. It takes and gives
  // the finished value (the register exclusive-ored with 0xFFFFFFFF).
  if (count >= kFoldingThreshold) {
    return ~crc32_gzip_refl(~crc, data, count);
  }
#endif
  const auto& t0 = slices_[0];
  // Byte at a time until the data pointer sits on an eight-byte boundary.
  while (count > 0 && (reinterpret_cast<std::uintptr_t>(data) & 7u) != 0) {
    crc = t0[(crc ^ *data) & 0xFFu] ^ (crc >> 8);
    ++data;
    --count;
  }
  while (count >= 8) {
    const std::uint32_t low = Load32(data) ^ crc;
    const std::uint32_t high = Load32(data + 4);
    crc = slices_[7][low & 0xFFu] ^ slices_[6][(low >> 8) & 0xFFu] ^
          slices_[5][(low >> 16) & 0xFFu] ^ slices_[4][low >> 24] ^ slices_[3][high & 0xFFu] ^
          slices_[2][(high >> 8) & 0xFFu] ^ slices_[1][(high >> 16) & 0xFFu] ^ t0[high >> 24];
    data += 8;
    count -= 8;
  }
  while (count > 0) {
    crc = t0[(crc ^ *data) & 0xFFu] ^ (crc >> 8);
    ++data;
    --count;
  }
  return crc;
}

}  // namespace archive
