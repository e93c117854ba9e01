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
#include "platform/WinNames.h"
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

// The prefix as an absolute host path without closing slashes. A relative one is taken from
// the current directory now; should that be unknown, it stays as given.
std::string AbsolutePrefix(std::string prefix) {
  if (!prefix.empty() && prefix.front() != '/') {
    const std::string cwd = CurrentHostFolder();
    if (!cwd.empty()) {
      prefix = (cwd == "/" ? cwd : cwd + "/") + prefix;
    }
  }
  while (prefix.size() > 1 && prefix.back() == '/') {
    prefix.pop_back();
  }
  return prefix;
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

// Whether the last component of a Windows path is a device name: Windows would open the
// device, so nothing of that name is ever created.
bool NamesDevice(const std::string& path) {
  const WindowsPathParts parts = ParseWindowsPath(path);
  return !parts.components.empty() && IsDeviceName(parts.components.back());
}

}  // namespace

HostEnv::HostEnv(std::string winePrefix)
    : winePrefix_(
          AbsolutePrefix(winePrefix.empty() ? DefaultWinePrefix() : std::move(winePrefix))) {}

std::optional<std::string> HostEnv::HostPath(const std::string& path) {
  return ResolveWindowsPath(winePrefix_, path);
}

std::string HostEnv::WindowsPath(const std::string& hostPath) {
  return WindowsPathOfHost(winePrefix_, hostPath);
}

std::unique_ptr<File> HostEnv::OpenFile(const std::string& path, TFileMode mode) {
  if (mode == TFileMode::fmCreate && NamesDevice(path)) {
    return nullptr;
  }
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
  if (NamesDevice(path)) {
    return false;
  }
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
  if (NamesDevice(to)) {
    return false;
  }
  const auto hostFrom = HostPath(from);
  const auto hostTo = HostPath(to);
  return hostFrom && hostTo && MoveHostFile(*hostFrom, *hostTo);
}

bool HostEnv::ReplaceFile(const std::string& source, const std::string& target) {
  if (NamesDevice(target)) {
    return false;
  }
  const auto hostSource = HostPath(source);
  const auto hostTarget = HostPath(target);
  return hostSource && hostTarget && ReplaceHostFile(*hostSource, *hostTarget);
}

std::vector<FolderItem> HostEnv::ListFolder(const std::string& path,
                                            std::vector<std::string>* skipped) {
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
    // A name that cannot be a Windows name is left out (and reported) rather than mangled
    // or read as another path.
    std::optional<std::string> windowsName = UsableWindowsNameOfHost(name);
    if (!windowsName) {
      if (skipped != nullptr) {
        skipped->push_back(*hostPath + (hostPath->back() == '/' ? "" : "/") + name);
      }
      continue;
    }
    items.push_back(DescribeEntry(*hostPath, *entry, std::move(*windowsName)));
  }
  return items;
}

std::string HostEnv::TempFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  return WithTrailingSeparator(Utf8ToAnsi(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp"));
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

StartResult HostEnv::StartProgram(const std::string& program, const std::string& parameters,
                                  const std::string& workingFolder) {
  const auto hostProgram = HostPath(program);
  if (!hostProgram) {
    return StartResult::kProgramMissing;
  }
  // No working folder means the current one; one that names nothing here starts nothing.
  const auto hostFolder = workingFolder.empty() ? std::optional<std::string>(CurrentHostFolder())
                                                : HostPath(workingFolder);
  if (!hostFolder || hostFolder->empty()) {
    return StartResult::kFolderMissing;
  }
  std::vector<std::string> args = SplitCommandLine(parameters);
  for (std::string& arg : args) {
    arg = AnsiToUtf8(arg);
  }
  return StartHostProgram(*hostProgram, args, *hostFolder, winePrefix_);
}

bool HostEnv::PrefixExists() {
  return !winePrefix_.empty() && IsHostFolder(winePrefix_ + "/dosdevices");
}

std::string HostEnv::MappedDrives() {
  return MappedDriveLetters(winePrefix_);
}

Env* Env::Default() {
  static HostEnv env;
  return &env;
}

}  // namespace platform
