#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/Env.h"
#include "platform/Exception.h"

// What zlb reports: its exit statuses, the failures that end a command, and the warnings it
// prints on standard error.
namespace zlb {

// Exit statuses: success; a failure (also when the command went on past a member or a file it
// reported); a command line zlb cannot make sense of.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

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

// Why nothing can be at a path (in the system's code page): a folder where a file should be,
// a drive the Wine prefix does not map, a network name, or else "No such file or directory".
std::string WhyNothingThere(platform::Env& env, const std::string& name);

}  // namespace zlb
