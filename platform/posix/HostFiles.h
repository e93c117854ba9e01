#pragma once

#include <memory>
#include <string>

#include "platform/Env.h"

// Files on the host, named by host paths (UTF-8). The sharing modes of TFileMode are kept
// with advisory locks (flock), so that two of our own processes cannot write a file the other
// reads or holds exclusively.
namespace platform {

// Fails when the file cannot be opened or created, is not a regular file (a folder: kIsFolder;
// a FIFO, a device), is read-only and wanted for writing (kAccessDenied), or a lock conflicts
// (kInUse). A created file gets mode 0666 less the umask; fmCreate truncates only once the lock
// is held.
Result<std::unique_ptr<File>> OpenHostFile(const std::string& hostPath, TFileMode mode);

// Renames source onto target atomically: target names its old content or all of the new.
// Not durable by itself: the caller flushes source before (SyncHostFile) and target's folder
// after (SyncHostFolder). Across file systems copies into a flushed temporary file beside
// target, renames that over target, then deletes source. An existing target keeps its mode and
// is never removed before its replacement is complete; without one, the file keeps the
// source's mode.
Status RenameHostFile(const std::string& hostSource, const std::string& hostTarget);

// Flushes a file's data to the disk, so that a rename that follows cannot reach the disk before
// the data it names.
Status SyncHostFile(const std::string& hostPath);

// Flushes a folder's entries to the disk, so that a rename into it survives a power cut.
Status SyncHostFolder(const std::string& hostFolder);

// Moves a file; fails with kAlreadyExists when target exists. Across file systems copies, then
// deletes source.
Status MoveHostFile(const std::string& hostSource, const std::string& hostTarget);

// A test hook, not for use by the program: while on, the first rename of RenameHostFile and
// MoveHostFile fails as it does between two file systems, so that tests can run their copying
// path on a single file system. Off unless a test turns it on.
void SimulateCrossDeviceRenames(bool on);

}  // namespace platform
