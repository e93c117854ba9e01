#include "installer/Console.h"

namespace installer {

namespace {

// Characters of a UTF-8 text: every byte that does not continue a sequence.
std::size_t Width(const std::string& utf8) {
  std::size_t width = 0;
  for (const char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++width;
    }
  }
  return width;
}

}  // namespace

Console::Console(std::ostream& err, bool terminal, bool progress)
    : err_(err), showProgress_(terminal && progress) {}

Console::~Console() {
  EndProgress();
}

void Console::Say(const std::string& text) {
  EndProgress();
  std::string shown = text;
  for (char& c : shown) {
    if (c == '\r') {
      c = '\n';
    }
  }
  err_ << "InstallQuorin: " << shown << "\n" << std::flush;
}

void Console::Progress(const std::string& text) {
  if (!showProgress_) {
    return;
  }
  const std::size_t width = Width(text);
  // Blank out what is left of a longer earlier text.
  err_ << '\r' << text << std::string(width < width_ ? width_ - width : 0, ' ') << std::flush;
  width_ = width;
}

void Console::EndProgress() {
  if (width_ > 0) {
    err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
    width_ = 0;
  }
}

}  // namespace installer
