#include "tools/zlb/Messages.h"

#include <cstdio>

#include "tools/zlb/Display.h"
#include "tools/zlb/Progress.h"

namespace zlb {

std::string Describe(const Exception& failure) {
  std::string text = Shown(failure.Message());
  if (!failure.Cause().empty()) {
    text += ": " + ShownUtf8(failure.Cause());
  }
  return text;
}

void Warn(const std::string& line) {
  std::fflush(stdout);
  ProgressLine::ClearActive();
  std::fputs(("zlb: " + line + "\n").c_str(), stderr);
}

bool IsWindowsStyle(const std::string& given) {
  const bool drive = given.size() >= 2 && given[1] == ':' &&
                     ((given[0] >= 'A' && given[0] <= 'Z') || (given[0] >= 'a' && given[0] <= 'z'));
  return drive || given.find('\\') != std::string::npos;
}

std::string ShownJoin(const std::string& given, const std::string& more) {
  const char separator = IsWindowsStyle(given) ? '\\' : '/';
  std::string joined = ShownUtf8(given);
  std::string rest = more;  // separators set before escaping, which brings its own '\\'
  for (char& c : rest) {
    if (c == '\\' || c == '/') {
      c = separator;
    }
  }
  rest = Shown(rest);
  // Exactly one separator between the parts, whatever each brings along.
  while (!rest.empty() && rest.front() == separator) {
    rest.erase(0, 1);
  }
  if (!rest.empty()) {
    while (joined.size() > 1 && (joined.back() == '/' || joined.back() == '\\')) {
      joined.pop_back();
    }
    if (joined.empty() || (joined.back() != '/' && joined.back() != '\\')) {
      joined += separator;
    }
  }
  return joined + rest;
}

}  // namespace zlb
