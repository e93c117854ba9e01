#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Stream.h"

// The environment seam: every service of the operating system that this system uses, behind
// one narrow interface. Callers speak in Windows paths and Windows-1252 text; the host
// implementation maps them onto the Linux file system (drive letters through a Wine prefix,
// case-insensitive names, UTF-8 on the host). Tests can substitute their own Env.
//
// Path rules of the host implementation:
//  1. Both '\' and '/' separate components; repeated separators count as one.
//  2. "X:\rest" maps drive X to $WINEPREFIX/dosdevices/x: (WINEPREFIX defaults to ~/.wine);
//     when that folder does not exist the drive is unmapped and nothing on it exists.
//  3. A path starting with one separator and no drive is a host absolute path; one starting
//     with two backslashes (a network name) names nothing.
//  4. Any other path is relative to the process's current directory.
//  5. Each component that exists exactly is taken as is; otherwise the first entry (in byte
//     order) of that folder that matches with ASCII letters folded. New components keep the
//     caller's letter case.
namespace platform {

// An open file on the host, as handed to TFileStream.
class File {
 public:
  virtual ~File() = default;
  // Returns the number of bytes read (0 at the end); fails with EReadError on an I/O error.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Returns the number of bytes written; fails with EWriteError on an I/O error.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Returns the new position, or -1 when the position is invalid.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
};

// One item of a folder listing.
struct FolderItem {
  std::string name;  // Windows-1252
  // Whether the item leads to a folder (for a symbolic link: whether its target is one).
  bool isFolder = false;
  // The item is a symbolic link; isFolder still tells whether it leads to a folder. A walk
  // through a tree of folders should not descend into links, so that a link loop cannot trap
  // it.
  bool isLink = false;
};

class Env {
 public:
  virtual ~Env() = default;

  // The host environment, created on first use (reads WINEPREFIX and HOME then).
  static Env* Default();

  // Opens a file; nullptr when it cannot be opened or created (missing, not a regular file such
  // as a folder or a FIFO, a sharing conflict, no permission, unmapped drive). Files created get
  // mode 0666 less the umask. As on Windows, an existing file whose read-only attribute is set
  // (on the host: no write bit for anyone) is never opened for writing, not even by root.
  virtual std::unique_ptr<File> OpenFile(const std::string& path, TFileMode mode) = 0;

  virtual bool FileExists(const std::string& path) = 0;  // a regular file; a folder is not
  virtual bool FolderExists(const std::string& path) = 0;
  virtual bool CreateFolder(const std::string& path) = 0;  // one folder; the parent must exist
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool MoveFile(const std::string& from,
                        const std::string& to) = 0;  // fails if `to` exists
  // Puts source in target's place atomically; across file systems copies beside the target
  // first. The target is never removed before its replacement is complete; it keeps its mode
  // (with no target, the file keeps the source's mode).
  virtual bool ReplaceFile(const std::string& source, const std::string& target) = 0;
  // The items of a folder in the system's order, without "." and ".."; empty when the folder
  // does not exist. A host name that cannot be a Windows name is not skipped: the listing fails
  // with ECodePageError when Windows-1252 cannot hold it, and with EHostNameError when it holds
  // a '\' (Windows would read that as a separator, and the item as another path).
  virtual std::vector<FolderItem> ListFolder(const std::string& path) = 0;

  // The folder for temporary files ($TMPDIR, else /tmp), ending in a separator.
  virtual std::string TempFolder() = 0;
  // Creates a new, unique, empty file in folder whose name begins with prefix; returns its
  // full name, or "" on failure.
  virtual std::string CreateTempFile(const std::string& folder, const std::string& prefix) = 0;

  virtual std::string CurrentFolder() = 0;
  virtual bool SetCurrentFolder(const std::string& path) = 0;

  // Starts a program without waiting for it (Windows programs through wine found on PATH,
  // executables directly, anything else through xdg-open). Nothing starts when the program
  // does not exist or the working folder cannot be entered. Nothing is reported.
  virtual void StartProgram(const std::string& program, const std::string& parameters,
                            const std::string& workingFolder) = 0;

  // The system's default notification sound. Silent on Linux, but counted.
  virtual void Beep() = 0;
  virtual std::uint64_t BeepCount() const = 0;

  // The host path (UTF-8) a Windows path names, or nullopt when it names nothing on this host:
  // an empty path, one with a NUL byte, a network name, a drive that is not mapped (or no Wine
  // prefix at all), or a relative path while the current directory cannot be determined. Every
  // Windows-1252 name has a UTF-8 form, so the code page never makes it fail.
  virtual std::optional<std::string> HostPath(const std::string& path) = 0;
  // The Windows path of a host path (UTF-8), for names that come from the host (a file
  // dialog, the command line): the mapped drive whose root is the longest prefix of it gives
  // its letter; with none, the host path with '/' turned into '\'. Symbolic links in the part
  // of the path that exists are resolved first. Fails with ECodePageError for a name that
  // Windows-1252 cannot hold, and with EHostNameError for a name that holds a '\'.
  virtual std::string WindowsPath(const std::string& hostPath) = 0;
};

}  // namespace platform
