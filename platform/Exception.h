#pragma once

#include <stdexcept>
#include <string>
#include <utility>

// What kind of failure an Exception is, for code that must tell failures apart. The message is
// for people: it may be reworded without changing what any program does, so code decides by the
// kind, never by the text. Only the kinds that some caller tells apart have a name of their own.
enum class FailureKind {
  kOther,               // nothing a caller tells apart from other failures
  kNotFound,            // the file named does not exist
  kCannotOpen,          // a file could not be opened for reading ("Cannot open file %s")
  kCannotCreate,        // a file could not be created or written over ("Cannot create file %s")
  kCannotCreateFolder,  // a folder a file was to go into could not be made
  kCorrupt,             // data is damaged, or not of the format it should have
  kBadChecksum,         // data is complete but does not match the checksum stored for it
  kTooLarge,            // more than a format can hold
};

// The general exception class: every failure of this system is an Exception (or a subclass)
// carrying an English message text, often with a file name or an index formatted in, and its
// kind, set where the failure is raised.
//
// A failure may also carry its cause: the system's own words for why it failed ("Permission
// denied", "No space left on device"), or the failure that a more general message stands for.
// The message stays as it is; a program that reports the failure can show the cause after it.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message, std::string cause = "")
      : Exception(FailureKind::kOther, message, std::move(cause)) {}
  Exception(FailureKind kind, const std::string& message, std::string cause = "")
      : std::runtime_error(message), kind_(kind), cause_(std::move(cause)) {}
  std::string Message() const { return what(); }
  FailureKind Kind() const { return kind_; }
  // Empty when nothing more is known. English, as the system gives it (UTF-8).
  const std::string& Cause() const { return cause_; }

 private:
  FailureKind kind_;
  std::string cause_;
};

// The cause a failure stands for, to be carried by a failure raised in its place: its own cause
// when it has one, else its message.
std::string CauseOf(const std::exception& failure);

// Failures of the stream family.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EReadError : public EStreamError {  // "Stream read error"
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {  // "Stream write error"
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {  // "Cannot open file %s"
 public:
  explicit EFOpenError(const std::string& message, std::string cause = "")
      : EStreamError(FailureKind::kCannotOpen, message, std::move(cause)) {}
};
class EFCreateError : public EStreamError {  // "Cannot create file %s"
 public:
  explicit EFCreateError(const std::string& message, std::string cause = "")
      : EStreamError(FailureKind::kCannotCreate, message, std::move(cause)) {}
};

// A host name that the system's code page (Windows-1252) cannot hold.
class ECodePageError : public Exception {
 public:
  using Exception::Exception;
};

// A host name that Windows would read differently: it holds a '\', which Windows takes for a
// separator, so the name would silently stand for another path.
class EHostNameError : public Exception {
 public:
  using Exception::Exception;
};

// Replaces the first "%s" or "%d" in a message template with the given text.
std::string FormatMessage(const std::string& templ, const std::string& arg);
std::string FormatMessage(const std::string& templ, long long arg);
