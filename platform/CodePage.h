#pragma once

#include <cstddef>
#include <string>

// Conversion between the system's code page (Windows-1252, used for every string above the
// environment seam) and the host's own text: UTF-8 on Linux (platform/posix/), the ANSI code
// page itself on Windows, where both are the identity (platform/windows/).
namespace platform {

// On Linux, fails with ECodePageError naming the text when a character cannot be held in
// Windows-1252 (or the text is not valid UTF-8).
std::string Utf8ToAnsi(const std::string& utf8);
// Every Windows-1252 byte has a UTF-8 form (the five unassigned bytes map to C1 controls).
std::string AnsiToUtf8(const std::string& ansi);

// How many characters a UTF-8 text shows: every byte that does not continue a sequence.
inline std::size_t Utf8Width(const std::string& utf8) {
  std::size_t width = 0;
  for (const char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++width;
    }
  }
  return width;
}

}  // namespace platform
