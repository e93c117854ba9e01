#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/Exception.h"

namespace zlb {

// A failure of a command, ready to show: one or more lines of UTF-8 text with control
// characters already escaped, each printed after "zlb: ". Exit status 1.
class Failure {
 public:
  explicit Failure(std::string line) : lines_{std::move(line)} {}
  explicit Failure(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// An archive failure for the terminal: its message, then ": " and its cause when it has one.
std::string Describe(const Exception& failure);

// Prints "zlb: <line>" on standard error on a line of its own: what standard output holds so
// far is flushed first and a progress line on screen is cleared.
void Warn(const std::string& line);

// A path the user gave (UTF-8), with more of a Windows path (the system's code page, '\'
// separated) joined to it, shown as the user would write it: with '/' between the parts when
// the user gave a host path, with '\' when a Windows path (a drive, or a '\' in it).
std::string ShownJoin(const std::string& given, const std::string& more = "");

// How the user wrote a path: a Windows path names a drive or holds a '\'.
bool IsWindowsStyle(const std::string& given);

}  // namespace zlb
