#include "platform/posix/ErrnoStatus.h"

#include <errno.h>

#include <cstring>

namespace platform {
namespace {

Reason ReasonOfErrno(int error) {
  switch (error) {
    case 0:
      return Reason::kNone;
    case ENOENT:
      return Reason::kNotFound;
    case EEXIST:
    case ENOTEMPTY:
      return Reason::kAlreadyExists;
    case EISDIR:
      return Reason::kIsFolder;
    case ENOTDIR:
      return Reason::kNotFolder;
    case EACCES:
    case EPERM:
    case EROFS:
      return Reason::kAccessDenied;
    case EWOULDBLOCK:  // a conflicting lock: the sharing modes are kept with locks
      return Reason::kInUse;
    case ENOSPC:
    case EDQUOT:
      return Reason::kNoSpace;
    case EINVAL:
    case ENAMETOOLONG:
    case EILSEQ:
      return Reason::kInvalidName;
    default:
      return Reason::kIoError;
  }
}

// The error number that stands for each reason on this host.
int ErrnoOfReason(Reason why) {
  switch (why) {
    case Reason::kNone:
      return 0;
    case Reason::kNotFound:
      return ENOENT;
    case Reason::kAlreadyExists:
      return EEXIST;
    case Reason::kIsFolder:
      return EISDIR;
    case Reason::kNotFolder:
      return ENOTDIR;
    case Reason::kAccessDenied:
      return EACCES;
    case Reason::kInUse:
      return EWOULDBLOCK;
    case Reason::kNoSpace:
      return ENOSPC;
    case Reason::kInvalidName:
      return EINVAL;
    case Reason::kIoError:
      return EIO;
  }
  return EIO;
}

}  // namespace

Status StatusOfErrno(int error) {
  if (error == 0) {
    // A call that failed without saying why: the failure stays one.
    return Status(Reason::kIoError, "");
  }
  return Status(ReasonOfErrno(error), ErrnoText(error));
}

std::string ErrnoText(int error) {
  return error == 0 ? std::string() : std::string(std::strerror(error));
}

std::string SystemText(Reason why) {
  return ErrnoText(ErrnoOfReason(why));
}

}  // namespace platform
