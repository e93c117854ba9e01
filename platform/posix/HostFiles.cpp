#include "platform/posix/HostFiles.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/Exception.h"
#include "platform/posix/ErrnoStatus.h"
#include "platform/posix/HostUtil.h"

namespace platform {
namespace {

// Owns one file descriptor and closes it when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : fd_(other.Release()) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes the descriptor now; a failure is an error the close reports (a late write failure).
  Status Reset() {
    if (fd_ < 0) {
      return Status();
    }
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? Status() : StatusOfErrno(errno);
  }

 private:
  int fd_;
};

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool Lock(int fd, int operation) {
  int result;
  do {
    result = ::flock(fd, operation | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

// Reads up to count bytes, stopping early only at the end of the file; -1 on an I/O error.
ssize_t ReadFully(int fd, void* buffer, std::size_t count) {
  auto* at = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd, at + done, count - done);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return -1;
    }
    if (n == 0) {
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

// Writes all count bytes; false on an I/O error (or a device that accepts nothing).
bool WriteFully(int fd, const void* buffer, std::size_t count) {
  const auto* at = static_cast<const std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd, at + done, count - done);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A file opened on the host, holding its sharing lock for as long as it is open.
class HostFile : public File {
 public:
  explicit HostFile(Fd fd) : fd_(std::move(fd)) {}

  std::size_t Read(void* buffer, std::size_t count) override {
    const ssize_t n = ReadFully(fd_.Get(), buffer, count);
    if (n < 0) {
      throw EReadError("Stream read error", ErrnoText(errno));
    }
    return static_cast<std::size_t>(n);
  }

  std::size_t Write(const void* buffer, std::size_t count) override {
    if (!WriteFully(fd_.Get(), buffer, count)) {
      throw EWriteError("Stream write error", ErrnoText(errno));
    }
    return count;
  }

  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    int whence = SEEK_SET;
    switch (origin) {
      case TSeekOrigin::soBeginning:
        whence = SEEK_SET;
        break;
      case TSeekOrigin::soCurrent:
        whence = SEEK_CUR;
        break;
      case TSeekOrigin::soEnd:
        whence = SEEK_END;
        break;
    }
    const off_t position = ::lseek(fd_.Get(), static_cast<off_t>(offset), whence);
    return position < 0 ? -1 : static_cast<std::int64_t>(position);
  }

  Status Sync() override { return ::fsync(fd_.Get()) == 0 ? Status() : StatusOfErrno(errno); }

  Status Close() override { return fd_.Reset(); }

 private:
  Fd fd_;
};

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    return ".";
  }
  if (slash == 0) {
    return "/";
  }
  return path.substr(0, slash);
}

// The outcome of a system call that reports failure through errno.
Status Checked(bool succeeded) {
  return succeeded ? Status() : StatusOfErrno(errno);
}

// Set by tests to try the copying path of a replace or move on one file system.
std::atomic<bool> crossDeviceSimulated{false};

// Whether the source's own rename is to fail as between two file systems.
bool RenameFailsAcrossDevices() {
  return crossDeviceSimulated;
}

// A hidden copy of a file, made in the folder of the name it is to take, so that it can then
// be renamed into place. The copy is removed again unless Commit is called.
class CopyBeside {
 public:
  CopyBeside() = default;
  ~CopyBeside() {
    if (!tempPath_.empty()) {
      ::unlink(tempPath_.c_str());
    }
  }
  CopyBeside(const CopyBeside&) = delete;
  CopyBeside& operator=(const CopyBeside&) = delete;

