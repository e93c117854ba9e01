#include "archive/ExtractNames.h"

#include "platform/WinNames.h"

namespace {

bool IsControl(char c) {
  return platform::IsControlCharacter(c) || c == '\0' || c == '\x7F';
}

}  // namespace

bool IsSafeMemberName(const std::string& name) {
  // What Windows makes of the name decides: "..." or ". " would name the folder itself.
  const std::string trimmed = platform::TrimComponent(name);
  if (trimmed.empty() || trimmed == "." || trimmed == "..") {
    return false;
  }
  for (char c : name) {
    if (platform::IsSeparator(c) || c == ':' || IsControl(c)) {
      return false;
    }
  }
  return true;
}

bool IsSafeMemberPath(const std::string& path) {
  if (path.find(':') != std::string::npos) {
    return false;
  }
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !platform::IsSeparator(path[end])) {
      ++end;
    }
    if (path.compare(start, end - start, "..") == 0) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

std::string JoinExtractFolder(const std::string& destDir, const std::string& path) {
  const std::string joined = destDir + path;
  // A network name keeps both of its leading backslashes. Only the folder given can start one:
  // a stored path joined to a folder of a single backslash must not turn it into one.
  const std::size_t kept = destDir.compare(0, 2, "\\\\") == 0 ? 2 : 0;
  std::string folder = joined.substr(0, kept);
  for (std::size_t i = kept; i < joined.size(); ++i) {
    if (joined[i] == '\\' && !folder.empty() && folder.back() == '\\') {
      continue;
    }
    folder += joined[i];
  }
  if (folder.size() > kept && folder.back() == '\\') {
    folder.pop_back();
  }
  return folder;
}
