// On Windows the host's text is the ANSI code page already: the programs get their arguments,
// and the system takes its names, in it.
#include "platform/CodePage.h"

namespace platform {

std::string Utf8ToAnsi(const std::string& text) {
  return text;
}

std::string AnsiToUtf8(const std::string& ansi) {
  return ansi;
}

}  // namespace platform
