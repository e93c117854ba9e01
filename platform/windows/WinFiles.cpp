#include "platform/windows/WinFiles.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <set>
#include <utility>

#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/windows/WinStatus.h"

namespace platform {
namespace {

// ReadFile and WriteFile move at most this much in one call.
constexpr std::size_t kMostPerCall = 1u << 30;

// The handles of the files open now, for CloseOpenFilesForExit.
std::mutex openFilesGuard;
std::set<HANDLE> openFiles;
bool closedForExit = false;

// A file opened through CreateFileA, holding its sharing mode for as long as it is open.
class WindowsFile : public File {
 public:
  explicit WindowsFile(Handle handle) : handle_(std::move(handle)) {
    std::lock_guard<std::mutex> lock(openFilesGuard);
    openFiles.insert(handle_.Get());
  }
  ~WindowsFile() override { Close(); }

  std::size_t Read(void* buffer, std::size_t count) override {
    auto* at = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
      const DWORD want = static_cast<DWORD>(std::min(count - done, kMostPerCall));
      DWORD got = 0;
      if (!::ReadFile(handle_.Get(), at + done, want, &got, nullptr)) {
        throw EReadError("Stream read error", ErrorText(::GetLastError()));
      }
      if (got == 0) {
        break;  // the end of the file
      }
      done += got;
    }
    return done;
  }

  std::size_t Write(const void* buffer, std::size_t count) override {
    const auto* at = static_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
      const DWORD want = static_cast<DWORD>(std::min(count - done, kMostPerCall));
      DWORD put = 0;
      if (!::WriteFile(handle_.Get(), at + done, want, &put, nullptr)) {
        throw EWriteError("Stream write error", ErrorText(::GetLastError()));
      }
      if (put == 0) {
        throw EWriteError("Stream write error", ErrorText(ERROR_WRITE_FAULT));
      }
      done += put;
    }
    return count;
  }

  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    DWORD method = FILE_BEGIN;
    switch (origin) {
      case TSeekOrigin::soBeginning:
        method = FILE_BEGIN;
        break;
      case TSeekOrigin::soCurrent:
        method = FILE_CURRENT;
        break;
      case TSeekOrigin::soEnd:
        method = FILE_END;
        break;
    }
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    if (!::SetFilePointerEx(handle_.Get(), distance, &position, method)) {
      return -1;  // a position before the start among others
    }
    return position.QuadPart;
  }

  Status Sync() override {
    return ::FlushFileBuffers(handle_.Get()) ? Status() : LastErrorStatus();
  }

  Status Close() override {
    {
      std::lock_guard<std::mutex> lock(openFilesGuard);
      if (closedForExit) {
        handle_.Release();  // the program is ending, and the handle was closed for it
        return Status::Of(Reason::kIoError);
      }
      openFiles.erase(handle_.Get());
    }
    return handle_.Close() ? Status() : LastErrorStatus();
  }

 private:
  Handle handle_;
};

// A file's data flushed to the disk (see FlushByName).
Status FlushNamedFile(const std::string& path) {
  Handle file(::CreateFileA(path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    const DWORD error = ::GetLastError();
    return error == ERROR_ACCESS_DENIED ? Status() : StatusOfError(error);
  }
  return ::FlushFileBuffers(file.Get()) ? Status() : LastErrorStatus();
}

// A copy of a file in the folder of the name it is to take, so that it can then be renamed
// into place; removed again unless Commit is called.
class CopyBeside {
 public:
  CopyBeside() = default;
  ~CopyBeside() {
    if (!path_.empty()) {
      ::DeleteFileA(path_.c_str());
    }
  }
  CopyBeside(const CopyBeside&) = delete;
  CopyBeside& operator=(const CopyBeside&) = delete;

  Status Make(const std::string& source, const std::string& target) {
    std::string folder = FolderPart(target);
    char name[MAX_PATH];
    if (!::GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "ZLB", 0, name)) {
      return LastErrorStatus();
    }
    path_ = name;
    if (!::CopyFileA(source.c_str(), path_.c_str(), FALSE)) {
      return LastErrorStatus();
    }
    return FlushNamedFile(path_);
  }

  const std::string& Path() const { return path_; }
  // The copy has taken its place and is no longer ours to remove.
  void Commit() { path_.clear(); }

 private:
  std::string path_;
};

// Whether a file's read-only attribute is set. The system refuses to write such a file; Wine
// leaves that to the host's permissions, which let an administrator (root) write anything, so
// the attribute is tested here as well.
bool IsReadOnly(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace

Status FlushByName(const std::string& path) {
  return FlushNamedFile(path);
}

void CloseOpenFilesForExit() {
  std::lock_guard<std::mutex> lock(openFilesGuard);
  for (const HANDLE handle : openFiles) {
    ::CloseHandle(handle);
  }
  openFiles.clear();
  closedForExit = true;
}

Result<std::unique_ptr<File>> OpenWindowsFile(const std::string& path, TFileMode mode) {
  DWORD access = GENERIC_READ;
  DWORD share = FILE_SHARE_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case TFileMode::fmOpenReadDenyWrite:
      break;
    case TFileMode::fmCreate:
      access = GENERIC_READ | GENERIC_WRITE;
      share = 0;
      disposition = CREATE_ALWAYS;
      break;
    case TFileMode::fmOpenReadWriteExclusive:
      access = GENERIC_READ | GENERIC_WRITE;
      share = 0;
      break;
  }
  // A folder is refused by name: the system only says that access is denied.
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Status::Of(Reason::kIsFolder);
  }
  if (mode != TFileMode::fmOpenReadDenyWrite && IsReadOnly(attributes)) {
    return StatusOfError(ERROR_ACCESS_DENIED);
  }
  Handle handle(::CreateFileA(path.c_str(), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.Valid()) {
    return LastErrorStatus();
  }
  // Only files on a disk are files here: a device (NUL, COM1, a pipe) is not.
  if (::GetFileType(handle.Get()) != FILE_TYPE_DISK) {
    return Status::Of(Reason::kIoError);
  }
  return std::unique_ptr<File>(std::make_unique<WindowsFile>(std::move(handle)));
}

Status RenameWindowsFile(const std::string& source, const std::string& target) {
  if (IsReadOnly(::GetFileAttributesA(target.c_str()))) {
    return StatusOfError(ERROR_ACCESS_DENIED);
  }
  if (::MoveFileExA(source.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return Status();
  }
  const DWORD error = ::GetLastError();
  if (error != ERROR_NOT_SAME_DEVICE) {
    return StatusOfError(error);
  }
  CopyBeside copy;
  if (const Status made = copy.Make(source, target); !made) {
    return made;
  }
  if (!::MoveFileExA(copy.Path().c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return LastErrorStatus();
  }
  copy.Commit();
  // The target is complete; a source that cannot be removed stays behind, as a move between
  // volumes leaves it.
  ::DeleteFileA(source.c_str());
  return Status();
}

Status MoveWindowsFile(const std::string& source, const std::string& target) {
  if (::MoveFileExA(source.c_str(), target.c_str(),
                    MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
    return Status();
  }
  return LastErrorStatus();
}

}  // namespace platform
