// STUB: to be written.
#include "archive/ArchiveFormat.h"

#include "platform/Exception.h"

int ZlibLevel(TFileCompressionLevel) { throw Exception("not implemented"); }
TArchiveEntry ZeroEntry() { return TArchiveEntry{}; }
TArchiveTrailer ZeroTrailer() { return TArchiveTrailer{}; }
void EncodeEntry(const TArchiveEntry&, std::uint8_t*) { throw Exception("not implemented"); }
TArchiveEntry DecodeEntry(const std::uint8_t*) { throw Exception("not implemented"); }
void EncodeTrailer(const TArchiveTrailer&, std::uint8_t*) { throw Exception("not implemented"); }
TArchiveTrailer DecodeTrailer(const std::uint8_t*) { throw Exception("not implemented"); }
std::string ShortString(const std::uint8_t (&)[256]) { throw Exception("not implemented"); }
void SetShortString(std::uint8_t (&)[256], const std::string&) { throw Exception("not implemented"); }
