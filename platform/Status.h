#pragma once

#include <string>
#include <utility>

// What a call of the environment seam (platform/Env.h) says about its outcome: success, or a
// failure with its reason. The reason is a kind that callers can decide by, the same on every
// system (each implementation maps its own error codes onto it), and the system's own words for
// messages. Nothing is left behind in errno or GetLastError() for the caller to pick up.
namespace platform {

// Why a call failed.
enum class Reason {
  kNone,           // no failure
  kNotFound,       // nothing of that name, or a folder on the way to it is missing
  kAlreadyExists,  // the name is taken
  kIsFolder,       // a folder where a file was asked for
  kNotFolder,      // something that is no folder where a folder was needed
  kAccessDenied,   // no permission, or the file or the disk is read-only
  kInUse,          // another program holds the file (a sharing violation)
  kNoSpace,        // the disk or the user's quota is full
  kInvalidName,    // a name this system cannot create: a device name, a refused character
  kIoError,        // the device failed, or any other reason (the text says which)
};

// The system's own words for a reason, as it gives them for its usual error of that kind
// ("No such file or directory", "Is a directory"); empty for kNone. For a failure that code
// finds out for itself rather than hears from the system.
std::string SystemText(Reason why);

class Status {
 public:
  // Success.
  Status() = default;
  // A failure; text: the system's words for it (UTF-8, English).
  Status(Reason why, std::string text) : why_(why), text_(std::move(text)) {}
  // A failure for that reason, in the system's words for it.
  static Status Of(Reason why) { return Status(why, SystemText(why)); }

  bool Ok() const { return why_ == Reason::kNone; }
  explicit operator bool() const { return Ok(); }
  Reason Why() const { return why_; }
  // Empty on success.
  const std::string& Text() const { return text_; }

 private:
  Reason why_ = Reason::kNone;
  std::string text_;
};

// A value, or the failure that kept a call from giving one. On failure Value() is T's empty
// value (a null pointer, an empty text), so a caller that only needs to know whether there is
// one can test that.
template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // success
  // A failure. A Status of success has no value to go with it, so it counts as a failure.
  Result(Status failure)
      : status_(failure.Ok() ? Status(Reason::kIoError, "") : std::move(failure)) {}

  bool Ok() const { return status_.Ok(); }
  explicit operator bool() const { return Ok(); }
  // Why there is no value; a Status of success when there is one.
  const Status& Failure() const { return status_; }

  T& Value() & { return value_; }
  const T& Value() const& { return value_; }
  T Value() && { return std::move(value_); }

 private:
  Status status_;
  T value_{};
};

}  // namespace platform
