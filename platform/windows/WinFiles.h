#pragma once

#include <memory>
#include <string>

#include "platform/Env.h"
#include "platform/windows/Win32.h"

// Files through the Win32 calls, named by native paths in the ANSI code page. The sharing modes
// of TFileMode are the system's own.
namespace platform {

// Opens a regular file with the sharing mode of its TFileMode: reading with writing by others
// denied (FILE_SHARE_READ); created or truncated (CREATE_ALWAYS) and reading and writing
// (OPEN_EXISTING), both shared with nobody. A folder fails with kIsFolder, a device with
// kIoError; a read-only file is refused for writing by the system (kAccessDenied).
Result<std::unique_ptr<File>> OpenWindowsFile(const std::string& path, TFileMode mode);

// Puts source in target's place with MoveFileExA (MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH). Between two volumes the source is first copied into a flushed
// temporary file beside target, which then takes target's place, so that target is never half
// written; the source goes last.
Status RenameWindowsFile(const std::string& source, const std::string& target);

// Flushes a file's data to the disk. A file that cannot be opened for writing (a read-only
// one) is left as it is: the rename's write-through is all the care the system allows it.
Status FlushByName(const std::string& path);

// Moves a file, also between volumes; fails with kAlreadyExists when target exists.
Status MoveWindowsFile(const std::string& source, const std::string& target);

// Closes every file this process has open through OpenWindowsFile. For an interruption that
// ends the program: Windows deletes no file that is open, so the files to remove are closed
// first. Nothing may use them afterwards.
void CloseOpenFilesForExit();

// Owns a handle that CloseHandle closes.
class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  // Forgets the handle without closing it.
  void Release() { handle_ = INVALID_HANDLE_VALUE; }
  // Closes the handle now; false when the system reports a failure (GetLastError() says why).
  bool Close() {
    if (!Valid()) {
      return true;
    }
    const BOOL closed = ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed != 0;
  }

 private:
  HANDLE handle_;
};

}  // namespace platform
