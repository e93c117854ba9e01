#pragma once

#include <stdexcept>
#include <string>
#include <utility>

// The general exception class: every failure of this system is an Exception (or a subclass)
// carrying an English message text, often with a file name or an index formatted in.
//
// A failure may also carry its cause: the system's own words for why it failed ("Permission
// denied", "No space left on device"), or the failure that a more general message stands for.
// The message stays as it is; a program that reports the failure can show the cause after it.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message, std::string cause = "")
      : std::runtime_error(message), cause_(std::move(cause)) {}
  std::string Message() const { return what(); }
  // Empty when nothing more is known. English, as the system gives it (UTF-8).
  const std::string& Cause() const { return cause_; }

 private:
  std::string cause_;
};

// The cause a failure stands for, to be carried by a failure raised in its place: its own cause
// when it has one, else its message.
std::string CauseOf(const std::exception& failure);

// The system's text for an error number (strerror); empty for 0.
std::string SystemReason(int error);

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
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {  // "Cannot create file %s"
 public:
  using EStreamError::EStreamError;
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
