#include "installer/Console.h"

#include "platform/CodePage.h"

namespace installer {

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
  const std::size_t width = platform::Utf8Width(text);
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