  // Copies source (a regular file) next to target with the given mode and flushes it to disk.
  Status Make(const std::string& source, const std::string& target, mode_t mode) {
    Fd in(OpenRetrying(source.c_str(), O_RDONLY | O_NONBLOCK));  // a FIFO must not block
    struct stat st;
    if (!in.Valid() || ::fstat(in.Get(), &st) != 0) {
      return StatusOfErrno(errno);
    }
    if (!S_ISREG(st.st_mode)) {
      return StatusOfErrno(S_ISDIR(st.st_mode) ? EISDIR : ENODEV);
    }
    // A name of fixed length, so that a target name as long as the system allows still
    // leaves room for its copy.
    const std::string prefix = FolderOf(target) + "/.ZLB";
    int created = -1;
    for (int attempt = 0; attempt < 100 && created < 0; ++attempt) {
      const std::string candidate = prefix + UniqueSuffix();
      created = OpenRetrying(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
      if (created >= 0) {
        tempPath_ = candidate;
      } else if (errno != EEXIST) {
        return StatusOfErrno(errno);
      }
    }
    Fd out(created);
    if (!out.Valid()) {
      return StatusOfErrno(EEXIST);
    }
    std::vector<std::uint8_t> buffer(65536);
    for (;;) {
      const ssize_t n = ReadFully(in.Get(), buffer.data(), buffer.size());
      if (n < 0 || !WriteFully(out.Get(), buffer.data(), static_cast<std::size_t>(n))) {
        return StatusOfErrno(errno);
      }
      if (static_cast<std::size_t>(n) < buffer.size()) {
        break;
      }
    }
    if (::fchmod(out.Get(), mode) != 0 || ::fsync(out.Get()) != 0) {
      return StatusOfErrno(errno);
    }
    return out.Reset();
  }

  const std::string& Path() const { return tempPath_; }
  // The copy has been renamed into place and is no longer ours to remove.
  void Commit() { tempPath_.clear(); }

 private:
  std::string tempPath_;
};

// Renames source to target unless target exists, without a window in which another process
// could create target unnoticed. Returns 0, or the error number of the failure.
int RenameNoReplace(const std::string& source, const std::string& target) {
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) {
    return errno;
  }
  // The file system cannot rename without replacing: a hard link fails on an existing name
  // just as atomically.
  if (::link(source.c_str(), target.c_str()) == 0) {
    ::unlink(source.c_str());
    return 0;
  }
  if (errno != EPERM && errno != ENOTSUP) {
    return errno;
  }
  // No hard links either (or source is a folder): test, then rename.
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0) {
    return EEXIST;
  }
  return ::rename(source.c_str(), target.c_str()) == 0 ? 0 : errno;
}

}  // namespace

Status SyncHostFile(const std::string& hostPath) {
  // A FIFO must not block the open.
  Fd fd(OpenRetrying(hostPath.c_str(), O_RDONLY | O_NONBLOCK));
  return Checked(fd.Valid() && ::fsync(fd.Get()) == 0);
}

Status SyncHostFolder(const std::string& hostFolder) {
  Fd fd(OpenRetrying(hostFolder.c_str(), O_RDONLY | O_DIRECTORY));
  return Checked(fd.Valid() && ::fsync(fd.Get()) == 0);
}

Result<std::unique_ptr<File>> OpenHostFile(const std::string& hostPath, TFileMode mode) {
  int flags = O_RDONLY;
  int lock = LOCK_SH;
  switch (mode) {
    case TFileMode::fmOpenReadDenyWrite:
      flags = O_RDONLY;
      lock = LOCK_SH;
      break;
    case TFileMode::fmCreate:
      // No O_TRUNC: the content is only discarded once the exclusive lock is held, so an
      // open that conflicts with another never destroys the other's file.
      flags = O_RDWR | O_CREAT;
      lock = LOCK_EX;
      break;
    case TFileMode::fmOpenReadWriteExclusive:
      flags = O_RDWR;
      lock = LOCK_EX;
      break;
  }
  // A read-only file is not written to, whoever asks (root passes any permission check, so
  // the mode bits decide).
  struct stat before;
  if (mode != TFileMode::fmOpenReadDenyWrite && ::stat(hostPath.c_str(), &before) == 0 &&
      S_ISREG(before.st_mode) && (before.st_mode & 0222) == 0) {
    return StatusOfErrno(EACCES);
  }
  // Opened without blocking, so that a FIFO (which would wait for a writer) is refused as
  // promptly as a folder or a device: only regular files are files here.
  Fd fd(OpenRetrying(hostPath.c_str(), flags | O_NONBLOCK, 0666));
  if (!fd.Valid()) {
    return StatusOfErrno(errno);  // EISDIR for a folder opened for writing, among others
  }
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) {
    return StatusOfErrno(errno);
  }
  if (!S_ISREG(st.st_mode)) {
    // A folder is named as such; a FIFO or a device is "no such device" as far as files go.
    return StatusOfErrno(S_ISDIR(st.st_mode) ? EISDIR : ENODEV);
  }
  const int status = ::fcntl(fd.Get(), F_GETFL);
  if (status < 0 || ::fcntl(fd.Get(), F_SETFL, status & ~O_NONBLOCK) != 0) {
    return StatusOfErrno(errno);
  }
  if (!Lock(fd.Get(), lock)) {
    return StatusOfErrno(errno);  // EWOULDBLOCK: another open holds a lock that conflicts
  }
  // A file that is empty already is left alone: truncating it would make some file systems
  // (ext4) start writing the new content back at the close, at the writer's expense.
  if (mode == TFileMode::fmCreate &&
      (::fstat(fd.Get(), &st) != 0 || (st.st_size != 0 && ::ftruncate(fd.Get(), 0) != 0))) {
    return StatusOfErrno(errno);
  }
  return std::unique_ptr<File>(std::make_unique<HostFile>(std::move(fd)));
}

