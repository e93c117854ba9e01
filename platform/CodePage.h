#pragma once

#include <string>

// Conversion between the system's code page (Windows-1252, used for every string above the
// environment seam) and the host's UTF-8.
namespace platform {

// Fails with ECodePageError naming the text when a character cannot be held in Windows-1252
// (or the text is not valid UTF-8).
std::string Utf8ToAnsi(const std::string& utf8);
// Every Windows-1252 byte has a UTF-8 form (the five unassigned bytes map to C1 controls).
std::string AnsiToUtf8(const std::string& ansi);

}  // namespace platform
