#pragma once

// An independent decoder of archive files, written from the byte layout with zlib's own
// inflate and crc32, so that what the component writes is checked against the format rather
// than against the component's own reader.

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace decoder {

inline std::int32_t I32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) {
    v = v << 8 | static_cast<std::uint8_t>(b.at(at + i));
  }
  return static_cast<std::int32_t>(v);
}

inline std::uint32_t Crc(const std::string& b) {
  return crc32(0L, reinterpret_cast<const Bytef*>(b.data()), static_cast<uInt>(b.size()));
}

// Inflates one complete zlib stream that must fill all of packed.
inline std::string Inflate(const std::string& packed) {
  z_stream z{};
  inflateInit(&z);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  std::string out;
  char buffer[16384];
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    result = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
  }
  inflateEnd(&z);
  if (result != Z_STREAM_END || z.avail_in != 0) {
    throw std::runtime_error("not one complete zlib stream");
  }
  return out;
}

struct Entry {
  std::string raw;  // the 532 bytes
  std::string Name() const { return raw.substr(1, static_cast<std::uint8_t>(raw[0])); }
  std::string Path() const { return raw.substr(257, static_cast<std::uint8_t>(raw[256])); }
  std::int32_t PackedSize() const { return I32(raw, 516); }
  std::int32_t DataOffset() const { return I32(raw, 520); }
  std::uint32_t CRC() const { return static_cast<std::uint32_t>(I32(raw, 524)); }
  bool Stored() const { return raw[528] != 0; }
  // DataOffset, UnpackedSize, PackedSize, Stored, Level.
  std::tuple<int, int, int, int, int> Fields() const {
    return {DataOffset(), I32(raw, 512), PackedSize(), raw[528], raw[529]};
  }
  // Whether the bytes beyond both strings' lengths and the padding are all zero.
  bool SlackIsZero() const {
    return raw.find_first_not_of('\0', 1 + Name().size()) >= 256 &&
           raw.find_first_not_of('\0', 257 + Path().size()) >= 512 &&
           raw.find_first_not_of('\0', 530) == std::string::npos;
  }
};

struct Archive {
  std::string bytes, trailer, registry;  // registry: inflated when compressed
  std::vector<Entry> entries;
  std::uint32_t ArchiveCRC() const { return static_cast<std::uint32_t>(I32(trailer, 0)); }
  std::int32_t FileCount() const { return I32(trailer, 4); }
  std::int32_t RegistryMark() const { return I32(trailer, 8); }
  std::int32_t RegistrySize() const { return I32(trailer, 12); }
  std::int32_t RegistryOffset() const { return I32(trailer, 16); }
  int RegistryCompressed() const { return static_cast<std::uint8_t>(trailer[20]); }
  std::uint32_t ComputedCRC() const { return Crc(bytes.substr(0, bytes.size() - 36)); }
  std::string Content(std::size_t i) const {
    const Entry& e = entries.at(i);
    const std::string data = bytes.substr(e.DataOffset(), e.PackedSize());
    return e.Stored() ? data : Inflate(data);
  }
};

inline Archive Decode(const std::string& bytes) {
  Archive a;
  a.bytes = bytes;
  a.trailer = bytes.substr(bytes.size() - 36);
  const std::size_t offset = a.RegistryOffset(), end = bytes.size() - 36;
  a.registry = bytes.substr(offset, end - offset);
  if (a.RegistryCompressed()) {
    a.registry = Inflate(a.registry);
  }
  if (a.registry.size() != static_cast<std::size_t>(a.FileCount()) * 532) {
    throw std::runtime_error("registry of the wrong size");
  }
  for (std::size_t at = 0; at < a.registry.size(); at += 532) {
    a.entries.push_back({a.registry.substr(at, 532)});
  }
  return a;
}

}  // namespace decoder