Status RenameHostFile(const std::string& hostSource, const std::string& hostTarget) {
  const std::optional<mode_t> targetMode = HostModeOf(hostTarget);
  const std::optional<mode_t> sourceMode = HostModeOf(hostSource);
  if (!sourceMode) {
    return StatusOfErrno(errno);
  }
  // Give the source the target's mode before it takes the target's name, so the target
  // never appears with another mode. Without a target the source keeps its own mode, on
  // either path below.
  const bool modeSet =
      targetMode && *targetMode != *sourceMode && ::chmod(hostSource.c_str(), *targetMode) == 0;
  int renameError = EXDEV;
  if (!RenameFailsAcrossDevices()) {
    if (::rename(hostSource.c_str(), hostTarget.c_str()) == 0) {
      return Status();
    }
    renameError = errno;
  }
  if (modeSet) {
    ::chmod(hostSource.c_str(), *sourceMode);
  }
  if (renameError != EXDEV) {
    return StatusOfErrno(renameError);
  }
  CopyBeside copy;
  if (const Status made = copy.Make(hostSource, hostTarget, targetMode.value_or(*sourceMode));
      !made) {
    return made;
  }
  if (::rename(copy.Path().c_str(), hostTarget.c_str()) != 0) {
    return StatusOfErrno(errno);
  }
  copy.Commit();
  // The target is complete; a source that cannot be removed stays behind, as a move across
  // volumes does on Windows.
  ::unlink(hostSource.c_str());
  return Status();
}

Status MoveHostFile(const std::string& hostSource, const std::string& hostTarget) {
  if (!RenameFailsAcrossDevices()) {
    const int renameError = RenameNoReplace(hostSource, hostTarget);
    if (renameError != EXDEV) {
      return renameError == 0 ? Status() : StatusOfErrno(renameError);
    }
  }
  struct stat st;
  if (::lstat(hostTarget.c_str(), &st) == 0) {
    return StatusOfErrno(EEXIST);
  }
  const std::optional<mode_t> sourceMode = HostModeOf(hostSource);
  if (!sourceMode) {
    return StatusOfErrno(errno);
  }
  CopyBeside copy;
  if (const Status made = copy.Make(hostSource, hostTarget, *sourceMode); !made) {
    return made;
  }
  if (const int renameError = RenameNoReplace(copy.Path(), hostTarget); renameError != 0) {
    return StatusOfErrno(renameError);
  }
  copy.Commit();
  // The copy is on the disk (CopyBeside flushed it); so must its name be before the source
  // goes.
  if (const Status synced = SyncHostFolder(FolderOf(hostTarget)); !synced) {
    return synced;
  }
  ::unlink(hostSource.c_str());
  return Status();
}

void SimulateCrossDeviceRenames(bool on) {
  crossDeviceSimulated = on;
}

}  // namespace platform
