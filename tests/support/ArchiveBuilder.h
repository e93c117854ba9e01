#pragma once

// Builds archive files byte by byte with zlib's own compress2 and crc32, not with the
// component's writer, so that reading is checked against the file layout itself. Every field
// can be forged, and hooks edit the bytes at each stage to make damaged archives.

#include <zlib.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "tests/support/TempDir.h"

namespace builder {

inline std::string Deflate(const std::string& content, int zlibLevel) {
  uLongf length = compressBound(static_cast<uLong>(content.size()));
  std::string out(length, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &length,
                reinterpret_cast<const Bytef*>(content.data()), static_cast<uLong>(content.size()),
                zlibLevel) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  out.resize(length);
  return out;
}

inline std::uint32_t Crc(const std::string& bytes) {
  return static_cast<std::uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

inline void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

inline void PutShortString(std::string& bytes, std::size_t at, const std::string& text) {
  bytes[at] = static_cast<char>(text.size());
  bytes.replace(at + 1, text.size(), text);
}

// One member. The optional fields, when set, are written instead of the true values.
struct Member {
  std::string name;
  std::string path;
  std::string content;
  bool stored = true;
  int zlibLevel = 0;
  std::uint8_t levelField = 0;
  std::optional<std::int32_t> unpackedSize, dataOffset;
  std::optional<std::uint32_t> crc;
  std::optional<std::string> data;  // the member's bytes in the file instead of its encoding
};

class ArchiveBuilder {
 public:
  Member& Stored(const std::string& name, const std::string& content,
                 const std::string& path = "") {
    Member& member = members.emplace_back();
    member.name = name;
    member.path = path;
    member.content = content;
    return member;
  }
  // level is a TFileCompressionLevel value, 0 to 3.
  Member& Deflated(const std::string& name, const std::string& content, int level,
                   const std::string& path = "") {
    static const int kZlibLevels[] = {0, 1, Z_DEFAULT_COMPRESSION, 9};
    Member& member = Stored(name, content, path);
    member.stored = false;
    member.zlibLevel = kZlibLevels[level];
    member.levelField = static_cast<std::uint8_t>(level);
    return member;
  }

  std::deque<Member> members;
  bool compressRegistry = true;
  std::uint8_t registryCompressedByte = 1;  // written when the registry is compressed
  std::optional<std::int32_t> fileCount, registryOffset;
  std::optional<std::uint32_t> archiveCrc;
  std::function<void(std::string&)> editRegistry;  // the plain records, before compression
  std::function<void(std::string&)> editStored;    // the registry as it stands in the file

  std::string Build() const {
    std::string body;
    std::string registry;
    for (const Member& m : members) {
      const std::string data = m.data     ? *m.data
                               : m.stored ? m.content
                                          : Deflate(m.content, m.zlibLevel);
      std::string record(532, '\0');
      PutShortString(record, 0, m.name);
      PutShortString(record, 256, m.path);
      Put32(record, 512, static_cast<std::uint32_t>(m.unpackedSize.value_or(Size(m.content))));
      Put32(record, 516, static_cast<std::uint32_t>(Size(data)));
      Put32(record, 520, static_cast<std::uint32_t>(m.dataOffset.value_or(Size(body))));
      Put32(record, 524, m.crc.value_or(Crc(m.content)));
      record[528] = m.stored ? 1 : 0;
      record[529] = static_cast<char>(m.stored ? 0 : m.levelField);
      registry += record;
      body += data;
    }
    if (editRegistry) {
      editRegistry(registry);
    }
    const std::int32_t offset = registryOffset.value_or(Size(body));
    std::string stored = compressRegistry ? Deflate(registry, Z_DEFAULT_COMPRESSION) : registry;
    if (editStored) {
      editStored(stored);
    }
    body += stored;
    std::string trailer(36, '\0');
    Put32(trailer, 0, archiveCrc.value_or(Crc(body)));
    Put32(trailer, 4, static_cast<std::uint32_t>(fileCount.value_or(Size(registry) / 532)));
    Put32(trailer, 8, 1);
    Put32(trailer, 12, compressRegistry ? static_cast<std::uint32_t>(stored.size()) : 0);
    Put32(trailer, 16, static_cast<std::uint32_t>(offset));
    trailer[20] = static_cast<char>(compressRegistry ? registryCompressedByte : 0);
    return body + trailer;
  }

  void Write(const std::string& hostPath) const { WriteHostFile(hostPath, Build()); }

 private:
  static std::int32_t Size(const std::string& bytes) {
    return static_cast<std::int32_t>(bytes.size());
  }
};

}  // namespace builder
