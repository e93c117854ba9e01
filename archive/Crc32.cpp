// STUB: to be written.
#include "archive/Crc32.h"

#include "platform/Exception.h"

TCRCTable BuildCRC32Table() { throw Exception("not implemented"); }
Crc32Engine::Crc32Engine(const TCRCTable&) : slices_{} {}
std::uint32_t Crc32Engine::Update(std::uint32_t, const std::uint8_t*, std::size_t) const {
  throw Exception("not implemented");
}
