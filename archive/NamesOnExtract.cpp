#include "archive/NamesOnExtract.h"

#include <algorithm>
#include <vector>

#include "platform/WinNames.h"

namespace archive {

bool IsSafeMemberName(const std::string& name) {
  // What Windows makes of the name decides: "..." or ". " would name the folder itself.
  const std::string trimmed = platform::TrimComponent(name);
  if (trimmed.empty() || trimmed == "." || trimmed == "..") {
    return false;
  }
  for (char c : name) {
    if (platform::IsSeparator(c) || c == ':' || platform::IsAsciiControl(c)) {
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

namespace {

// A folder name taken apart: its root ("\\\\" for a network name, "X:\\", "X:", "\\" or nothing
// for a relative name) and its components with '.' and '..' resolved.
struct FolderParts {
  std::string root;
  std::vector<std::string> components;
};

FolderParts SplitFolder(const std::string& text, std::size_t rootLength) {
  FolderParts parts;
  parts.root = text.substr(0, rootLength);
  std::replace(parts.root.begin(), parts.root.end(), '/', '\\');
  std::size_t start = rootLength;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && !platform::IsSeparator(text[end])) {
      ++end;
    }
    const std::string component = text.substr(start, end - start);
    if (component == "..") {
      if (!parts.components.empty() && parts.components.back() != "..") {
        parts.components.pop_back();
      } else if (parts.root.empty()) {
        parts.components.push_back(component);  // a relative name may climb; a root may not
      }
    } else if (!component.empty() && component != ".") {
      parts.components.push_back(component);
    }
    start = end + 1;
  }
  return parts;
}

// The length of destDir's root. Only the folder given can start a network name: a stored path
// joined to a folder of a single backslash must not turn it into one.
std::size_t RootLength(const std::string& destDir) {
  if (destDir.size() >= 2 && platform::IsSeparator(destDir[0]) &&
      platform::IsSeparator(destDir[1])) {
    return 2;
  }
  if (destDir.size() >= 2 && destDir[1] == ':') {
    return destDir.size() >= 3 && platform::IsSeparator(destDir[2]) ? 3 : 2;
  }
  return !destDir.empty() && platform::IsSeparator(destDir[0]) ? 1 : 0;
}

std::string Joined(const std::string& destDir, const std::string& path) {
  if (destDir.empty() || platform::IsSeparator(destDir.back()) || destDir.back() == ':') {
    return destDir + path;
  }
  return destDir + "\\" + path;
}

FolderParts ExtractFolderParts(const std::string& destDir, const std::string& path) {
  return SplitFolder(Joined(destDir, path), RootLength(destDir));
}

}  // namespace

std::string JoinExtractFolder(const std::string& destDir, const std::string& path) {
  const FolderParts parts = ExtractFolderParts(destDir, path);
  // A relative folder whose components cancel out (".\", "a\..") is the current folder; only
  // a join of nothing at all, or of a bare root, is left empty.
  if (parts.root.empty() && parts.components.empty() && !Joined(destDir, path).empty()) {
    return ".";
  }
  std::string folder = parts.root;
  for (std::size_t i = 0; i < parts.components.size(); ++i) {
    if (i > 0) {
      folder += '\\';
    }
    folder += parts.components[i];
  }
  // Only a bare root can end in a backslash here; a network name's two stay.
  if (folder.size() != 2 && !folder.empty() && folder.back() == '\\') {
    folder.pop_back();
  }
  return folder;
}

bool StaysWithinFolder(const std::string& destDir, const std::string& path) {
  const FolderParts base = ExtractFolderParts(destDir, "");
  const FolderParts inner = ExtractFolderParts(destDir, path);
  return inner.components.size() >= base.components.size() &&
         std::equal(base.components.begin(), base.components.end(), inner.components.begin());
}

}  // namespace archive
