#include "platform/windows/WinStatus.h"

#include <cstdio>

namespace platform {
namespace {

Reason ReasonOfError(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return Reason::kNone;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NOT_READY:
      return Reason::kNotFound;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
    case ERROR_DIR_NOT_EMPTY:
      return Reason::kAlreadyExists;
    case ERROR_DIRECTORY:
      return Reason::kNotFolder;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
      return Reason::kAccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return Reason::kInUse;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Reason::kNoSpace;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_PARAMETER:
      return Reason::kInvalidName;
    default:
      return Reason::kIoError;
  }
}

// The error code that stands for each reason on this system.
DWORD ErrorOfReason(Reason why) {
  switch (why) {
    case Reason::kNone:
      return ERROR_SUCCESS;
    case Reason::kNotFound:
      return ERROR_FILE_NOT_FOUND;
    case Reason::kAlreadyExists:
      return ERROR_ALREADY_EXISTS;
    case Reason::kIsFolder:
      // Windows has no error of its own for a folder opened as a file: it refuses access.
      return ERROR_ACCESS_DENIED;
    case Reason::kNotFolder:
      return ERROR_DIRECTORY;
    case Reason::kAccessDenied:
      return ERROR_ACCESS_DENIED;
    case Reason::kInUse:
      return ERROR_SHARING_VIOLATION;
    case Reason::kNoSpace:
      return ERROR_DISK_FULL;
    case Reason::kInvalidName:
      return ERROR_INVALID_NAME;
    case Reason::kIoError:
      return ERROR_GEN_FAILURE;
  }
  return ERROR_GEN_FAILURE;
}

}  // namespace

std::string ErrorText(DWORD error) {
  if (error == ERROR_SUCCESS) {
    return "";
  }
  char buffer[512];
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() &&
         (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  if (text.empty()) {
    // No words for it in this system: its number at least.
    char number[32];
    std::snprintf(number, sizeof number, "Error %lu", static_cast<unsigned long>(error));
    text = number;
  }
  return text;
}

Status StatusOfError(DWORD error) {
  if (error == ERROR_SUCCESS) {
    // A call that failed without saying why: the failure stays one.
    return Status(Reason::kIoError, "");
  }
  return Status(ReasonOfError(error), ErrorText(error));
}

Status LastErrorStatus() {
  return StatusOfError(::GetLastError());
}

std::string SystemText(Reason why) {
  if (why == Reason::kIsFolder) {
    return "Is a directory";  // no error code says it; the words the other systems use
  }
  return ErrorText(ErrorOfReason(why));
}

}  // namespace platform
