#include "platform/posix/WinPath.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/WinNames.h"
#include "platform/posix/HostUtil.h"

namespace platform {
namespace {

const char kUnusableName[] = "Name cannot be used on Windows: %s";

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
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

std::string Join(const std::vector<std::string>& components, std::size_t from, char separator) {
  std::string joined;
  for (std::size_t i = from; i < components.size(); ++i) {
    if (i > from) {
      joined += separator;
    }
    joined += components[i];
  }
  return joined;
}

// A mapped drive: its letter (lower case) and the components of the real folder it leads to.
struct DriveRoot {
  char letter;
  std::vector<std::string> components;
};

// The mapped drives of a prefix in letter order; a drive whose entry does not lead to a folder
// is left out.
std::vector<DriveRoot> MappedDriveRoots(const std::string& winePrefix) {
  std::vector<DriveRoot> roots;
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
      roots.push_back({name[0], NormalHostComponents(resolved.get())});
    }
  }
  std::sort(roots.begin(), roots.end(),
            [](const DriveRoot& a, const DriveRoot& b) { return a.letter < b.letter; });
  return roots;
}

// The drive whose root is the longest prefix of a real host path (whole components only; the
// first letter among equally long ones); nullptr when no drive covers it.
const DriveRoot* CoveringDrive(const std::vector<DriveRoot>& roots,
                               const std::vector<std::string>& components) {
  const DriveRoot* best = nullptr;
  for (const DriveRoot& root : roots) {
    if (root.components.size() > components.size() ||
        (best != nullptr && root.components.size() <= best->components.size())) {
      continue;
    }
    if (std::equal(root.components.begin(), root.components.end(), components.begin())) {
      best = &root;
    }
  }
  return best;
}

// The components of an absolute host path with its longest existing leading part resolved
// through its symbolic links; the part that does not exist is appended as it is.
std::vector<std::string> RealComponents(const std::vector<std::string>& components) {
  for (std::size_t n = components.size();; --n) {
    const std::vector<std::string> head(components.begin(), components.begin() + n);
    std::string prefix = "/";
    prefix += Join(head, 0, '/');
    std::unique_ptr<char, FreeDeleter> real(::realpath(prefix.c_str(), nullptr));
    if (real) {
      std::vector<std::string> result = NormalHostComponents(real.get());
      result.insert(result.end(), components.begin() + n, components.end());
      return result;
    }
    if (n == 0) {
      return components;
    }
  }
}

// Whether a host folder lies in a folder that a drive of the prefix maps to. A drive that maps
// the host's root (Wine's Z: does) does not count: it would cover every host path.
bool LiesOnMappedDrive(const std::string& winePrefix, const std::string& hostFolder) {
  std::vector<DriveRoot> roots = MappedDriveRoots(winePrefix);
  std::erase_if(roots, [](const DriveRoot& root) { return root.components.empty(); });
  return CoveringDrive(roots, RealComponents(NormalHostComponents(hostFolder))) != nullptr;
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

std::optional<std::string> FindFolderEntry(const std::string& hostFolder, const std::string& name,
                                           const std::function<bool()>& foldCase) {
  std::string exact = hostFolder;
  AppendComponent(exact, name);
  struct stat st;
  if (::lstat(exact.c_str(), &st) == 0) {
    return name;
  }
  if (errno != ENOENT || !foldCase()) {
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

std::optional<std::string> UsableWindowsNameOfHost(const std::string& hostName) {
  std::string name;
  try {
    name = Utf8ToAnsi(hostName);
  } catch (const ECodePageError&) {
    return std::nullopt;
  }
  if (!IsExactComponent(name)) {
    return std::nullopt;
  }
  return name;
}

std::string MappedDriveLetters(const std::string& winePrefix) {
  std::string letters;
  for (const DriveRoot& root : MappedDriveRoots(winePrefix)) {
    letters += static_cast<char>(root.letter - 'a' + 'A');
  }
  return letters;
}

std::optional<std::string> ResolveWindowsPath(const std::string& winePrefix,
                                              const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) {
    return std::nullopt;
  }
  const WindowsPathParts parts = ParseWindowsPath(path);
  std::string root = "/";
  std::vector<std::string> base;  // host components below root, taken as they are
  // How many components of base ".." leaves alone: those of the drive root the current
  // directory lies on, worked out only when a ".." reaches base.
  std::optional<std::size_t> driveRootDepth;
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
      // Looked up as Windows would: without trailing dots and blanks (one of only dots and
      // blanks is passed over), and not at all when the name holds a character Windows refuses.
      if (!IsUsableComponent(component)) {
        return std::nullopt;
      }
      const std::string trimmed = TrimComponent(component);
      if (!trimmed.empty()) {
        names.push_back(AnsiToUtf8(trimmed));
      }
    } else if (!names.empty()) {
      names.pop_back();
    } else if (!base.empty()) {
      if (!driveRootDepth) {
        const std::vector<DriveRoot> roots = MappedDriveRoots(winePrefix);
        const DriveRoot* drive = CoveringDrive(roots, base);
        driveRootDepth = drive != nullptr ? drive->components.size() : 0;
      }
      if (base.size() > *driveRootDepth) {
        base.pop_back();
      }
    }
  }

  std::string hostPath = root;
  for (const std::string& name : base) {
    AppendComponent(hostPath, name);
  }
  // Letter case is folded only where Windows programs will read the names: on a drive, or in a
  // host folder that lies in one. Elsewhere names are taken exactly, as every host tool does.
  // Which of the two holds is worked out once, for the first folder that has no exact match.
  std::optional<bool> onDrive;
  if (parts.root == WindowsPathParts::Root::kDrive) {
    onDrive = true;
  }
  bool missing = false;
  for (const std::string& name : names) {
    std::optional<std::string> found;
    if (!missing) {
      found = FindFolderEntry(hostPath, name, [&] {
        if (!onDrive) {
          onDrive = LiesOnMappedDrive(winePrefix, hostPath);
        }
        return *onDrive;
      });
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
  const std::vector<std::string> components = RealComponents(NormalHostComponents(absolute));

  const std::vector<DriveRoot> roots = MappedDriveRoots(winePrefix);
  const DriveRoot* drive = CoveringDrive(roots, components);
  const std::size_t first = drive != nullptr ? drive->components.size() : 0;
  std::string windowsPath =
      drive != nullptr ? std::string(1, static_cast<char>(drive->letter - 'a' + 'A')) + ":\\"
                       : std::string("\\");
  windowsPath = Utf8ToAnsi(windowsPath + Join(components, first, '\\'));
  // A '\' inside a name would turn into a separator here, naming another path.
  for (std::size_t i = first; i < components.size(); ++i) {
    if (components[i].find('\\') != std::string::npos) {
      throw EHostNameError(FormatMessage(kUnusableName, Utf8ToAnsi(components[i])));
    }
  }
  return windowsPath;
}

}  // namespace platform
