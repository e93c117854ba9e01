#include "tools/zlb/Display.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/WinNames.h"

namespace zlb {
namespace {

std::string Escaped(unsigned char c) {
  char text[5];
  std::snprintf(text, sizeof text, "\\x%02x", c);
  return text;
}

// The space packing saved, as a share of the unpacked size in whole percent (66% for a member
// packed to a third); "-" for an empty member.
std::string Saved(std::int64_t unpacked, std::int64_t packed) {
  if (unpacked <= 0) {
    return "-";
  }
  const double kept = static_cast<double>(packed) * 100.0 / static_cast<double>(unpacked);
  // Cut, not rounded, so that a member is never said to have saved more than it did.
  return std::to_string(static_cast<long long>(std::floor(100.0 - kept))) + "%";
}

std::string Method(const TArchiveEntry& entry) {
  if (entry.Stored != 0) {
    return "stored";
  }
  static const char* const kLevels[] = {"none", "fastest", "default", "maximum"};
  if (entry.Level < 4) {
    return std::string("deflate-") + kLevels[entry.Level];
  }
  return "deflate-" + std::to_string(entry.Level);
}

}  // namespace

std::string Members(int count) {
  return std::to_string(count) + (count == 1 ? " member" : " members");
}

namespace {

std::string Line(const char* format, const std::string& index, const std::string& size,
                 const std::string& packed, const std::string& ratio, const std::string& method,
                 const std::string& crc, const std::string& name) {
  char head[128];
  std::snprintf(head, sizeof head, format, index.c_str(), size.c_str(), packed.c_str(),
                ratio.c_str(), method.c_str(), crc.c_str());
  return head + name;
}

constexpr const char* kColumns = "%5s  %10s  %10s  %5s  %-15s  %-8s  ";

}  // namespace

std::string ShownUtf8(const std::string& utf8) {
  std::string shown;
  for (std::size_t at = 0; at < utf8.size(); ++at) {
    const auto byte = static_cast<unsigned char>(utf8[at]);
    if (platform::IsAsciiControl(static_cast<char>(byte))) {
      shown += Escaped(byte);
    } else if (byte == 0xC2 && at + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[at + 1]) & 0xE0) == 0x80) {
      // U+0080 to U+009F, the C1 controls.
      shown += Escaped(static_cast<unsigned char>(utf8[++at]));
    } else {
      shown += utf8[at];
    }
  }
  return shown;
}

std::string Shown(const std::string& ansi) {
  return ShownUtf8(platform::AnsiToUtf8(ansi));
}

std::string ShownJoin(const std::string& given, const std::string& more) {
  const char separator = platform::TypedSeparatorOf(given);
  std::string joined = ShownUtf8(given);
  std::string rest = more;  // separators set before escaping, which brings its own '\\'
  for (char& c : rest) {
    if (platform::IsSeparator(c)) {
      c = separator;
    }
  }
  rest = Shown(rest);
  // Exactly one separator between the parts, whatever each brings along.
  while (!rest.empty() && rest.front() == separator) {
    rest.erase(0, 1);
  }
  if (!rest.empty()) {
    joined = platform::WithoutTrailingSeparators(joined);
    if (!platform::EndsWithSeparator(joined)) {
      joined += separator;
    }
  }
  return joined + rest;
}

std::string ShownMember(const TArchiveEntry& entry) {
  return Shown(archive::ShortString(entry.Path) + archive::ShortString(entry.Name));
}

std::string MemberLabel(int index, const TArchiveEntry& entry) {
  return "member " + std::to_string(index) + " (" + ShownMember(entry) + ")";
}

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08" PRIx32, value);
  return text;
}

std::string TsvLine(int index, const TArchiveEntry& entry) {
  return std::to_string(index) + '\t' + Shown(archive::ShortString(entry.Name)) + '\t' +
         Shown(archive::ShortString(entry.Path)) + '\t' + std::to_string(entry.UnpackedSize) +
         '\t' + std::to_string(entry.PackedSize) + '\t' + (entry.Stored != 0 ? "1" : "0") + '\t' +
         std::to_string(entry.Level) + '\t' + Hex8(entry.CRC);
}

std::string MemberTable::Header() {
  return Line(kColumns, "Index", "Size", "Packed", "Saved", "Method", "CRC-32", "Name") + '\n' +
         Line(kColumns, "-----", "----------", "----------", "-----", "---------------", "--------",
              "----");
}

std::string MemberTable::Row(int index, const TArchiveEntry& entry) {
  ++count_;
  unpacked_ += entry.UnpackedSize;
  packed_ += entry.PackedSize;
  return Line(kColumns, std::to_string(index), std::to_string(entry.UnpackedSize),
              std::to_string(entry.PackedSize), Saved(entry.UnpackedSize, entry.PackedSize),
              Method(entry), Hex8(entry.CRC),
              Shown(archive::ShortString(entry.Path) + archive::ShortString(entry.Name)));
}

std::string MemberTable::Total() const {
  return Line(kColumns, "", "----------", "----------", "-----", "", "", "----") + '\n' +
         Line(kColumns, "", std::to_string(unpacked_), std::to_string(packed_),
              Saved(unpacked_, packed_), "", "", Members(count_));
}

}  // namespace zlb
