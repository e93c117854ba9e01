// INTERIM: passes text through unchanged. To be replaced by the Windows-1252 conversion.
#include "platform/CodePage.h"

namespace platform {
std::string Utf8ToAnsi(const std::string& utf8) { return utf8; }
std::string AnsiToUtf8(const std::string& ansi) { return ansi; }
}  // namespace platform
