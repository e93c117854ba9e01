// The host environment: every Windows path is resolved onto the Linux file system first
// (platform/WinPath.h), every name crosses between Windows-1252 and UTF-8 here, and the file
// work on host paths is left to platform/HostFiles.h and platform/ProgramStart.h.
#include "platform/HostEnv.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/HostUtil.h"
#include "platform/ProgramStart.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

std::string DefaultWinePrefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix != nullptr && *prefix != '\0') {
    return prefix;
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* user = ::getpwuid(::getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  return home != nullptr && *home != '\0' ? std::string(home) + "/.wine" : std::string();
}

// What a folder entry is: whether it is a symbolic link, and whether it leads to a folder
// (through the link, if it is one).
FolderItem DescribeEntry(const std::string& hostFolder, const dirent& entry, std::string name) {
  FolderItem item;
  item.name = std::move(name);
  item.isLink = entry.d_type == DT_LNK;
  item.isFolder = entry.d_type == DT_DIR;
  const std::string hostPath = hostFolder + "/" + entry.d_name;
  struct stat st;
  if (entry.d_type == DT_UNKNOWN && ::lstat(hostPath.c_str(), &st) == 0) {
    item.isLink = S_ISLNK(st.st_mode);
    item.isFolder = S_ISDIR(st.st_mode);
  }
  if (item.isLink) {
    item.isFolder = IsHostFolder(hostPath);
  }
  return item;
}

// folder followed by a separator unless it already ends in one (or is empty, meaning the
// current folder); '/' for a folder written with '/' alone, else '\\'.
std::string WithTrailingSeparator(const std::string& folder) {
  if (folder.empty() || IsSeparator(folder.back())) {
    return folder;
  }
  const bool slashesOnly =
      folder.find('\\') == std::string::npos && folder.find('/') != std::string::npos;
  return folder + (slashesOnly ? '/' : '\\');
}

}  // namespace

HostEnv::HostEnv(std::string winePrefix)
    : winePrefix_(winePrefix.empty() ? DefaultWinePrefix() : std::move(winePrefix)) {}

std::optional<std::string> HostEnv::HostPath(const std::string& path) {
  return ResolveWindowsPath(winePrefix_, path);
}

std::string HostEnv::WindowsPath(const std::string& hostPath) {
  return WindowsPathOfHost(winePrefix_, hostPath);
}

std::unique_ptr<File> HostEnv::OpenFile(const std::string& path, TFileMode mode) {
  const auto hostPath = HostPath(path);
  if (!hostPath) {
    errno = ENOENT;  // an unmapped drive or a network name: nothing of that name is here
    return nullptr;
  }
  return OpenHostFile(*hostPath, mode);
}

bool HostEnv::FileExists(const std::string& path) {
  const auto hostPath = HostPath(path);
  struct stat st;
  return hostPath && HostStat(*hostPath, st) && S_ISREG(st.st_mode);
}

bool HostEnv::FolderExists(const std::string& path) {
  const auto hostPath = HostPath(path);
  return hostPath && IsHostFolder(*hostPath);
}

bool HostEnv::CreateFolder(const std::string& path) {
  const auto hostPath = HostPath(path);
  return hostPath && ::mkdir(hostPath->c_str(), 0777) == 0;
}

bool HostEnv::DeleteFile(const std::string& path) {
  const auto hostPath = HostPath(path);
  struct stat st;
  return hostPath && HostStat(*hostPath, st) && S_ISREG(st.st_mode) &&
         ::unlink(hostPath->c_str()) == 0;
}

bool HostEnv::MoveFile(const std::string& from, const std::string& to) {
  const auto hostFrom = HostPath(from);
  const auto hostTo = HostPath(to);
  return hostFrom && hostTo && MoveHostFile(*hostFrom, *hostTo);
}

bool HostEnv::ReplaceFile(const std::string& source, const std::string& target) {
  const auto hostSource = HostPath(source);
  const auto hostTarget = HostPath(target);
  return hostSource && hostTarget && ReplaceHostFile(*hostSource, *hostTarget);
}

std::vector<FolderItem> HostEnv::ListFolder(const std::string& path) {
  std::vector<FolderItem> items;
  const auto hostPath = HostPath(path);
  if (!hostPath) {
    return items;
  }
  DirHandle dir(::opendir(hostPath->c_str()));
  if (!dir) {
    return items;
  }
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    // A name that cannot be a Windows name fails here, naming it, rather than being left out
    // or read as another path.
    items.push_back(DescribeEntry(*hostPath, *entry, WindowsNameOfHost(name)));
  }
  return items;
}

std::string HostEnv::TempFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string folder = Utf8ToAnsi(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp");
  if (folder.back() != '/') {
    folder += '/';
  }
  return folder;
}

std::string HostEnv::CreateTempFile(const std::string& folder, const std::string& prefix) {
  const auto hostFolder = HostPath(folder.empty() ? "." : folder);
  if (!hostFolder) {
    return "";
  }
  const std::string hostPrefix = AnsiToUtf8(prefix);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = UniqueSuffix() + ".tmp";
    std::string hostFile = *hostFolder;
    if (hostFile.back() != '/') {
      hostFile += '/';
    }
    hostFile += hostPrefix + name;
    const int fd = ::open(hostFile.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return WithTrailingSeparator(folder) + prefix + name;
    }
    if (errno != EEXIST) {
      return "";
    }
  }
  return "";
}

std::string HostEnv::CurrentFolder() {
  const std::string cwd = CurrentHostFolder();
  return cwd.empty() ? "" : WindowsPath(cwd);
}

bool HostEnv::SetCurrentFolder(const std::string& path) {
  const auto hostPath = HostPath(path);
  return hostPath && ::chdir(hostPath->c_str()) == 0;
}

void HostEnv::StartProgram(const std::string& program, const std::string& parameters,
                           const std::string& workingFolder) {
  const auto hostProgram = HostPath(program);
  if (!hostProgram) {
    return;
  }
  // No working folder means the current one; one that names nothing here starts nothing.
  const auto hostFolder = workingFolder.empty() ? std::optional<std::string>(CurrentHostFolder())
                                                : HostPath(workingFolder);
  if (!hostFolder) {
    return;
  }
  std::vector<std::string> args = SplitCommandLine(parameters);
  for (std::string& arg : args) {
    arg = AnsiToUtf8(arg);
  }
  StartHostProgram(*hostProgram, args, *hostFolder);
}

Env* Env::Default() {
  static HostEnv env;
  return &env;
}

}  // namespace platform
