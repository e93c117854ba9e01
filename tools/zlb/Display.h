#pragma once

#include <cstdint>
#include <string>

#include "archive/ArchiveFormat.h"

// What zlb shows: names and paths made fit for the host's UTF-8 terminal, members as they are
// named in its output, and the listings of list and list --tsv.
namespace zlb {

// Text of the system's code page made fit for the host's UTF-8 terminal: converted to UTF-8,
// with control characters shown as \xHH (see ShownUtf8).
std::string Shown(const std::string& ansi);
// UTF-8 text with its control characters (below 0x20, 0x7F, and the C1 controls U+0080 to
// U+009F, which the code page's five unassigned bytes become) shown as \xHH, so a hostile name
// can neither break a line nor drive the terminal.
std::string ShownUtf8(const std::string& utf8);

// A path the user gave (UTF-8), with more of a Windows path (the system's code page, '\'
// separated) joined to it, shown as the user would write it: with '/' between the parts when
// the user gave a host path, with '\' when a Windows path (a drive, or a '\' in it).
std::string ShownJoin(const std::string& given, const std::string& more = "");

// A member's folder and name as stored, shown.
std::string ShownMember(const TArchiveEntry& entry);
// "member 3 (doc\README)": how messages name a member.
std::string MemberLabel(int index, const TArchiveEntry& entry);

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
