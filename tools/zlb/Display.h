#pragma once

#include <cstdint>
#include <string>

#include "archive/ArchiveFormat.h"

namespace zlb {

// Text of the system's code page made fit for the host's UTF-8 terminal: converted to UTF-8,
// with control characters shown as \xHH (see ShownUtf8).
std::string Shown(const std::string& ansi);
// UTF-8 text with its control characters (below 0x20, 0x7F, and the C1 controls U+0080 to
// U+009F, which the code page's five unassigned bytes become) shown as \xHH, so a hostile name
// can neither break a line nor drive the terminal.
std::string ShownUtf8(const std::string& utf8);

// "1 member", "2 members".
std::string Members(int count);

// Eight lower-case hex digits.
std::string Hex8(std::uint32_t value);

// One member as the eight TAB-separated fields of list --tsv (no line end).
std::string TsvLine(int index, const TArchiveEntry& entry);

// The readable listing: a header, one row per member and a total line (each without line end).
class MemberTable {
 public:
  static std::string Header();
  std::string Row(int index, const TArchiveEntry& entry);
  std::string Total() const;

 private:
  int count_ = 0;
  std::int64_t unpacked_ = 0;
  std::int64_t packed_ = 0;
};

}  // namespace zlb
