// Windows-1252 <-> UTF-8. Bytes below 0x80 and from 0xA0 up are the code points of the same
// value; 0x80-0x9F hold typographic characters, except five unassigned bytes that stand for the
// C1 controls of the same value so that every byte survives a round trip.
#include "platform/CodePage.h"

#include <cstdio>
#include <optional>

#include "platform/Exception.h"

namespace platform {
namespace {

constexpr char32_t kHighRange[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

const char kRefusal[] = "Name cannot be represented in the Windows-1252 code page: %s";

char32_t AnsiToCodePoint(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighRange[byte - 0x80] : byte;
}

std::optional<unsigned char> CodePointToAnsi(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
    return static_cast<unsigned char>(cp);
  }
  for (unsigned i = 0; i < 32; ++i) {
    if (kHighRange[i] == cp) {
      return static_cast<unsigned char>(0x80 + i);
    }
  }
  return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    // The table holds nothing above the Basic Multilingual Plane.
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence starting at pos. On success returns the code point and advances
// pos past it; on malformed input (stray or missing continuation bytes, overlong forms,
// surrogates, values above U+10FFFF) returns nothing and advances pos by one byte.
std::optional<char32_t> DecodeUtf8(const std::string& text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length;
  char32_t cp;
  char32_t minimum;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return std::nullopt;
  }
  if (text.size() - pos < length) {
    ++pos;
    return std::nullopt;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return std::nullopt;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return std::nullopt;
  }
  pos += length;
  return cp;
}

// The text for a refusal message. Messages are Windows-1252 like every other string of the
// system, so what the code page cannot hold is spelled out: "<U+65E5>" for a character,
// "<0xE9>" for a byte that is not UTF-8.
std::string DescribeForMessage(const std::string& utf8) {
  std::string out;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::size_t start = pos;
    const auto cp = DecodeUtf8(utf8, pos);
    char spelled[16];
    if (!cp) {
      std::snprintf(spelled, sizeof spelled, "<0x%02X>", static_cast<unsigned char>(utf8[start]));
      out += spelled;
    } else if (const auto byte = CodePointToAnsi(*cp)) {
      out += static_cast<char>(*byte);
    } else {
      std::snprintf(spelled, sizeof spelled, "<U+%04X>", static_cast<unsigned>(*cp));
      out += spelled;
    }
  }
  return out;
}

}  // namespace

std::string Utf8ToAnsi(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto cp = DecodeUtf8(utf8, pos);
    const auto byte = cp ? CodePointToAnsi(*cp) : std::nullopt;
    if (!byte) {
      throw ECodePageError(FormatMessage(kRefusal, DescribeForMessage(utf8)));
    }
    out += static_cast<char>(*byte);
  }
  return out;
}

std::string AnsiToUtf8(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (const char c : ansi) {
    AppendUtf8(out, AnsiToCodePoint(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace platform
