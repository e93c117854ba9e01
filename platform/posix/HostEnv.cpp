// The host environment: every Windows path is resolved onto the Linux file system first
// (platform/posix/WinPath.h), every name crosses between Windows-1252 and UTF-8 here, and the file
// work on host paths is left to platform/posix/HostFiles.h and platform/posix/ProgramStart.h.
#include "platform/HostEnv.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/CodePage.h"
#include "platform/WinNames.h"
#include "platform/posix/ErrnoStatus.h"
#include "platform/posix/HostFiles.h"
#include "platform/posix/HostUtil.h"
#include "platform/posix/ProgramStart.h"
#include "platform/posix/WinPath.h"

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

// Why a path that names nothing on this host (HostPath gave nothing) cannot be used: a name
// that Windows refuses cannot be created; anything else (an unmapped drive, a network name,
// an unknown current folder) is not there.
Status Unreachable(const std::string& path, bool creating) {
  if (creating) {
    const WindowsPathParts parts = ParseWindowsPath(path);
    const bool refused = path.find('\0') != std::string::npos ||
                         std::any_of(parts.components.begin(), parts.components.end(),
                                     [](const std::string& c) { return !IsUsableComponent(c); });
    if (refused) {
      return Status::Of(Reason::kInvalidName);
    }
  }
  return Status::Of(Reason::kNotFound);
}

// The outcome of a system call that reports failure through errno.
Status Checked(bool succeeded) {
  return succeeded ? Status() : StatusOfErrno(errno);
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

Result<std::unique_ptr<File>> HostEnv::OpenFile(const std::string& path, TFileMode mode) {
  const bool creating = mode == TFileMode::fmCreate;
  if (creating && NamesDevice(path)) {
    return Status::Of(Reason::kInvalidName);
  }
  const auto hostPath = HostPath(path);
  if (!hostPath) {
    return Unreachable(path, creating);
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

Status HostEnv::CreateFolder(const std::string& path) {
  if (NamesDevice(path)) {
    return Status::Of(Reason::kInvalidName);
  }
  const auto hostPath = HostPath(path);
  if (!hostPath) {
    return Unreachable(path, true);
  }
  return Checked(::mkdir(hostPath->c_str(), 0777) == 0);
}

Status HostEnv::DeleteFile(const std::string& path) {
  const auto hostPath = HostPath(path);
  if (!hostPath) {
    return Unreachable(path, false);
  }
  struct stat st;
  if (!HostStat(*hostPath, st)) {
    return StatusOfErrno(errno);
  }
  if (!S_ISREG(st.st_mode)) {
    return StatusOfErrno(S_ISDIR(st.st_mode) ? EISDIR : ENODEV);
  }
  return Checked(::unlink(hostPath->c_str()) == 0);
}

Status HostEnv::DeleteFolder(const std::string& path) {
  const auto hostPath = HostPath(path);
  if (!hostPath) {
    return Unreachable(path, false);
  }
  struct stat st;
  if (::lstat(hostPath->c_str(), &st) != 0) {
    return StatusOfErrno(errno);
  }
  if (!S_ISDIR(st.st_mode)) {
    return StatusOfErrno(ENOTDIR);  // a link is removed as what it is, never as its target
  }
  return Checked(::rmdir(hostPath->c_str()) == 0);  // ENOTEMPTY: the name is still taken
}

Status HostEnv::MoveFile(const std::string& from, const std::string& to) {
  if (NamesDevice(to)) {
    return Status::Of(Reason::kInvalidName);
  }
  const auto hostFrom = HostPath(from);
  if (!hostFrom) {
    return Unreachable(from, false);
  }
  const auto hostTo = HostPath(to);
  if (!hostTo) {
    return Unreachable(to, true);
  }
  return MoveHostFile(*hostFrom, *hostTo);
}

Status HostEnv::RenameFile(const std::string& source, const std::string& target) {
  if (NamesDevice(target)) {
    return Status::Of(Reason::kInvalidName);
  }
  const auto hostSource = HostPath(source);
  if (!hostSource) {
    return Unreachable(source, false);
  }
  const auto hostTarget = HostPath(target);
  if (!hostTarget) {
    return Unreachable(target, true);
  }
  return RenameHostFile(*hostSource, *hostTarget);
}

Status HostEnv::SyncFile(const std::string& path) {
  const auto hostPath = HostPath(path);
  if (!hostPath) {
    return Unreachable(path, false);
  }
  return SyncHostFile(*hostPath);
}

Status HostEnv::SyncFolder(const std::string& path) {
  const auto hostPath = HostPath(path.empty() ? "." : path);
  if (!hostPath) {
    return Unreachable(path, false);
  }
  return SyncHostFolder(*hostPath);
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

Result<std::string> HostEnv::CreateTempFile(const std::string& folder, const std::string& prefix) {
  const auto hostFolder = HostPath(folder.empty() ? "." : folder);
  if (!hostFolder) {
    return Unreachable(folder, false);
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
      return StatusOfErrno(errno);
    }
  }
  return StatusOfErrno(EEXIST);
}

std::string HostEnv::CurrentFolder() {
  const std::string cwd = CurrentHostFolder();
  return cwd.empty() ? "" : WindowsPath(cwd);
}

Status HostEnv::SetCurrentFolder(const std::string& path) {
  const auto hostPath = HostPath(path);
  if (!hostPath) {
    return Unreachable(path, false);
  }
  return Checked(::chdir(hostPath->c_str()) == 0);
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

void HostEnv::Beep() {
  // Silent on this host.
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
