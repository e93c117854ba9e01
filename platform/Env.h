#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileMode.h"
#include "platform/Status.h"

// The environment seam: every service of the operating system that this system uses, behind
// one narrow interface. Callers speak in Windows paths and Windows-1252 text; the host
// implementation maps them onto the Linux file system (drive letters through a Wine prefix,
// case-insensitive names on its drives, UTF-8 on the host). Tests can substitute their own Env.
//
// A call that can fail says why in what it returns, a Status or a Result (platform/Status.h):
// the kind of reason and the system's words for it. Nothing is left in errno for the caller. A
// path that names nothing on this host (rules 2, 3 and 5 below) fails with kNotFound, or with
// kInvalidName when a file or folder of that name was to be created.
//
// On Windows (platform/windows/) paths are the system's own and go to its ANSI calls as they are:
// no prefix, no drive map, the system's own letter-case folding and name rules; programs start
// through the shell (ShellExecuteA), and text is in the ANSI code page already.
//
// Path rules of the host implementation on Linux (platform/posix/):
//  1. Both '\' and '/' separate components; repeated separators count as one.
//  2. "X:\rest" maps drive X to $WINEPREFIX/dosdevices/x: (WINEPREFIX defaults to ~/.wine);
//     when that folder does not exist the drive is unmapped and nothing on it exists.
//  3. A path starting with one separator and no drive is a host absolute path; one starting
//     with two backslashes (a network name) names nothing.
//  4. Any other path is relative to the process's current directory.
//  5. Each component loses its trailing dots and blanks first ("." and ".." aside), as on
//     Windows, so "Rules." and "Rules" are one name (and "..." is passed over like "."). A
//     component holding a control character or
//     one of < > : " | ? * names nothing: lookups find nothing and creating fails. The device
//     names (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with or without an extension) cannot be
//     created. See platform/WinNames.h.
//  6. Each component that exists exactly is taken as is. On a drive, and in a host folder that
//     lies in a drive's folder, a component that does not exist exactly is the first entry (in
//     byte order) of that folder that matches with ASCII letters folded, as on Windows.
//     Elsewhere on the host letter case is taken exactly, as host tools take it (a drive that
//     maps the host's root, like Wine's Z:, does not make all of the host a drive's folder).
//     New components keep the caller's letter case.
namespace platform {

// An open file on the host, as handed to TFileStream.
class File {
 public:
  virtual ~File() = default;
  // Returns the number of bytes read (0 at the end); fails with EReadError on an I/O error,
  // whose cause is the system's words for it.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Returns the number of bytes written; fails with EWriteError on an I/O error (a full disk,
  // ...), whose cause is the system's words for it.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Returns the new position, or -1 when the position is invalid (the one way a seek fails).
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  // Flushes what was written to the disk itself; a failure says why the system refused.
  // A file with nothing to flush (one kept in memory by a test) keeps this default.
  virtual Status Sync() { return Status(); }
  // Closes the file now; a failure (a late write error) means the data may not have arrived.
  // Later calls do nothing and succeed; every other call after a close fails. Destroying a file
  // closes it quietly.
  virtual Status Close() { return Status(); }
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

// What became of a request to start a program.
enum class StartResult {
  kStarted,          // the program (or the launcher that runs it) is running
  kProgramMissing,   // the program names nothing on this host
  kFolderMissing,    // the working folder names nothing or cannot be entered
  kLauncherMissing,  // wine (for Windows programs) or xdg-open (for documents) is not on PATH
  kFailed,           // the system would not start it (no new process, not executable, ...)
};

// A short English description of a result ("the program does not exist", ...), for telling
// the user why nothing started.
const char* StartResultText(StartResult result);

class Env {
 public:
  virtual ~Env() = default;

  // The host environment, created on first use (reads WINEPREFIX and HOME then).
  static Env* Default();

  // Opens a file, or says why it cannot be opened or created: kNotFound (missing, an unmapped
  // drive), kIsFolder, kInUse (a sharing conflict), kAccessDenied (no permission, read-only),
  // kInvalidName (a device name with fmCreate), kIoError (a FIFO or a device: not a regular
  // file). Files created get mode 0666 less the umask. As on Windows, an existing file whose
  // read-only attribute is set (on the host: no write bit for anyone) is never opened for
  // writing, not even by root.
  virtual Result<std::unique_ptr<File>> OpenFile(const std::string& path, TFileMode mode) = 0;

