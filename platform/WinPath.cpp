#include "platform/WinPath.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/CodePage.h"

namespace platform {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char FoldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
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

bool IsHostFolder(const std::string& hostPath) {
  struct stat st;
  return ::stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void AppendComponent(std::string& hostPath, const std::string& name) {
  if (hostPath.empty() || hostPath.back() != '/') {
    hostPath += '/';
  }
  hostPath += name;
}

// Splits a host path into its components, folding "." and ".." lexically.
std::vector<std::string> NormalHostComponents(const std::string& hostPath) {
  std::vector<std::string> components;
  std::size_t pos = 0;
  while (pos < hostPath.size()) {
    std::size_t end = hostPath.find('/', pos);
    if (end == std::string::npos) {
      end = hostPath.size();
    }
    const std::string name = hostPath.substr(pos, end - pos);
    if (name == "..") {
      if (!components.empty()) {
        components.pop_back();
      }
    } else if (!name.empty() && name != ".") {
      components.push_back(name);
    }
    pos = end + 1;
  }
  return components;
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};

// The mapped drives of a prefix with their resolved roots, indexed by letter ('a' = 0); a
// drive whose entry does not lead to a folder has an empty root.
std::vector<std::vector<std::string>> DriveRoots(const std::string& winePrefix,
                                                 std::vector<bool>& mapped) {
  std::vector<std::vector<std::string>> roots(26);
  mapped.assign(26, false);
  if (winePrefix.empty()) {
    return roots;
  }
  DirHandle dir(::opendir((winePrefix + "/dosdevices").c_str()));
  if (!dir) {
    return roots;
  }
  while (const dirent* entry = ::readdir(dir.get())) {
    const char* name = entry->d_name;
    if (!(name[0] >= 'a' && name[0] <= 'z' && name[1] == ':' && name[2] == '\0')) {
      continue;
    }
    std::unique_ptr<char, FreeDeleter> resolved(
        ::realpath(DriveFolder(winePrefix, name[0]).c_str(), nullptr));
    if (resolved && IsHostFolder(resolved.get())) {
      roots[name[0] - 'a'] = NormalHostComponents(resolved.get());
      mapped[name[0] - 'a'] = true;
    }
  }
  return roots;
}

std::string JoinWithBackslashes(const std::vector<std::string>& components, std::size_t from) {
  std::string joined;
  for (std::size_t i = from; i < components.size(); ++i) {
    if (i > from) {
      joined += '\\';
    }
    joined += components[i];
  }
  return joined;
}

}  // namespace

WindowsPathParts ParseWindowsPath(const std::string& path) {
  WindowsPathParts parts;
  std::size_t pos = 0;
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
    parts.root = WindowsPathParts::Root::kDrive;
    parts.drive = FoldAscii(path[0]);
    pos = 2;
  } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    parts.root = WindowsPathParts::Root::kNetwork;
  } else if (!path.empty() && IsSeparator(path[0])) {
    parts.root = WindowsPathParts::Root::kHost;
  }
  while (pos < path.size()) {
    while (pos < path.size() && IsSeparator(path[pos])) {
      ++pos;
    }
    const std::size_t start = pos;
    while (pos < path.size() && !IsSeparator(path[pos])) {
      ++pos;
    }
    std::string name = path.substr(start, pos - start);
    if (!name.empty() && name != ".") {
      parts.components.push_back(std::move(name));
    }
  }
  parts.trailingSeparator = !path.empty() && IsSeparator(path.back());
  return parts;
}

std::string DriveFolder(const std::string& winePrefix, char drive) {
  return winePrefix + "/dosdevices/" + FoldAscii(drive) + ":";
}

std::string CurrentHostFolder() {
  std::unique_ptr<char, FreeDeleter> cwd(::getcwd(nullptr, 0));
  return cwd ? std::string(cwd.get()) : std::string();
}

std::optional<std::string> FindFolderEntry(const std::string& hostFolder, const std::string& name) {
  std::string exact = hostFolder;
  AppendComponent(exact, name);
  struct stat st;
  if (::lstat(exact.c_str(), &st) == 0) {
    return name;
  }
  if (errno != ENOENT) {
    return std::nullopt;
  }
  DirHandle dir(::opendir(hostFolder.c_str()));
  if (!dir) {
    return std::nullopt;
  }
  // Entries that Windows-1252 cannot hold never equal a name converted from it, so they
  // simply do not match here.
  std::optional<std::string> best;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string candidate = entry->d_name;
    if (EqualFolded(candidate, name) && (!best || candidate < *best)) {
      best = candidate;
    }
  }
  return best;
}

std::optional<std::string> ResolveWindowsPath(const std::string& winePrefix,
                                              const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) {
    return std::nullopt;
  }
  const WindowsPathParts parts = ParseWindowsPath(path);
  std::string root = "/";
  std::vector<std::string> base;  // host components below root, taken as they are
  switch (parts.root) {
    case WindowsPathParts::Root::kNetwork:
      return std::nullopt;
    case WindowsPathParts::Root::kDrive:
      if (winePrefix.empty()) {
        return std::nullopt;
      }
      root = DriveFolder(winePrefix, parts.drive);
      if (!IsHostFolder(root)) {
        return std::nullopt;
      }
      break;
    case WindowsPathParts::Root::kHost:
      break;
    case WindowsPathParts::Root::kRelative: {
      const std::string cwd = CurrentHostFolder();
      if (cwd.empty()) {
        return std::nullopt;
      }
      base = NormalHostComponents(cwd);
      break;
    }
  }

  std::vector<std::string> names;  // the caller's components, in UTF-8
  for (const std::string& component : parts.components) {
    if (component != "..") {
      names.push_back(AnsiToUtf8(component));
    } else if (!names.empty()) {
      names.pop_back();
    } else if (!base.empty()) {
      base.pop_back();
    }
  }

  std::string hostPath = root;
  for (const std::string& name : base) {
    AppendComponent(hostPath, name);
  }
  bool missing = false;
  for (const std::string& name : names) {
    std::optional<std::string> found;
    if (!missing) {
      found = FindFolderEntry(hostPath, name);
      missing = !found;
    }
    AppendComponent(hostPath, found ? *found : name);
  }
  if (parts.trailingSeparator && !(base.empty() && names.empty())) {
    hostPath += '/';
  }
  return hostPath;
}

std::string WindowsPathOfHost(const std::string& winePrefix, const std::string& hostPath) {
  if (hostPath.empty()) {
    return "";
  }
  const std::string absolute = hostPath[0] == '/' ? hostPath : CurrentHostFolder() + "/" + hostPath;
  const std::vector<std::string> components = NormalHostComponents(absolute);

  std::vector<bool> mapped;
  const auto roots = DriveRoots(winePrefix, mapped);
  int bestDrive = -1;
  for (int drive = 0; drive < 26; ++drive) {
    const auto& root = roots[drive];
    if (!mapped[drive] || root.size() > components.size() ||
        (bestDrive >= 0 && root.size() <= roots[bestDrive].size())) {
      continue;
    }
    bool covers = true;
    for (std::size_t i = 0; i < root.size() && covers; ++i) {
      covers = root[i] == components[i];
    }
    if (covers) {
      bestDrive = drive;
    }
  }

  std::string windowsPath;
  if (bestDrive >= 0) {
    windowsPath = std::string(1, static_cast<char>('A' + bestDrive)) + ":\\" +
                  JoinWithBackslashes(components, roots[bestDrive].size());
  } else {
    windowsPath = "\\" + JoinWithBackslashes(components, 0);
  }
  return Utf8ToAnsi(windowsPath);
}

}  // namespace platform
