#pragma once

#include <cstddef>
#include <ostream>
#include <string>

namespace installer {

// Where an installation without windows speaks: messages on standard error, each after the
// program's name ("InstallQuorin: "), and a progress line that is rewritten in place, shown only
// on a terminal. Texts are UTF-8.
class Console {
 public:
  // terminal: whether err is a terminal; progress: whether the progress line is wanted there.
  Console(std::ostream& err, bool terminal, bool progress);
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // A message as a window would show it; each carriage return in it is a line break.
  void Say(const std::string& text);
  // The progress line's text now.
  void Progress(const std::string& text);
  // Takes the progress line off the screen.
  void EndProgress();

 private:
  std::ostream& err_;
  bool showProgress_;
  std::size_t width_ = 0;  // characters of the progress line on screen; 0 when none is
};

}  // namespace installer