  virtual bool FileExists(const std::string& path) = 0;  // a regular file; a folder is not
  virtual bool FolderExists(const std::string& path) = 0;
  // One folder; the parent must exist (kNotFound). Fails with kAlreadyExists when the name is
  // taken, by a folder or anything else, and with kInvalidName for a device name.
  virtual Status CreateFolder(const std::string& path) = 0;
  // A regular file only: a folder fails with kIsFolder.
  virtual Status DeleteFile(const std::string& path) = 0;
  // An empty folder only: fails with kAlreadyExists while it still holds something, with
  // kNotFound when there is nothing of that name and with kNotFolder for anything else (a file,
  // a link to a folder).
  virtual Status DeleteFolder(const std::string& path) = 0;
  // Fails with kAlreadyExists if `to` exists, with kInvalidName if it is a device name.
  virtual Status MoveFile(const std::string& from, const std::string& to) = 0;
  // Puts source in target's place atomically and durably, in three steps that every
  // environment takes alike: SyncFile(source), so that the new data reaches the disk before the
  // rename; RenameFile(source, target); SyncFolder on target's folder, so that the rename has
  // reached the disk before the call returns. Fails with the first step that fails; when only
  // the last one does, the target already holds the new data but may lose it in a power cut.
  // Not virtual, so that an environment wrapped around another sees, and may fail, each step.
  Status ReplaceFile(const std::string& source, const std::string& target);
  // Renames source to target, replacing a file of that name atomically: target names its old
  // content or all of the new, never anything else. Not durable by itself (see ReplaceFile).
  // Across file systems copies beside the target (the copy flushed to the disk) and renames the
  // copy. The target is never removed before its replacement is complete; it keeps its mode
  // (with no target, the file keeps the source's mode). Fails with kInvalidName for a device
  // name.
  virtual Status RenameFile(const std::string& source, const std::string& target) = 0;
  // Flushes the data of a file that is not open for writing to the disk.
  virtual Status SyncFile(const std::string& path) = 0;
  // Flushes a folder's entries (the names made, renamed or removed in it) to the disk; "" is
  // the current folder. A system that keeps them safe by itself succeeds at once.
  virtual Status SyncFolder(const std::string& path) = 0;
  // The items of a folder in the system's order, without "." and ".."; empty when the folder
  // does not exist or cannot be read. An item whose host name cannot be a Windows name (not valid
  // UTF-8, not representable in Windows-1252, holding '\' or another character Windows refuses, or
  // ending in a dot or blank, which a lookup would lose) is left out, so that one stray name does
  // not spoil the listing; when skipped is given, the host path (UTF-8) of each such item is
  // appended to it.
  virtual std::vector<FolderItem> ListFolder(const std::string& path,
                                             std::vector<std::string>* skipped) = 0;
  // The same, for a caller that does not need to know what was left out.
  std::vector<FolderItem> ListFolder(const std::string& path) { return ListFolder(path, nullptr); }

  // The folder for temporary files ($TMPDIR, else /tmp), ending in a separator.
  virtual std::string TempFolder() = 0;
  // Creates a new, unique, empty file in folder whose name begins with prefix and gives its full
  // name (folder, a separator, prefix and more), or says why none could be made.
  virtual Result<std::string> CreateTempFile(const std::string& folder,
                                             const std::string& prefix) = 0;

  // "" when it cannot be determined.
  virtual std::string CurrentFolder() = 0;
  // Fails with kNotFound when path names no folder here.
  virtual Status SetCurrentFolder(const std::string& path) = 0;

  // Starts a program without waiting for it, in workingFolder ("" for the current one): on
  // Windows through the shell; on Linux Windows programs through wine found on PATH,
  // executables directly, anything else through xdg-open, the started process running in this
  // environment's Wine prefix (WINEPREFIX is set for it). Nothing starts when the program does
  // not exist, the working folder cannot be entered or the launcher is missing; the result says
  // which.
  virtual StartResult StartProgram(const std::string& program, const std::string& parameters,
                                   const std::string& workingFolder) = 0;

  // The system's default notification sound. Silent on this host.
  virtual void Beep() = 0;

  // The Wine prefix as an absolute host path (UTF-8), "" when there is none (no WINEPREFIX and
  // no home folder). For explaining why a drive holds nothing.
  virtual std::string PrefixPath() = 0;
  // Whether the prefix is a Wine prefix: its folder exists and holds the drive map
  // (dosdevices). Wine run on any other folder would make a new prefix of it. On Windows, where
  // the drives are the system's own and no prefix can be missing, always true (and PrefixPath
  // is "").
  virtual bool PrefixExists() = 0;
  // The letters of the mapped drives, upper case, in order ("CZ" in a fresh prefix); "" when
  // the prefix maps none. On Windows the system's drives.
  virtual std::string MappedDrives() = 0;

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
