#include "platform/WinNames.h"

#include <cstring>

namespace platform {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && IsSeparator(path.back());
}

char SeparatorOf(const std::string& path) {
  const bool slashesOnly =
      path.find('\\') == std::string::npos && path.find('/') != std::string::npos;
  return slashesOnly ? '/' : '\\';
}

char TypedSeparatorOf(const std::string& typed) {
  return HasDriveLetter(typed) || typed.find('\\') != std::string::npos ? '\\' : '/';
}

std::string WithTrailingSeparator(const std::string& folder) {
  if (folder.empty() || EndsWithSeparator(folder)) {
    return folder;
  }
  return folder + SeparatorOf(folder);
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && EndsWithSeparator(path)) {
    path.pop_back();
  }
  return path;
}

bool HasDriveLetter(const std::string& path) {
  return path.size() >= 2 &&
         ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z')) &&
         path[1] == ':';
}

bool NamesRoot(const std::string& path) {
  const std::size_t start = HasDriveLetter(path) ? 2 : 0;
  if (start == 0 && (path.empty() || !IsSeparator(path[0]))) {
    return false;
  }
  std::size_t depth = 0;  // components below the root, after ".." went up
  std::size_t pos = start;
  while (pos < path.size()) {
    std::size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) {
      ++end;
    }
    const std::string name = TrimComponent(path.substr(pos, end - pos));
    if (name == "..") {
      depth -= depth > 0 ? 1 : 0;
    } else if (!name.empty() && name != ".") {
      ++depth;
    }
    pos = end + 1;
  }
  return depth == 0;
}

namespace {

std::size_t FolderPartLength(const std::string& path) {
  const auto last = path.find_last_of("\\/:");
  return last == std::string::npos ? 0 : last + 1;
}

}  // namespace

std::string FolderPart(const std::string& path) {
  return path.substr(0, FolderPartLength(path));
}

std::string NamePart(const std::string& path) {
  return path.substr(FolderPartLength(path));
}

char FoldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string FoldAsciiCase(std::string text) {
  for (char& c : text) {
    c = FoldAscii(c);
  }
  return text;
}

bool EqualFolded(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

bool EndsWithFolded(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         EqualFolded(text.substr(text.size() - suffix.size()), suffix);
}

bool IsControlCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 1 && byte < 0x20;
}

bool IsAsciiControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

bool IsRefusedCharacter(char c) {
  return IsControlCharacter(c) || (c != '\0' && std::strchr("<>:\"|?*", c) != nullptr);
}

std::string TrimComponent(const std::string& name) {
  if (name == "." || name == "..") {
    return name;
  }
  const std::size_t end = name.find_last_not_of(". ");
  return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

bool IsUsableComponent(const std::string& name) {
  for (char c : name) {
    if (c == '\0' || IsSeparator(c) || IsRefusedCharacter(c)) {
      return false;
    }
  }
  return true;
}

bool IsExactComponent(const std::string& name) {
  return IsUsableComponent(name) && name != "." && name != ".." && !name.empty() &&
         TrimComponent(name) == name;
}

bool IsDeviceName(const std::string& name) {
  // The part before the first dot decides, blanks at its end aside.
  std::string base = name.substr(0, name.find('.'));
  base = base.substr(0, base.find_last_not_of(' ') + 1);
  base = FoldAsciiCase(base);
  if (base == "con" || base == "prn" || base == "aux" || base == "nul") {
    return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

}  // namespace platform
