// The host environment on Windows: paths are the system's own (no prefix, no drive map), text
// is already in the ANSI code page, and every call is the Win32 call of its name.
#include "platform/HostEnv.h"

#include "platform/WinNames.h"
#include "platform/windows/Win32.h"
#include "platform/windows/WinFiles.h"
#include "platform/windows/WinStatus.h"

namespace platform {
namespace {

// The last component of a path, after its last separator or drive colon.
std::string LastComponent(const std::string& path) {
  const auto cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Whether the last component is a device name: the system would open the device, so nothing
// of that name is ever created.
bool NamesDevice(const std::string& path) {
  return IsDeviceName(LastComponent(path));
}

// Whether a path can be handed to the system as it is: not empty, no NUL byte inside.
bool Passable(const std::string& path) {
  return !path.empty() && path.find('\0') == std::string::npos;
}

// Why a path that cannot be handed to the system names nothing.
Status Unusable(bool creating) {
  return Status::Of(creating ? Reason::kInvalidName : Reason::kNotFound);
}

Status Checked(BOOL succeeded) {
  return succeeded ? Status() : LastErrorStatus();
}

DWORD AttributesOf(const std::string& path) {
  return Passable(path) ? ::GetFileAttributesA(path.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool IsFolderAttribute(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Closes a search handle of FindFirstFileA.
class Search {
 public:
  Search(const std::string& pattern, WIN32_FIND_DATAA& data)
      : handle_(::FindFirstFileA(pattern.c_str(), &data)) {}
  ~Search() {
    if (Found()) {
      ::FindClose(handle_);
    }
  }
  Search(const Search&) = delete;
  Search& operator=(const Search&) = delete;
  bool Found() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAA& data) { return ::FindNextFileA(handle_, &data) != 0; }

 private:
  HANDLE handle_;
};

// A name the listing can hand on: one that a lookup finds again. A character the ANSI code page
// cannot hold comes back from the system as '?', and a trailing dot or blank would be lost.
bool ReachableName(const std::string& name) {
  return IsExactComponent(name);
}

bool IsLink(const WIN32_FIND_DATAA& data) {
  return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
          data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

// Whether this program runs in a console (zlb, the test programs) rather than with windows of
// its own (the installer). The decompressor asks for the beep at every step of its work; a
// program with windows sounds it, a console program stays silent as it does on Linux, so that
// zlb does not ring through every extraction.
bool IsConsoleProgram() {
  const auto* image = reinterpret_cast<const BYTE*>(::GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

}  // namespace

HostEnv::HostEnv(std::string) {}

std::optional<std::string> HostEnv::HostPath(const std::string& path) {
  if (!Passable(path)) {
    return std::nullopt;
  }
  // The full name, so that two spellings of one file compare equal as far as the system's
  // own rules go (separators, "." and "..", the current folder).
  char full[MAX_PATH * 4];
  const DWORD length = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full) {
    return path;
  }
  return std::string(full, length);
}

std::string HostEnv::WindowsPath(const std::string& hostPath) {
  std::string path = hostPath;
  for (char& c : path) {
    if (c == '/') {
      c = '\\';
    }
  }
  return path;
}

Result<std::unique_ptr<File>> HostEnv::OpenFile(const std::string& path, TFileMode mode) {
  const bool creating = mode == TFileMode::fmCreate;
  if (!Passable(path)) {
    return Unusable(creating);
  }
  if (creating && NamesDevice(path)) {
    return Status::Of(Reason::kInvalidName);
  }
  return OpenWindowsFile(path, mode);
}

bool HostEnv::FileExists(const std::string& path) {
  // FindFirstFileA takes wildcards; a name holding one names no file.
  if (!Passable(path) || path.find_first_of("*?") != std::string::npos) {
    return false;
  }
  WIN32_FIND_DATAA data;
  Search search(path, data);
  return search.Found() && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool HostEnv::FolderExists(const std::string& path) {
  return IsFolderAttribute(AttributesOf(path));
}

Status HostEnv::CreateFolder(const std::string& path) {
  if (!Passable(path)) {
    return Unusable(true);
  }
  if (NamesDevice(path)) {
    return Status::Of(Reason::kInvalidName);
  }
  return Checked(::CreateDirectoryA(path.c_str(), nullptr));
}

Status HostEnv::DeleteFile(const std::string& path) {
  if (!Passable(path)) {
    return Unusable(false);
  }
  if (IsFolderAttribute(AttributesOf(path))) {
    return Status::Of(Reason::kIsFolder);
  }
  return Checked(::DeleteFileA(path.c_str()));
}

Status HostEnv::DeleteFolder(const std::string& path) {
  if (!Passable(path)) {
    return Unusable(false);
  }
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return LastErrorStatus();
  }
  // A link to a folder is removed as what it is, never as the folder it leads to.
  if (!IsFolderAttribute(attributes) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return Status::Of(Reason::kNotFolder);
  }
  return Checked(::RemoveDirectoryA(path.c_str()));  // ERROR_DIR_NOT_EMPTY: the name is taken
}

Status HostEnv::MoveFile(const std::string& from, const std::string& to) {
  if (!Passable(from)) {
    return Unusable(false);
  }
  if (!Passable(to) || NamesDevice(to)) {
    return Status::Of(Reason::kInvalidName);
  }
  return MoveWindowsFile(from, to);
}

Status HostEnv::RenameFile(const std::string& source, const std::string& target) {
  if (!Passable(source)) {
    return Unusable(false);
  }
  if (!Passable(target) || NamesDevice(target)) {
    return Status::Of(Reason::kInvalidName);
  }
  return RenameWindowsFile(source, target);
}

Status HostEnv::SyncFile(const std::string& path) {
  if (!Passable(path)) {
    return Unusable(false);
  }
  return FlushByName(path);
}

// The renames are made with MOVEFILE_WRITE_THROUGH, which returns only once the new name is on
// the disk, so a folder needs no flush of its own.
Status HostEnv::SyncFolder(const std::string&) {
  return Status();
}

std::vector<FolderItem> HostEnv::ListFolder(const std::string& path,
                                            std::vector<std::string>* skipped) {
  std::vector<FolderItem> items;
  if (!Passable(path)) {
    return items;
  }
  const std::string folder = WithTrailingSeparator(path);
  WIN32_FIND_DATAA data;
  Search search(folder + "*", data);
  if (!search.Found()) {
    return items;
  }
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") {
      continue;
    }
    if (!ReachableName(name)) {
      if (skipped != nullptr) {
        skipped->push_back(folder + name);
      }
      continue;
    }
    FolderItem item;
    item.name = name;
    item.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.isLink = IsLink(data);
    if (item.isLink) {
      item.isFolder = FolderExists(folder + name);
    }
    items.push_back(std::move(item));
  } while (search.Next(data));
  return items;
}

std::string HostEnv::TempFolder() {
  char folder[MAX_PATH + 1];
  const DWORD length = ::GetTempPathA(sizeof folder, folder);
  if (length == 0 || length > sizeof folder) {
    return ".\\";
  }
  return WithTrailingSeparator(std::string(folder, length));
}

Result<std::string> HostEnv::CreateTempFile(const std::string& folder, const std::string& prefix) {
  const std::string in = folder.empty() ? "." : folder;
  if (!Passable(in) || prefix.find('\0') != std::string::npos) {
    return Unusable(false);
  }
  // The system says only that the folder name is invalid when there is no such folder.
  if (!FolderExists(in)) {
    return Status::Of(FileExists(in) ? Reason::kNotFolder : Reason::kNotFound);
  }
  // The system makes the name (the prefix's first three characters, a number, ".tmp") and
  // creates the empty file.
  char name[MAX_PATH];
  if (!::GetTempFileNameA(in.c_str(), prefix.c_str(), 0, name)) {
    return LastErrorStatus();
  }
  // The name as the caller spelled the folder.
  return WithTrailingSeparator(folder) + LastComponent(name);
}

std::string HostEnv::CurrentFolder() {
  char folder[MAX_PATH * 4];
  const DWORD length = ::GetCurrentDirectoryA(sizeof folder, folder);
  return length == 0 || length >= sizeof folder ? std::string() : std::string(folder, length);
}

Status HostEnv::SetCurrentFolder(const std::string& path) {
  if (!Passable(path)) {
    return Unusable(false);
  }
  return Checked(::SetCurrentDirectoryA(path.c_str()));
}

StartResult HostEnv::StartProgram(const std::string& program, const std::string& parameters,
                                  const std::string& workingFolder) {
  if (!Passable(program) || !FileExists(program)) {
    return StartResult::kProgramMissing;
  }
  if (!workingFolder.empty() && !FolderExists(workingFolder)) {
    return StartResult::kFolderMissing;
  }
  // No owner window, no verb (the default action), the parameters, the working folder, and
  // the show command 1 (SW_SHOWNORMAL).
  const HINSTANCE started = ::ShellExecuteA(
      nullptr, nullptr, program.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
      workingFolder.empty() ? nullptr : workingFolder.c_str(), SW_SHOWNORMAL);
  const auto code = reinterpret_cast<INT_PTR>(started);
  if (code > 32) {
    return StartResult::kStarted;
  }
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return StartResult::kProgramMissing;
    case ERROR_PATH_NOT_FOUND:
      return StartResult::kFolderMissing;
    default:
      return StartResult::kFailed;
  }
}

void HostEnv::Beep() {
  static const bool silent = IsConsoleProgram();
  if (!silent) {
    ::MessageBeep(MB_OK);  // the default sound
  }
}

// There is no prefix to be missing: the drives are the system's own.
bool HostEnv::PrefixExists() {
  return true;
}

std::string HostEnv::MappedDrives() {
  const DWORD drives = ::GetLogicalDrives();
  std::string letters;
  for (int i = 0; i < 26; ++i) {
    if ((drives & (1u << i)) != 0) {
      letters += static_cast<char>('A' + i);
    }
  }
  return letters;
}

Env* Env::Default() {
  static HostEnv env;
  return &env;
}

}  // namespace platform
